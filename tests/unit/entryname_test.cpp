// The entry name check on its own: what is refused, what passes unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/entryname.h"
#include "platform/codepage.h"
#include "tests/unit/hostile_names.h"

using engine::CheckEntryName;

namespace {
UString W(const std::string& utf8) { return platform::Utf8ToWide(utf8); }
}  // namespace

// The table of hostile names (tests/data), and the names a line of it cannot hold, are refused
// with a reason, as stored and when flattened to their last part.
TEST(EntryName, RefusesEveryEscapeAndDeviceForm) {
    std::vector<std::string> refused = hostile::Names();
    ASSERT_GE(refused.size(), 60u);
    refused.insert(refused.end(), {"", "/", "a\r", "x\n"});
    for (const std::string& n : refused) {
        auto r = CheckEntryName(W(n), false);
        EXPECT_FALSE(r.ok) << "accepted: " << n;
        EXPECT_TRUE(r.parts.empty()) << n;
        EXPECT_STRNE(r.reason, "") << n;
        EXPECT_FALSE(CheckEntryName(W(n), true).ok) << "accepted when flattened: " << n;
    }
}

TEST(EntryName, AcceptsOrdinaryNamesUnchanged) {
    struct Case {
        const char* name;
        std::vector<std::string> parts;
        bool dir;
    } cases[] = {
        {"a.txt", {"a.txt"}, false},
        {"docs/read me.txt", {"docs", "read me.txt"}, false},
        {"win\\style\\path.ini", {"win", "style", "path.ini"}, false},
        {"folder/", {"folder"}, true},
        {"a/b/c/", {"a", "b", "c"}, true},
        {".hidden", {".hidden"}, false},
        {"./x", {"x"}, false},
        {"./", {}, true},
        {"a/./b/", {"a", "b"}, true},
        {"..dots..x", {"..dots..x"}, false},
        {"CONSOLE.txt", {"CONSOLE.txt"}, false},
        {"COM10", {"COM10"}, false},
        {"LPT", {"LPT"}, false},
        {"nul-device", {"nul-device"}, false},
        {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82/\xE6\x97\xA5.txt",
         {"\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", "\xE6\x97\xA5.txt"},
         false},
    };
    for (const auto& c : cases) {
        auto r = CheckEntryName(W(c.name), false);
        ASSERT_TRUE(r.ok) << c.name << ": " << r.reason;
        ASSERT_EQ(r.parts.size(), c.parts.size()) << c.name;
        for (size_t i = 0; i < c.parts.size(); ++i)
            EXPECT_EQ(platform::WideToUtf8(r.parts[i]), c.parts[i]) << c.name;
        EXPECT_EQ(r.is_directory, c.dir) << c.name;
    }
    auto flat = CheckEntryName(W("a/b/c.txt"), true);
    ASSERT_TRUE(flat.ok);
    ASSERT_EQ(flat.parts.size(), 1u);
    EXPECT_EQ(flat.parts[0], u"c.txt");
}
