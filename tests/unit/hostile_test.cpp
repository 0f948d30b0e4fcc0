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
#include "platform/resources.h"
#include "tests/unit/engine_driver.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"

using enginetest::Driver;
using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

namespace {

// Every path below folder, '/'-separated, with file sizes: the snapshot compared before/after.
void Walk(const UString& folder, const std::string& prefix, std::vector<std::string>& out) {
    std::vector<platform::PathInfo> list;
    if (!platform::ListDirectory(folder, list)) return;
    for (const auto& i : list) {
        std::string n = prefix + platform::WideToUtf8(i.name);
        if (i.is_dir) {
            out.push_back(n + "/");
            Walk(folder + i.name + platform::PathDelimiter(), n + "/", out);
        } else {
            out.push_back(n + " " + std::to_string(i.size));
        }
    }
}

std::vector<std::string> Snapshot(const UString& folder) {
    std::vector<std::string> out;
    Walk(folder, "", out);
    std::sort(out.begin(), out.end());
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The table's lines: '#' comments and empty lines left out, \t and \xNN decoded.
std::vector<std::string> HostileNames() {
    platform::RcData rc;
    if (!platform::FindRcData("HOSTILENAMES", rc)) return {};
    std::string text(reinterpret_cast<const char*>(rc.data), rc.size);
    std::vector<std::string> names;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        std::string name;
        for (size_t i = 0; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == 't') {
                name += '\t';
                ++i;
            } else if (line[i] == '\\' && i + 3 < line.size() && line[i + 1] == 'x' &&
                       HexDigit(line[i + 2]) >= 0 && HexDigit(line[i + 3]) >= 0) {
                name += static_cast<char>(HexDigit(line[i + 2]) * 16 + HexDigit(line[i + 3]));
                i += 3;
            } else {
                name += line[i];
            }
        }
        names.push_back(name);
    }
    return names;
}

// A scratch folder holding the archive and the destination "out/dest", so that an escape by one
// or two levels still lands inside the scratch folder where the snapshot sees it.
struct Scene {
    TempDir dir;
    UString archive = dir.File("a.zip");
    UString dest = dir.File("out/dest/");
    Scene() { platform::ForceDirectories(dir.File("out/dest")); }
};

bool Mentions(const std::vector<enginetest::Event>& messages, const std::string& name) {
    const std::string ansi = platform::WideToAnsi(platform::Utf8ToWide(name));
    for (const auto& m : messages)
        if (m.text.find(name) != std::string::npos || m.text.find(ansi) != std::string::npos)
            return true;
    return false;
}

}  // namespace

TEST(HostileNames, EveryNameOfTheTableIsRefusedAndNothingIsWritten) {
    const auto names = HostileNames();
    ASSERT_GE(names.size(), 60u);
    int refused = 0;
    for (const auto& name : names) {
        Scene s;
        zipkit::Entry e;
        e.name = name;
        e.data = "escaped";
        e.utf8 = true;
        ASSERT_TRUE(WriteFile(s.archive, zipkit::ZipBuilder().Add(e).Build()));
        const auto before = Snapshot(s.dir.Path());
        Driver d;
        int32_t result = d.Run(s.archive, s.dest);
        auto skips = d.Of(1, ZE_CB_SKIPPED);
        bool ok = result == 0 && skips.size() == 1 && skips[0].code == ZE_SKIP_BAD_NAME &&
                  Mentions(d.Of(1, ZE_CB_MESSAGE), name);
        EXPECT_TRUE(ok) << "[" << name << "] result " << result << "\n" << d.Dump();
        EXPECT_EQ(Snapshot(s.dir.Path()), before) << "[" << name << "]";
        if (ok) ++refused;
    }
    std::printf("hostile names: %zu in the table, %d refused\n", names.size(), refused);
    RecordProperty("names", static_cast<int>(names.size()));
    RecordProperty("refused", refused);
}

// ---------------------------------------------------------------------------------------------
// Entries that share bytes: one block of data expanded by many entries (the non-recursive bomb).
// ---------------------------------------------------------------------------------------------

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
    for (const auto& c : cases) {
        Scene s;
        ASSERT_TRUE(WriteFile(s.archive, c.zip));
        Driver d;
        EXPECT_EQ(d.Run(s.archive, s.dest), -ZE_ERR_INVALID_ZIP) << c.what << "\n" << d.Dump();
        EXPECT_TRUE(Snapshot(s.dest).empty()) << c.what;
        EXPECT_TRUE(Mentions(d.Of(1, ZE_CB_MESSAGE), "overlap")) << c.what;
    }
    // Neighbours that merely touch are fine.
    Scene s;
    ASSERT_TRUE(WriteFile(s.archive,
                          zipkit::ZipBuilder().AddFile("a", "1", 0).AddFile("b", "2", 0).Build()));
    Driver d;
    EXPECT_EQ(d.Run(s.archive, s.dest), 2) << d.Dump();
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
    EXPECT_EQ(std::count_if(tree.begin(), tree.end(),
                            [](const std::string& p) {
                                return p == "Dir/b.txt 5" || p == "dir/b.txt 5";
                            }),
              1)
        << tree.size();
    // Testing writes nothing, so there is nothing to collide.
    Driver t;
    t.options = kZEOptAlways | kZEOptTest;
    EXPECT_EQ(t.Run(s.archive, UString()), 4) << t.Dump();
}
