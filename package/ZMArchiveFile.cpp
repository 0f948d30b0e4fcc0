#include "package/ZMArchiveFile.h"

#include <new>
#include <string>

#include "common/ZM_Common.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace {

size_t NameStart(const UString& path) {
    size_t k = path.size();
    while (k > 0 && !platform::IsPathDelimiter(path[k - 1]) && path[k - 1] != u'/') --k;
    return k;
}

}  // namespace

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

    const UString full = platform::ExpandFullPath(file_name);
    const UString folder = IncludeTrailingBackslash(full.substr(0, NameStart(full)));
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
            const UString name = entry.DecodedName();
            const UString part = name.substr(NameStart(name));
            const size_t dot = part.rfind(u'.');
            if (dot != UString::npos && platform::WideLower(part.substr(dot)) == u".exe") {
                ++exe_count_;
                exe_name_ = name;
            }
        };
        // The component takes the 8-bit path where it is exact, else the UTF-16 one.
        AnsiString narrow;
        if (platform::WideToAnsiExact(Container->FileName, narrow)) {
            Zip->SetZipFileName(narrow);
        } else {
            Zip->SetZipFileNameW(Container->FileName);
        }
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
    UString name = own_file_.substr(NameStart(own_file_));
    const size_t dot = name.rfind(u'.');
    return dot == UString::npos ? name : name.substr(0, dot);
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
