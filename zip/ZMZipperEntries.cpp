// The whole directory held in memory, for listings by index: apart from the operations, so that a
// program that only walks the directory or extracts does not carry it.
#include "platform/codepage.h"
#include "zip/ZMZipper.h"

const std::vector<zipformat::ZipEntry>& TCustomZMZipper::Entries() const {
    static const std::vector<zipformat::ZipEntry> kNone;
    if (!active_) return kNone;
    if (!listed_read_ && entry_count_ > 0) {
        std::vector<zipformat::ZipEntry> found;
        found.reserve(entry_count_);
        if (ForEachEntry([&](const zipformat::ZipEntry& e) {
                found.push_back(e);
                return true;
            }))
            listed_.swap(found);
    }
    listed_read_ = true;
    return listed_;
}

UString TCustomZMZipper::EntryNameW(size_t index) const {
    const std::vector<zipformat::ZipEntry>& entries = Entries();
    return index < entries.size() ? entries[index].DecodedName() : UString();
}

AnsiString TCustomZMZipper::EntryName(size_t index) const {
    return platform::WideToAnsi(EntryNameW(index));
}
