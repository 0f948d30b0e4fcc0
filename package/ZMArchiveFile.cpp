#include "package/ZMArchiveFile.h"

#include <new>
#include <string>

#include "common/abuseurl.h"
#include "common/filenames.h"
#include "common/ownfile.h"
#include "engine/signedimage.h"
#include "package/authenticode.h"
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

bool TZMArchiveFile::Fail(TZMOpenFailure failure) {
    open_error_.failure = failure;
    FreeAll();
    return false;
}

bool TZMArchiveFile::Open(const UString& file_name, bool keep_zip) {
    FreeAll();
    open_error_ = TZMOpenError();
    own_file_ = file_name;
    ArchivePassword.clear();
    Container = std::make_unique<TZMContainerFile>();
    if (!Container->Open(file_name)) return Fail(TZMOpenFailure::NoContainer);
    if (!LoadConfig()) return false;
    ArchivePassword = platform::WideToAnsi(Config->GetValue(kPasswordKey));
    DestDir = DefaultDestDir(file_name, GetTitle());
    if (!OpenZip()) return false;
    if (!keep_zip) Zip.reset();
    return true;
}

UString TZMArchiveFile::DefaultDestDir(const UString& own_file, const UString& title) {
    const UString folder =
        IncludeTrailingBackslash(platform::FolderPart(platform::ExpandFullPath(own_file)));
    // Cleaned as UTF-16: a title the code page cannot hold still names its own folder.
    const UString clean = MakeValidFileName(title);
    return clean.empty() ? folder : IncludeTrailingBackslash(folder + clean);
}

bool TZMArchiveFile::LoadConfig() {
    const AnsiString data = Container->ReadBlock("config");
    Config.reset();
    Config = std::make_unique<TZMArchiveConfig>();
    if (Config->LoadFromXml(data) || Config->LoadFromText(data)) return true;
    return Fail(data.empty() ? TZMOpenFailure::NoConfig : TZMOpenFailure::ConfigWithoutKey);
}

bool TZMArchiveFile::OpenZip() {
    Zip.reset();
    TZMOpenFailure failure = TZMOpenFailure::ArchiveUnreadable;
    try {
        Zip = std::make_unique<TZMZipper>();
        Zip->Unattended = true;
        // The program to run is looked for in the same walk that counts the entries.
        exe_count_ = file_count_ = 0;
        exe_name_.clear();
        Zip->OnDirectoryEntry = [this](const zipformat::ZipEntry& entry) {
            if (!entry.IsDirectory()) ++file_count_;
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
        open_error_.code = Zip->ErrCode();
        open_error_.message = Zip->ErrMessage();
        if (open_error_.code == 0) failure = TZMOpenFailure::ArchiveEmpty;
    } catch (...) {
    }
    return Fail(failure);
}

TZMArchiveSettings* TZMArchiveFile::GetSettings() const {
    return Config ? Config->Settings.get() : nullptr;
}

UString TZMArchiveFile::GetFileName() const { return Container ? Container->FileName : UString(); }

UString TZMArchiveFile::GetTitle() const { return TitleFor(GetSettings(), own_file_); }

UString TZMArchiveFile::TitleFor(const TZMArchiveSettings* s, const UString& own_file) {
    if (s != nullptr && !s->Title.empty() && !s->TitleFromFileName) return s->Title;
    return platform::TitlePart(own_file);
}

void TZMArchiveFile::FindSingleExe() {
    if (Zip && exe_count_ == 1) ExeName = SystemPathName(exe_name_);
}

bool TZMArchiveFile::VerifyZip(bool fast, const ProgressCallback& progress) const {
    if (!Container) return false;
    platform::FileStream f;
    if (!f.Open(Container->FileName, platform::FileStream::Mode::ReadShared))
        return Container->VerifyBlock("zip", fast, progress);
    zipformat::FileSource whole(f, true);
    const zipformat::SignedImage image = zipformat::FindSignedImage(whole);
    if (image.table_offset == 0 && image.table_size == 0) {
        f.Close();
        return Container->VerifyBlock("zip", fast, progress);
    }
    // A signed file: its digest must be each signature's, or something it covers has changed.
    std::vector<authenticode::Signature> signatures;
    if (!image.has_table ||
        authenticode::ReadSignatures(whole, image, signatures) != authenticode::TableRead::Ok)
        return false;
    const std::vector<platform::DigestKind> kinds = authenticode::KindsOf(signatures);
    for (const authenticode::Signature& s : signatures)
        if (authenticode::FindAlgorithm(s.algorithm_oid) == nullptr) return false;
    f.Close();
    authenticode::ImageDigest digest(image, kinds);
    if (!digest.Ok()) return false;
    bool aborted = false;
    const bool crc_ok = Container->VerifyBlockFeeding(
        "zip", fast, progress, digest.End(),
        [&digest](int64_t offset, const void* data, size_t size) {
            digest.Update(offset, data, size);
        },
        aborted);
    if (aborted) return true;
    return crc_ok && digest.Matches(signatures);
}

AnsiString TZMArchiveFile::GetAbuseUrl() const {
    const TZMArchiveSettings* s = GetSettings();
    return AbuseBaseUrl() + std::to_string(s != nullptr ? static_cast<int>(s->ArchiveId) : 0);
}
