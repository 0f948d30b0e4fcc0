#pragma once
// The final paths the entries of one extraction claim, for refusing a second entry that would
// land on a file an earlier entry wrote (names differing only in letter case, "a/./b" and "a/b").
//
// Holding every path would cost a few hundred bytes per entry; this holds a 32-bit hash of each
// and the full path only of those whose hash turns up more than once. A hash never decides "the
// same": unequal hashes mean different paths, and equal ones are settled by comparing the paths.
// The paths are announced in a survey of the directory before anything is written, then claimed
// as the entries are extracted. A claim the survey did not announce (the archive changed in
// between) is compared in full; a hash announced once and claimed twice is taken as the same
// path, the safe answer when its first path was not kept.
#include <cstdint>
#include <set>
#include <vector>

#include "platform/types.h"

namespace engine {

struct SafeEntryName;

// Letter case folded, "/" after every part: the form in which two names for one file agree.
UString FinalPathKey(const SafeEntryName& name);

class FinalNames {
  public:
    using Hash = uint32_t (*)(const UString& key);
    static uint32_t DefaultHash(const UString& key);

    explicit FinalNames(Hash hash = &DefaultHash) : hash_(hash) {}

    // Survey: room for `count` paths (an upper bound), then each path an entry will claim.
    void Reserve(size_t count) { hashes_.reserve(count); }
    void Announce(const UString& key) { hashes_.push_back(hash_(key)); }
    // Ends the survey.
    void Seal();
    // True for the first entry that claims the path, false for every later one.
    bool Claim(const UString& key);
    // Full paths held; for tests and diagnostics.
    size_t HeldPaths() const { return held_.size(); }

  private:
    Hash hash_;
    std::vector<uint32_t> hashes_;  // sorted after Seal
    std::vector<bool> claimed_;     // one bit per element of hashes_
    std::set<UString> held_;        // the full paths whose hash is not unique
};

}  // namespace engine
