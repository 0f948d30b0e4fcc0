#pragma once
// Refusing archives whose entries share bytes (one block of compressed data expanded again and
// again by many entries): every entry's local header and data, [start, end) in the file, must
// be disjoint from every other's.
//
// Archives list their entries in the order of their data, so the ranges arrive sorted and the
// check needs to remember only the last one. When an entry starts before the one listed before
// it, the streaming check cannot decide and the caller collects every range for FullCheck.
#include <cstdint>
#include <utility>
#include <vector>

namespace engine {

class OverlapCheck {
  public:
    enum class Verdict { Disjoint, Overlap, Unsorted };

    // The ranges in directory order.
    void Add(int64_t start, int64_t end);
    Verdict Result() const { return verdict_; }

    using Range = std::pair<int64_t, int64_t>;
    // Any order; sorts the ranges. True when two of them share a byte.
    static bool FullCheck(std::vector<Range>& ranges);

  private:
    Verdict verdict_ = Verdict::Disjoint;
    bool any_ = false;
    int64_t last_start_ = 0, last_end_ = 0;
};

}  // namespace engine
