// The engine when the destination refuses to be written: a file standing where a folder has to
// be, and (prepared from outside by tests/unit/readonly_dest.sh, ZM_READONLY_DIR) a folder whose
// file system refuses every change. Each failure is reported with the entry's name and the
// system's reason, nothing half-written is left, and the entries that can be written still are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

namespace {

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

std::string Messages(const Driver& d) {
    std::string all;
    for (const auto& m : d.Of(1, ZE_CB_MESSAGE)) all += m.text + "\n";
    return all;
}

// Every file below folder, '/'-separated, with its content.
std::vector<std::pair<std::string, std::string>> FilesOf(const UString& folder) {
    std::vector<std::pair<std::string, std::string>> out;
    testutil::VisitTree(
        folder, [&](const std::string& rel, const platform::PathInfo& e, const UString& path) {
            if (!e.is_dir) out.push_back({rel, ReadFile(path)});
        });
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DiskFaults, FileWhereAFolderMustBe) {
    TempDir dir;
    const UString archive = dir.File("a.zip");
    ASSERT_TRUE(WriteFile(archive, zipkit::ZipBuilder()
                                       .AddFile("blocked/inner.txt", "inner")
                                       .AddFile("blocked/deeper/more.txt", "more")
                                       .AddFile("fine.txt", "fine")
                                       .Build()));
    // The destination's own parent is a file.
    ASSERT_TRUE(WriteFile(dir.File("plain.txt"), "a file"));
    {
        Driver d;
        const UString dest = dir.File("plain.txt/dest/");
        EXPECT_LT(d.Run(archive, dest), 0) << d.Dump();
        EXPECT_NE(Messages(d).find("plain.txt"), std::string::npos) << Messages(d);
        EXPECT_EQ(ReadFile(dir.File("plain.txt")), "a file");
    }
    // A file in the destination has the name an entry's folder needs.
    const UString dest = dir.File("out/");
    ASSERT_TRUE(platform::ForceDirectories(dest));
    ASSERT_TRUE(WriteFile(dir.File("out/blocked"), "in the way"));
    Driver d;
    EXPECT_EQ(d.Run(archive, dest), 1) << d.Dump();
    const auto skips = d.Of(1, ZE_CB_SKIPPED);
    ASSERT_EQ(skips.size(), 2u) << d.Dump();
    for (const auto& k : skips) EXPECT_NE(k.code, ZE_SKIP_BAD_NAME) << d.Dump();
    const std::string text = Messages(d);
    EXPECT_NE(text.find("blocked/inner.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("blocked/deeper/more.txt"), std::string::npos) << text;
    const std::vector<std::pair<std::string, std::string>> expected = {{"blocked", "in the way"},
                                                                       {"fine.txt", "fine"}};
    EXPECT_EQ(FilesOf(dest), expected);
}

TEST(DiskFaults, FolderThatRefusesWrites) {
    UString folder;
    if (!platform::GetEnvironmentText("ZM_READONLY_DIR", folder) || folder.empty())
        GTEST_SKIP() << "runs through tests/unit/readonly_dest.sh, which makes the folder";
    TempDir dir;
    const UString archive = dir.File("a.zip");
    ASSERT_TRUE(WriteFile(archive, zipkit::ZipBuilder()
                                       .AddFile("new.txt", "new")
                                       .AddFile("keep.txt", "replaced")
                                       .AddFile("sub/below.txt", "below")
                                       .Build()));
    const auto before = FilesOf(folder);
    ASSERT_EQ(before.size(), 1u) << "the folder holds keep.txt";
    Driver d;
    d.options |= kZEOptOverwrite;
    EXPECT_EQ(d.Run(archive, folder), 0) << d.Dump();
    EXPECT_EQ(d.Of(1, ZE_CB_SKIPPED).size(), 3u) << d.Dump();
    const std::string text = Messages(d);
    for (const char* name : {"new.txt", "keep.txt", "sub/below.txt"})
        EXPECT_NE(text.find(name), std::string::npos) << name << "\n" << text;
    EXPECT_EQ(FilesOf(folder), before);  // no temporary file, no partial file, keep.txt intact
    std::printf("read-only folder: %s", text.c_str());
}

}  // namespace
