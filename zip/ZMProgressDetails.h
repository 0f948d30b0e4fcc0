#pragma once
// The progress record a zip component hands to its OnProgress handler. The component owns one per
// instance and updates it in place before each report, so a handler must copy what it keeps.
//
// Order (kind of report) and what has changed in the record when it arrives:
//   0 a new item starts        ItemNumber += 1; ItemName, ItemSize set; ItemPosition = 0
//   1 progress                 Delta set; ItemPosition, TotalPosition, BytesWritten += Delta
//   2 end of item              nothing (also a new-item report that came with a negative size)
//   3 end of batch             ItemName empty, ItemSize 0, flag cleared
//   4 number of items known    record reset; TotalCount set; ItemNumber = 0
//   5 total size known         TotalSize set; TotalPosition, ItemPosition, ItemSize,
//                              BytesWritten = 0; ItemName empty
//   6, 7 auxiliary step start and progress: reserved, never sent (the engine has no auxiliary
//        steps); the values stay so that handlers which name them still build
#include <cstdint>

#include "platform/types.h"

enum TZMProgressOrder : uint8_t {
    zpoNewItem = 0,
    zpoProgress = 1,
    zpoEndOfItem = 2,
    zpoEndOfBatch = 3,
    zpoTotalCount = 4,
    zpoTotalSize = 5,
    zpoStepStart = 6,
    zpoStepProgress = 7,
};

class TZMProgressDetails {
  public:
    virtual ~TZMProgressDetails() = default;

    // Read-only view, in the order of the record's slots.
    virtual int64_t BytesWritten() const = 0;
    virtual int64_t Delta() const = 0;
    virtual const AnsiString& ItemName() const = 0;
    virtual int32_t ItemNumber() const = 0;
    virtual int64_t ItemPosition() const = 0;
    virtual int64_t ItemSize() const = 0;
    virtual uint8_t Order() const = 0;
    // Set while an item of the current batch was started; cleared at each new total and at the
    // end of the batch.
    virtual bool Flag() const = 0;
    virtual int64_t TotalCount() const = 0;
    virtual int64_t TotalPosition() const = 0;
    virtual int64_t TotalSize() const = 0;
    // ItemName as UTF-16, exact also where the code page lacks some of its characters (ItemName
    // then holds '?' for them). The default converts ItemName.
    virtual UString ItemNameW() const;

    // Percentages in 64-bit arithmetic; 0 whenever either value is 0 or less, so an empty file
    // never divides by zero.
    int32_t ItemPerCent() const { return PerCent(ItemPosition(), ItemSize()); }
    int32_t TotalPerCent() const { return PerCent(TotalPosition(), TotalSize()); }

    static int32_t PerCent(int64_t position, int64_t size);
};

// The component's own record.
class TProgDetails : public TZMProgressDetails {
  public:
    int64_t BytesWritten() const override { return bytes_written_; }
    int64_t Delta() const override { return delta_; }
    const AnsiString& ItemName() const override { return item_name_; }
    int32_t ItemNumber() const override { return item_number_; }
    int64_t ItemPosition() const override { return item_position_; }
    int64_t ItemSize() const override { return item_size_; }
    uint8_t Order() const override { return order_; }
    bool Flag() const override { return flag_; }
    int64_t TotalCount() const override { return total_count_; }
    int64_t TotalPosition() const override { return total_position_; }
    int64_t TotalSize() const override { return total_size_; }
    UString ItemNameW() const override { return item_name_w_; }

    // Each applies one report as listed above and sets Order. The new item's exact name, when
    // given, is what ItemNameW returns; else the 8-bit name converted.
    void NewItem(const AnsiString& name, int64_t size, const UString& exact_name = UString());
    void Advance(int64_t delta);
    void EndItem();
    void EndBatch();
    void SetCount(int64_t count);
    void SetSize(int64_t size);
    void Clear();

  private:
    int64_t bytes_written_ = 0;
    int64_t delta_ = 0;
    AnsiString item_name_;
    UString item_name_w_;
    int32_t item_number_ = 0;
    int64_t item_position_ = 0;
    int64_t item_size_ = 0;
    uint8_t order_ = 0;
    bool flag_ = false;
    int64_t total_count_ = 0;
    int64_t total_position_ = 0;
    int64_t total_size_ = 0;
};
