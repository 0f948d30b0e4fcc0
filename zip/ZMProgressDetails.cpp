#include "zip/ZMProgressDetails.h"

#include <limits>

#include "platform/codepage.h"

UString TZMProgressDetails::ItemNameW() const { return platform::AnsiToWide(ItemName()); }

int32_t TZMProgressDetails::PerCent(int64_t position, int64_t size) {
    if (position <= 0 || size <= 0) return 0;
    // 100 * position would overflow only beyond 92 PB; divide first there.
    const int64_t limit = std::numeric_limits<int64_t>::max() / 100;
    int64_t p = position <= limit ? (100 * position) / size : position / (size / 100 + 1);
    if (p > std::numeric_limits<int32_t>::max()) p = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(p);
}

void TProgDetails::NewItem(const AnsiString& name, int64_t size, const UString& exact_name) {
    if (size < 0) {
        EndItem();
        return;
    }
    ++item_number_;
    item_name_ = name;
    item_name_w_ = exact_name.empty() ? platform::AnsiToWide(name) : exact_name;
    item_size_ = size;
    item_position_ = 0;
    flag_ = true;
    order_ = zpoNewItem;
}

void TProgDetails::Advance(int64_t delta) {
    delta_ = delta;
    item_position_ += delta;
    total_position_ += delta;
    bytes_written_ += delta;
    order_ = zpoProgress;
}

void TProgDetails::EndItem() { order_ = zpoEndOfItem; }

void TProgDetails::EndBatch() {
    item_name_.clear();
    item_name_w_.clear();
    item_size_ = 0;
    flag_ = false;
    order_ = zpoEndOfBatch;
}

void TProgDetails::SetCount(int64_t count) {
    Clear();
    total_count_ = count;
    item_number_ = 0;
    order_ = zpoTotalCount;
}

void TProgDetails::SetSize(int64_t size) {
    total_size_ = size;
    total_position_ = 0;
    item_position_ = 0;
    item_size_ = 0;
    bytes_written_ = 0;
    item_name_.clear();
    item_name_w_.clear();
    order_ = zpoTotalSize;
}

void TProgDetails::Clear() { *this = TProgDetails(); }
