// The solid form of the zip writer: folders and empty files stored first, then the chain of
// programs and libraries (behind the x86 filter), then the chain of everything else, each chain
// ordered by extension and name so that similar files share the dictionary. The two chains are
// compressed at the same time where there are two threads and memory for two encoders; their
// streams wait in temporary files and are then laid out entry by entry, so memory stays bounded
// whatever the payload's size.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/littleendian.h"
#include "engine/solidformat.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/solidchain.h"
#include "tools/zmpack/tempfile.h"
#include "tools/zmpack/ziprecords.h"
#include "tools/zmpack/zipoutput.h"
#include "tools/zmpack/zipwriter.h"

namespace zmpack {
namespace {

constexpr size_t kCopySlice = 1 << 20;

// x86 or x86-64 code: a PE image ("MZ", then "PE\0\0" and machine 0x14C or 0x8664) or an ELF
// file (machine 3 or 62).
bool IsX86Program(const ZipSource& s) {
    platform::FileStream f;
    uint8_t h[1024] = {};
    if (!f.Open(s.path, platform::FileStream::Mode::ReadShared)) return false;
    const size_t n = f.Read(h, sizeof h);
    if (n >= 20 && h[0] == 0x7F && h[1] == 'E' && h[2] == 'L' && h[3] == 'F') {
        const uint16_t machine = le::Get16(h + 18);
        return machine == 3 || machine == 62;
    }
    if (n < 64 || h[0] != 'M' || h[1] != 'Z') return false;
    const uint32_t pe = le::Get32(h + 0x3C);
    if (pe > n - 6 || le::Get32(h + pe) != 0x00004550) return false;
    const uint16_t machine = le::Get16(h + pe + 4);
    return machine == 0x14C || machine == 0x8664;
}

std::string Extension(const std::string& name) {
    const size_t slash = name.rfind('/');
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

}  // namespace

bool TZipWriter::WriteSolid(platform::FileStream& file, std::vector<ZipSource> entries,
                            uint64_t total_in) {
    // The order: stored entries, then each chain by extension and name.
    std::vector<size_t> plain, chains[2];
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].is_dir || entries[i].size == 0)
            plain.push_back(i);
        else
            chains[IsX86Program(entries[i]) ? 0 : 1].push_back(i);
    }
    for (auto& c : chains) {
        std::vector<std::string> ext(entries.size());
        for (size_t i : c) ext[i] = Extension(entries[i].name);
        std::stable_sort(c.begin(), c.end(), [&](size_t a, size_t b) {
            return ext[a] != ext[b] ? ext[a] < ext[b] : entries[a].name < entries[b].name;
        });
    }

    std::vector<std::unique_ptr<TSolidChain>> solid;
    std::vector<std::unique_ptr<TTempFile>> streams;
    for (int c = 0; c < 2; ++c) {
        if (chains[c].empty()) continue;
        solid.emplace_back(new TSolidChain(entries, chains[c], c == 0));
        streams.emplace_back(new TTempFile(TempNameFor(options_.temp_base, u".chain.tmp")));
    }
    // Two encoders at once need about 1.4 GB with the largest dictionary: not in a 32-bit process.
    const bool parallel = options_.threads > 1 && solid.size() > 1 && sizeof(void*) >= 8;
    std::atomic<uint64_t> done{0};
    std::atomic<bool> stop{false};
    std::vector<char> ok(solid.size(), 0);
    std::atomic<size_t> finished{0};
    auto run = [&](size_t c) {
        ok[c] = solid[c]->Run(streams[c]->Path(), done, stop) ? 1 : 0;
        if (!ok[c]) stop = true;
        ++finished;
    };
    std::vector<std::thread> workers;
    if (parallel) {
        for (size_t c = 0; c < solid.size(); ++c) workers.emplace_back(run, c);
    } else {
        workers.emplace_back([&] {
            for (size_t c = 0; c < solid.size() && !stop; ++c) run(c);
            finished = solid.size();
        });
    }
    while (finished.load() < solid.size()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (options_.progress) options_.progress(done.load(), total_in, "");
    }
    for (auto& t : workers) t.join();
    for (size_t c = 0; c < solid.size(); ++c)
        if (!ok[c]) {
            error_ = solid[c]->Error();
            if (error_ == "stopped") continue;
            return false;
        }
    if (!error_.empty()) return false;

    TZipOutput out(file);
    TCheckedWriter checked(out);
    std::vector<ZipEntryRecord> records;
    records.reserve(entries.size());
    auto record = [&](const ZipSource& s) {
        ZipEntryRecord r;
        r.name = s.name;
        SetEntryTime(r, options_.fixed_time ? options_.time : s.mod_time, options_.utc_dos_time);
        r.external_attr = (s.is_dir ? kDosAttrDirectory : 0) | (s.read_only ? kDosAttrReadOnly : 0);
        r.size = static_cast<uint64_t>(s.size);
        r.offset = out.Position();
        return r;
    };
    for (size_t i : plain) {
        ZipEntryRecord r = record(entries[i]);
        std::string header;
        AppendLocalHeader(header, r);
        if (!checked.Write(header)) return WriteFailed(out);
        records.push_back(std::move(r));
    }
    std::vector<unsigned char> buffer(kCopySlice);
    for (size_t c = 0; c < solid.size(); ++c) {
        const TSolidChain& chain = *solid[c];
        platform::FileStream in;
        if (!in.Open(streams[c]->Path(), platform::FileStream::Mode::ReadShared)) {
            error_ = "cannot read back " + platform::WideToUtf8(streams[c]->Path());
            return false;
        }
        const auto& members = chain.Members();
        for (size_t k = 0; k < members.size(); ++k) {
            ZipEntryRecord r = record(entries[members[k]]);
            r.method = zipformat::kMethodSolid;
            r.crc = chain.Crcs()[k];
            r.compressed = chain.Shares()[k];
            r.local_zip64 = r.size >= kZip32Limit || r.compressed >= kZip32Limit;
            zipformat::SolidMember m;
            m.index = static_cast<uint32_t>(k);
            m.last = k + 1 == members.size();
            m.filter = chain.X86() ? zipformat::kSolidFilterX86 : zipformat::kSolidFilterNone;
            m.dict_prop = chain.DictProp();
            r.extra = zipformat::SolidMemberExtra(m);
            std::string header;
            AppendLocalHeader(header, r);
            if (!checked.Write(header)) return WriteFailed(out);
            for (uint64_t left = r.compressed; left > 0;) {
                const size_t n = static_cast<size_t>(std::min<uint64_t>(left, buffer.size()));
                if (!in.ReadExact(buffer.data(), n)) {
                    error_ = "cannot read back " + platform::WideToUtf8(streams[c]->Path());
                    return false;
                }
                if (!checked.Write(buffer.data(), n)) return WriteFailed(out);
                left -= n;
            }
            records.push_back(std::move(r));
        }
    }
    if (!WriteDirectory(out, checked, records)) return WriteFailed(out);
    archive_size_ = out.Position();
    archive_crc_ = checked.Crc();
    if (options_.progress) options_.progress(total_in, total_in, "");
    return true;
}

}  // namespace zmpack
