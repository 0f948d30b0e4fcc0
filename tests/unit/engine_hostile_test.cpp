// The engine against hostile archives: entry names from tests/data/hostile_names.txt, entries
// that share bytes, a second end record, and two entries for one file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/fileinfo.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/hostile_names.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

using hostile::Snapshot;

// A scratch folder holding the archive and the destination "out/dest", so that an escape by one
// or two levels still lands inside the scratch folder where the snapshot sees it.
struct Scene {
    TempDir dir;
    UString archive = dir.File("a.zip");
    UString dest = dir.File("out/dest/");
    Scene() { platform::ForceDirectories(dir.File("out/dest")); }
};

bool Mentions(const std::vector<enginetest::Event>& messages, const std::string& what) {
    for (const auto& m : messages)
        if (m.text_utf8.find(what) != std::string::npos) return true;
    return false;
}

// A message names the entry exactly, whatever the code page holds: its UTF-8 text ends in it.
bool NamesExactly(const std::vector<enginetest::Event>& messages, const std::string& name) {
    const std::string tail = ": " + name;
    for (const auto& m : messages) {
        const std::string& t = m.text_utf8;
        if (t.size() >= tail.size() && t.compare(t.size() - tail.size(), tail.size(), tail) == 0)
            return true;
    }
    return false;
}

}  // namespace

// Each name of the table beside a sound entry: the name is skipped as a bad name with the
// invalid-name error and its exact text, a message names it, nothing of it reaches the disk, and
// the sound entry after it is still written.
TEST(HostileNames, EveryNameOfTheTableIsRefusedAndNothingIsWritten) {
    const auto names = hostile::Names();
    ASSERT_GE(names.size(), 60u);
    int refused = 0;
    for (const auto& name : names) {
        Scene s;
        zipkit::Entry e;
        e.name = name;
        e.data = "escaped";
        e.utf8 = true;
        zipkit::ZipBuilder b;
        b.Add(e);
        b.AddFile("sound/fine.txt", "fine");
        ASSERT_TRUE(WriteFile(s.archive, b.Build()));
        const auto before = Snapshot(s.dir.Path());
        Driver d;
        int32_t result = d.Run(s.archive, s.dest);
        auto skips = d.Of(1, ZE_CB_SKIPPED);
        bool ok = result == 1 && skips.size() == 1 && skips[0].code == ZE_SKIP_BAD_NAME &&
                  skips[0].answer == ZE_ERR_INVALID_NAME && skips[0].name_utf8 == name &&
                  NamesExactly(d.Of(1, ZE_CB_MESSAGE), name);
        EXPECT_TRUE(ok) << "[" << name << "] result " << result << "\n" << d.Dump();
        EXPECT_EQ(ReadFile(s.dir.File("out/dest/sound/fine.txt")), "fine") << "[" << name << "]";
        auto after = Snapshot(s.dir.Path());
        after.erase(
            std::remove_if(after.begin(), after.end(),
                           [](const std::string& p) { return p.rfind("out/dest/sound/", 0) == 0; }),
            after.end());
        EXPECT_EQ(after, before) << "[" << name << "]";
        if (ok) ++refused;
    }
    std::printf("hostile names: %zu in the table, %d refused\n", names.size(), refused);
    RecordProperty("names", static_cast<int>(names.size()));
    RecordProperty("refused", refused);
}

// ---------------------------------------------------------------------------------------------
// Entries that share bytes: one block of data expanded by many entries (the non-recursive bomb).
// ---------------------------------------------------------------------------------------------

// The archive with its central directory records in reverse order (no comment, no Zip64), so
// the directory no longer lists the entries in the order of their data.
std::string ReversedDirectory(const std::string& zip) {
    auto get = [&](size_t at, int n) {
        uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(zip[at + i]);
        return v;
    };
    const size_t end = zip.size() - 22;
    const size_t cd_size = get(end + 12, 4), cd_start = get(end + 16, 4);
    std::vector<std::string> records;
    for (size_t at = cd_start; at < cd_start + cd_size;) {
        const size_t n = 46 + get(at + 28, 2) + get(at + 30, 2) + get(at + 32, 2);
        records.push_back(zip.substr(at, n));
        at += n;
    }
    std::string out = zip.substr(0, cd_start);
    for (auto r = records.rbegin(); r != records.rend(); ++r) out += *r;
    return out + zip.substr(end);
}

TEST(HostileStructure, OverlappingEntriesAreRefusedBeforeAnythingIsWritten) {
    const std::string big(200000, 'z');
    struct Case {
        const char* what;
        std::string zip;
    };
    std::vector<Case> cases;
    {
        // Both central entries name the first local header.
        zipkit::Entry a, b;
        a.name = "a.txt";
        a.data = big;
        b = a;
        b.name = "a.txt";
        b.set_local_offset = true;
        b.local_offset = 0;
        cases.push_back({"same local header", zipkit::ZipBuilder().Add(a).Add(b).Build()});
    }
    {
        // The second entry's header lies inside the first one's data (stored, so its bytes are
        // the data as given: a local header built by zipkit itself).
        std::string inner = zipkit::ZipBuilder().AddFile("b.txt", big, 0).Build();
        zipkit::Entry a, b;
        a.name = "a.bin";
        a.data = inner;
        a.method = 0;
        b.name = "b.txt";
        b.data = big;
        b.method = 0;
        b.set_local_offset = true;
        b.local_offset = 30 + 5;  // a's header and name
        cases.push_back({"header inside data", zipkit::ZipBuilder().Add(a).Add(b).Build()});
    }
    // The same, listed out of the order of their data.
    for (size_t i = 0, n = cases.size(); i < n; ++i)
        cases.push_back({"reversed directory", ReversedDirectory(cases[i].zip)});
    for (const auto& c : cases) {
        Scene s;
        ASSERT_TRUE(WriteFile(s.archive, c.zip));
        Driver d;
        EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_INVALID_ZIP) << c.what << "\n" << d.Dump();
        EXPECT_TRUE(Snapshot(s.dest).empty()) << c.what;
        EXPECT_TRUE(Mentions(d.Of(1, ZE_CB_MESSAGE), "overlap")) << c.what;
    }
    // Neighbours that merely touch are fine, in either order.
    const std::string touching =
        zipkit::ZipBuilder().AddFile("a", "1", 0).AddFile("b", "2", 0).AddFile("c", "3").Build();
    for (const std::string& zip : {touching, ReversedDirectory(touching)}) {
        Scene s;
        ASSERT_TRUE(WriteFile(s.archive, zip));
        Driver d;
        EXPECT_EQ(d.Run(s.archive, s.dest), 3) << d.Dump();
        EXPECT_EQ(ReadFile(s.dest + u"c"), "3");
    }
}

TEST(HostileStructure, SecondEndRecordIsRefused) {
    const std::string plain = zipkit::ZipBuilder().AddFile("a.txt", "a").Build();
    // An end record inside the comment of the real one; and an archive whose own comment ends
    // with a complete second archive, whose end record also reaches the end of the file.
    zipkit::ZipBuilder in_comment;
    in_comment.AddFile("a.txt", "a");
    in_comment.comment = "note" + plain.substr(plain.size() - 22);
    zipkit::ZipBuilder shadow;
    shadow.AddFile("a.txt", "a");
    shadow.comment = plain;
    for (const std::string& zip : {in_comment.Build(), shadow.Build()}) {
        Scene s;
        ASSERT_TRUE(WriteFile(s.archive, zip));
        Driver d;
        EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_INVALID_ZIP) << d.Dump();
        EXPECT_TRUE(Snapshot(s.dest).empty());
    }
    // A comment that stops short of the end of the file is no end record at all.
    Scene s;
    ASSERT_TRUE(WriteFile(s.archive, plain + "trailing"));
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_NO_CENTRAL) << d.Dump();
}

TEST(HostileStructure, SecondEntryForTheSameFileIsSkippedAsDuplicate) {
    Scene s;
    ASSERT_TRUE(WriteFile(s.archive, zipkit::ZipBuilder()
                                         .AddFile("Dir/a.txt", "first")
                                         .AddFile("dir/A.TXT", "second")
                                         .AddFile("dir/./a.txt", "third")
                                         .AddFile("dir/b.txt", "other")
                                         .Build()));
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 2) << d.Dump();
    auto skips = d.Of(1, ZE_CB_SKIPPED);
    ASSERT_EQ(skips.size(), 2u) << d.Dump();
    for (const auto& k : skips) {
        EXPECT_EQ(k.code, ZE_SKIP_DUP_NAME);
        EXPECT_EQ(k.answer, ZE_ERR_DUPLICATE_NAME);
    }
    EXPECT_EQ(ReadFile(s.dir.File("out/dest/Dir/a.txt")), "first");
    // "dir/b.txt" lands in "Dir" or in a second folder "dir", as the file system's case rules go.
    auto tree = Snapshot(s.dest);
    EXPECT_EQ(std::count_if(
                  tree.begin(), tree.end(),
                  [](const std::string& p) { return p == "Dir/b.txt 5" || p == "dir/b.txt 5"; }),
              1)
        << tree.size();
    // Testing writes nothing, so there is nothing to collide.
    Driver t;
    t.options = kZEOptAlways | kZEOptTest;
    EXPECT_EQ(t.Run(s.archive, UString()), 4) << t.Dump();
}

// ---------------------------------------------------------------------------------------------
// Short (8.3) aliases: on Windows "setup program.exe" is also reachable as its short name, so an
// entry of that name later in the archive would replace the earlier file behind the duplicate
// check's back; so would an alias of a file that was there before. Where the file system keeps
// no short names the same entries are ordinary files.
// ---------------------------------------------------------------------------------------------

TEST(HostileNames, ShortNameAliasesOfOtherFilesAreRefused) {
    // The aliases the file system gives these names in a fresh folder, as the destination is.
    UString short_file, short_dir, short_doc;
    {
        Scene probe;
        ASSERT_TRUE(WriteFile(probe.dest + u"setup program.exe", "x"));
        ASSERT_TRUE(WriteFile(probe.dest + u"My Document.txt", "x"));
        ASSERT_TRUE(platform::ForceDirectories(probe.dest + u"Program Files"));
        ASSERT_TRUE(platform::GetShortName(probe.dest + u"setup program.exe", short_file));
        ASSERT_TRUE(platform::GetShortName(probe.dest + u"Program Files", short_dir));
        ASSERT_TRUE(platform::GetShortName(probe.dest + u"My Document.txt", short_doc));
    }
    const bool aliases = short_file != u"setup program.exe";
    if (!aliases) short_file = u"SETUP~1.EXE", short_dir = u"PROGRA~1", short_doc = u"MYDOCU~1.TXT";
    const std::string alias_file = platform::WideToUtf8(short_file);
    const std::string alias_dir = platform::WideToUtf8(short_dir);
    const std::string alias_doc = platform::WideToUtf8(short_doc);
    std::printf("short names here: %s, %s, %s\n", alias_file.c_str(), alias_dir.c_str(),
                alias_doc.c_str());

    Scene s;
    ASSERT_TRUE(WriteFile(s.dest + u"My Document.txt", "mine"));
    ASSERT_TRUE(WriteFile(s.archive, zipkit::ZipBuilder()
                                         .AddFile("setup program.exe", "original")
                                         .AddFile("Program Files/app.txt", "app")
                                         .AddFile(alias_file, "replaced")
                                         .AddFolder(alias_dir + "/")
                                         .AddFile(alias_dir + "/app.txt", "replaced")
                                         .AddFile(alias_doc, "replaced")
                                         .AddFile("plain~1.txt", "a tilde alone is no alias")
                                         .Build()));
    Driver d;
    d.options |= kZEOptOverwrite;  // even with leave to replace existing files
    const int32_t result = d.Run(s.archive, s.dest);
    EXPECT_EQ(ReadFile(s.dest + u"setup program.exe"), "original");
    EXPECT_EQ(ReadFile(s.dest + u"Program Files" + platform::PathDelimiter() + u"app.txt"), "app");
    EXPECT_EQ(ReadFile(s.dest + u"plain~1.txt"), "a tilde alone is no alias");
    if (aliases) {
        EXPECT_EQ(result, 3) << d.Dump();
        EXPECT_EQ(ReadFile(s.dest + u"My Document.txt"), "mine");
        const auto skips = d.Of(1, ZE_CB_SKIPPED);
        ASSERT_EQ(skips.size(), 4u) << d.Dump();  // the folder entry, two files below, the alias
        for (const auto& k : skips) EXPECT_EQ(k.code, ZE_SKIP_BAD_NAME) << d.Dump();
        const auto messages = d.Of(1, ZE_CB_MESSAGE);
        for (const std::string& name : {alias_file, alias_dir + "/app.txt", alias_doc})
            EXPECT_TRUE(Mentions(messages, name)) << name << "\n" << d.Dump();
    } else {
        EXPECT_EQ(result, 6) << d.Dump();
        EXPECT_EQ(ReadFile(s.dest + short_file), "replaced");
        EXPECT_EQ(ReadFile(s.dest + short_doc), "replaced");
        EXPECT_EQ(ReadFile(s.dest + u"My Document.txt"), "mine");
    }
}
