// Damaged packages through zmpack verify and extract, run in-process: three reference packages cut
// at every length and with every byte of their container heads and of their archive's directory
// and end records flipped. Each run must end within two seconds with exit status 1 and a message,
// or with 0 and a sound extraction; a file in the destination is always complete and right or
// absent, and no temporary file stays behind.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/dirlist.h"
#include "platform/files.h"
#include "tests/unit/testutil.h"
#include "tests/unit/zipkit.h"
#include "tools/zmpack/commands.h"

namespace {

using testutil::ReadFile;
using testutil::TempDir;
using testutil::WriteFile;

constexpr double kRunLimitSeconds = 2.0;
// A run still going after this long is a hang: the program stops with the case named.
constexpr int kHangSeconds = 30;

struct Reference {
    std::string name;
    std::string bytes;
    std::map<std::string, std::string> files;            // relative path -> content
    std::vector<std::pair<size_t, size_t>> flip_ranges;  // [begin, end) of the bytes to flip
};

uint64_t Le(const std::string& s, size_t at, int n) {
    uint64_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(s[at + i]);
    return v;
}

// The container's header and record heads, and the archive from its central directory to the end.
void FindFlipRanges(const UString& path, Reference& ref) {
    TZMContainerFile c;
    ASSERT_TRUE(c.Open(path)) << ref.name;
    const size_t head = static_cast<size_t>(c.Blocks.front()->Offset) - 8;
    ref.flip_ranges.push_back({head, head + 8});
    int64_t zip_start = -1;
    for (const auto& b : c.Blocks) {
        ref.flip_ranges.push_back(
            {static_cast<size_t>(b->Offset), static_cast<size_t>(b->DataOffset)});
        if (b->BlockName == "zip") zip_start = b->DataOffset;
    }
    ASSERT_GE(zip_start, 0) << ref.name;
    const std::string& s = ref.bytes;
    const size_t eocd = s.size() - 22;
    ASSERT_EQ(s.compare(eocd, 4, "PK\x05\x06"), 0) << ref.name;
    uint64_t cd = Le(s, eocd + 16, 4);
    if (cd == 0xFFFFFFFFu) {
        ASSERT_EQ(s.compare(eocd - 20, 4, "PK\x06\x07"), 0) << ref.name;
        cd = Le(s, static_cast<size_t>(zip_start + static_cast<int64_t>(Le(s, eocd - 12, 8)) + 48),
                8);
    }
    ref.flip_ranges.push_back(
        {static_cast<size_t>(zip_start + static_cast<int64_t>(cd)), s.size()});
}

// Ends the program, naming the case, when a run does not finish: a hang must not stall the test.
class Watchdog {
  public:
    Watchdog() : thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        cv_.notify_all();
        thread_.join();
    }
    void Arm(const std::string& label) {
        std::lock_guard<std::mutex> lock(mutex_);
        label_ = label;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(kHangSeconds);
        armed_ = true;
        cv_.notify_all();
    }
    void Disarm() {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }

  private:
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!quit_) {
            if (!armed_) {
                cv_.wait(lock);
                continue;
            }
            const auto deadline = deadline_;
            cv_.wait_until(lock, deadline);
            if (armed_ && !quit_ && deadline_ == deadline &&
                std::chrono::steady_clock::now() >= deadline) {
                std::fprintf(stderr, "HANG: no result after %d s for %s\n", kHangSeconds,
                             label_.c_str());
                std::fflush(stderr);
                std::abort();
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable cv_;
    std::string label_;
    std::chrono::steady_clock::time_point deadline_;
    bool armed_ = false;
    bool quit_ = false;
    std::thread thread_;
};

bool IsTemporaryName(const std::string& name) {
    return name.size() >= 7 && name.compare(0, 3, "~zm") == 0 &&
           name.compare(name.size() - 4, 4, ".tmp") == 0;
}

// A message on standard error: lines of "zmpack <command>: ..." in valid UTF-8, with no control
// characters a terminal would act on.
bool CleanMessage(const std::string& err, const std::string& command) {
    if (err.empty()) return false;
    const std::string head = "zmpack " + command + ": ";
    size_t pos = 0;
    while (pos < err.size()) {
        size_t end = err.find('\n', pos);
        if (end == std::string::npos) end = err.size();
        if (err.compare(pos, head.size(), head) != 0) return false;
        pos = end + 1;
    }
    for (unsigned char c : err)
        if ((c < 0x20 && c != '\n' && c != '\t') || c == 0x7F) return false;
    return platform::WideToUtf8(platform::Utf8ToWide(err)) == err;
}

class Sweep {
  public:
    explicit Sweep(const Reference& ref) : ref_(ref) {
        UString trace;
        trace_ = platform::GetEnvironmentText("ZM_SWEEP_TRACE", trace);
    }

    void Run(const std::string& bytes, const std::string& label) {
        // A new file each time: rewriting one in place makes some file systems flush it on close.
        platform::RemoveFile(pkg_);
        ASSERT_TRUE(WriteFile(pkg_, bytes));
        if (trace_) std::fprintf(stderr, "%s %s\n", ref_.name.c_str(), label.c_str());
        std::string out, verify_err, extract_err;
        watchdog_.Arm(ref_.name + " " + label);
        const auto start = std::chrono::steady_clock::now();
        zmpack::CaptureOutput(&out, &verify_err);
        const int verify = zmpack::CmdVerify({pkg_});
        zmpack::CaptureOutput(&out, &extract_err);
        const int extract = zmpack::CmdExtract({u"-d", dest_, u"--overwrite", u"never", pkg_});
        zmpack::CaptureOutput(nullptr, nullptr);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        watchdog_.Disarm();
        slowest_ = std::max(slowest_, seconds);
        EXPECT_LT(seconds, kRunLimitSeconds) << ref_.name << " " << label;

        for (const auto& [status, err, command] :
             {std::make_tuple(verify, verify_err, "verify"),
              std::make_tuple(extract, extract_err, "extract")}) {
            const bool ok = status == zmpack::kExitOk ||
                            (status == zmpack::kExitPackage && CleanMessage(err, command));
            if (!ok) ++unclean_;
            EXPECT_TRUE(ok) << ref_.name << " " << label << ": " << command << " exit " << status
                            << "\n"
                            << err;
        }

        std::map<std::string, std::string> found;
        testutil::VisitTree(
            dest_, [&](const std::string& rel, const platform::PathInfo& e, const UString& path) {
                if (!e.is_dir) found[rel] = ReadFile(path);
            });
        bool sound = true;
        for (const auto& [path, content] : found) {
            const size_t slash = path.rfind('/');
            const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
            auto known = ref_.files.find(path);
            if (IsTemporaryName(leaf) || known == ref_.files.end() || known->second != content) {
                sound = false;
                ADD_FAILURE() << ref_.name << " " << label << ": left behind " << path << " ("
                              << content.size() << " bytes)";
            }
        }
        // A success is a whole extraction.
        if (extract == zmpack::kExitOk && found != ref_.files) {
            sound = false;
            ADD_FAILURE() << ref_.name << " " << label << ": exit 0 with " << found.size() << " of "
                          << ref_.files.size() << " files";
        }
        if (!sound) ++leftovers_;
        testutil::RemoveTree(dest_);
    }

    int leftovers() const { return leftovers_; }
    int unclean() const { return unclean_; }
    double slowest() const { return slowest_; }

  private:
    const Reference& ref_;
    TempDir dir_;
    UString pkg_ = dir_.File("pkg.exe");
    UString dest_ = dir_.File("out");
    Watchdog watchdog_;
    bool trace_ = false;
    int leftovers_ = 0, unclean_ = 0;
    double slowest_ = 0;
};

class SweepTest : public ::testing::Test {
  protected:
    // zmpack create from the files given; the package's bytes and where to flip them.
    Reference Make(const std::string& name, const std::map<std::string, std::string>& files,
                   const std::vector<std::string>& empty_folders) {
        Reference ref;
        ref.name = name;
        ref.files = files;
        const UString src = dir.File("src-" + name);
        EXPECT_TRUE(platform::ForceDirectories(src));
        for (const auto& f : empty_folders)
            EXPECT_TRUE(platform::ForceDirectories(dir.File("src-" + name + "/" + f)));
        for (const auto& [path, content] : files) {
            const UString file = dir.File("src-" + name + "/" + path);
            const size_t slash = path.rfind('/');
            if (slash != std::string::npos) {
                EXPECT_TRUE(platform::ForceDirectories(
                    dir.File("src-" + name + "/" + path.substr(0, slash))));
            }
            EXPECT_TRUE(WriteFile(file, content));
        }
        const UString pkg = dir.File(name + ".exe");
        EXPECT_EQ(zmpack::kExitOk,
                  zmpack::CmdCreate({u"-o", pkg, u"--stub", u"none", u"--title",
                                     platform::Utf8ToWide(name), u"--language", u"en", src}));
        ref.bytes = ReadFile(pkg);
        FindFlipRanges(pkg, ref);
        return ref;
    }

    void SweepAll(const Reference& ref) {
        ASSERT_FALSE(ref.bytes.empty());
        Sweep sweep(ref);
        // The undamaged package first: the reference itself must extract completely.
        sweep.Run(ref.bytes, "unchanged");
        ASSERT_FALSE(HasFailure()) << ref.name << ": the reference package itself fails";
        int cuts = 0, flips = 0;
        for (size_t keep = 0; keep < ref.bytes.size() && !HasFatalFailure();
             keep += ZM_SWEEP_CUT_STRIDE, ++cuts)
            sweep.Run(ref.bytes.substr(0, keep), "cut at " + std::to_string(keep));
        for (const auto& [begin, end] : ref.flip_ranges) {
            for (size_t at = begin; at < end; ++at) {
                for (uint8_t mask : {uint8_t(0xFF), uint8_t(0x01)}) {
                    std::string bytes = ref.bytes;
                    bytes[at] = static_cast<char>(bytes[at] ^ mask);
                    char label[64];
                    std::snprintf(label, sizeof label, "byte %zu ^ 0x%02X", at, mask);
                    sweep.Run(bytes, label);
                    ++flips;
                }
            }
        }
        std::printf(
            "sweep %s (%zu bytes): truncations=%d flips=%d crashes=0 leftovers=%d "
            "unclean=%d slowest=%.3fs\n",
            ref.name.c_str(), ref.bytes.size(), cuts, flips, sweep.leftovers(), sweep.unclean(),
            sweep.slowest());
        RecordProperty("truncations", cuts);
        RecordProperty("flips", flips);
        EXPECT_EQ(sweep.leftovers(), 0) << ref.name;
    }

    TempDir dir;
};

TEST_F(SweepTest, SmallPackage) {
    SweepAll(Make(
        "small",
        {{"readme.txt", "Read me first.\n"}, {"app.exe", "MZ" + zipkit::RandomBytes(600, 1)}}, {}));
}

TEST_F(SweepTest, MediumPackageWithNestedFolders) {
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + " of the guide\n";
    SweepAll(Make("medium",
                  {{"bin/tool.exe", "MZ" + zipkit::RandomBytes(3000, 2)},
                   {"bin/lib/helper.dll", "MZ" + zipkit::RandomBytes(1500, 3)},
                   {"docs/guide/intro.txt", text},
                   {"docs/guide/chapter 2.txt", text.substr(0, 700)},
                   {"docs/readme.txt", "See the guide.\n"},
                   {"data/a/b/c/deep.bin", zipkit::RandomBytes(5000, 4)},
                   {"data/empty.txt", ""},
                   {"Ünïcødé/файл.txt", "привет\n"},
                   {"top.txt", "top\n"}},
                  {"data/nothing here", "docs/guide/pictures"}));
}

// zmpack writes Zip64 fields only past 4 GiB; the test kit forces them on a small entry, with the
// Zip64 end record and locator, and zmpack takes that archive as the payload unchanged.
TEST_F(SweepTest, PackageWithZip64Entry) {
    std::map<std::string, std::string> files = {
        {"wide/forced64.bin", zipkit::RandomBytes(2000, 5) + std::string(3000, 'x')},
        {"plain.txt", "plain entry\n"}};
    zipkit::ZipBuilder b;
    zipkit::Entry big;
    big.name = "wide/forced64.bin";
    big.data = files["wide/forced64.bin"];
    big.zip64 = true;
    b.Add(big);
    b.AddFile("plain.txt", files["plain.txt"]);
    b.zip64_end = true;
    ASSERT_TRUE(WriteFile(dir.File("z64.zip"), b.Build()));
    const UString pkg = dir.File("zip64.exe");
    ASSERT_EQ(zmpack::kExitOk, zmpack::CmdCreate({u"-o", pkg, u"--stub", u"none", u"--language",
                                                  u"en", u"--zip", dir.File("z64.zip")}));
    Reference ref;
    ref.name = "zip64";
    ref.files = files;
    ref.bytes = ReadFile(pkg);
    FindFlipRanges(pkg, ref);
    ASSERT_FALSE(HasFatalFailure());
    SweepAll(ref);
}

}  // namespace
