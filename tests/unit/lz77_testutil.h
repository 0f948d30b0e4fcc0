#pragma once
// Builders for the component's packed data: LZ77 streams and message-table records as the
// expander and the table reader expect them.
#include <cstdint>
#include <map>
#include <string>

namespace lz77test {

inline void Put16(std::string& s, uint32_t v) {
    s.push_back(static_cast<char>(v & 0xFF));
    s.push_back(static_cast<char>((v >> 8) & 0xFF));
}
inline void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

// A stream of literals only; declared overrides the size field.
inline std::string PackLiterals(const std::string& data, int64_t declared = -1) {
    std::string out;
    Put32(out, declared < 0 ? static_cast<uint32_t>(data.size()) : static_cast<uint32_t>(declared));
    for (size_t i = 0; i < data.size(); i += 8) {
        size_t n = data.size() - i < 8 ? data.size() - i : 8;
        out.push_back(static_cast<char>((1u << n) - 1));
        out.append(data, i, n);
    }
    return out;
}

// A compiled 32-bit .res image with one string-table block per 16 ids.
inline std::string BuildRes(const std::map<int, std::u16string>& texts, uint16_t lang) {
    std::string res;
    Put32(res, 0);
    Put32(res, 32);
    Put32(res, 0x0000FFFF);
    Put32(res, 0x0000FFFF);
    res.append(16, '\0');
    std::map<int, std::string> blocks;
    for (const auto& t : texts) blocks[t.first / 16 + 1];
    for (auto& b : blocks) {
        std::string data;
        for (int k = 0; k < 16; ++k) {
            auto it = texts.find((b.first - 1) * 16 + k);
            std::u16string s = it == texts.end() ? std::u16string() : it->second;
            Put16(data, static_cast<uint32_t>(s.size()));
            for (char16_t c : s) Put16(data, c);
        }
        Put32(res, static_cast<uint32_t>(data.size()));
        Put32(res, 32);
        Put16(res, 0xFFFF);
        Put16(res, 6);
        Put16(res, 0xFFFF);
        Put16(res, static_cast<uint32_t>(b.first));
        Put32(res, 0);
        Put16(res, 0x1030);
        Put16(res, lang);
        Put32(res, 0);
        Put32(res, 0);
        res += data;
        while (res.size() % 4 != 0) res.push_back('\0');
    }
    return res;
}

// One message-table record around a packed stream.
inline std::string Record(uint16_t lang, const std::string& name, const std::string& stream) {
    std::string r;
    Put16(r, lang);
    Put16(r, static_cast<uint32_t>(stream.size()));
    Put16(r, static_cast<uint32_t>(name.size()));
    return r + name + stream;
}

}  // namespace lz77test
