// zmpack create: stub + container ("config", "lpk", "zip") written under a temporary name next
// to the output and renamed into place only when complete.
#include <chrono>
#include <cstdlib>
#include <memory>

#include "engine/crc32.h"
#include "package/ZMContainerFile.h"
#include "package/ZMContainerWriter.h"
#include "platform/pathparts.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "tools/zmpack/branding.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/payloadzip.h"
#include "tools/zmpack/peimage.h"
#include "tools/zmpack/pkgconfig.h"
#include "tools/zmpack/signing.h"
#include "tools/zmpack/tempfile.h"
#include "tools/zmpack/wholedeflate.h"
#include "tools/zmpack/zipsources.h"
#include "tools/zmpack/zipwriter.h"

namespace zmpack {
namespace {

const char* const kCmd = "create";
constexpr int64_t kMaxStubSize = 0x800000;  // the container must start within the first 8 MiB

const char* const kHelp =
    "Usage: zmpack create -o OUT [OPTIONS] SOURCE...\n"
    "       zmpack create -o OUT [OPTIONS] --zip ARCHIVE\n"
    "Builds an installer package: the stub program, then the container with the blocks\n"
    "\"config\", \"lpk\" (language pack) and \"zip\" (the files to install).\n"
    "A SOURCE folder's contents become the archive's root; a SOURCE file keeps its name.\n\n"
    "  -o, --output OUT         the package to write (replaced when it exists)\n"
    "  --stub FILE|none         the installer program to put in front (default: setup.exe\n"
    "                           next to zmpack, else ../share/zmsetup/setup.exe from\n"
    "                           zmpack's folder: the installed i686 one); none: no stub\n"
    "  --title T                the package title (key archive_name)\n"
    "  --welcome T              the welcome text (key archive_desc)\n"
    "  --welcome-file F         the welcome text from a UTF-8 file\n"
    "  --id N                   the package number (key archive_id, default 0)\n"
    "  --language ID            preset interface language, e.g. en (key langid)\n"
    "  --config-key NAME=VALUE  any further configuration key (repeatable)\n"
    "  --config-format xml|text configuration as XML (default) or key=value lines\n"
    "  --lang-pack FILE         the language pack to embed (default: the shipped one)\n"
    "  --no-lang-pack           no language pack block\n"
    "  --method M               how the files are compressed (default solid; deflate\n"
    "                             when only --level is given):\n"
    "                           solid: two solid LZMA2 chains, programs and libraries with\n"
    "                             the x86 filter, the smallest packages;\n"
    "                           lzma: every file LZMA on its own (zip method 14);\n"
    "                           deflate: every file deflated (zip method 8); store: none\n"
    "  --level 0-12|max         the deflate level (default 7; 0 stores every\n"
    "                           file; max: the smallest stream, slowly, for a release)\n"
    "  --zip ARCHIVE            use an existing zip archive unchanged as the payload\n"
    "%BRANDING%\n"
    "%SIGNING%\n"
    "SOURCE_DATE_EPOCH, when set, gives every entry that time (and the signature its\n"
    "signing time), for reproducible packages.\n"
    "LZMA is liblzma's at preset 9e, its dictionary as large as the data (at most 64 MiB).\n"
    "Deflate: files up to 64 MiB are deflated whole with %DEFLATER%;\n"
    "larger ones stream through zlib (levels above 9 are zlib's 9 there). With lzma and\n"
    "deflate, files that do not shrink are stored.\n";

const std::vector<OptionSpec> kSpecs = {
    {"output", 'o', true, false},      {"stub", 0, true, false},
    {"title", 0, true, false},         {"welcome", 0, true, false},
    {"welcome-file", 0, true, false},  {"id", 0, true, false},
    {"language", 0, true, false},      {"config-key", 0, true, true},
    {"config-format", 0, true, false}, {"lang-pack", 0, true, false},
    {"no-lang-pack", 0, false, false}, {"level", 0, true, false},
    {"method", 0, true, false},        {"zip", 0, true, false},
    {"help", 'h', false, false},
};

std::string U8(const UString& s) { return platform::WideToUtf8(s); }

// setup.exe next to zmpack (in the build tree a link to the i686 build's), or in the install
// prefix's share or lib folder, found from zmpack's own folder so that any prefix works.
UString FindDefaultStub() {
    const UString dir = platform::FolderPart(platform::GetExeName());
    const char16_t d = platform::PathDelimiter();
    const UString candidates[] = {
        dir + u"setup.exe",
        dir + u".." + d + u"share" + d + u"zmsetup" + d + u"setup.exe",
        dir + u".." + d + u"lib" + d + u"zmsetup" + d + u"setup.exe",
    };
    for (const UString& c : candidates)
        if (platform::FileExists(c)) return c;
    return UString();
}

// Scrambling keys: fixed per block name so that packages are reproducible; never 0.
uint8_t KeyFor(const std::string& name) {
    uint8_t k = static_cast<uint8_t>(Crc32Update(0, name.data(), name.size()) & 0xFF);
    return k == 0 ? 0xA5 : k;
}

class TProgressLine {
  public:
    explicit TProgressLine(bool on) : on_(on) {}
    ~TProgressLine() {
        if (shown_) PrintErr("\r" + std::string(79, ' ') + "\r");
    }
    void Update(uint64_t done, uint64_t total, const std::string& name) {
        if (!on_) return;
        auto now = std::chrono::steady_clock::now();
        if (shown_ && now - last_ < std::chrono::milliseconds(100) && done != total) return;
        last_ = now;
        shown_ = true;
        int percent = total == 0 ? 100 : static_cast<int>(done * 100 / total);
        std::string line = "packing " + std::to_string(percent) + "% " + name;
        if (line.size() > 78) line = line.substr(0, 75) + "...";
        line.resize(79, ' ');
        PrintErr("\r" + line);
    }

  private:
    bool on_;
    bool shown_ = false;
    std::chrono::steady_clock::time_point last_;
};

struct CreateRequest {
    UString output;
    std::string host_image;
    std::string config;
    bool with_lpk = true;
    std::string lpk;
    UString zip_file;  // an existing archive, or empty
    std::vector<UString> sources;
    ZipWriterOptions zip_options;
    Branding branding;
    size_t checksum_offset = 0;  // of a branded stub
    SignRequest sign;
};

// Reads and checks the options; exit status 0 when the request is complete.
int ParseRequest(const TOptions& o, CreateRequest& r) {
    r.output = o.Value("output");
    if (r.output.empty()) return Complain(kCmd, "the output (-o OUT) is missing", kExitUsage);
    r.sources = o.Positional();
    r.zip_file = o.Value("zip");
    std::string sign_error;
    if (!ReadSignRequest(o, r.sign, sign_error)) return Complain(kCmd, sign_error, kExitUsage);
    if (o.Has("zip") && r.zip_file.empty())
        return Complain(kCmd, "--zip needs an archive", kExitUsage);
    if (!r.zip_file.empty() && !r.sources.empty())
        return Complain(kCmd, "give either SOURCE arguments or --zip, not both", kExitUsage);
    if (r.zip_file.empty() && r.sources.empty())
        return Complain(kCmd, "nothing to pack: give SOURCE folders or files, or --zip",
                        kExitUsage);
    if (o.Has("welcome") && o.Has("welcome-file"))
        return Complain(kCmd, "--welcome and --welcome-file exclude each other", kExitUsage);
    if (o.Has("lang-pack") && o.Has("no-lang-pack"))
        return Complain(kCmd, "--lang-pack and --no-lang-pack exclude each other", kExitUsage);
    long long level = kDefaultLevel;
    if (o.Has("level")) {
        if (U8(o.Value("level")) == "max") {
            level = kLevelMax;
        } else if (!ParseInteger(o.Value("level"), 0, 12, level)) {
            return Complain(kCmd, "--level takes a number from 0 to 12, or max", kExitUsage);
        }
    }
    r.zip_options.level = static_cast<int>(level);
    // A --level alone keeps meaning what it meant before solid packages were the default: deflate
    // at that level, the same bytes as ever.
    const std::string method =
        o.Has("method") ? U8(o.Value("method")) : (o.Has("level") ? "deflate" : "solid");
    if (method == "solid")
        r.zip_options.method = ZipMethod::Solid;
    else if (method == "lzma")
        r.zip_options.method = ZipMethod::Lzma;
    else if (method == "deflate")
        r.zip_options.method = ZipMethod::Deflate;
    else if (method == "store")
        r.zip_options.method = ZipMethod::Store;
    else
        return Complain(kCmd, "--method is solid, lzma, deflate or store", kExitUsage);
    if (o.Has("level") && r.zip_options.method != ZipMethod::Deflate)
        return Complain(kCmd,
                        "--level sets the deflate level: it does not go with --method " + method,
                        kExitUsage);
    if (o.Has("method") && !o.Value("zip").empty())
        return Complain(kCmd, "--method does not apply to --zip (the archive is used as it is)",
                        kExitUsage);
    long long id = 0;
    if (o.Has("id") && !ParseInteger(o.Value("id"), INT32_MIN, INT32_MAX, id))
        return Complain(kCmd, "--id takes a whole number (32-bit)", kExitUsage);
    const std::string format = o.Has("config-format") ? U8(o.Value("config-format")) : "xml";
    if (format != "xml" && format != "text")
        return Complain(kCmd, "--config-format is xml or text", kExitUsage);
    UString epoch;
    if (platform::GetEnvironmentText("SOURCE_DATE_EPOCH", epoch) && !epoch.empty()) {
        long long t = 0;
        if (!ParseInteger(epoch, 0, INT64_MAX / 2, t))
            return Complain(kCmd, "SOURCE_DATE_EPOCH is not a number of seconds", kExitUsage);
        r.zip_options.fixed_time = true;
        r.zip_options.time = t;
        r.zip_options.utc_dos_time = true;
    }

    // The configuration. archive_id is always written, so the block never ends up without a key
    // (a package without one does not open).
    TPackageConfigText cfg;
    cfg.Set(kKeyArchiveId, platform::Utf8ToWide(std::to_string(id)));
    if (o.Has("title")) cfg.Set(kKeyTitle, o.Value("title"));
    if (o.Has("welcome")) cfg.Set(kKeyWelcome, o.Value("welcome"));
    if (o.Has("welcome-file")) {
        std::string text, error;
        if (!ReadWholeFile(o.Value("welcome-file"), 1 << 20, text, error))
            return Complain(kCmd, error, kExitPackage);
        if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
        cfg.Set(kKeyWelcome, platform::Utf8ToWide(text));
    }
    if (o.Has("language")) cfg.Set(kKeyLanguage, o.Value("language"));
    for (const UString& kv : o.Values("config-key")) {
        size_t eq = kv.find(u'=');
        if (eq == UString::npos || eq == 0)
            return Complain(kCmd, "--config-key takes NAME=VALUE, got '" + U8(kv) + "'",
                            kExitUsage);
        cfg.Set(U8(kv.substr(0, eq)), kv.substr(eq + 1));
    }
    std::string error;
    if (!(format == "xml" ? cfg.ToXml(r.config, error) : cfg.ToText(r.config, error)))
        return Complain(kCmd, error, kExitUsage);

    if (int status = ReadBranding(o, r.branding, error); status != kExitOk)
        return Complain(kCmd, error, status);

    // The stub.
    UString stub = o.Value("stub");
    if (stub == u"none") {
        if (r.branding.Any())
            return Complain(kCmd,
                            "--icon, --version-info and --picture dress the stub: "
                            "they need one",
                            kExitUsage);
        r.host_image.clear();
    } else {
        if (stub.empty()) {
            stub = FindDefaultStub();
            if (stub.empty())
                return Complain(kCmd,
                                "no setup.exe found next to zmpack or in ../share/zmsetup; "
                                "give --stub FILE (or --stub none for a bare container)",
                                kExitPackage);
        }
        if (!ReadWholeFile(stub, kMaxStubSize - 8, r.host_image, error))
            return Complain(kCmd, "stub: " + error, kExitPackage);
        TZMContainerFile existing;
        if (existing.Open(stub))
            return Complain(kCmd, U8(stub) + " already carries a package; use the bare stub",
                            kExitPackage);
        if (r.host_image.compare(0, 2, "MZ") != 0)
            PrintErr("zmpack create: note: " + U8(stub) + " is not a Windows program\n");
        if (r.branding.Any()) {
            std::string branded;
            if (!BrandImage(r.host_image, r.branding, branded, error))
                return Complain(kCmd, "stub: " + U8(stub) + ": " + error, kExitPackage);
            r.host_image = std::move(branded);
            PeImage pe;
            if (pe.Parse(r.host_image, error)) r.checksum_offset = pe.ChecksumOffset();
        }
    }

    // The language pack.
    if (o.Has("no-lang-pack")) {
        r.with_lpk = false;
    } else if (o.Has("lang-pack")) {
        if (!ReadWholeFile(o.Value("lang-pack"), 64 << 20, r.lpk, error))
            return Complain(kCmd, "language pack: " + error, kExitPackage);
    } else {
        platform::RcData pack;
        if (!platform::FindRcData("LANGPACK", pack) || pack.size == 0)
            return Complain(kCmd, "this zmpack carries no language pack; give --lang-pack FILE",
                            kExitPackage);
        r.lpk.assign(reinterpret_cast<const char*>(pack.data), pack.size);
    }
    return kExitOk;
}

int Build(CreateRequest& r) {
    std::unique_ptr<TTempFile> temp_zip;
    UString payload = r.zip_file;
    if (!r.zip_file.empty()) {
        std::string error;
        if (!CheckPayloadZip(r.zip_file, error)) return Complain(kCmd, error, kExitPackage);
    } else {
        std::vector<ZipSource> entries;
        std::vector<std::string> notes;
        std::string error;
        if (!CollectZipSources(r.sources, entries, notes, error))
            return Complain(kCmd, error, kExitPackage);
        for (const std::string& n : notes) PrintErr("zmpack create: note: " + n + "\n");
        if (entries.empty())
            return Complain(kCmd, "the sources hold no file or folder to pack", kExitPackage);
        temp_zip = std::make_unique<TTempFile>(TempNameFor(r.output, u".zip.tmp"));
        TProgressLine progress(platform::StderrIsTerminal());
        r.zip_options.progress = [&](uint64_t done, uint64_t total, const std::string& name) {
            progress.Update(done, total, name);
        };
        platform::FileStream f;
        if (!f.Open(temp_zip->Path(), platform::FileStream::Mode::CreateAlways))
            return Complain(kCmd, "cannot create " + U8(temp_zip->Path()), kExitPackage);
        r.zip_options.temp_base = r.output;
        TZipWriter writer(r.zip_options);
        if (!writer.Write(f, std::move(entries)))
            return Complain(kCmd, writer.Error(), kExitPackage);
        if (!f.Close()) return Complain(kCmd, "cannot write " + U8(temp_zip->Path()), kExitPackage);
        payload = temp_zip->Path();
    }

    TTempFile temp_pkg(TempNameFor(r.output, u".tmp"));
    TZMContainerWriter w;
    bool ok = w.Begin(temp_pkg.Path(), r.host_image) &&
              w.AddBlock("config", r.config, true, true, 0, KeyFor("config")) &&
              (!r.with_lpk || w.AddBlock("lpk", r.lpk, false, true, 1, KeyFor("lpk"))) &&
              w.AddBlockFromFile("zip", payload, true, 15, KeyFor("zip")) && w.Finish();
    if (!ok) return Complain(kCmd, w.Error(), kExitPackage);
    if (r.branding.Any()) {
        std::string error;
        if (!StampFileChecksum(temp_pkg.Path(), r.checksum_offset, error))
            return Complain(kCmd, error, kExitPackage);
    }
    // Signed last: the signature covers the package as it is written.
    TTempFile signed_pkg(r.sign.Wanted() ? TempNameFor(r.output, u".signed.tmp") : UString());
    if (r.sign.Wanted()) {
        std::string error;
        if (!SignFile(temp_pkg.Path(), signed_pkg.Path(), r.sign, error))
            return Complain(kCmd, error, kExitPackage);
    }
    const TTempFile& done = r.sign.Wanted() ? signed_pkg : temp_pkg;
    if (!platform::RenameFile(done.Path(), r.output))
        return Complain(kCmd,
                        "cannot move the package into place as " + U8(r.output) + ": " +
                            U8(platform::OsErrorText(platform::LastOsError())),
                        kExitPackage);
    (r.sign.Wanted() ? signed_pkg : temp_pkg).Keep();
    return kExitOk;
}

}  // namespace

int CmdCreate(const std::vector<UString>& args) {
    TOptions o;
    std::vector<OptionSpec> specs = kSpecs;
    specs.insert(specs.end(), kBrandSpecs.begin(), kBrandSpecs.end());
    specs.insert(specs.end(), kSignSpecs.begin(), kSignSpecs.end());
    if (!o.Parse(specs, args)) return Complain(kCmd, o.Error(), kExitUsage);
    if (o.Has("help")) {
        // The help names the compressor this build carries.
        std::string help = kHelp;
        const size_t at = help.find("%DEFLATER%");
        if (at != std::string::npos) help.replace(at, 10, WholeDeflateName());
        const size_t sign = help.find("%SIGNING%\n");
        if (sign != std::string::npos) help.replace(sign, 10, kSignHelp);
        const size_t brand = help.find("%BRANDING%\n");
        if (brand != std::string::npos) help.replace(brand, 11, kBrandHelp);
        PrintOut(help);
        return kExitOk;
    }
    CreateRequest r;
    int status = ParseRequest(o, r);
    if (status != kExitOk) return status;
    return Build(r);
}

}  // namespace zmpack
