// zmpack extract: extracts a package through the extraction session the installer runs (its
// component, loader and engine, its questions and its rules), on the terminal.
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

#include "extract/ExtractionSession.h"
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
    "The run follows the installer's rules: it stops at the first entry it cannot write or\n"
    "must refuse; what was written before stays.\n"
    "Progress goes to standard error when it is a terminal, otherwise one line per file\n"
    "to standard output.\n"
    "Exit status: 0 extracted, 1 a package or extraction problem, 2 a usage error.\n";

enum class Mode { Ask, Always, Never };

std::string Fill(const UString& text) {
    std::string out;
    for (char c : platform::WideToUtf8(text))
        if (c != '\r') out.push_back(c);
    return out;
}

// The question on the terminal; the answers of the installer's dialog. End of input cancels,
// as closing the dialog does.
extraction::Answer Ask(const std::string& text) {
    for (;;) {
        PrintErr(text + "\n[y]es, [n]o, [A]ll yes, [N]o to all, [c]ancel? ");
        std::string line;
        if (!std::getline(std::cin, line)) {
            PrintErr("\n");
            return extraction::Answer::Cancel;
        }
        if (line == "y" || line == "yes" || line == "Y") return extraction::Answer::Yes;
        if (line == "n" || line == "no") return extraction::Answer::No;
        if (line == "A" || line == "a" || line == "all") return extraction::Answer::YesToAll;
        if (line == "N" || line == "none") return extraction::Answer::NoToAll;
        if (line == "c" || line == "C" || line == "cancel") return extraction::Answer::Cancel;
    }
}

// How the run reaches the terminal: a live line on standard error, or one line per file on
// standard output when that is not a terminal; the questions, or the answers --overwrite gives.
class Terminal {
  public:
    Terminal(Mode mode, bool live) : mode_(mode), live_(live) {}

    extraction::Owner Owner() {
        extraction::Owner o;
        o.report = [this](const extraction::Report& r) { Report(r); };
        o.ask = [this](extraction::Question q, const UString& text) { return Answer(q, text); };
        return o;
    }
    void EndLine() {
        if (live_ && line_open_) PrintErr("\n");
        line_open_ = false;
    }

  private:
    extraction::Answer Answer(extraction::Question q, const UString& text) {
        // Damaged data is never kept unasked, and "never" keeps every existing file.
        if (mode_ != Mode::Ask) return extraction::Answer::No;
        (void)q;
        EndLine();
        return Ask(Fill(text));
    }

    void Report(const extraction::Report& r) {
        if (r.kind == extraction::Report::Kind::EndOfBatch) return;
        const std::string name = platform::WideToUtf8(r.name);
        if (!live_) {
            if (r.kind == extraction::Report::Kind::NewItem) PrintOut(name + "\n");
            return;
        }
        char head[64];
        std::snprintf(head, sizeof head, "\r(%d/%lld) %3d%% ", r.number,
                      static_cast<long long>(r.count), r.total_per_cent);
        if (r.kind == extraction::Report::Kind::NewItem) EndLine();
        PrintErr(head + name + "\x1b[K");
        line_open_ = true;
    }

    Mode mode_;
    bool live_;
    bool line_open_ = false;
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

    // The installer's texts for its questions, from the package's own language pack.
    TLanguages texts;
    const AnsiString pack = package.Container->ReadBlock("lpk");
    if (!pack.empty()) texts.LoadFromString(pack);
    const TZMArchiveSettings* s = package.GetSettings();
    texts.SetCurrentLanguage(s != nullptr && !s->LanguageId.empty() ? s->LanguageId : "en");

    extraction::Setup setup;
    setup.destination = dest;
    setup.password =
        o.Has("password") ? platform::WideToAnsi(o.Value("password")) : package.ArchivePassword;
    setup.overwrite = mode == Mode::Always;
    Terminal terminal(mode, platform::StderrIsTerminal());
    // The component that opened the package runs the extraction: its directory is known.
    extraction::TExtractionSession session(*package.Zip, setup, terminal.Owner(), texts);
    const extraction::RunEnd end = session.Run();
    terminal.EndLine();

    const std::string where = platform::WideToUtf8(platform::ExpandFullPath(dest));
    if (end.kind == extraction::EndKind::Cancelled) {
        PrintErr("zmpack extract: cancelled; files already written stay in " + where + "\n");
        return kExitPackage;
    }
    const auto count = [](int n, const char* what) {
        return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
    };
    if (end.kind == extraction::EndKind::Done) {
        std::string summary = count(session.ProcessedCount(), "file") + " extracted to " + where;
        if (session.KeptCount() > 0)
            summary += ", " + count(session.KeptCount(), "existing file") + " kept";
        PrintOut(summary + "\n");
    } else {
        // The run stopped at an entry; the component counts files only for a whole run.
        PrintOut("stopped; the files written before the problem stay in " + where + "\n");
    }
    if (end.kind != extraction::EndKind::Done || !session.CrcMismatches().empty()) {
        const std::vector<UString>& problems = session.Problems();
        for (const auto& p : problems)
            PrintErr("zmpack extract: " + platform::WideToUtf8(p) + "\n");
        for (const auto& f : session.CrcMismatches())
            PrintErr("zmpack extract: CRC-32 mismatch: " + platform::WideToUtf8(f) + "\n");
        // The run's own error is usually the last problem reported; say it once.
        if (end.kind != extraction::EndKind::Done &&
            std::find(problems.begin(), problems.end(), end.message) == problems.end()) {
            return Complain(kCmd,
                            end.message.empty() ? "error " + std::to_string(end.code)
                                                : platform::WideToUtf8(end.message),
                            kExitPackage);
        }
        return kExitPackage;
    }
    return kExitOk;
}

}  // namespace zmpack
