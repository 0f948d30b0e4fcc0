// zmpack extract: extracts a package through the installer's own component, loader and engine,
// asking about existing files and checksum mismatches as the installer does.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "platform/files.h"
#include "tools/zmpack/commands.h"
#include "tools/zmpack/options.h"
#include "tools/zmpack/pkgopen.h"

namespace zmpack {
namespace {

const char* const kCmd = "extract";

const char* const kHelp =
    "Usage: zmpack extract [-d DIR] [--overwrite ask|always|never] [--password P] PKG\n"
    "Extracts every entry of the package below DIR, recreating its folders, with the\n"
    "installer's own extraction code.\n\n"
    "  -d, --dest DIR       destination (default: the installer's default, the package's\n"
    "                       folder plus its title); created when missing\n"
    "  --overwrite MODE     existing files: ask (default; the installer's question on the\n"
    "                       terminal), always (replace), never (keep)\n"
    "  --password P         password for encrypted entries (default: the package's own)\n"
    "Progress goes to standard error when it is a terminal, otherwise one line per file\n"
    "to standard output.\n"
    "Exit status: 0 extracted, 1 a package or extraction problem, 2 a usage error.\n";

enum class Mode { Ask, Always, Never };
// Remembered answers, as the installer keeps them for one run.
enum Remembered { kAsk = 0, kYesToAll = 1, kNoToAll = 2 };

// The installer's texts for its two questions, from the package's language pack.
struct Questions {
    UString exists, bad_crc;
};

Questions LoadQuestions(const TZMArchiveFile& package) {
    TLanguages languages;
    const AnsiString pack = package.Container->ReadBlock("lpk");
    if (!pack.empty()) languages.LoadFromString(pack);
    const TZMArchiveSettings* s = package.GetSettings();
    languages.SetCurrentLanguage(s != nullptr && !s->LanguageId.empty() ? s->LanguageId : "en");
    Questions q;
    q.exists = languages.GetTextById(11, u"Файл %s существует.\r\n\r\nПерезаписать?");
    q.bad_crc = languages.GetTextById(
        12, u"Не совпадает контрольная сумма для файла %s.\r\n\r\nРаспаковать файл?");
    return q;
}

std::string Fill(const UString& format, const UString& name) {
    UString text = format;
    const size_t at = text.find(u"%s");
    if (at != UString::npos) text.replace(at, 2, name);
    std::string out;
    for (char c : platform::WideToUtf8(text))
        if (c != '\r') out.push_back(c);
    return out;
}

// The question on the terminal; the answers of the installer's dialog. End of input cancels,
// as closing the dialog does.
char Ask(const std::string& text) {
    for (;;) {
        PrintErr(text + "\n[y]es, [n]o, [A]ll yes, [N]o to all, [c]ancel? ");
        std::string line;
        if (!std::getline(std::cin, line)) {
            PrintErr("\n");
            return 'c';
        }
        if (line == "y" || line == "yes" || line == "Y") return 'y';
        if (line == "n" || line == "no") return 'n';
        if (line == "A" || line == "a" || line == "all") return 'A';
        if (line == "N" || line == "none") return 'N';
        if (line == "c" || line == "C" || line == "cancel") return 'c';
    }
}

class Run {
  public:
    Run(Mode mode, Questions questions, bool live)
        : mode_(mode), questions_(std::move(questions)), live_(live) {}

    void Attach(TZMZipper& zip) {
        zip.OnCheckTerminate = [this](TCustomZMZipper&, bool& abort) {
            if (cancelled_) abort = true;
        };
        zip.OnProgress = [this](TCustomZMZipper&, const TZMProgressDetails& d) { Progress(d); };
        zip.OnExtractOverwrite = [this](TCustomZMZipper&, const AnsiString& file, bool, bool& yes,
                                        int) {
            if (mode_ == Mode::Never) {
                yes = false;
                return;
            }
            Decide(overwrite_, questions_.exists, file, yes);
        };
        zip.OnCRC32Error = [this](TCustomZMZipper&, const AnsiString& file, uint32_t, uint32_t,
                                  bool& keep) {
            bad_crc_.push_back(AnsiToUtf8(file));
            if (mode_ != Mode::Ask) {
                keep = false;  // never keep damaged data unasked
                return;
            }
            Decide(crc_, questions_.bad_crc, file, keep);
        };
        zip.OnSkipped = [this](TCustomZMZipper&, const AnsiString&, TZMSkipTypes type, int&) {
            if (type == stFileExists) ++kept_;
        };
        zip.OnMessage = [this](TCustomZMZipper&, int code, const AnsiString& text) {
            if (code != 0) problems_.push_back(AnsiToUtf8(text));
        };
    }

    bool Cancelled() const { return cancelled_; }
    int Kept() const { return kept_; }
    const std::vector<std::string>& Problems() const { return problems_; }
    const std::vector<std::string>& BadCrc() const { return bad_crc_; }
    void EndLine() {
        if (live_ && line_open_) PrintErr("\n");
        line_open_ = false;
    }

  private:
    void Decide(int& remembered, const UString& question, const AnsiString& file, bool& flag) {
        if (remembered == kYesToAll) {
            flag = true;
            return;
        }
        if (remembered == kNoToAll) {
            flag = false;
            return;
        }
        EndLine();
        // The question is about the item under way, whose exact name its start report gave.
        const UString shown = !current_.empty() && platform::WideToAnsi(current_) == file
                                  ? current_
                                  : platform::AnsiToWide(file);
        switch (Ask(Fill(question, shown))) {
            case 'y':
                flag = true;
                break;
            case 'n':
                flag = false;
                break;
            case 'A':
                flag = true, remembered = kYesToAll;
                break;
            case 'N':
                flag = false, remembered = kNoToAll;
                break;
            default:
                flag = false, cancelled_ = true;
                break;
        }
    }

    void Progress(const TZMProgressDetails& d) {
        if (d.Order() == zpoNewItem) current_ = d.ItemNameW();
        const std::string name = platform::WideToUtf8(d.ItemNameW());
        if (!live_) {
            if (d.Order() == zpoNewItem) PrintOut(name + "\n");
            return;
        }
        if (d.Order() != zpoNewItem && d.Order() != zpoProgress) return;
        char head[64];
        std::snprintf(head, sizeof head, "\r(%d/%lld) %3d%% ", d.ItemNumber(),
                      static_cast<long long>(d.TotalCount()), d.TotalPerCent());
        if (d.Order() == zpoNewItem) EndLine();
        PrintErr(head + name + "\x1b[K");
        line_open_ = true;
    }

    Mode mode_;
    UString current_;  // exact name of the item under way
    Questions questions_;
    bool live_;
    int overwrite_ = kAsk;
    int crc_ = kAsk;
    bool cancelled_ = false;
    bool line_open_ = false;
    int kept_ = 0;
    std::vector<std::string> problems_;
    std::vector<std::string> bad_crc_;
};

}  // namespace

int CmdExtract(const std::vector<UString>& args) {
    TOptions o;
    const std::vector<OptionSpec> known = {
        {"dest", 'd', true, false}, {"overwrite", 0, true, false}, {"password", 0, true, false}};
    if (int status = ParsePackageCommand(kCmd, kHelp, known, args, o); status >= 0) return status;
    Mode mode = Mode::Ask;
    if (o.Has("overwrite")) {
        const std::string m = platform::WideToUtf8(o.Value("overwrite"));
        if (m == "always")
            mode = Mode::Always;
        else if (m == "never")
            mode = Mode::Never;
        else if (m != "ask")
            return Complain(kCmd, "--overwrite takes ask, always or never", kExitUsage);
    }
    if (o.Has("dest") && o.Value("dest").empty())
        return Complain(kCmd, "-d needs a folder", kExitUsage);

    TZMArchiveFile package;
    std::string why;
    if (!OpenPackage(o.Positional()[0], package, why)) return Complain(kCmd, why, kExitPackage);
    const UString dest = o.Has("dest") ? o.Value("dest") : package.DestDir;

    Run run(mode, LoadQuestions(package), platform::StderrIsTerminal());
    TZMZipper zip;
    zip.SetActive(false);
    zip.NotMainThread = true;
    run.Attach(zip);
    zip.Unattended = true;
    zip.SetZipFileNameW(package.GetFileName());
    zip.FSpecArgs = {"*.*"};
    zip.ExtrBaseDirW = dest;
    zip.ExtrOptions = ZMExtrOpt(ExtrDirNames) | ZMExtrOpt(ExtrForceDirs);
    if (mode == Mode::Always) zip.ExtrOptions |= ZMExtrOpt(ExtrOverWrite);
    zip.Password =
        o.Has("password") ? platform::WideToAnsi(o.Value("password")) : package.ArchivePassword;
    package.Zip.reset();  // the listing component is done with
    zip.SetActive(true);
    const int code = zip.Extract();
    run.EndLine();

    const std::string where = platform::WideToUtf8(platform::ExpandFullPath(dest));
    if (run.Cancelled() || code == 11007) {
        PrintErr("zmpack extract: cancelled; files already written stay in " + where + "\n");
        return kExitPackage;
    }
    const auto count = [](int n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    std::string summary = count(zip.ProcessedCount(), "file") + " extracted to " + where;
    if (run.Kept() > 0) summary += ", " + count(run.Kept(), "existing file") + " kept";
    PrintOut(summary + "\n");
    if (code != 0 || !run.BadCrc().empty()) {
        const std::vector<std::string>& problems = run.Problems();
        for (const auto& p : problems) PrintErr("zmpack extract: " + p + "\n");
        for (const auto& f : run.BadCrc()) PrintErr("zmpack extract: CRC-32 mismatch: " + f + "\n");
        // The run's own error is usually the last problem reported; say it once.
        const std::string last = AnsiToUtf8(zip.ErrMessage());
        if (code != 0 && std::find(problems.begin(), problems.end(), last) == problems.end()) {
            return Complain(kCmd, last, kExitPackage);
        }
        return kExitPackage;
    }
    return kExitOk;
}

}  // namespace zmpack
