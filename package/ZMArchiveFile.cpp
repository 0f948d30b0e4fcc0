#include "package/ZMArchiveFile.h"

#include <new>
#include <string>

#include "common/abuseurl.h"
#include "common/filenames.h"
#include "common/ownfile.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pathparts.h"

TZMArchiveFile::~TZMArchiveFile() { FreeAll(); }

// Zip first: it reads the container's file; the configuration next; the container last.
void TZMArchiveFile::FreeAll() {
    Zip.reset();
    Config.reset();
    Container.reset();
}

bool TZMArchiveFile::Open(const UString& file_name, bool keep_zip) {
    FreeAll();
    own_file_ = file_name;
    ArchivePassword.clear();
    Container = std::make_unique<TZMContainerFile>();
    if (!Container->Open(file_name)) {
        Container.reset();
        return false;
    }
    if (!LoadConfig()) {
        FreeAll();
        return false;
    }
    ArchivePassword = platform::WideToAnsi(Config->GetValue(kPasswordKey));

    const UString folder =
        IncludeTrailingBackslash(platform::FolderPart(platform::ExpandFullPath(file_name)));
    // Cleaned as UTF-16: a title the code page cannot hold still names its own folder.
    const UString clean = MakeValidFileName(GetTitle());
    DestDir = clean.empty() ? folder : IncludeTrailingBackslash(folder + clean);

    if (!OpenZip()) {
        FreeAll();
        return false;
    }
    if (!keep_zip) Zip.reset();
    return true;
}

bool TZMArchiveFile::LoadConfig() {
    const AnsiString data = Container->ReadBlock("config");
    Config.reset();
    Config = std::make_unique<TZMArchiveConfig>();
    if (Config->LoadFromXml(data) || Config->LoadFromText(data)) return true;
    Config.reset();
    return false;
}

bool TZMArchiveFile::OpenZip() {
    Zip.reset();
    try {
        Zip = std::make_unique<TZMZipper>();
        Zip->Unattended = true;
        // The program to run is looked for in the same walk that counts the entries.
        exe_count_ = 0;
        exe_name_.clear();
        Zip->OnDirectoryEntry = [this](const zipformat::ZipEntry& entry) {
            // Stored names separate folders by '/' on every system.
            const UString name = entry.DecodedName();
            const UString part = name.substr(name.rfind(u'/') + 1);
            if (platform::WideLower(platform::ExtensionPart(part)) == u".exe") {
                ++exe_count_;
                exe_name_ = name;
            }
        };
        Zip->SetZipFileNameW(Container->FileName);
        Zip->OnDirectoryEntry = nullptr;
        if (Zip->Count() > 0) return true;
    } catch (...) {
    }
    Zip.reset();
    return false;
}

TZMArchiveSettings* TZMArchiveFile::GetSettings() const {
    return Config ? Config->Settings.get() : nullptr;
}

UString TZMArchiveFile::GetFileName() const { return Container ? Container->FileName : UString(); }

UString TZMArchiveFile::GetTitle() const {
    const TZMArchiveSettings* s = GetSettings();
    if (s != nullptr && !s->Title.empty() && !s->TitleFromFileName) return s->Title;
    return platform::TitlePart(own_file_);
}

void TZMArchiveFile::FindSingleExe() {
    if (Zip && exe_count_ == 1) ExeName = SystemPathName(exe_name_);
}

bool TZMArchiveFile::VerifyZip(bool fast, const ProgressCallback& progress) const {
    return Container ? Container->VerifyBlock("zip", fast, progress) : false;
}

AnsiString TZMArchiveFile::GetAbuseUrl() const {
    const TZMArchiveSettings* s = GetSettings();
    return AbuseBaseUrl() + std::to_string(s != nullptr ? static_cast<int>(s->ArchiveId) : 0);
}
