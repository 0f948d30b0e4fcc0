#include "package/ZMContainerWriter.h"

#include <cstring>
#include <vector>

#include "engine/crc32.h"
#include "package/ZMContainerFile.h"
#include "platform/codepage.h"

namespace {

void PutLE(unsigned char* p, uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint8_t Flags(bool check_crc, bool scrambled, uint8_t kind) {
    return static_cast<uint8_t>((check_crc ? zmcf::kFlagCheckCrc : 0) |
                                (scrambled ? zmcf::kFlagScrambled : 0) | ((kind & 0x0F) << 4));
}

}  // namespace

TZMContainerWriter::~TZMContainerWriter() {
    // A writer dropped before Finish leaves no half-written package behind.
    if (begun_) {
        out_.Close();
        platform::RemoveFile(out_path_);
    }
}

bool TZMContainerWriter::Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    failed_ = true;
    // A failed package is dropped at once: it releases the file for another attempt.
    if (begun_) {
        out_.Close();
        platform::RemoveFile(out_path_);
        begun_ = false;
    }
    return false;
}

bool TZMContainerWriter::Begin(const UString& out_path, const std::string& host_image,
                               uint8_t version) {
    error_.clear();
    failed_ = false;
    zip_ = Pending();
    out_path_ = out_path;
    if (!out_.Open(out_path, platform::FileStream::Mode::CreateAlways)) {
        return Fail("cannot create " + platform::WideToUtf8(out_path) + ": " +
                    platform::WideToUtf8(platform::OsErrorText(out_.LastError())));
    }
    begun_ = true;
    const size_t pad =
        (zmcf::kHeaderAlign - host_image.size() % zmcf::kHeaderAlign) % zmcf::kHeaderAlign;
    if (host_image.size() + pad > static_cast<uint64_t>(zmcf::kHeaderSearchLimit)) {
        return Fail("host image too large: the header must sit within the first 8 MiB");
    }
    unsigned char header[8] = {'Z', 'M', 'C', 'F', version, 0, 0, 0};
    std::string padding(pad, '\0');
    if ((!host_image.empty() && !out_.Write(host_image.data(), host_image.size())) ||
        (pad > 0 && !out_.Write(padding.data(), pad)) || !out_.Write(header, sizeof(header))) {
        return Fail("cannot write the host image and header");
    }
    return true;
}

bool TZMContainerWriter::CheckName(const AnsiString& name) {
    if (!begun_) return Fail("the writer is not ready (Begin failed or not called)");
    if (name.size() > 0xFFFF) return Fail("block name longer than 65535 bytes");
    if (zip_.present && name == kZipBlockName) return Fail("a second \"zip\" block");
    return true;
}

bool TZMContainerWriter::WriteRecordHead(const AnsiString& name, int64_t data_size, uint32_t crc,
                                         uint8_t flags, uint8_t key) {
    unsigned char head[zmcf::kRecordFixedSize];
    std::memcpy(head, zmcf::kBlockMagic, 4);
    PutLE(head + 4, static_cast<uint64_t>(8 + static_cast<int64_t>(name.size()) + data_size), 8);
    PutLE(head + 12, crc, 4);
    head[16] = flags;
    head[17] = key;
    PutLE(head + 18, name.size(), 2);
    std::string scrambled_name = name;
    XorScramble(&scrambled_name[0], scrambled_name.size(), key);
    if (!out_.Write(head, sizeof(head)) ||
        (!name.empty() && !out_.Write(scrambled_name.data(), scrambled_name.size()))) {
        return Fail("cannot write the record of block \"" + name + "\"");
    }
    return true;
}

bool TZMContainerWriter::AddBlock(const AnsiString& name, const std::string& data, bool check_crc,
                                  bool scrambled, uint8_t kind, uint8_t key) {
    if (!CheckName(name)) return false;
    if (name == kZipBlockName) {
        if (scrambled) return Fail("the \"zip\" block cannot be scrambled");
        zip_.present = true;
        zip_.data = data;
        zip_.check_crc = check_crc;
        zip_.kind = kind;
        zip_.key = key;
        return true;
    }
    return WriteMemoryBlock(name, data, check_crc, scrambled, kind, key);
}

bool TZMContainerWriter::AddBlockFromFile(const AnsiString& name, const UString& path,
                                          bool check_crc, uint8_t kind, uint8_t key) {
    if (!CheckName(name)) return false;
    if (name == kZipBlockName) {
        zip_.present = true;
        zip_.from_file = true;
        zip_.path = path;
        zip_.check_crc = check_crc;
        zip_.kind = kind;
        zip_.key = key;
        return true;
    }
    return WriteFileBlock(name, path, check_crc, kind, key);
}

bool TZMContainerWriter::WriteMemoryBlock(const AnsiString& name, const std::string& data,
                                          bool check_crc, bool scrambled, uint8_t kind,
                                          uint8_t key) {
    const uint32_t crc = Crc32Update(0, data.data(), data.size());
    if (!WriteRecordHead(name, static_cast<int64_t>(data.size()), crc,
                         Flags(check_crc, scrambled, kind), key)) {
        return false;
    }
    if (data.empty()) return true;
    bool ok;
    if (scrambled) {
        std::string s = data;
        XorScramble(&s[0], s.size(), key);
        ok = out_.Write(s.data(), s.size());
    } else {
        ok = out_.Write(data.data(), data.size());
    }
    return ok ? true : Fail("cannot write the data of block \"" + name + "\"");
}

bool TZMContainerWriter::WriteFileBlock(const AnsiString& name, const UString& path, bool check_crc,
                                        uint8_t kind, uint8_t key) {
    const std::string where = "block \"" + name + "\" from " + platform::WideToUtf8(path);
    platform::FileStream in;
    if (!in.Open(path, platform::FileStream::Mode::ReadShared)) {
        return Fail("cannot open " + where);
    }
    const int64_t size = in.Size();
    if (size < 0) return Fail("cannot size " + where);
    const int64_t record_pos = out_.Position();
    if (record_pos < 0) return Fail("cannot tell the output position for " + where);
    // The checksum is known only after streaming; write a placeholder and patch it afterwards.
    if (!WriteRecordHead(name, size, 0, Flags(check_crc, false, kind), key)) return false;
    std::vector<char> buf(1 << 20);
    uint32_t crc = 0;
    int64_t copied = 0;
    for (;;) {
        size_t n = in.Read(buf.data(), buf.size());
        if (n == 0) break;
        crc = Crc32Update(crc, buf.data(), n);
        if (!out_.Write(buf.data(), n)) return Fail("cannot write " + where);
        copied += static_cast<int64_t>(n);
    }
    if (copied != size) return Fail("size of " + where + " changed while it was copied");
    unsigned char stored[4];
    PutLE(stored, crc, 4);
    const int64_t end = out_.Position();
    if (!out_.Seek(record_pos + 12) || !out_.Write(stored, 4) || !out_.Seek(end)) {
        return Fail("cannot store the checksum of " + where);
    }
    return true;
}

bool TZMContainerWriter::Finish() {
    if (!begun_) return Fail(failed_ ? error_ : "Finish without Begin");
    bool ok = !failed_;
    if (ok && zip_.present) {
        const AnsiString name = kZipBlockName;
        ok = zip_.from_file
                 ? WriteFileBlock(name, zip_.path, zip_.check_crc, zip_.kind, zip_.key)
                 : WriteMemoryBlock(name, zip_.data, zip_.check_crc, false, zip_.kind, zip_.key);
    }
    if (!ok) return false;  // Fail has removed the output already
    if (!out_.Close()) return Fail("cannot close " + platform::WideToUtf8(out_path_));
    begun_ = false;
    return true;
}
