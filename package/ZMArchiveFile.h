#pragma once
// TZMArchiveFile: the package as the rest of the program sees it. It owns the container reader,
// the configuration and (when asked to keep it) a zip component opened on the same file.
//
// The file given to Open plays the part of the program's own file: its name gives the title when
// the package asks for it (or has none), its folder the default destination. The installer opens
// its own executable; zmpack opens the package file it was given.
//
// A package may carry the password of its archive in the configuration key "archive_password";
// ArchivePassword is empty otherwise.
#include <memory>

#include "package/ZMArchiveConfig.h"
#include "package/ZMContainerFile.h"
#include "platform/types.h"
#include "zip/ZMZipper.h"

// The step at which Open gave up, in the order it takes them.
enum class TZMOpenFailure {
    None,
    NoContainer,        // no "ZMCF" header followed by a block (or the file cannot be read)
    NoConfig,           // no "config" block, or an empty one
    ConfigWithoutKey,   // a "config" block that yields no key
    ArchiveUnreadable,  // the file does not read as a zip archive
    ArchiveEmpty,       // the archive has no entries
};

// Why Open returned false, as a value: the installer only needs the false, zmpack names it.
struct TZMOpenError {
    TZMOpenFailure failure = TZMOpenFailure::None;
    int32_t code = 0;    // the zip component's ErrCode for an archive it could not read
    AnsiString message;  // and its ErrMessage
};

class TZMArchiveFile {
  public:
    static constexpr const char* kPasswordKey = "archive_password";

    std::unique_ptr<TZMContainerFile> Container;
    std::unique_ptr<TZMArchiveConfig> Config;
    std::unique_ptr<TZMZipper> Zip;
    UString DestDir;  // default from Open; the wizard stores the user's choice here
    UString ExeName;  // the archive's only ".exe" entry, as a relative path (\ on Windows)
    AnsiString ArchivePassword;

    TZMArchiveFile() = default;
    ~TZMArchiveFile();
    TZMArchiveFile(const TZMArchiveFile&) = delete;
    TZMArchiveFile& operator=(const TZMArchiveFile&) = delete;

    // True when the file holds a container with a usable "config" block and an archive with at
    // least one entry. On false, Container, Config and Zip are all null. keep_zip keeps the zip
    // component open for FindSingleExe and listings.
    bool Open(const UString& file_name, bool keep_zip);
    // Why the last Open failed; failure None after a successful one.
    const TZMOpenError& OpenError() const { return open_error_; }

    TZMArchiveSettings* GetSettings() const;
    // The container's file; empty when there is none.
    UString GetFileName() const;
    // The package's title, or the own file's name without folder and extension when the package
    // has none or asks for the file name.
    UString GetTitle() const;
    // Sets ExeName when exactly one entry's name ends in ".exe" (any letter case); the entries
    // were looked at when the archive was opened.
    void FindSingleExe();
    // Entries that are files, not folders, counted when the archive was opened.
    int FileCount() const { return file_count_; }
    // The contents check: the "zip" block's CRC check with paced progress (see
    // TZMContainerFile::VerifyBlock). When the file is signed, the same pass also recomputes the
    // file's Authenticode digest (package/authenticode.h) and holds it against each signature's:
    // a digest that differs, a certificate table that does not read or a digest algorithm this
    // system does not know fails the check as a CRC mismatch does. An aborted check is true.
    bool VerifyZip(bool fast, const ProgressCallback& progress) const;
    // The abuse-report page for this package: the base address followed by ArchiveId.
    AnsiString GetAbuseUrl() const;

    // The rules behind GetTitle and the default DestDir, for showing a package that does not
    // open: the title from the settings (null for none) and the own file, the default
    // destination from the own file's folder and the title.
    static UString TitleFor(const TZMArchiveSettings* settings, const UString& own_file);
    static UString DefaultDestDir(const UString& own_file, const UString& title);

  private:
    bool LoadConfig();
    bool OpenZip();
    void FreeAll();
    bool Fail(TZMOpenFailure failure);

    UString own_file_;
    TZMOpenError open_error_;
    int exe_count_ = 0;  // entries named "*.exe" seen when the archive was opened
    UString exe_name_;   // the last of them, as stored
    int file_count_ = 0;
};
