#include "engine/extractor.h"

#include <algorithm>
#include <cstring>

#include "engine/crc32.h"
#include "engine/entryname.h"
#include "engine/finalnames.h"
#include "engine/namematch.h"
#include "engine/outputfile.h"
#include "engine/solidformat.h"
#include "engine/solidreader.h"
#include "engine/overlapcheck.h"
#include "engine/writebehind.h"
#include "engine/zipcrypto.h"
#include "platform/pathparts.h"
#include "platform/codepage.h"
#include "platform/fileinfo.h"
#include "platform/pathkind.h"

namespace engine {
namespace {

constexpr size_t kBufferSize = 256 * 1024;
constexpr int32_t kMaxPasswordRequests = 15;
const char* const kAliasRefusal = "refused entry name (short name of another file or folder)";

std::string Utf8(const UString& s) { return platform::WideToUtf8(s); }

UString FromCommand(const char* utf8, const char* ansi) {
    if (utf8 != nullptr && *utf8 != '\0') return platform::Utf8ToWide(utf8);
    if (ansi != nullptr) return platform::AnsiToWide(ansi);
    return UString();
}

std::vector<std::string> Patterns(const char* const* list, int32_t count) {
    std::vector<std::string> out;
    if (list == nullptr) return out;
    for (int32_t i = 0; i < count; ++i)
        if (list[i] != nullptr && *list[i] != '\0') out.emplace_back(list[i]);
    return out;
}

}  // namespace

Extractor::Extractor(const ZECommand& command, Reporter& reporter)
    : command_(command), reporter_(reporter) {}

Extractor::~Extractor() = default;

int32_t Extractor::Fail(int32_t error, const std::string& text, uint32_t os_error) {
    reporter_.Message(error, text, os_error);
    return -error;
}

bool Extractor::CheckCommand() {
    const uint32_t o = command_.Options;
    if (command_.Version != kZEVersion || command_.Check != kZECommandCheck) return false;
    if ((o & kZEOptAlways) == 0) return false;
    if (((o & kZEOptExtract) != 0) == ((o & kZEOptTest) != 0)) return false;
    test_ = (o & kZEOptTest) != 0;
    dir_names_ = (o & kZEOptDirNames) != 0;
    overwrite_ = (o & kZEOptOverwrite) != 0;
    update_ = (o & kZEOptUpdate) != 0;
    freshen_ = !update_ && (o & kZEOptFreshen) != 0;
    password_requests_ = std::min(std::max(command_.PasswordReqCount, 0), kMaxPasswordRequests);
    if (command_.Password != nullptr) password_ = command_.Password;
    return true;
}

int32_t Extractor::Run() {
    if (!CheckCommand()) return Fail(ZE_ERR_BAD_OPTIONS, "invalid command record or options");
    archive_path_ = FromCommand(command_.ArchivePathUtf8, command_.ArchivePath);
    if (archive_path_.empty()) return Fail(ZE_ERR_OPEN_ZIP, "no archive file given");
    if (!archive_file_.Open(archive_path_, platform::FileStream::Mode::ReadShared))
        return Fail(ZE_ERR_OPEN_ZIP, "cannot open the archive " + Utf8(archive_path_),
                    archive_file_.LastError());
    source_.reset(new zipformat::FileSource(archive_file_));
    if (!directory_.Open(source_.get()))
        return Fail(directory_.Error(), directory_.ErrorText() + ": " + Utf8(archive_path_));

    if (!test_) {
        base_ = FromCommand(command_.BaseDirUtf8, command_.BaseDir);
        if (base_.empty() || !platform::DirectoryExists(base_))
            return Fail(ZE_ERR_NO_PERMISSION,
                        "the destination folder does not exist: " + Utf8(base_));
        base_ = platform::WithTrailingDelimiter(base_);
    }
    selection_.reset(new NameSelection(Patterns(command_.IncludePatterns, command_.IncludeCount),
                                       Patterns(command_.ExcludePatterns, command_.ExcludeCount)));

    // First walk: what will be done, so the component can show totals, and what must be known
    // of the whole archive before anything is written.
    uint64_t count = 0, total = 0;
    if (int32_t error = Survey(count, total)) return error;

    reporter_.TotalCount(count);
    reporter_.TotalSize(total);
    in_buffer_.resize(kBufferSize);
    out_buffer_.resize(kBufferSize);

    int32_t done = 0, number = 0;
    zipformat::ZipEntry entry;
    directory_.Rewind();
    while (!reporter_.Stopped() && directory_.Next(entry)) {
        if (!selection_->Selected(entry.name)) {
            PassSolid(entry);
            continue;
        }
        Names names = DecodeName(entry);
        if (entry.IsDirectory()) {
            MakeFolder(entry, names);
            continue;
        }
        reporter_.ItemStart(++number, names.ansi, names.utf8, entry.size, entry.index);
        Outcome outcome = ExtractEntry(entry, names);
        PassSolid(entry);
        if (outcome == Outcome::Done) ++done;
        if (reporter_.Stopped()) break;
        if (outcome == Outcome::Skipped) reporter_.ItemPassed();
        reporter_.ItemEnd();
    }
    int32_t result = done;
    if (reporter_.Stopped()) {
        result = reporter_.Result();
    } else if (directory_.Error() != 0) {
        result = Fail(directory_.Error(), directory_.ErrorText() + ": " + Utf8(archive_path_));
    }
    reporter_.EndOfBatch();
    return result;
}

// Every entry's local header and data, to refuse archives whose entries share bytes; and the
// final path of every file to be written, for the duplicate check.
int32_t Extractor::Survey(uint64_t& count, uint64_t& total) {
    const uint64_t listed = directory_.End().entry_count;  // bounded by the directory's size
    if (!test_) final_names_.Reserve(static_cast<size_t>(listed));
    OverlapCheck overlap;
    zipformat::ZipEntry entry;
    while (directory_.Next(entry)) {
        int64_t data_start = 0, data_end = 0;
        if (EntryBytes(entry, data_start, data_end)) overlap.Add(data_start, data_end);
        if (entry.IsDirectory() || !selection_->Selected(entry.name)) continue;
        ++count;
        total += entry.size;
        if (!test_) {
            SafeEntryName safe = CheckEntryName(entry.DecodedName(), !dir_names_);
            if (safe.ok) final_names_.Announce(FinalPathKey(safe));
        }
    }
    if (directory_.Error() != 0)
        return Fail(directory_.Error(), directory_.ErrorText() + ": " + Utf8(archive_path_));
    if (listed == 0)
        return Fail(ZE_ERR_EMPTY_ZIP, "the archive has no entries: " + Utf8(archive_path_));
    bool overlapping = overlap.Result() == OverlapCheck::Verdict::Overlap;
    if (overlap.Result() == OverlapCheck::Verdict::Unsorted) {
        // Rare: the directory lists the data out of order. Only then is every range kept.
        std::vector<OverlapCheck::Range> ranges;
        ranges.reserve(static_cast<size_t>(listed));
        directory_.Rewind();
        while (directory_.Next(entry)) {
            int64_t data_start = 0, data_end = 0;
            if (EntryBytes(entry, data_start, data_end)) ranges.emplace_back(data_start, data_end);
        }
        if (directory_.Error() != 0)
            return Fail(directory_.Error(), directory_.ErrorText() + ": " + Utf8(archive_path_));
        overlapping = OverlapCheck::FullCheck(ranges);
    }
    if (overlapping)
        return Fail(ZE_ERR_INVALID_ZIP, "entries overlap in the archive: " + Utf8(archive_path_));
    final_names_.Seal();
    return 0;
}

bool Extractor::EntryBytes(const zipformat::ZipEntry& entry, int64_t& start, int64_t& end) {
    int64_t data_pos = 0;
    std::string why;
    if (directory_.LocateData(entry, data_pos, why) != 0) return false;
    // LocateData has checked that the data ends before the central directory.
    start = directory_.End().archive_start + static_cast<int64_t>(entry.local_offset);
    end = data_pos + static_cast<int64_t>(entry.compressed_size);
    return true;
}

// A chain member the extraction did not read is still part of its chain's stream.
void Extractor::PassSolid(const zipformat::ZipEntry& entry) {
    if (entry.method != zipformat::kMethodSolid) return;
    int64_t data_pos = 0;
    std::string why;
    if (directory_.LocateData(entry, data_pos, why) != 0) return;
    if (!solid_) solid_.reset(new SolidReader(*source_, directory_.End()));
    solid_->Pass(entry, data_pos);
}

Extractor::Names Extractor::DecodeName(const zipformat::ZipEntry& entry) const {
    Names n;
    n.wide = entry.DecodedName();
    n.utf8 = Utf8(n.wide);
    n.ansi = platform::WideToAnsi(n.wide);
    return n;
}

Extractor::Outcome Extractor::SkipEntry(const Names& names, int32_t skip_type, int32_t error,
                                        const std::string& why, uint32_t os_error) {
    if (error != 0) reporter_.Message(error, why + ": " + names.utf8, os_error);
    reporter_.Skipped(skip_type, error, os_error);
    return reporter_.Stopped() ? Outcome::Stop : Outcome::Skipped;
}

void Extractor::MakeFolder(const zipformat::ZipEntry& entry, const Names& names) {
    SafeEntryName safe = CheckEntryName(names.wide, false);
    if (!safe.ok) {
        SkipEntry(names, ZE_SKIP_BAD_NAME, ZE_ERR_INVALID_NAME,
                  std::string("refused entry name (") + safe.reason + ")");
        return;
    }
    (void)entry;
    if (test_ || !dir_names_ || safe.parts.empty()) return;
    if (AliasesAnother(safe.parts)) {
        SkipEntry(names, ZE_SKIP_BAD_NAME, ZE_ERR_INVALID_NAME, kAliasRefusal);
        return;
    }
    UString folder = base_;
    for (const auto& part : safe.parts) folder += part + platform::PathDelimiter();
    if (!EnsureFolder(folder))
        SkipEntry(names, ZE_SKIP_NO_OPEN, ZE_ERR_CREATE, "cannot create the folder",
                  platform::LastOsError());
}

// Windows gives a file or folder with a long name a short (8.3) alias as well: after
// "setup program.exe" is written, "SETUP~1.EXE" opens that same file, and an entry of that name
// would replace it behind the duplicate check's back. Every part with a '~' (the mark of such
// aliases, whatever scheme the file system uses) is looked up below the destination; one that
// resolves to something kept under another name is an alias. A name that is itself the long name
// of an existing file is no alias and follows the usual rules for existing files.
bool Extractor::AliasesAnother(const std::vector<UString>& parts) const {
    UString path = base_;
    for (const auto& part : parts) {
        path += part;
        UString long_name;
        if (part.find(u'~') != UString::npos && platform::GetLongName(path, long_name) &&
            platform::WideUpper(long_name) != platform::WideUpper(part))
            return true;
        path += platform::PathDelimiter();
    }
    return false;
}

bool Extractor::EnsureFolder(const UString& folder) {
    if (folder == last_folder_ || folder == base_) return true;
    if (!platform::ForceDirectories(folder)) return false;
    last_folder_ = folder;
    return true;
}

int64_t Extractor::EntryTime(const zipformat::ZipEntry& entry) const {
    if (entry.has_mtime) return entry.mtime;
    zipformat::DosTime t = zipformat::DecodeDosTime(entry.dos_date, entry.dos_time);
    int64_t unix_time = 0;
    if (t.month < 1 || t.month > 12 || t.day < 1 ||
        !platform::LocalTimeToUnix(t.year, t.month, t.day, t.hour, t.minute, t.second, unix_time))
        return 315532800;  // 1980-01-01, the earliest DOS time
    return unix_time;
}

Extractor::Outcome Extractor::ExtractEntry(const zipformat::ZipEntry& entry, const Names& names) {
    SafeEntryName safe = CheckEntryName(names.wide, !dir_names_);
    if (!safe.ok)
        return SkipEntry(names, ZE_SKIP_BAD_NAME, ZE_ERR_INVALID_NAME,
                         std::string("refused entry name (") + safe.reason + ")");
    if (!test_) {
        // Two entries for one file (names differing only in letter case on a system that ignores
        // it) would let the second silently replace the first.
        if (!final_names_.Claim(FinalPathKey(safe)))
            return SkipEntry(names, ZE_SKIP_DUP_NAME, ZE_ERR_DUPLICATE_NAME,
                             "a second entry for the same file");
    }
    const bool lzma = SolidReader::Handles(entry.method);
    if (entry.method != 0 && entry.method != 8 && !lzma)
        return SkipEntry(names, ZE_SKIP_COMPRESSION_UNKNOWN, ZE_ERR_SKIPPING,
                         "unknown compression method " + std::to_string(entry.method));
    if (entry.Encrypted() && ((entry.flags & 0x40) != 0 || lzma))
        return SkipEntry(names, ZE_SKIP_CANNOT_DO, ZE_ERR_SKIPPING, "unsupported encryption");
    int64_t data_pos = 0;
    std::string why;
    if (int error = directory_.LocateData(entry, data_pos, why))
        return SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, error, why);

    UString folder = test_ ? UString() : base_;
    UString final_path;
    const int64_t mod_time = EntryTime(entry);
    bool exists = false;
    OutputFile out;
    bool created = false;
    if (!test_) {
        for (size_t i = 0; i + 1 < safe.parts.size(); ++i)
            folder += safe.parts[i] + platform::PathDelimiter();
        final_path = folder + safe.parts.back();
        if (AliasesAnother(safe.parts))
            return SkipEntry(names, ZE_SKIP_BAD_NAME, ZE_ERR_INVALID_NAME, kAliasRefusal);
        // The common case, a new file, is created at once under its own name, which also tells
        // that nothing had that name. Update and freshen need the existing file's time, and an
        // encrypted entry asks for its password before anything is created: they take the
        // long way, as does every name that turns out to be taken.
        if (!update_ && !freshen_ && !entry.Encrypted()) {
            if (!EnsureFolder(folder))
                return SkipEntry(names, ZE_SKIP_NO_OPEN, ZE_ERR_CREATE, "cannot create the folder",
                                 platform::LastOsError());
            created = out.CreateAt(final_path);
        }
        if (!created) {
            const platform::PathKind kind = platform::GetPathKind(final_path);
            if (kind == platform::PathKind::Folder)
                return SkipEntry(names, ZE_SKIP_NO_OPEN, ZE_ERR_CREATE, "a folder has that name");
            exists = kind == platform::PathKind::File;
            int64_t existing_time = 0;
            const bool older = exists && platform::GetFileModTime(final_path, existing_time) &&
                               existing_time < mod_time;
            if (freshen_ && !exists) return SkipEntry(names, ZE_SKIP_ON_FRESHEN, 0, "");
            if ((freshen_ || update_) && exists && !older)
                return SkipEntry(names, ZE_SKIP_NO_OVERWRITE, 0, "");
            if (exists && !overwrite_) {
                bool yes = reporter_.AskOverwrite(older, Utf8(final_path));
                if (reporter_.Stopped()) return Outcome::Stop;
                if (!yes) return SkipEntry(names, ZE_SKIP_FILE_EXISTS, 0, "");
            }
            if (!EnsureFolder(folder))
                return SkipEntry(names, ZE_SKIP_NO_OPEN, ZE_ERR_CREATE, "cannot create the folder",
                                 platform::LastOsError());
        }
    }

    std::string password;
    if (entry.Encrypted() && !OpenPassword(entry, data_pos, password))
        return reporter_.Stopped() ? Outcome::Stop : Outcome::Skipped;

    if (!test_ && !created && !out.Create(folder))
        return SkipEntry(names, ZE_SKIP_NO_OPEN, ZE_ERR_CREATE,
                         "cannot create a file in " + Utf8(folder), out.LastError());
    uint32_t crc = 0;
    if (!CopyData(entry, names, data_pos, entry.Encrypted() ? &password : nullptr,
                  test_ ? nullptr : &out, crc))
        return reporter_.Stopped() ? Outcome::Stop : Outcome::Skipped;
    if (!test_ && !out.Close(mod_time))
        return SkipEntry(names, ZE_SKIP_GENERAL_EXTRACT_ERROR, ZE_ERR_WRITE, "cannot write",
                         out.LastError());
    if (crc != entry.crc) {
        bool keep = !test_ && reporter_.AskKeepBadCrc(crc, entry.crc, Utf8(final_path));
        if (reporter_.Stopped()) return Outcome::Stop;
        if (!keep) {
            if (test_) reporter_.Message(ZE_ERR_GENERAL, "CRC-32 mismatch: " + names.utf8);
            return Outcome::Skipped;  // the temporary file goes with `out`
        }
    }
    if (!test_ && !out.Commit(final_path, entry.ReadOnly(), exists))
        return SkipEntry(names, ZE_SKIP_GENERAL_EXTRACT_ERROR, ZE_ERR_WRITE,
                         "cannot put the file in place", out.LastError());
    if (reporter_.Verbose()) reporter_.Message(0, (test_ ? "tested " : "extracted ") + names.utf8);
    return Outcome::Done;
}

bool Extractor::OpenPassword(const zipformat::ZipEntry& entry, int64_t data_pos,
                             std::string& password) {
    uint8_t header[kCryptHeaderSize];
    if (entry.compressed_size < kCryptHeaderSize ||
        !source_->ReadAt(data_pos, header, sizeof header)) {
        Names n = DecodeName(entry);
        SkipEntry(n, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_INVALID_ZIP, "encryption header missing");
        return false;
    }
    // With a data descriptor the CRC is not known when the header is written: the time is used.
    const uint8_t check = entry.HasDataDescriptor() ? static_cast<uint8_t>(entry.dos_time >> 8)
                                                    : static_cast<uint8_t>(entry.crc >> 24);
    auto fits = [&](const std::string& candidate) {
        uint8_t h[kCryptHeaderSize];
        std::memcpy(h, header, sizeof h);
        return ZipCrypto(candidate).CheckHeader(h, check);
    };
    std::vector<std::string> candidates;
    if (!password_.empty()) candidates.push_back(password_);
    candidates.insert(candidates.end(), known_passwords_.begin(), known_passwords_.end());
    for (const auto& c : candidates)
        if (fits(c)) {
            password = c;
            return true;
        }
    int32_t error = ZE_ERR_PASSWORD_FAILED;
    for (int32_t i = 0; i < password_requests_; ++i) {
        std::string given;
        if (!reporter_.AskPassword(given)) {
            if (reporter_.Stopped()) return false;
            error = ZE_ERR_PASSWORD_CANCEL;
            break;
        }
        if (fits(given)) {
            known_passwords_.push_back(given);
            password = given;
            return true;
        }
    }
    Names n = DecodeName(entry);
    SkipEntry(n, ZE_SKIP_BAD_PASSWORD, error, "no password opens the entry");
    return false;
}

bool Extractor::CopyData(const zipformat::ZipEntry& entry, const Names& names, int64_t data_pos,
                         const std::string* password, OutputFile* out, uint32_t& crc) {
    std::unique_ptr<ZipCrypto> crypto;
    uint64_t in_left = entry.compressed_size;
    int64_t in_pos = data_pos;
    if (password != nullptr) {
        uint8_t header[kCryptHeaderSize];
        source_->ReadAt(in_pos, header, sizeof header);  // read and checked by OpenPassword
        crypto.reset(new ZipCrypto(*password));
        crypto->Decrypt(header, sizeof header);
        in_pos += kCryptHeaderSize;
        in_left -= kCryptHeaderSize;
    }
    const bool stored = entry.method == 0;
    const bool lzma = SolidReader::Handles(entry.method);
    if (stored && in_left != entry.size) {
        SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_INVALID_ZIP,
                  "stored size does not match the data size");
        return false;
    }
    auto damaged = [&](int error, const std::string& why) {
        SkipEntry(names, error == ZE_ERR_READ ? ZE_SKIP_READ_ERROR : ZE_SKIP_ZIP_FORMAT_WRONG,
                  error, why);
        return false;
    };
    if (lzma) {
        if (!solid_) solid_.reset(new SolidReader(*source_, directory_.End()));
        std::string why;
        if (int error = solid_->Begin(entry, data_pos, why)) return damaged(error, why);
    } else if (!stored) {
        if (!inflater_) inflater_ = Inflater::Create();
        if (!inflater_) {
            SkipEntry(names, ZE_SKIP_GENERAL_EXTRACT_ERROR, ZE_ERR_NO_MEMORY, "no memory");
            return false;
        }
        inflater_->Reset();
    }

    // A large file is written behind, by the second thread, from slices it hands out; the rest
    // is written here from the engine's own buffers. Either way the writing is over (or
    // abandoned) when this function returns, before the file is closed.
    bool behind = out != nullptr && entry.size > kBufferSize;
    if (behind) {
        if (!writer_) writer_.reset(new WriteBehind(kBufferSize));
        behind = writer_->Begin(*out);
    }
    struct Abandon {
        WriteBehind* writer;
        ~Abandon() {
            if (writer != nullptr) writer->Finish(true);
        }
    } abandon{behind ? writer_.get() : nullptr};
    auto write_failed = [&] {
        SkipEntry(names, ZE_SKIP_GENERAL_EXTRACT_ERROR, ZE_ERR_WRITE, "cannot write",
                  out->LastError());
        return false;
    };
    // Where the next output goes: a free slice, or the given buffer.
    auto target = [&](uint8_t* own) { return behind ? writer_->Acquire() : own; };

    uint32_t running = 0;  // stored and LZMA data; the inflater keeps its own
    uint64_t produced = 0;
    // Output: checked against the recorded size before anything is written.
    auto emit = [&](const uint8_t* data, size_t n) {
        if (n > entry.size - produced) {
            SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_INVALID_ZIP,
                      "data longer than the recorded size");
            return false;
        }
        if (stored || lzma) running = Crc32Update(running, data, n);
        if (behind)
            writer_->Submit(n);
        else if (out != nullptr && !out->Write(data, n))
            return write_failed();
        produced += n;
        reporter_.Progress(n);
        return true;
    };
    // Input: the next slice of the entry's data, never beyond its recorded size.
    auto fetch = [&](uint8_t* to, size_t& n) {
        n = static_cast<size_t>(std::min<uint64_t>(in_left, kBufferSize));
        if (!source_->ReadAt(in_pos, to, n)) {
            SkipEntry(names, ZE_SKIP_READ_ERROR, ZE_ERR_READ, "cannot read the archive",
                      archive_file_.LastError());
            return false;
        }
        if (crypto) crypto->Decrypt(to, n);
        in_pos += static_cast<int64_t>(n);
        in_left -= n;
        return true;
    };

    if (lzma) {
        std::string why;
        while (produced < entry.size) {
            if (reporter_.Stopped()) return false;
            uint8_t* to = target(out_buffer_.data());
            if (to == nullptr) return write_failed();
            size_t n = 0;
            if (int error = solid_->Read(to, kBufferSize, n, why)) return damaged(error, why);
            if (!emit(to, n)) return false;
        }
        if (int error = solid_->End(why)) return damaged(error, why);
    } else if (stored) {
        while (in_left > 0) {
            if (reporter_.Stopped()) return false;
            uint8_t* to = target(in_buffer_.data());
            if (to == nullptr) return write_failed();
            size_t n = 0;
            if (!fetch(to, n) || !emit(to, n)) return false;
        }
    } else {
        for (;;) {
            if (reporter_.Stopped()) return false;
            if (inflater_->InputLeft() == 0 && in_left > 0) {
                size_t n = 0;
                if (!fetch(in_buffer_.data(), n)) return false;
                inflater_->Input(in_buffer_.data(), n);
            }
            uint8_t* to = target(out_buffer_.data());
            if (to == nullptr) return write_failed();
            size_t n = 0;
            const Inflater::Status st = inflater_->Inflate(to, kBufferSize, n);
            if (st == Inflater::Status::Damaged) {
                SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_INVALID_ZIP,
                          "compressed data is damaged");
                return false;
            }
            if (n > 0 && !emit(to, n)) return false;
            if (st == Inflater::Status::End) break;
            if (n == 0 && inflater_->InputLeft() == 0 && in_left == 0) {
                SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_UNEXPECTED_END,
                          "compressed data ends early");
                return false;
            }
        }
    }
    if (behind) {
        abandon.writer = nullptr;
        if (!writer_->Finish()) return write_failed();
    }
    if (produced != entry.size) {
        SkipEntry(names, ZE_SKIP_ZIP_FORMAT_WRONG, ZE_ERR_INVALID_ZIP,
                  "data shorter than the recorded size");
        return false;
    }
    crc = stored || lzma ? running : inflater_->Crc();
    return true;
}

}  // namespace engine
