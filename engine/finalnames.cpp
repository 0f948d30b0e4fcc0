#include "engine/finalnames.h"

#include <algorithm>

#include "engine/entryname.h"
#include "platform/codepage.h"

namespace engine {

UString FinalPathKey(const SafeEntryName& name) {
    UString key;
    for (const auto& part : name.parts) key += platform::WideUpper(part) + u'/';
    return key;
}

// FNV-1a over the code units: cheap and well spread; a collision costs only a comparison.
uint32_t FinalNames::DefaultHash(const UString& key) {
    uint32_t h = 2166136261u;
    for (char16_t c : key) {
        h = (h ^ static_cast<uint32_t>(c & 0xFF)) * 16777619u;
        h = (h ^ static_cast<uint32_t>(c >> 8)) * 16777619u;
    }
    return h;
}

void FinalNames::Seal() {
    // Not shrunk: the copy would briefly double what the survey just reached.
    std::sort(hashes_.begin(), hashes_.end());
    claimed_.assign(hashes_.size(), false);
}

bool FinalNames::Claim(const UString& key) {
    const uint32_t h = hash_(key);
    const auto range = std::equal_range(hashes_.begin(), hashes_.end(), h);
    if (range.second - range.first == 1) {
        // Announced once: no other announced path has this hash.
        const size_t at = static_cast<size_t>(range.first - hashes_.begin());
        if (claimed_[at]) return false;
        claimed_[at] = true;
        return true;
    }
    return held_.insert(key).second;
}

}  // namespace engine
