// Throughput of the package check against zlib's crc32 alone over the same file, and the cost of
// finding a container that sits at the far end of the header search.
//
//   verify_bench [--runs N] [--package PKG | SIZE_MIB]
// With --package, the "zip" block of that package is checked (it is left in place); otherwise a
// package with a SIZE_MIB block of generated data (default 1024) is built and removed afterwards.
// The two checks alternate, N times each (default 3), and the medians are printed. A given
// package that opens as the installer opens itself also gets the whole contents check timed
// (VerifyZip: with the Authenticode digests in the same pass when it is signed).
#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "package/ZMArchiveFile.h"
#include "package/ZMContainerFile.h"
#include "package/ZMContainerWriter.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

// Writes the payload in 1 MiB pieces so that the data is not all zeros nor held in memory.
bool WritePayload(const UString& path, int64_t size) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::CreateAlways)) return false;
    std::vector<unsigned char> buf(1 << 20);
    uint32_t x = 0x9E3779B9u;
    for (int64_t done = 0; done < size;) {
        for (auto& b : buf) {
            x ^= x << 13, x ^= x >> 17, x ^= x << 5;
            b = static_cast<unsigned char>(x);
        }
        size_t n =
            static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buf.size()), size - done));
        if (!f.Write(buf.data(), n)) return false;
        done += static_cast<int64_t>(n);
    }
    return f.Close();
}

// zlib crc32 over the block's bytes, read with the same stream class in large pieces.
bool PlainCrc(const UString& path, int64_t offset, int64_t size, uint32_t& crc) {
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared) || !f.Seek(offset)) return false;
    std::vector<unsigned char> buf(1 << 20);
    uLong c = crc32(0, nullptr, 0);
    for (int64_t left = size; left > 0;) {
        size_t n =
            f.Read(buf.data(),
                   static_cast<size_t>(std::min<int64_t>(static_cast<int64_t>(buf.size()), left)));
        if (n == 0) return false;
        c = crc32(c, buf.data(), static_cast<uInt>(n));
        left -= static_cast<int64_t>(n);
    }
    crc = static_cast<uint32_t>(c);
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    int64_t mib = 1024;
    int runs = 3;
    std::string given;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--package") == 0 && i + 1 < argc) {
            given = argv[++i];
        } else if (argv[i][0] != '-' && std::atoll(argv[i]) > 0) {
            mib = std::atoll(argv[i]);
        } else {
            std::fprintf(stderr, "usage: verify_bench [--runs N] [--package PKG | SIZE_MIB]\n");
            return 2;
        }
    }
    const UString tmp = platform::GetTempDirectory();
    const UString payload = tmp + u"zm-verify-bench-payload.bin";
    const UString package =
        given.empty() ? tmp + u"zm-verify-bench-package.exe" : platform::Utf8ToWide(given);
    const UString host8 = tmp + u"zm-verify-bench-host8.exe";
    int rc = 0;

    if (given.empty()) {
        std::printf("building a %lld MiB package block...\n", static_cast<long long>(mib));
        TZMContainerWriter w;
        if (!WritePayload(payload, mib * 1024 * 1024) ||
            !w.Begin(package, std::string(4096, 'H')) ||
            !w.AddBlockFromFile("zip", payload, true, 15, 0) || !w.Finish()) {
            std::fprintf(stderr, "cannot build the package: %s\n", w.Error().c_str());
            rc = 1;
        }
        platform::RemoveFile(payload);
    }

    TZMContainerFile c;
    if (rc == 0 && (!c.Open(package) || c.IndexOfBlock("zip") < 0)) {
        std::fprintf(stderr, "cannot open the package or it has no \"zip\" block\n");
        rc = 1;
    }
    if (rc == 0) {
        const TZMArchiveBlock& b = *c.Blocks[static_cast<size_t>(c.IndexOfBlock("zip"))];
        // Warm the page cache once so that both checks read from memory alike.
        uint32_t crc = 0;
        PlainCrc(package, b.DataOffset, b.DataSize, crc);

        std::vector<double> t_plain, t_verify;
        bool plain_ok = true, verify_ok = true;
        for (int r = 0; r < runs; ++r) {
            // Alternate which check goes first, so neither always runs on a warmer cache.
            for (int k = 0; k < 2; ++k) {
                auto t0 = Clock::now();
                if ((k + r) % 2 == 0) {
                    plain_ok = PlainCrc(package, b.DataOffset, b.DataSize, crc) && crc == b.Crc32 &&
                               plain_ok;
                    t_plain.push_back(Seconds(t0));
                } else {
                    verify_ok = c.VerifyBlock("zip", true, [](int, bool&) {}) && verify_ok;
                    t_verify.push_back(Seconds(t0));
                }
            }
        }
        const double plain = Median(t_plain), verify = Median(t_verify);
        const double mb = static_cast<double>(b.DataSize) / 1e6;
        std::printf("block            : %.1f MB, median of %d runs\n", mb, runs);
        std::printf("zlib crc32 alone : %8.1f MB/s (%.3f s)%s\n", mb / plain, plain,
                    plain_ok ? "" : "  MISMATCH");
        std::printf("VerifyBlock fast : %8.1f MB/s (%.3f s)%s\n", mb / verify, verify,
                    verify_ok ? "" : "  FAILED");
        std::printf("ratio            : %8.3f (VerifyBlock / crc32)\n", plain / verify);
        if (!plain_ok || !verify_ok) rc = 1;

        TZMArchiveFile whole;
        if (!given.empty() && whole.Open(package, false)) {
            std::vector<double> t_check;
            bool check_ok = true;
            for (int r = 0; r < runs; ++r) {
                auto t0 = Clock::now();
                check_ok = whole.VerifyZip(true, [](int, bool&) {}) && check_ok;
                t_check.push_back(Seconds(t0));
            }
            const double check = Median(t_check);
            std::printf("VerifyZip fast   : %8.1f MB/s of the block (%.3f s)%s\n", mb / check,
                        check, check_ok ? "" : "  FAILED");
            if (!check_ok) rc = 1;
        }
    }
    if (given.empty()) platform::RemoveFile(package);

    // Open on an 8 MiB host whose header sits at the last searched offset.
    TZMContainerWriter w8;
    if (w8.Begin(host8, std::string(0x800000, 'M')) &&
        w8.AddBlock("config", "archive_name=bench", true, true, 0, 0x5A) && w8.Finish()) {
        const int runs = 200;
        int opened = 0;
        auto t0 = Clock::now();
        for (int i = 0; i < runs; ++i) {
            TZMContainerFile h;
            opened += h.Open(host8) ? 1 : 0;
        }
        const double t = Seconds(t0);
        std::printf("Open, header at 0x800000: %.3f ms per open (%d/%d opened)\n",
                    t * 1000.0 / runs, opened, runs);
        if (opened != runs) rc = 1;
    } else {
        std::fprintf(stderr, "cannot build the 8 MiB host: %s\n", w8.Error().c_str());
        rc = 1;
    }
    platform::RemoveFile(host8);
    return rc;
}
