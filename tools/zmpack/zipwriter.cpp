#include "tools/zmpack/zipwriter.h"

#include <algorithm>

#include "engine/crc32.h"
#include "engine/entryname.h"
#include "platform/codepage.h"
#include "tools/zmpack/zipcompress.h"
#include "tools/zmpack/zipcrc.h"
#include "tools/zmpack/ziprecords.h"
#include "tools/zmpack/zipoutput.h"

namespace zmpack {
namespace {

constexpr size_t kCentralFlushSize = 1 << 20;

}  // namespace

bool WriteDirectory(TZipOutput& out, TCheckedWriter& checked,
                    const std::vector<ZipEntryRecord>& records) {
    const uint64_t cd_offset = out.Position();
    std::string block;
    for (const ZipEntryRecord& r : records) {
        AppendCentralHeader(block, r);
        if (block.size() >= kCentralFlushSize) {
            if (!checked.Write(block)) return false;
            block.clear();
        }
    }
    if (!checked.Write(block)) return false;
    const uint64_t cd_size = out.Position() - cd_offset;
    block.clear();
    AppendEndRecords(block, records.size(), cd_size, cd_offset);
    return checked.Write(block) && out.Flush();
}

std::string EntryNameProblem(const std::string& name) {
    if (name.empty()) return "empty entry name";
    if (name.size() > 0xFFFF) return "entry name longer than 65535 bytes: " + name.substr(0, 80);
    if (name.find('\\') != std::string::npos) return "backslash in entry name: " + name;
    // What the installer would refuse is not written at all.
    const engine::SafeEntryName safe = engine::CheckEntryName(platform::Utf8ToWide(name), false);
    if (!safe.ok) return std::string("refused entry name (") + safe.reason + "): " + name;
    // The installer passes over "." parts; a stored name has none.
    const std::string body = "/" + name + (name.back() == '/' ? "" : "/");
    if (body.find("/./") != std::string::npos) return "\".\" part in entry name: " + name;
    return std::string();
}

TZipWriter::TZipWriter(ZipWriterOptions options) : options_(std::move(options)) {}

bool TZipWriter::CheckEntries(std::vector<ZipSource>& entries, uint64_t& total_in) {
    std::sort(entries.begin(), entries.end(),
              [](const ZipSource& a, const ZipSource& b) { return a.name < b.name; });
    total_in = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipSource& s = entries[i];
        std::string bad = EntryNameProblem(s.name);
        if (bad.empty() && s.is_dir != (s.name.back() == '/'))
            bad = "folder names end in '/': " + s.name;
        if (bad.empty() && i > 0 && entries[i - 1].name == s.name)
            bad = "two entries named " + s.name;
        if (bad.empty() && s.size < 0) bad = "negative size for " + s.name;
        if (!bad.empty()) {
            error_ = bad;
            return false;
        }
        total_in += static_cast<uint64_t>(s.size);
    }
    return true;
}

bool TZipWriter::WriteFailed(const TZipOutput& out) {
    error_ =
        "cannot write the archive: " + platform::WideToUtf8(platform::OsErrorText(out.LastError()));
    return false;
}

bool TZipWriter::Write(platform::FileStream& file, std::vector<ZipSource> entries) {
    error_.clear();
    uint64_t total_in = 0;
    if (!CheckEntries(entries, total_in)) return false;
    if (options_.method == ZipMethod::Solid) return WriteSolid(file, std::move(entries), total_in);

    TZipOutput out(file);
    TCheckedWriter checked(out);
    const bool lzma = options_.method == ZipMethod::Lzma;
    TCompressPipeline pipeline(entries, options_.method == ZipMethod::Store ? 0 : options_.level,
                               options_.threads, lzma);
    std::vector<ZipEntryRecord> records;
    records.reserve(entries.size());
    uint64_t done = 0;

    for (size_t i = 0; i < entries.size(); ++i) {
        const ZipSource& s = entries[i];
        ZipEntryRecord r;
        r.name = s.name;
        SetEntryTime(r, options_.fixed_time ? options_.time : s.mod_time, options_.utc_dos_time);
        r.external_attr = (s.is_dir ? kDosAttrDirectory : 0) | (s.read_only ? kDosAttrReadOnly : 0);
        r.size = static_cast<uint64_t>(s.size);
        r.local_zip64 = r.size >= kZip32Limit;
        r.offset = out.Position();

        EntryResult result;
        std::string error;
        bool complete = pipeline.IsComplete(i, result, error);
        if (!error.empty()) {
            error_ = error;
            return false;
        }
        if (complete) {
            r.method = result.method;
            r.flags = result.flags;
            r.crc = result.crc;
            r.compressed = result.compressed;
        }
        std::string header;
        AppendLocalHeader(header, r);
        if (!out.Write(header)) return WriteFailed(out);

        const uint64_t data_start = out.Position();
        uint32_t data_crc = 0;
        uint64_t data_length = 0;
        DataPiece piece;
        while (pipeline.NextPiece(i, piece, result, error)) {
            if (piece.restart) {
                if (!out.SeekTo(data_start)) return WriteFailed(out);
                data_crc = 0;
                data_length = 0;
            }
            if (!piece.bytes.empty() && !out.Write(piece.bytes.data(), piece.bytes.size()))
                return WriteFailed(out);
            data_crc = Crc32Update(data_crc, piece.bytes.data(), piece.bytes.size());
            data_length += piece.bytes.size();
            done += piece.consumed;
            if (options_.progress) options_.progress(done, total_in, s.name);
        }
        if (!error.empty()) {
            error_ = error;
            return false;
        }
        if (data_length != result.compressed) {
            error_ = "internal error: data length of " + s.name + " does not match";
            return false;
        }
        r.method = result.method;
        r.flags = result.flags;
        r.crc = result.crc;
        r.compressed = result.compressed;
        std::string final_header;
        AppendLocalHeader(final_header, r);
        if (final_header != header) {
            if (!out.SeekTo(r.offset) || !out.Write(final_header) ||
                !out.SeekTo(data_start + data_length))
                return WriteFailed(out);
        }
        checked.Append(Crc32Update(0, final_header.data(), final_header.size()),
                       final_header.size());
        checked.Append(data_crc, data_length);
        records.push_back(std::move(r));
    }

    if (!WriteDirectory(out, checked, records)) return WriteFailed(out);
    archive_size_ = out.Position();
    archive_crc_ = checked.Crc();
    // A stored entry that replaced a longer deflated attempt may leave old bytes behind.
    if (out.HighWater() > archive_size_ &&
        !file.Truncate(out.Base() + static_cast<int64_t>(archive_size_)))
        return WriteFailed(out);
    return true;
}

}  // namespace zmpack
