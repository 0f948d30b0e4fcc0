#pragma once
// Files and folders. Paths are UTF-16; on Windows long paths are handed to the system in their
// \\?\ form, so paths over 260 characters work everywhere.
#include <cstddef>
#include <cstdint>

#include "platform/types.h"

namespace platform {

// The path delimiter of the system ('\\' on Windows, '/' elsewhere).
char16_t PathDelimiter();
// True for every character the system accepts as a delimiter ('\\' and '/' on Windows).
bool IsPathDelimiter(char16_t c);

class FileStream {
  public:
    enum class Mode {
        ReadShared,    // read only, shared with every other reader and writer
        CreateAlways,  // write, replacing an existing file
        CreateNew,     // write, failing when the file exists
        ReadWrite,     // read and write an existing file
    };

    FileStream() = default;
    ~FileStream();
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    bool Open(const UString& path, Mode mode);
    bool IsOpen() const;
    // Closes the file; false when the system reported an error while closing (data not written).
    bool Close();

    int64_t Size() const;  // -1 on error
    bool Seek(int64_t position);
    int64_t Position() const;
    // Reads up to n bytes; returns the count read (0 at the end or on error).
    size_t Read(void* buffer, size_t n);
    // Reads exactly n bytes or fails.
    bool ReadExact(void* buffer, size_t n);
    // Writes all n bytes or fails.
    bool Write(const void* buffer, size_t n);
    bool Truncate(int64_t size);
    bool Flush();
    // Sets the modification time (seconds since 1970-01-01 UTC) through the open handle; a file
    // opened for writing keeps it when closed.
    bool SetModTime(int64_t unix_time);
    // System error number of the last failed operation.
    uint32_t LastError() const { return last_error_; }

  private:
    intptr_t handle_ = -1;
    uint32_t last_error_ = 0;
};

bool FileExists(const UString& path);
bool DirectoryExists(const UString& path);
bool CreateDir(const UString& path);         // one level
bool ForceDirectories(const UString& path);  // with every missing parent
bool RemoveFile(const UString& path);
bool RemoveDir(const UString& path);  // an empty folder
bool RenameFile(const UString& from, const UString& to);
int64_t FileSize(const UString& path);  // -1 when absent
UString ExpandFullPath(const UString& path);
UString GetTempDirectory();  // with a trailing delimiter; empty on failure
// Modification time as seconds since 1970-01-01 UTC.
bool SetFileModTime(const UString& path, int64_t unix_time);
bool SetFileReadOnly(const UString& path);
uint32_t LastOsError();
UString OsErrorText(uint32_t code);

}  // namespace platform
