// The directory reader on well-formed archives and on every kind of damage.
#include <gtest/gtest.h>

#include "engine/ZMEngineApi.h"
#include "engine/zipformat.h"
#include "tests/unit/zipkit.h"

using zipformat::MemorySource;
using zipformat::ZipDirectory;
using zipformat::ZipEntry;

namespace {

std::vector<ZipEntry> ReadAll(ZipDirectory& dir) {
    std::vector<ZipEntry> out;
    ZipEntry e;
    dir.Rewind();
    while (dir.Next(e)) out.push_back(e);
    return out;
}

// Opens, walks and locates every entry; returns the error met (0 for none).
int Exercise(const std::string& bytes) {
    MemorySource src(bytes.data(), bytes.size());
    ZipDirectory dir;
    if (!dir.Open(&src)) return dir.Error();
    ZipEntry e;
    int64_t pos;
    std::string why;
    int first = 0;
    while (dir.Next(e)) {
        int r = dir.LocateData(e, pos, why);
        if (r != 0 && first == 0) first = r;
        if (r == 0) {
            EXPECT_GE(pos, dir.End().archive_start);
            EXPECT_LE(pos + static_cast<int64_t>(e.compressed_size), dir.End().cd_start);
        }
    }
    return dir.Error() != 0 ? dir.Error() : first;
}

}  // namespace

TEST(ZipFormat, ReadsEntriesBehindAPrefix) {
    zipkit::ZipBuilder b;
    zipkit::Entry e;
    e.name = "dir/file.txt";
    e.data = "content";
    e.has_mtime = true;
    e.mtime = 1234567890;
    e.host = 3;
    e.external_attr = 0100444u << 16;
    b.Add(e).AddFolder("dir/");
    zipkit::Entry big;
    big.name = "z64";
    big.data = std::string(1000, 'q');
    big.zip64 = true;
    big.descriptor = true;
    b.Add(big);
    b.comment = "archive comment";
    for (bool z64_end : {false, true}) {
        b.zip64_end = z64_end;
        const std::string prefix(777, 'P');
        const std::string bytes = b.Build(prefix);
        MemorySource src(bytes.data(), bytes.size());
        ZipDirectory dir;
        ASSERT_TRUE(dir.Open(&src)) << dir.ErrorText();
        EXPECT_EQ(dir.End().archive_start, 777);
        EXPECT_EQ(dir.End().zip64, z64_end);
        EXPECT_EQ(dir.End().entry_count, 3u);
        EXPECT_EQ(dir.End().comment, "archive comment");
        auto all = ReadAll(dir);
        ASSERT_EQ(all.size(), 3u);
        EXPECT_EQ(dir.Error(), 0);
        EXPECT_EQ(all[0].name, "dir/file.txt");
        EXPECT_EQ(all[0].size, 7u);
        EXPECT_TRUE(all[0].has_mtime);
        EXPECT_EQ(all[0].mtime, 1234567890);
        EXPECT_TRUE(all[0].ReadOnly());
        EXPECT_FALSE(all[0].IsDirectory());
        EXPECT_TRUE(all[1].IsDirectory());
        EXPECT_EQ(all[2].size, 1000u);
        EXPECT_TRUE(all[2].HasDataDescriptor());
        int64_t pos = 0;
        std::string why;
        ASSERT_EQ(dir.LocateData(all[0], pos, why), 0) << why;
        EXPECT_EQ(bytes.substr(static_cast<size_t>(pos), 7),
                  std::string(zipkit::Deflate("content")).substr(0, 7));
        // A second walk gives the same entries.
        EXPECT_EQ(ReadAll(dir).size(), 3u);
    }
}

TEST(ZipFormat, RefusesLyingRecords) {
    zipkit::ZipBuilder b;
    b.AddFile("a", "aaaa").AddFile("b", "bbbb");
    const std::string good = b.Build();
    EXPECT_EQ(Exercise(good), 0);

    b.set_count = true;  // more entries claimed than the directory can hold
    b.count = 60000;
    EXPECT_EQ(Exercise(b.Build()), ZE_ERR_INVALID_ZIP);
    b.count = 3;  // one more than present, still plausible by size: the walk runs out
    EXPECT_NE(Exercise(b.Build() + std::string()), 0);
    b.set_count = false;

    std::string no_end = good;
    no_end += "trailing";  // the end record no longer ends the file
    EXPECT_EQ(Exercise(no_end), ZE_ERR_NO_CENTRAL);
    EXPECT_EQ(Exercise(std::string()), ZE_ERR_NO_CENTRAL);
    EXPECT_EQ(Exercise(std::string(100, '\0')), ZE_ERR_NO_CENTRAL);

    // Central directory size larger than everything before the end record.
    std::string big_cd = good;
    const size_t end = big_cd.size() - 22;
    big_cd[end + 15] = '\x7F';
    EXPECT_EQ(Exercise(big_cd), ZE_ERR_INVALID_ZIP);

    // Several disks.
    std::string disks = good;
    disks[end + 4] = 1;
    EXPECT_EQ(Exercise(disks), ZE_ERR_MULTI_PART);

    // A saturated size without a Zip64 field.
    zipkit::Entry sat;
    sat.name = "s";
    sat.data = "x";
    sat.set_size = true;
    sat.size = 0xFFFFFFFFu;
    EXPECT_EQ(Exercise(zipkit::ZipBuilder().Add(sat).Build()), ZE_ERR_INVALID_ZIP);

    // Local header and directory disagreeing on the method.
    std::string method = good;
    method[8] = 0;  // first local header's method: deflated -> stored
    EXPECT_EQ(Exercise(method), ZE_ERR_INVALID_ZIP);
}

TEST(ZipFormat, EveryTruncationAndByteFlipStaysInBounds) {
    zipkit::ZipBuilder b;
    b.AddFile("one.txt", "first file").AddFolder("d/").AddFile("d/two.bin", std::string(300, 't'));
    zipkit::Entry z;
    z.name = "three";
    z.data = "3";
    z.zip64 = true;
    b.Add(z);
    b.zip64_end = true;
    const std::string bytes = b.Build("PFX");
    int refused = 0;
    for (size_t n = 0; n < bytes.size(); ++n) refused += Exercise(bytes.substr(0, n)) != 0;
    EXPECT_EQ(refused, static_cast<int>(bytes.size()));  // no truncation passes as complete
    // Flips in the directory and end records: no crash, reads stay inside the file (ASan/UBSan
    // builds check the bounds; here every result must be an error or a consistent walk).
    MemorySource src(bytes.data(), bytes.size());
    ZipDirectory dir;
    ASSERT_TRUE(dir.Open(&src));
    const size_t cd = static_cast<size_t>(dir.End().cd_start);
    for (size_t i = cd; i < bytes.size(); ++i) {
        for (uint8_t flip : {0x01, 0x80, 0xFF}) {
            std::string damaged = bytes;
            damaged[i] = static_cast<char>(damaged[i] ^ flip);
            Exercise(damaged);
        }
    }
}

namespace {

// Counts the bytes read from the central directory's range.
class CountingSource : public MemorySource {
  public:
    using MemorySource::MemorySource;
    bool ReadAt(int64_t offset, void* buffer, size_t n) override {
        const int64_t end = offset + static_cast<int64_t>(n);
        if (end > cd_start && offset < cd_end)
            directory_bytes += std::min(end, cd_end) - std::max(offset, cd_start);
        return MemorySource::ReadAt(offset, buffer, n);
    }
    int64_t cd_start = 0, cd_end = 0, directory_bytes = 0;
};

}  // namespace

// The engine walks the directory twice (a survey, then the extraction): a directory of ordinary
// size is read from the file once; one beyond the limit is read again, in bounded pieces.
TEST(ZipFormat, DirectoryIsReadOnceForEveryWalk) {
    for (size_t files : {size_t(3), size_t(2000)}) {
        zipkit::ZipBuilder b;
        for (size_t i = 0; i < files; ++i)
            b.AddFile("folder/file" + std::to_string(i) + ".txt", "x", 0);
        const std::string bytes = b.Build();
        CountingSource src(bytes.data(), bytes.size());
        ZipDirectory dir;
        ASSERT_TRUE(dir.Open(&src));
        src.cd_start = dir.End().cd_start;
        src.cd_end = src.cd_start + static_cast<int64_t>(dir.End().cd_size);
        src.directory_bytes = 0;
        for (int walk = 0; walk < 3; ++walk) EXPECT_EQ(files, ReadAll(dir).size());
        EXPECT_EQ(src.cd_end - src.cd_start, src.directory_bytes) << files << " files";
        // Opening again starts afresh.
        ASSERT_TRUE(dir.Open(&src));
        src.directory_bytes = 0;
        EXPECT_EQ(files, ReadAll(dir).size());
        EXPECT_EQ(src.cd_end - src.cd_start, src.directory_bytes);
    }
}
