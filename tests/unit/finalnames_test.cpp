// The duplicate check's record of final paths: a hash may only ever say "different".
#include <gtest/gtest.h>

#include "engine/finalnames.h"

using engine::FinalNames;

namespace {
uint32_t Collide(const UString&) { return 7; }
}  // namespace

TEST(FinalNames, EqualHashesAreSettledByThePaths) {
    // Every path has the same hash: each verdict comes from comparing the paths themselves.
    FinalNames names(&Collide);
    for (const char16_t* p : {u"A/", u"B/", u"A/"}) names.Announce(p);
    names.Seal();
    EXPECT_TRUE(names.Claim(u"A/"));
    EXPECT_TRUE(names.Claim(u"B/"));
    EXPECT_FALSE(names.Claim(u"A/"));
    EXPECT_FALSE(names.Claim(u"B/"));
    // A path the survey did not announce (the archive changed meanwhile).
    EXPECT_TRUE(names.Claim(u"C/"));
    EXPECT_FALSE(names.Claim(u"C/"));
}

TEST(FinalNames, DistinctPathsAreNotHeld) {
    FinalNames names;
    const int n = 5000;
    names.Reserve(n);
    for (int i = 0; i < n; ++i) names.Announce(u"D/F" + UString(1, char16_t(0x400 + i)) + u"/");
    names.Seal();
    for (int i = 0; i < n; ++i)
        ASSERT_TRUE(names.Claim(u"D/F" + UString(1, char16_t(0x400 + i)) + u"/")) << i;
    // Claimed once more, announced once: the first path was not kept, so "the same" it is.
    EXPECT_FALSE(names.Claim(u"D/F\u0400/"));
    EXPECT_EQ(names.HeldPaths(), 0u) << "paths with unique hashes need not be kept";
    // Never announced: kept, and compared in full.
    EXPECT_TRUE(names.Claim(u"NEW/"));
    EXPECT_FALSE(names.Claim(u"NEW/"));
    EXPECT_EQ(names.HeldPaths(), 1u);
}
