#include "engine/overlapcheck.h"

#include <algorithm>

namespace engine {

void OverlapCheck::Add(int64_t start, int64_t end) {
    if (verdict_ != Verdict::Disjoint) return;
    if (any_ && start < last_start_) {
        verdict_ = Verdict::Unsorted;
        return;
    }
    // Sorted and disjoint so far: the previous range reaches furthest.
    if (any_ && start < last_end_) {
        verdict_ = Verdict::Overlap;
        return;
    }
    any_ = true;
    last_start_ = start;
    last_end_ = end;
}

bool OverlapCheck::FullCheck(std::vector<Range>& ranges) {
    std::sort(ranges.begin(), ranges.end());
    // Sorted by start, any overlap shows between neighbours.
    for (size_t i = 1; i < ranges.size(); ++i)
        if (ranges[i].first < ranges[i - 1].second) return true;
    return false;
}

}  // namespace engine
