#include "app/usilent.h"

#include "app/usetuplog.h"
#include "app/ustartup.h"
#include "extract/ExtractionSession.h"
#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/console.h"
#include "wizard/Main.h"

namespace {

constexpr const char16_t* kCorrupted = u"Package Corrupted!";

UString Msg(const TTextId& text) { return Languages.Text(text); }

int End(TSetupLog& log, int code) {
    log.Outcome(code);
    return code;
}

// A language the pack holds, by its id in any letter case; false when it has none such.
bool KnownLanguage(const AnsiString& id, AnsiString& exact) {
    const auto* list = Languages.LanguageList();
    if (list == nullptr) return false;
    for (const auto& lang : *list) {
        const AnsiString& have = lang->LangId;
        if (have.size() != id.size()) continue;
        bool same = true;
        for (size_t i = 0; i < id.size() && same; ++i) {
            same = (have[i] | 0x20) == (id[i] | 0x20);
        }
        if (same) {
            exact = have;
            return true;
        }
    }
    return false;
}

}  // namespace

bool SelectCommandLineLanguage(const AnsiString& id) {
    AnsiString exact;
    if (!KnownLanguage(id, exact)) return false;
    Languages.SetCurrentLanguage(exact);
    return true;
}

int RunSilent(const UString& exe_path, const TCommandLine& cmd) {
    TSetupLog log;
    // Without its log the outcome could not be told beyond the code: nothing is installed.
    if (!log.Open(cmd.LogFile)) return ecUsage;
    if (cmd.Help) {
        platform::WriteToParentConsole((cmd.Error.empty() ? UString() : cmd.Error + u"\r\n\r\n") +
                                       UsageText());
    }
    if (!cmd.Error.empty()) {
        log.Line(cmd.Error);
        return End(log, ecUsage);
    }
    if (cmd.Help) return End(log, ecInstalled);

    PackageFile = std::make_unique<TZMArchiveFile>();
    if (!PackageFile->Open(exe_path, true)) {
        log.Line(kCorrupted);
        return End(log, ecPackageDamaged);
    }
    TZMArchiveFile& package = *PackageFile;
    if (!Languages.Loaded()) Languages.LoadFromString(package.Container->ReadBlock("lpk"));
    const TZMArchiveSettings* settings = package.GetSettings();
    // No chooser: the command line's language, the package's, else the user's own.
    if (!cmd.Language.empty()) {
        if (!SelectCommandLineLanguage(cmd.Language)) {
            log.Line(u"The package has no language " + platform::AnsiToWide(cmd.Language) + u".");
            return End(log, ecUsage);
        }
    } else if (settings != nullptr && !settings->LanguageId.empty()) {
        Languages.SetCurrentLanguage(settings->LanguageId);
    }

    if (!cmd.Destination.empty()) package.DestDir = cmd.Destination;
    log.Line(package.GetTitle() + u": " + package.DestDir);
    package.FindSingleExe();
    if (!package.VerifyZip(true, [](int, bool&) {})) {
        log.Line(Msg(texts::kDamaged));
        return End(log, ecPackageDamaged);
    }

    extraction::Setup setup;
    setup.destination = package.DestDir;
    setup.password = package.ArchivePassword;
    setup.overwrite = cmd.Overwrite != TOverwrite::Never;
    setup.engine_folder = TExtractThread::EngineLocation;
    extraction::Owner owner;
    owner.report = [&log](const extraction::Report& r) {
        if (r.kind == extraction::Report::Kind::NewItem) log.Line(r.name);
    };
    // Only /OVERWRITE=never and a checksum mismatch ask; neither keeps what it asks about.
    owner.ask = [&log](extraction::Question q, const UString& text) {
        log.Line(text);
        return q == extraction::Question::FileExists ? extraction::Answer::NoToAll
                                                     : extraction::Answer::No;
    };
    extraction::TExtractionSession session(*package.Zip, setup, std::move(owner), Languages);
    const extraction::RunEnd end = session.Run();
    if (end.kind == extraction::EndKind::Cancelled) return End(log, ecCancelled);
    if (end.kind != extraction::EndKind::Done) {
        log.Line(RunErrorText(end));
        return End(log, ecExtractionFailed);
    }
    // An entry whose checksum did not match was not kept: the install is not whole.
    if (!session.CrcMismatches().empty()) return End(log, ecExtractionFailed);
    if (cmd.Run && !package.ExeName.empty()) RunPackageProgram(package.DestDir, package.ExeName);
    return End(log, ecInstalled);
}
