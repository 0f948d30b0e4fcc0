// zmpack info: what the installer would see in a package, as text or as one JSON object.
// Everything that can be read is shown, even when the package would not open.
#include <cstdio>
#include <memory>

#include "config/ucfg.h"
#include "lang/ulng.h"
#include "package/ZMArchiveConfig.h"
#include "package/ZMContainerFile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "tools/zmpack/authenticode.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/json.h"
#include "tools/zmpack/methods.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgopen.h"

namespace zmpack {
namespace {

const char* const kCmd = "info";

const char* const kHelp =
    "Usage: zmpack info [--json] PKG\n"
    "Shows the package as the installer sees it: the container and its blocks, the\n"
    "configuration keys, the settings, the title and the default destination folder.\n"
    "The package file plays the installer's own file: its name gives the title when the\n"
    "package has none, its folder the default destination.\n\n"
    "  --json   one JSON object instead of text\n"
    "Exit status: 0 when the package would open, 1 when not, 2 on a usage error.\n";

std::string U8(const UString& s) { return platform::WideToUtf8(s); }
// 8-bit texts from the package (block names, key names) shown as UTF-8.
std::string A8(const AnsiString& s) { return U8(platform::AnsiToWide(s)); }

struct PackageView {
    UString file;
    bool container = false;
    int64_t offset = -1;
    int version = 0;
    std::vector<const TZMArchiveBlock*> blocks;
    std::vector<std::pair<std::string, std::string>> config;  // UTF-8, store order
    const TZMArchiveSettings* settings = nullptr;
    UString title;
    UString dest_dir;
    bool zip_ok = false;
    uint64_t entries = 0;
    bool languages_loaded = false;
    std::vector<std::pair<std::string, std::string>> languages;
    int32_t pack_version = 0;
    std::vector<std::string> problems;
    bool opens = false;      // the installer's own open (the package object) succeeds
    std::string single_exe;  // UTF-8; empty when there is not exactly one ".exe"
    SignatureInfo signature;
    MethodView methods;  // each entry's method and the solid chains
    bool Opens() const { return opens; }
};

// What is read for showing a package that does not open: its parts, by the same readers.
struct Parts {
    TZMContainerFile container;
    TZMArchiveConfig config;
    TZMZipper zip;
};

void Inspect(const UString& path, TZMArchiveFile& package, Parts& rest, PackageView& v) {
    v.file = path;
    // The verdict is the installer's own: its package object, container reader and component.
    std::string why;
    v.opens = OpenPackage(path, package, why);
    const TZMContainerFile* c = package.Container.get();
    const TZMArchiveConfig* cfg = package.Config.get();
    const TZMZipper* zip = package.Zip.get();
    if (!v.opens) {
        v.problems.push_back(why);
        // Everything that can still be read is shown; only the verdict above counts.
        if (rest.container.Open(path)) {
            c = &rest.container;
            const AnsiString text = c->ReadBlock("config");
            if (!rest.config.LoadFromXml(text)) rest.config.LoadFromText(text);
            cfg = &rest.config;
            const TZMOpenFailure failed = package.OpenError().failure;
            if (failed != TZMOpenFailure::ArchiveUnreadable) {
                rest.zip.Unattended = true;
                rest.zip.SetZipFileNameW(path);
                zip = &rest.zip;
            }
        }
    }
    if (c != nullptr) {
        v.container = true;
        v.version = c->Version;
        v.offset = c->HeaderOffset;
        for (const auto& b : c->Blocks) v.blocks.push_back(b.get());
        const AnsiString lpk = c->ReadBlock("lpk");
        if (!lpk.empty()) {
            TLanguages languages;
            if (languages.LoadFromString(lpk) && languages.LanguageList() != nullptr) {
                v.languages_loaded = true;
                v.pack_version = languages.PackVersion();
                for (const auto& l : *languages.LanguageList())
                    v.languages.emplace_back(A8(l->LangId), U8(l->DisplayName));
            } else {
                v.problems.push_back("the \"lpk\" block is not a readable language pack");
            }
        }
        const int index = c->IndexOfBlock("zip");
        if (index < 0) v.problems.push_back("no \"zip\" block");
        // The archive the component read, against the block that should hold it.
        if (index >= 0 && zip != nullptr && zip->ErrCode() == 0) {
            const TZMArchiveBlock& b = *c->Blocks[static_cast<size_t>(index)];
            const zipformat::ZipEnd& end = zip->DirectoryEnd();
            if (end.archive_start != b.DataOffset || end.archive_end != b.DataOffset + b.DataSize)
                v.problems.push_back("the archive at the end of the file is not the \"zip\" block");
        }
    }
    if (cfg != nullptr && cfg->Values) {
        for (const auto& e : cfg->Values->Items()) {
            auto* value = dynamic_cast<TStringValue*>(e.Object);
            v.config.emplace_back(A8(e.Key), value ? U8(value->Value) : std::string());
        }
    }
    if (cfg != nullptr) v.settings = cfg->Settings.get();
    if (zip != nullptr && zip->ErrCode() == 0) {
        v.zip_ok = true;
        v.entries = static_cast<uint64_t>(zip->Count());
    }
    if (v.opens) {
        package.FindSingleExe();
        v.single_exe = U8(package.ExeName);
        std::vector<std::string> names;
        for (size_t i = 0; i < package.Zip->Entries().size(); ++i)
            names.push_back(U8(package.Zip->EntryNameW(i)));
        v.methods = DescribeMethods(package.Zip->Entries(), names);
        v.title = package.GetTitle();
        v.dest_dir = package.DestDir;
    } else {
        v.title = TZMArchiveFile::TitleFor(v.settings, path);
        v.dest_dir = TZMArchiveFile::DefaultDestDir(path, v.title);
    }
    std::string error;
    if (!ReadSignature(path, std::string(), v.signature, error)) v.problems.push_back(error);
    for (const std::string& p : v.signature.problems) v.problems.push_back(p);
}

std::string Hex32(uint32_t v) {
    char buf[12];
    std::snprintf(buf, sizeof(buf), "%08X", v);
    return buf;
}

void PrintJson(const PackageView& v) {
    TJsonWriter j;
    j.BeginObject();
    j.Key("file");
    j.String(U8(v.file));
    j.Key("opens");
    j.Bool(v.Opens());
    j.Key("container");
    if (!v.container) {
        j.Null();
    } else {
        j.BeginObject();
        j.Key("offset");
        j.Number(v.offset);
        j.Key("version");
        j.Number(v.version);
        j.Key("blocks");
        j.BeginArray();
        for (const TZMArchiveBlock* b : v.blocks) {
            j.BeginObject();
            j.Key("name"), j.String(A8(b->BlockName));
            j.Key("offset"), j.Number(b->Offset);
            j.Key("data_offset"), j.Number(b->DataOffset);
            j.Key("data_size"), j.Number(b->DataSize);
            j.Key("crc32"), j.Unsigned(b->Crc32);
            j.Key("check_crc"), j.Bool(b->CheckCrc);
            j.Key("scrambled"), j.Bool(b->Scrambled);
            j.Key("kind"), j.Number(b->Kind);
            j.Key("key"), j.Number(b->XorKey);
            j.EndObject();
        }
        j.EndArray();
        j.EndObject();
    }
    j.Key("config");
    j.BeginObject();
    for (const auto& [k, val] : v.config) j.Key(k), j.String(val);
    j.EndObject();
    j.Key("settings");
    if (v.settings == nullptr) {
        j.Null();
    } else {
        const TZMArchiveSettings& s = *v.settings;
        j.BeginObject();
        j.Key("archive_id"), j.Number(s.ArchiveId);
        j.Key("title"), j.String(U8(s.Title));
        j.Key("welcome_text"), j.String(U8(s.WelcomeText));
        j.Key("title_from_file_name"), j.Bool(s.TitleFromFileName);
        j.Key("language_id"), j.String(A8(s.LanguageId));
        j.Key("hide_russian_language"), j.Bool(s.HideRussianLanguage);
        j.EndObject();
    }
    j.Key("title"), j.String(U8(v.title));
    j.Key("default_dest_dir"), j.String(U8(v.dest_dir));
    j.Key("languages");
    j.BeginArray();
    for (const auto& [id, name] : v.languages) {
        j.BeginObject();
        j.Key("langid"), j.String(id);
        j.Key("display_name"), j.String(name);
        j.EndObject();
    }
    j.EndArray();
    j.Key("pack_version");
    if (v.languages_loaded) {
        j.Number(v.pack_version);
    } else {
        j.Null();
    }
    j.Key("entries");
    if (v.zip_ok) {
        j.Unsigned(v.entries);
    } else {
        j.Null();
    }
    j.Key("single_exe");
    if (v.single_exe.empty()) {
        j.Null();
    } else {
        j.String(v.single_exe);
    }
    WriteMethodsJson(j, v.methods);
    const SignatureInfo& sig = v.signature;
    j.Key("signature");
    j.BeginObject();
    j.Key("present"), j.Bool(sig.present);
    if (sig.present) {
        j.Key("digest_ok"), j.Bool(sig.digest_ok);
        j.Key("algorithm"), j.String(sig.algorithm);
        j.Key("signer"), j.String(sig.signer);
        j.Key("count"), j.Number(sig.count);
    }
    j.EndObject();
    j.EndObject();
    PrintOut(j.Text());
    for (const auto& p : v.problems) PrintErr("zmpack info: " + p + "\n");
}

void PrintText(const PackageView& v) {
    std::string t;
    t += "Package        " + U8(v.file) + "\n";
    t += std::string("Opens          ") + (v.Opens() ? "yes" : "no") + "\n";
    if (v.container) {
        t += "Container      at offset " + std::to_string(v.offset) + ", version " +
             std::to_string(v.version) + "\n";
        t += "Blocks\n";
        for (const TZMArchiveBlock* b : v.blocks) {
            std::string flags;
            if (b->CheckCrc) flags += "check-crc ";
            if (b->Scrambled) flags += "scrambled ";
            t += "  " + A8(b->BlockName) + ": record at " + std::to_string(b->Offset) +
                 ", data at " + std::to_string(b->DataOffset) + ", " + std::to_string(b->DataSize) +
                 " bytes, crc32 " + Hex32(b->Crc32) + ", " + flags + "kind " +
                 std::to_string(b->Kind) + ", key " + std::to_string(b->XorKey) + "\n";
        }
    }
    if (!v.config.empty()) {
        t += "Config\n";
        for (const auto& [k, val] : v.config) t += "  " + k + " = " + val + "\n";
    }
    if (v.settings != nullptr) {
        const TZMArchiveSettings& s = *v.settings;
        t += "Settings\n";
        t += "  ArchiveId            " + std::to_string(s.ArchiveId) + "\n";
        t += "  Title                " + U8(s.Title) + "\n";
        t += "  WelcomeText          " + U8(s.WelcomeText) + "\n";
        t += std::string("  TitleFromFileName    ") + (s.TitleFromFileName ? "yes" : "no") + "\n";
        t += "  LanguageId           " + A8(s.LanguageId) + "\n";
        t += std::string("  HideRussianLanguage  ") + (s.HideRussianLanguage ? "yes" : "no") + "\n";
    }
    t += "Title          " + U8(v.title) + "\n";
    t += "Destination    " + U8(v.dest_dir) + "\n";
    if (v.languages_loaded) {
        t += "Languages      pack version " + std::to_string(v.pack_version) + ":";
        for (const auto& l : v.languages) t += " " + l.first;
        t += "\n";
    }
    if (v.zip_ok) t += "Entries        " + std::to_string(v.entries) + "\n";
    if (!v.single_exe.empty()) t += "Program        " + v.single_exe + "\n";
    AppendMethodsText(t, v.methods);
    const SignatureInfo& sig = v.signature;
    if (!sig.present) {
        t += "Signature      none\n";
    } else if (sig.count > 0) {
        t += "Signature      " + std::to_string(sig.count) +
             (sig.count == 1 ? " signature" : " signatures") + ", " + sig.algorithm +
             ", signed by " + (sig.signer.empty() ? "?" : sig.signer) + ", digest " +
             (sig.digest_ok ? "ok" : "does NOT match") + "\n";
    } else {
        t += "Signature      unreadable\n";
    }
    for (const auto& p : v.problems) t += "Problem        " + p + "\n";
    PrintOut(t);
}

}  // namespace

int CmdInfo(const std::vector<UString>& args) {
    TOptions o;
    if (int status = ParsePackageCommand(kCmd, kHelp, {{"json", 0, false, false}}, args, o);
        status >= 0)
        return status;
    const UString path = o.Positional()[0];
    if (!platform::FileExists(path))
        return Complain(kCmd, "no such file: " + U8(path), kExitPackage);
    TZMArchiveFile package;
    Parts rest;
    PackageView v;
    Inspect(path, package, rest, v);
    if (o.Has("json")) {
        PrintJson(v);
    } else {
        PrintText(v);
    }
    return v.Opens() ? kExitOk : kExitPackage;
}

}  // namespace zmpack
