// The engine driven through ZE_Exec and its callbacks, on archives made by zipkit.
#include <gtest/gtest.h>

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <thread>

#include "engine/ZMEngineApi.h"
#include "platform/dirlist.h"
#include "platform/dynlib.h"
#include "platform/fileinfo.h"
#include "platform/process.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// Every name (recursively) below a folder, '/'-separated, folders with a trailing '/'.
std::vector<std::string> Tree(const UString& folder) {
    std::vector<std::string> out;
    testutil::VisitTree(folder, [&](const std::string& rel, const platform::PathInfo& e,
                                    const UString&) { out.push_back(e.is_dir ? rel + "/" : rel); });
    std::sort(out.begin(), out.end());
    return out;
}

std::string Join(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& x : v) s += x + " ";
    return s;
}

// A temp folder with the archive at its root and an empty destination folder "dest".
struct Scene {
    TempDir dir;
    UString archive = dir.File("a.zip");
    UString dest = dir.File("dest/");
    Scene() { platform::CreateDir(dir.File("dest")); }
    void Write(const std::string& zip) { ASSERT_TRUE(WriteFile(archive, zip)); }
    std::string Out(const std::string& name) const { return ReadFile(dir.File("dest/" + name)); }
    bool Has(const std::string& name) const {
        return platform::FileExists(dir.File("dest/" + name));
    }
};

int64_t SumDeltas(const Driver& d, int item) {
    int64_t sum = 0;
    for (const auto& e : d.Of(2, ZE_PR_PROGRESS))
        if (e.item == item) sum += e.amount;
    return sum;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Archive forms: what goes in comes out, byte for byte, with the reports the protocol promises.
// ---------------------------------------------------------------------------------------------

TEST(EngineFormats, StoredDeflatedEmptyAndFoldersBehindPrefix) {
    Scene s;
    const std::string big = zipkit::RandomBytes(300000, 7) + std::string(700000, 'z');
    zipkit::ZipBuilder b;
    b.AddFile("readme.txt", "hello, world\n", 0)
        .AddFolder("docs/")
        .AddFolder("empty/")
        .AddFile("docs/big.bin", big, 8)
        .AddFile("docs/deep/nested/empty.txt", "", 8)
        .AddFile("zero-stored", "", 0);
    s.Write(b.Build(std::string(4096, 'M')));  // the archive sits behind other data
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 4) << d.Dump();
    EXPECT_EQ(s.Out("readme.txt"), "hello, world\n");
    EXPECT_EQ(s.Out("docs/big.bin"), big);
    EXPECT_TRUE(s.Has("docs/deep/nested/empty.txt"));
    EXPECT_TRUE(s.Has("zero-stored"));
    EXPECT_TRUE(platform::DirectoryExists(s.dir.File("dest/empty")));
    EXPECT_EQ(Join(Tree(s.dest)),
              "docs/ docs/big.bin docs/deep/ docs/deep/nested/ docs/deep/nested/empty.txt "
              "empty/ readme.txt zero-stored ");

    // Protocol: totals first, then start / progress / end per file, end of batch last.
    ASSERT_GE(d.events.size(), 3u);
    EXPECT_EQ(d.events[0].kind, ZE_PR_TOTAL_COUNT);
    EXPECT_EQ(d.events[0].amount, 4);
    EXPECT_EQ(d.events[1].kind, ZE_PR_TOTAL_SIZE);
    EXPECT_EQ(d.events[1].amount, static_cast<int64_t>(13 + big.size()));
    EXPECT_EQ(d.events.back().kind, ZE_PR_END_OF_BATCH);
    auto starts = d.Of(2, ZE_PR_ITEM_START);
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[1].name_utf8, "docs/big.bin");
    EXPECT_EQ(starts[1].item, 2);
    EXPECT_EQ(starts[1].amount, static_cast<int64_t>(big.size()));
    EXPECT_EQ(d.Of(2, ZE_PR_ITEM_END).size(), 4u);
    EXPECT_EQ(SumDeltas(d, 2), static_cast<int64_t>(big.size()));
    EXPECT_EQ(SumDeltas(d, 1), 13);
    // Throttled: 1,000,000 bytes give at most one report per 64 KiB.
    int reports = 0;
    for (const auto& e : d.Of(2, ZE_PR_PROGRESS)) reports += e.item == 2;
    EXPECT_LE(reports, 16);
    EXPECT_GE(reports, 2);
    EXPECT_NE(d.handle, 0u);
    for (const auto& e : d.events) EXPECT_EQ(e.handle, d.handle);
}

TEST(EngineFormats, DescriptorsZip64Utf8AndTimes) {
    Scene s;
    zipkit::ZipBuilder b;
    zipkit::Entry e;
    e.name = "desc.txt";
    e.data = std::string(100000, 'd');
    e.descriptor = true;
    b.Add(e);
    e = zipkit::Entry();
    e.name = "z64.bin";
    e.data = zipkit::RandomBytes(5000, 3);
    e.zip64 = true;
    e.descriptor = true;
    b.Add(e);
    e = zipkit::Entry();
    e.name = "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82/\xE6\x97\xA5\xE6\x9C\xAC.txt";
    e.utf8 = true;
    e.data = "utf8";
    e.has_mtime = true;
    e.mtime = 1500000000;
    b.Add(e);
    e = zipkit::Entry();
    e.name = "dos-time.txt";
    e.data = "t";
    e.dos_date = static_cast<uint16_t>(((2010 - 1980) << 9) | (6 << 5) | 15);
    e.dos_time = static_cast<uint16_t>((12 << 11) | (30 << 5));
    b.Add(e);
    b.zip64_end = true;
    s.Write(b.Build("prefix bytes"));
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 4) << d.Dump();
    EXPECT_EQ(s.Out("desc.txt"), std::string(100000, 'd'));
    EXPECT_EQ(s.Out("z64.bin"), zipkit::RandomBytes(5000, 3));
    const std::string wide_name =
        "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82/\xE6\x97\xA5\xE6\x9C\xAC.txt";
    EXPECT_EQ(s.Out(wide_name), "utf8");
    int64_t t = 0;
    ASSERT_TRUE(platform::GetFileModTime(s.dir.File("dest/" + wide_name), t));
    EXPECT_EQ(t, 1500000000);
    int64_t local = 0;
    ASSERT_TRUE(platform::LocalTimeToUnix(2010, 6, 15, 12, 30, 0, local));
    ASSERT_TRUE(platform::GetFileModTime(s.dir.File("dest/dos-time.txt"), t));
    EXPECT_EQ(t, local);
    auto starts = d.Of(2, ZE_PR_ITEM_START);
    ASSERT_EQ(starts.size(), 4u);
    EXPECT_EQ(starts[2].name_utf8, wide_name);
}

TEST(EngineFormats, LargeFilesWrittenBehindComeOutWholeWithTheirTimes) {
    // Past one buffer the data goes through the second thread in rotating slices: compressible
    // and random stretches of odd lengths, stored and deflated, must come out in order.
    Scene s;
    std::string mixed;
    for (uint32_t i = 0; i < 10; ++i)
        mixed += i % 2 != 0 ? zipkit::RandomBytes(300001 + i, i)
                            : std::string(250007 * (i + 1), static_cast<char>('a' + i));
    const std::string stored = zipkit::RandomBytes(2 * 1024 * 1024 + 3, 99);
    zipkit::ZipBuilder b;
    zipkit::Entry e;
    e.name = "mixed.bin";
    e.data = mixed;
    e.has_mtime = true;
    e.mtime = 1400000000;
    b.Add(e);
    b.AddFile("stored.bin", stored, 0).AddFile("small.txt", "s");
    s.Write(b.Build());
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 3) << d.Dump();
    EXPECT_TRUE(s.Out("mixed.bin") == mixed) << "mixed.bin differs";
    EXPECT_TRUE(s.Out("stored.bin") == stored) << "stored.bin differs";
    EXPECT_EQ(s.Out("small.txt"), "s");
    int64_t t = 0;
    ASSERT_TRUE(platform::GetFileModTime(s.dir.File("dest/mixed.bin"), t));
    EXPECT_EQ(t, 1400000000);
    EXPECT_EQ(SumDeltas(d, 1), static_cast<int64_t>(mixed.size()));
    EXPECT_EQ(SumDeltas(d, 2), static_cast<int64_t>(stored.size()));
}

TEST(EngineFormats, ReadOnlySymlinkTestModeAndSelection) {
    Scene s;
    zipkit::ZipBuilder b;
    zipkit::Entry ro;
    ro.name = "ro.txt";
    ro.data = "locked";
    ro.external_attr = 1;
    b.Add(ro);
    zipkit::Entry link;
    link.name = "link";
    link.data = "../../outside";
    link.host = 3;
    link.external_attr = 0120777u << 16;
    b.Add(link);
    b.AddFile("sub/keep.dat", "k").AddFile("sub/skip.log", "s");
    s.Write(b.Build());

    Driver test;
    test.options = kZEOptAlways | kZEOptTest;
    EXPECT_EQ(test.Run(s.archive, UString()), 4) << test.Dump();
    EXPECT_TRUE(Tree(s.dest).empty()) << "test mode wrote " << Join(Tree(s.dest));

    Driver d;
    d.excludes = {"*.LOG"};
    EXPECT_EQ(d.Run(s.archive, s.dest), 3) << d.Dump();
    EXPECT_EQ(s.Out("link"), "../../outside");  // the link text as a plain file
    platform::PathInfo info;
    ASSERT_TRUE(platform::GetPathInfo(s.dir.File("dest/link"), info));
    EXPECT_FALSE(info.is_link);
    ASSERT_TRUE(platform::GetPathInfo(s.dir.File("dest/ro.txt"), info));
    EXPECT_TRUE(info.read_only);
    EXPECT_FALSE(s.Has("sub/skip.log"));
    EXPECT_TRUE(s.Has("sub/keep.dat"));

    // Without folder names the entries land flat in the destination.
    Scene flat;
    flat.Write(zipkit::ZipBuilder().AddFile("a/b/c.txt", "c").Build());
    Driver f;
    f.options = kZEOptAlways | kZEOptExtract;
    EXPECT_EQ(f.Run(flat.archive, flat.dest), 1);
    EXPECT_EQ(Join(Tree(flat.dest)), "c.txt ");
}

TEST(EngineFormats, EncryptedEntries) {
    Scene s;
    zipkit::ZipBuilder b;
    zipkit::Entry e;
    e.name = "secret.txt";
    e.data = std::string(50000, 's') + "end";
    e.password = "pässwort";
    b.Add(e);
    e.name = "secret-desc.bin";
    e.method = 0;
    e.descriptor = true;
    b.Add(e);
    s.Write(b.Build());
    {
        Driver d;
        d.password = "pässwort";
        EXPECT_EQ(d.Run(s.archive, s.dest), 2) << d.Dump();
        EXPECT_EQ(s.Out("secret.txt"), e.data);
        EXPECT_EQ(s.Out("secret-desc.bin"), e.data);
    }
    {
        Scene t;
        t.Write(b.Build());
        Driver d;  // wrong password, no requests: both skipped as bad password
        d.password = "wrong";
        EXPECT_EQ(d.Run(t.archive, t.dest), 0);
        auto skips = d.Of(1, ZE_CB_SKIPPED);
        ASSERT_EQ(skips.size(), 2u) << d.Dump();
        EXPECT_EQ(skips[0].code, ZE_SKIP_BAD_PASSWORD);
        EXPECT_EQ(skips[0].answer, ZE_ERR_PASSWORD_FAILED);
        EXPECT_TRUE(Tree(t.dest).empty()) << Join(Tree(t.dest));
    }
    {
        Scene t;
        t.Write(b.Build());
        Driver d;  // asked: a wrong one first, then the right one, which is kept for the next
        d.password_requests = 2;
        d.passwords_to_give = {"nope", "pässwort"};
        EXPECT_EQ(d.Run(t.archive, t.dest), 2) << d.Dump();
        EXPECT_EQ(d.Of(1, ZE_CB_PASSWORD).size(), 2u);
        EXPECT_EQ(t.Out("secret-desc.bin"), e.data);
    }
    {
        Scene t;
        t.Write(b.Build());
        Driver d;  // a refused request skips with "password cancelled"
        d.password_requests = 3;
        EXPECT_EQ(d.Run(t.archive, t.dest), 0);
        auto skips = d.Of(1, ZE_CB_SKIPPED);
        ASSERT_EQ(skips.size(), 2u);
        EXPECT_EQ(skips[0].answer, ZE_ERR_PASSWORD_CANCEL);
        EXPECT_EQ(d.Of(1, ZE_CB_PASSWORD).size(), 2u);  // one refused request per entry
    }
}

// ---------------------------------------------------------------------------------------------
// Questions: overwrite, CRC mismatch; nothing partial is ever left behind.
// ---------------------------------------------------------------------------------------------

TEST(EngineQuestions, OverwriteAnswers) {
    Scene s;
    s.Write(zipkit::ZipBuilder().AddFile("f.txt", "new").AddFile("g.txt", "new-g").Build());
    ASSERT_TRUE(WriteFile(s.dir.File("dest/f.txt"), "old"));
    ASSERT_TRUE(WriteFile(s.dir.File("dest/g.txt"), "old-g"));
    ASSERT_TRUE(platform::SetFileReadOnly(s.dir.File("dest/g.txt")));

    Driver no;
    EXPECT_EQ(no.Run(s.archive, s.dest), 0);
    auto asked = no.Of(1, ZE_CB_OVERWRITE);
    ASSERT_EQ(asked.size(), 2u) << no.Dump();
    EXPECT_EQ(asked[0].answer, 0);
    EXPECT_NE(asked[0].path_utf8.find("f.txt"), std::string::npos);
    auto skips = no.Of(1, ZE_CB_SKIPPED);
    ASSERT_EQ(skips.size(), 2u);
    EXPECT_EQ(skips[0].code, ZE_SKIP_FILE_EXISTS);
    EXPECT_EQ(skips[0].answer, 0);
    EXPECT_EQ(s.Out("f.txt"), "old");
    EXPECT_EQ(Join(Tree(s.dest)), "f.txt g.txt ");  // no temporary file left over
    // Files left alone still count as handled: the overall progress reaches its end.
    EXPECT_EQ(SumDeltas(no, 1), 3);
    EXPECT_EQ(SumDeltas(no, 2), 5);

    Driver yes;
    yes.overwrite_answer = 1;
    EXPECT_EQ(yes.Run(s.archive, s.dest), 2) << yes.Dump();
    EXPECT_EQ(s.Out("f.txt"), "new");
    EXPECT_EQ(s.Out("g.txt"), "new-g");  // a read-only file is replaced too

    ASSERT_TRUE(WriteFile(s.dir.File("dest/f.txt"), "old"));
    Driver forced;
    forced.options |= kZEOptOverwrite;
    EXPECT_EQ(forced.Run(s.archive, s.dest), 2);
    EXPECT_TRUE(forced.Of(1, ZE_CB_OVERWRITE).empty());
    EXPECT_EQ(s.Out("f.txt"), "new");
}

TEST(EngineQuestions, CrcMismatchKeepOrDiscard) {
    zipkit::Entry bad;
    bad.name = "bad.txt";
    bad.data = "payload";
    bad.set_crc = true;
    bad.crc = 0x12345678;
    const std::string zip = zipkit::ZipBuilder().Add(bad).Build();
    {
        Scene s;
        s.Write(zip);
        ASSERT_TRUE(WriteFile(s.dir.File("dest/bad.txt"), "precious"));
        Driver d;
        d.overwrite_answer = 1;
        d.crc_answer = 0;
        EXPECT_EQ(d.Run(s.archive, s.dest), 0);
        auto q = d.Of(1, ZE_CB_CRC_ERROR);
        ASSERT_EQ(q.size(), 1u) << d.Dump();
        EXPECT_EQ(q[0].expected_crc, 0x12345678u);
        EXPECT_EQ(q[0].found_crc,
                  static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>("payload"), 7)));
        EXPECT_EQ(q[0].answer, 1);
        EXPECT_EQ(s.Out("bad.txt"), "precious");  // the old file survives a discarded one
        EXPECT_EQ(Join(Tree(s.dest)), "bad.txt ");
    }
    {
        Scene s;
        s.Write(zip);
        Driver d;
        d.crc_answer = 0;
        EXPECT_EQ(d.Run(s.archive, s.dest), 0);
        EXPECT_TRUE(Tree(s.dest).empty()) << Join(Tree(s.dest));
    }
    {
        Scene s;
        s.Write(zip);
        Driver d;  // kept in spite of the mismatch
        EXPECT_EQ(d.Run(s.archive, s.dest), 1);
        EXPECT_EQ(s.Out("bad.txt"), "payload");
    }
}

// ---------------------------------------------------------------------------------------------
// Stopping: a callback's stop answer, ZE_Abort from another thread, a negative skip answer.
// ---------------------------------------------------------------------------------------------

TEST(EngineStop, CallbackStopLeavesNoPartialFile) {
    Scene s;
    const std::string big = zipkit::RandomBytes(3000000, 11);
    s.Write(zipkit::ZipBuilder()
                .AddFile("first.txt", "1")
                .AddFile("big.bin", big, 0)
                .AddFile("last.txt", "3")
                .Build());
    ASSERT_TRUE(WriteFile(s.dir.File("dest/big.bin"), "old big"));
    Driver d;
    d.overwrite_answer = 1;
    d.progress_hook = [](ZECallbackInfo& i) {
        return i.Kind == ZE_PR_PROGRESS && i.ItemNumber == 2 ? 1 : 0;
    };
    EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_CANCEL) << d.Dump();
    EXPECT_EQ(s.Out("first.txt"), "1");
    EXPECT_EQ(s.Out("big.bin"), "old big");  // the replacement never completed
    EXPECT_FALSE(s.Has("last.txt"));
    EXPECT_EQ(Join(Tree(s.dest)), "big.bin first.txt ");
    // Nothing after the stop but the end of batch.
    size_t stop_at = 0;
    for (size_t i = 0; i < d.events.size(); ++i)
        if (d.events[i].kind == ZE_PR_PROGRESS && d.events[i].item == 2) stop_at = i;
    ASSERT_EQ(stop_at + 2, d.events.size()) << d.Dump();
    EXPECT_EQ(d.events.back().kind, ZE_PR_END_OF_BATCH);
}

TEST(EngineStop, AbortFromAnotherThread) {
    Scene s;
    const std::string big = zipkit::RandomBytes(8000000, 5);
    s.Write(zipkit::ZipBuilder().AddFile("big.bin", big, 8).AddFile("after.txt", "x").Build());
    std::atomic<uint32_t> handle{0};
    std::atomic<bool> aborted{false};
    Driver d;
    d.progress_hook = [&](ZECallbackInfo& i) {
        if (i.Kind == ZE_PR_PROGRESS && handle.load() == 0) {
            handle.store(i.Handle);
            // Wait for the other thread's abort, so the engine meets it at its next buffer.
            while (!aborted.load()) std::this_thread::yield();
        }
        return 0;
    };
    std::thread other([&] {
        while (handle.load() == 0) std::this_thread::yield();
        EXPECT_EQ(ZE_Abort(handle.load()), 0);
        aborted.store(true);
    });
    int32_t r = d.Run(s.archive, s.dest);
    other.join();
    EXPECT_EQ(r, -ZE_ERR_ABORT);
    EXPECT_TRUE(Tree(s.dest).empty()) << Join(Tree(s.dest));
    EXPECT_EQ(ZE_Abort(handle.load()), -1);  // the operation is over
}

TEST(EngineStop, NegativeSkipAnswerEndsTheOperation) {
    Scene s;
    s.Write(zipkit::ZipBuilder().AddFile("../evil", "x").AddFile("good.txt", "g").Build());
    Driver d;
    d.file_hook = [](ZECallbackInfo& i) {
        if (i.Kind == ZE_CB_SKIPPED) i.Answer = -i.Answer;
        return 0;
    };
    EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_INVALID_NAME) << d.Dump();
    EXPECT_FALSE(s.Has("good.txt"));
}

// ---------------------------------------------------------------------------------------------
// Hostile names and structures.
// ---------------------------------------------------------------------------------------------

TEST(EngineHostile, TraversalNamesAreRefusedAndNothingLeavesTheDestination) {
    const std::vector<std::string> names = {"../x",
                                            "..\\x",
                                            "a/../../b",
                                            "a\\..\\..\\b",
                                            "/x",
                                            "\\x",
                                            "C:\\x",
                                            "C:x",
                                            "C:/../C:/x",
                                            "//server/share/x",
                                            "\\\\server\\share\\x",
                                            "\\\\?\\C:\\x",
                                            "\\\\.\\PhysicalDrive0",
                                            "//?/C:/x",
                                            "a:s",
                                            "a::$DATA",
                                            "x::$INDEX_ALLOCATION",
                                            "CON",
                                            "nul.txt",
                                            "COM1 ",
                                            "LPT\xC2\xB9",
                                            "CONIN$",
                                            "conout$.log",
                                            "sub/aux/b",
                                            "dir./x",
                                            "x ",
                                            "tail.",
                                            "a\x01b",
                                            "..",
                                            ".",
                                            "a//b",
                                            "aux.c/d",
                                            "com9.txt"};
    Scene s;
    zipkit::ZipBuilder b;
    for (const auto& n : names) {
        zipkit::Entry e;
        e.name = n;
        e.data = "escaped";
        e.utf8 = true;
        b.Add(e);
    }
    b.AddFile("sub/fine.txt", "fine");
    s.Write(b.Build());
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 1) << d.Dump();
    auto skips = d.Of(1, ZE_CB_SKIPPED);
    auto messages = d.Of(1, ZE_CB_MESSAGE);
    ASSERT_EQ(skips.size(), names.size()) << d.Dump();
    ASSERT_EQ(messages.size(), names.size()) << d.Dump();
    for (size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(skips[i].code, ZE_SKIP_BAD_NAME) << names[i];
        EXPECT_EQ(skips[i].answer, ZE_ERR_INVALID_NAME) << names[i];
        EXPECT_EQ(skips[i].name_utf8, names[i]);
        // The message names the entry exactly, whatever the code page holds.
        const std::string& m = messages[i].text_utf8;
        EXPECT_EQ(m.substr(m.size() - std::min(m.size(), names[i].size() + 2)), ": " + names[i]);
    }
    EXPECT_EQ(Join(Tree(s.dir.Path())), "a.zip dest/ dest/sub/ dest/sub/fine.txt ");
}

TEST(EngineHostile, DamagedDataAndStructure) {
    zipkit::Entry longer;  // more data than declared: stopped before writing past it
    longer.name = "longer.txt";
    longer.data = std::string(200000, 'L');
    longer.set_size = true;
    longer.size = 1000;
    zipkit::Entry shorter;
    shorter.name = "shorter.txt";
    shorter.data = "short";
    shorter.set_size = true;
    shorter.size = 100000;
    zipkit::Entry method;
    method.name = "bzip.bin";
    method.data = "BZh9";
    method.method = 12;
    zipkit::Entry moved;  // local header offset into the central directory
    moved.name = "moved.txt";
    moved.data = "m";
    moved.set_local_offset = true;
    moved.local_offset = 0x7FFFFFF0;
    Scene s;
    s.Write(zipkit::ZipBuilder()
                .Add(longer)
                .Add(shorter)
                .Add(method)
                .Add(moved)
                .AddFile("ok.txt", "ok")
                .Build());
    Driver d;
    int32_t r = d.Run(s.archive, s.dest);
    // The bad offset spoils the whole directory: the operation fails before writing anything.
    EXPECT_EQ(r, -ZE_ERR_INVALID_ZIP) << d.Dump();
    EXPECT_TRUE(Tree(s.dest).empty());

    Scene t;
    t.Write(
        zipkit::ZipBuilder().Add(longer).Add(shorter).Add(method).AddFile("ok.txt", "ok").Build());
    Driver e;
    EXPECT_EQ(e.Run(t.archive, t.dest), 1) << e.Dump();
    auto skips = e.Of(1, ZE_CB_SKIPPED);
    ASSERT_EQ(skips.size(), 3u) << e.Dump();
    EXPECT_EQ(skips[0].code, ZE_SKIP_ZIP_FORMAT_WRONG);
    EXPECT_EQ(skips[1].code, ZE_SKIP_ZIP_FORMAT_WRONG);
    EXPECT_EQ(skips[2].code, ZE_SKIP_COMPRESSION_UNKNOWN);
    EXPECT_EQ(Join(Tree(t.dest)), "ok.txt ");
    EXPECT_FALSE(e.Of(1, ZE_CB_MESSAGE).empty());

    // Cut archives and non-archives give an error result, never a crash.
    const std::string whole = zipkit::ZipBuilder().AddFile("x", std::string(3000, 'x')).Build();
    for (size_t cut : {size_t(0), size_t(10), whole.size() / 2, whole.size() - 1}) {
        Scene c;
        c.Write(whole.substr(0, cut));
        Driver dc;
        EXPECT_LT(dc.Run(c.archive, c.dest), 0) << "cut at " << cut;
        EXPECT_TRUE(Tree(c.dest).empty());
    }
    Driver missing;
    EXPECT_EQ(missing.Run(s.dir.File("none.zip"), s.dest), -ZE_ERR_OPEN_ZIP);
    Driver nodest;
    EXPECT_EQ(nodest.Run(t.archive, t.dir.File("no-such-folder")), -ZE_ERR_NO_PERMISSION);
}

TEST(EngineHostile, BadCommandRecords) {
    EXPECT_EQ(ZE_Exec(nullptr), -ZE_ERR_STRUCTURE);
    Scene s;
    s.Write(zipkit::ZipBuilder().AddFile("a", "a").Build());
    Driver both;
    both.options = kZEOptAlways | kZEOptExtract | kZEOptTest;
    EXPECT_EQ(both.Run(s.archive, s.dest), -ZE_ERR_BAD_OPTIONS);
    Driver none;
    none.options = kZEOptAlways;
    EXPECT_EQ(none.Run(s.archive, s.dest), -ZE_ERR_BAD_OPTIONS);
}

// ---------------------------------------------------------------------------------------------
// The library as a loader sees it: loaded by full path, entry points by name.
// ---------------------------------------------------------------------------------------------

TEST(EngineLibrary, LoadsByFullPathAndRuns) {
    UString exe = platform::GetExeName();
    UString folder = exe.substr(0, exe.find_last_of(u"/\\") + 1);
    platform::DynLib lib;
    ASSERT_TRUE(lib.Load(folder + platform::Utf8ToWide(ZM_ENGINE_FILE_NAME)))
        << platform::WideToUtf8(folder) << ZM_ENGINE_FILE_NAME << " error " << lib.LastError();
    auto exec = reinterpret_cast<ZE_ExecFunc>(lib.Symbol("ZE_Exec"));
    auto version = reinterpret_cast<ZE_VersionFunc>(lib.Symbol("ZE_Version"));
    auto priv = reinterpret_cast<ZE_PrivVersionFunc>(lib.Symbol("ZE_PrivVersion"));
    auto abort = reinterpret_cast<ZE_AbortFunc>(lib.Symbol("ZE_Abort"));
    auto name = reinterpret_cast<ZE_NameFunc>(lib.Symbol("ZE_Name"));
    auto banner = reinterpret_cast<ZE_BannerFunc>(lib.Symbol("ZE_Banner"));
    auto path = reinterpret_cast<ZE_PathFunc>(lib.Symbol("ZE_Path"));
    ASSERT_TRUE(exec && version && priv && abort && name && banner && path);
    EXPECT_EQ(version(), 190);
    EXPECT_EQ(priv(), kZEPrivVersion);
    char buf[261];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(name(buf, 260, 0), 11);
    EXPECT_STREQ(buf, "ZMEngine190");
    char tiny[5];
    EXPECT_EQ(name(tiny, 5, 0), 4);
    EXPECT_STREQ(tiny, "ZMEn");
    EXPECT_NE(std::string(banner()).find("ZMEngine190"), std::string::npos);
    EXPECT_EQ(abort(12345), -1);

    Scene s;
    s.Write(zipkit::ZipBuilder().AddFile("via-library.txt", "loaded").Build());
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest, exec), 1) << d.Dump();
    EXPECT_EQ(s.Out("via-library.txt"), "loaded");
}
