#include "zip/ZMMessages.h"

#include <algorithm>
#include <cctype>
#include <mutex>

#include "common/littleendian.h"
#include "platform/codepage.h"
#include "platform/resources.h"
#include "zip/ZMExpandLZ77.h"

// The built-in table, generated at build time from zip/ZMMessages.txt.
extern const unsigned char kZMDefaultMessages[];
extern const size_t kZMDefaultMessages_size;

namespace {

constexpr size_t kRecordTail = 26;        // a record must start more than this before the end
constexpr uint32_t kMaxExpanded = 49999;  // an expansion must stay below 50,000 bytes
constexpr uint16_t kRtString = 6;

using le::Get16;
using le::Get32;

bool SameName(const AnsiString& a, const AnsiString& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

bool LangFits(uint16_t record, uint16_t wanted) {
    if (wanted == 0) return false;
    if (record == wanted) return true;
    return wanted < 1024 && (record & 0x3FF) == wanted;
}

// One resource-type or name field of a .res header: an ordinal (0xFFFF, id) or a NUL-terminated
// UTF-16 name. Returns the field's length in bytes, 0 when it runs past end.
size_t NameField(const unsigned char* p, size_t avail, bool& is_ordinal, uint16_t& ordinal) {
    if (avail < 2) return 0;
    if (Get16(p) == 0xFFFF) {
        if (avail < 4) return 0;
        is_ordinal = true;
        ordinal = Get16(p + 2);
        return 4;
    }
    is_ordinal = false;
    for (size_t k = 0; k + 1 < avail; k += 2)
        if (Get16(p + k) == 0) return k + 2;
    return 0;
}

}  // namespace

bool TZMMessageTable::LoadDefault() {
    return LoadFromChain(kZMDefaultMessages, kZMDefaultMessages_size, 0x0409, AnsiString());
}

std::vector<TZMMessageRecord> ZMListMessageRecords(const unsigned char* data, size_t size) {
    std::vector<TZMMessageRecord> list;
    size_t pos = 0;
    while (data != nullptr && pos < size && size - pos > kRecordTail) {
        const unsigned char* rec = data + pos;
        TZMMessageRecord r;
        r.LangId = Get16(rec);
        r.PackedSize = Get16(rec + 2);
        size_t name_len = Get16(rec + 4);
        if (name_len > size - pos - 6) break;
        r.Name.assign(reinterpret_cast<const char*>(rec + 6), name_len);
        r.StreamOffset = pos + 6 + name_len;
        pos = r.StreamOffset + r.PackedSize;
        list.push_back(r);
    }
    return list;
}

bool TZMMessageTable::LoadFromChain(const unsigned char* data, size_t size, uint16_t lang_id,
                                    const AnsiString& name) {
    for (const auto& r : ZMListMessageRecords(data, size)) {
        if (!LangFits(r.LangId, lang_id) && (name.empty() || !SameName(r.Name, name))) continue;
        // A record cut short by the end of the chain simply fails to expand.
        size_t avail = std::min(r.PackedSize, size - r.StreamOffset);
        TZMMemoryInStream in(data + r.StreamOffset, avail);
        std::string out;
        TZMStringOutStream sink(out);
        if (ExpandLz77(sink, in, static_cast<int64_t>(r.PackedSize), kMaxExpanded) != kLz77Ok)
            return false;
        out.append("\xFF\xFF", 2);
        res_.swap(out);
        lang_id_ = r.LangId;
        name_ = r.Name;
        return true;
    }
    return false;
}

UString TZMMessageTable::WideText(int id, bool& found) const {
    found = false;
    if (id < 0 || id / 16 + 1 > 0xFFFF) return UString();
    const uint16_t block = static_cast<uint16_t>(id / 16 + 1);
    const auto* p = reinterpret_cast<const unsigned char*>(res_.data());
    const size_t size = res_.size();
    size_t pos = 0;
    while (pos + 8 <= size) {
        uint32_t data_size = Get32(p + pos);
        uint32_t header_size = Get32(p + pos + 4);
        if (header_size < 16 || header_size > size - pos || data_size > size - pos - header_size)
            return UString();
        bool type_ord = false, name_ord = false;
        uint16_t type_id = 0, name_id = 0;
        size_t fields = header_size - 8;
        size_t t = NameField(p + pos + 8, fields, type_ord, type_id);
        size_t n = t == 0 ? 0 : NameField(p + pos + 8 + t, fields - t, name_ord, name_id);
        if (t == 0 || n == 0) return UString();
        size_t data = pos + header_size;
        if (type_ord && type_id == kRtString && name_ord && name_id == block) {
            size_t q = data;
            const size_t end = data + data_size;
            for (int k = 0; k < 16; ++k) {
                if (q + 2 > end) return UString();
                size_t len = Get16(p + q);
                q += 2;
                if (len * 2 > end - q) return UString();
                if (k == id % 16) {
                    UString s;
                    s.reserve(len);
                    for (size_t c = 0; c < len; ++c)
                        s.push_back(static_cast<char16_t>(Get16(p + q + 2 * c)));
                    // An empty slot is how a block says it has no text for the id.
                    found = len != 0;
                    return s;
                }
                q += len * 2;
            }
            return UString();
        }
        size_t next = data + data_size;
        next += (4 - next % 4) % 4;
        pos = next;
    }
    return UString();
}

AnsiString TZMMessageTable::Text(int id) const {
    bool found = false;
    UString w = WideText(id, found);
    return found ? platform::WideToAnsi(w) : AnsiString();
}

namespace {

std::mutex& TableLock() {
    static std::mutex m;
    return m;
}
TZMMessageTable& Table() {
    static TZMMessageTable t = [] {
        TZMMessageTable d;
        d.LoadDefault();
        return d;
    }();
    return t;
}

}  // namespace

AnsiString ZMLoadStr(int id) {
    std::lock_guard<std::mutex> g(TableLock());
    return Table().Text(id);
}

AnsiString ZMMessageText(int id) {
    AnsiString s = ZMLoadStr(id);
    if (s.empty()) s = "Resource missing for " + std::to_string(id);
    return s;
}

bool ZMSetMessageLanguage(uint16_t lang_id, const AnsiString& name) {
    TZMMessageTable chosen;
    platform::RcData rc;
    bool taken = (lang_id != 0 || !name.empty()) && platform::FindRcData("ZEResStr19", rc) &&
                 chosen.LoadFromChain(rc.data, rc.size, lang_id, name);
    if (!taken) chosen.LoadDefault();
    std::lock_guard<std::mutex> g(TableLock());
    Table() = chosen;
    return taken;
}

AnsiString ZMFormat(const AnsiString& format, std::initializer_list<AnsiString> args) {
    AnsiString out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        char c = format[i];
        if (c != '%' || i + 1 >= format.size()) {
            out.push_back(c);
            continue;
        }
        char f = format[i + 1];
        if (f == '%') {
            out.push_back('%');
            ++i;
        } else if (f == 's' || f == 'd') {
            if (next != args.end()) out += *next++;
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}
