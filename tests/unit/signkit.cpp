#include "tests/unit/signkit.h"

#include <cstdint>
#include <cstdlib>

namespace signkit {
namespace {

void Put16(std::string& d, size_t at, uint16_t v) {
    d[at] = static_cast<char>(v & 0xFF);
    d[at + 1] = static_cast<char>(v >> 8);
}
void Put32(std::string& d, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

}  // namespace

std::string MiniProgram() {
    std::string d(0x400, '\0');
    d[0] = 'M', d[1] = 'Z';
    Put32(d, 0x3C, 0x40);
    d.replace(0x40, 4, std::string("PE\0\0", 4));
    Put16(d, 0x44, 0x14C), Put16(d, 0x46, 1), Put16(d, 0x54, 224), Put16(d, 0x56, 0x0102);
    const size_t o = 0x58;
    Put16(d, o, 0x10B);
    Put32(d, o + 16, 0x1000), Put32(d, o + 28, 0x400000);
    Put32(d, o + 32, 0x1000), Put32(d, o + 36, 0x200);
    Put16(d, o + 40, 4), Put16(d, o + 48, 4);
    Put32(d, o + 56, 0x2000), Put32(d, o + 60, 0x200);
    Put16(d, o + 68, 2), Put32(d, o + 92, 16);
    const size_t s = o + 224;
    d.replace(s, 5, ".text");
    Put32(d, s + 8, 0x1000), Put32(d, s + 12, 0x1000), Put32(d, s + 16, 0x200),
        Put32(d, s + 20, 0x200), Put32(d, s + 36, 0x60000020);
    d[0x200] = static_cast<char>(0xC3);
    return d;
}

bool MakeCertificate(const std::string& cert, const std::string& key, const std::string& cn) {
    const std::string cmd =
        "openssl req -x509 -newkey rsa:2048 -nodes -days 30 -subj '/O=Test Publisher/CN=" + cn +
        "' -keyout '" + key + "' -out '" + cert + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

bool Sign(const std::string& in, const std::string& out, const std::string& cert,
          const std::string& key, const std::string& digest, bool nest) {
    const std::string cmd = "osslsigncode sign " + std::string(nest ? "-nest " : "") + "-certs '" +
                            cert + "' -key '" + key + "' -h " + digest + " -in '" + in +
                            "' -out '" + out + "' >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

}  // namespace signkit
