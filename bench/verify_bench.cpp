// Throughput of the package check against zlib's crc32 alone over the same file, and the cost of
// finding a container that sits at the far end of the header search.
//
//   verify_bench [size_in_MiB]   (default 1024; the temp files are removed afterwards)
#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

}  // namespace

int main(int argc, char** argv) {
    const int64_t mib = argc > 1 ? std::atoll(argv[1]) : 1024;
    const int64_t size = mib * 1024 * 1024;
    const UString tmp = platform::GetTempDirectory();
    const UString payload = tmp + u"zm-verify-bench-payload.bin";
    const UString package = tmp + u"zm-verify-bench-package.exe";
    const UString host8 = tmp + u"zm-verify-bench-host8.exe";
    int rc = 0;

    std::printf("building a %lld MiB package block...\n", static_cast<long long>(mib));
    TZMContainerWriter w;
    if (!WritePayload(payload, size) || !w.Begin(package, std::string(4096, 'H')) ||
        !w.AddBlockFromFile("zip", payload, true, 15, 0) || !w.Finish()) {
        std::fprintf(stderr, "cannot build the package: %s\n", w.Error().c_str());
        rc = 1;
    }
    platform::RemoveFile(payload);

    TZMContainerFile c;
    if (rc == 0 && !c.Open(package)) {
        std::fprintf(stderr, "cannot open the package\n");
        rc = 1;
    }
    if (rc == 0) {
        const TZMArchiveBlock& b = *c.Blocks[static_cast<size_t>(c.IndexOfBlock("zip"))];
        // Warm the page cache once so that both runs read from memory alike.
        uint32_t crc = 0;
        PlainCrc(package, b.DataOffset, b.DataSize, crc);

        auto t0 = Clock::now();
        const bool plain_ok = PlainCrc(package, b.DataOffset, b.DataSize, crc) && crc == b.Crc32;
        const double t_plain = Seconds(t0);
        t0 = Clock::now();
        const bool verify_ok = c.VerifyBlock("zip", true, [](int, bool&) {});
        const double t_verify = Seconds(t0);

        const double mb = static_cast<double>(b.DataSize) / 1e6;
        std::printf("zlib crc32 alone : %8.1f MB/s (%.3f s)%s\n", mb / t_plain, t_plain,
                    plain_ok ? "" : "  MISMATCH");
        std::printf("VerifyBlock fast : %8.1f MB/s (%.3f s)%s\n", mb / t_verify, t_verify,
                    verify_ok ? "" : "  FAILED");
        std::printf("ratio            : %8.3f (VerifyBlock / crc32)\n", t_plain / t_verify);
        if (!plain_ok || !verify_ok) rc = 1;
    }
    platform::RemoveFile(package);

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
