#pragma once
// A file being extracted. Where nothing has that name yet it is written under its final name;
// otherwise under a temporary name in its destination folder, put in place only when it is
// complete and accepted. Either way a failed, cancelled or declined file is removed, so it never
// leaves a partial file behind, and an existing file is only ever replaced by a finished one.
#include <cstdint>

#include "platform/files.h"

namespace engine {

class OutputFile {
  public:
    OutputFile() = default;
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates final_path itself; fails (LastError set) when anything is there already, so an
    // existing file or folder is never touched. Saves the temporary name's rename and the
    // question whether the name is free.
    bool CreateAt(const UString& final_path);
    // folder: the destination folder with a trailing delimiter; a new temporary file there.
    bool Create(const UString& folder);
    bool Write(const void* data, size_t n);
    // Sets the modification time through the handle and closes the file; false when the system
    // reports the data was not written.
    bool Close(int64_t mod_time);
    // Puts the closed file in place under final_path (replacing an existing file unless it was
    // created there) and, when asked, sets the read-only attribute. may_exist false: the caller
    // has just seen that nothing is at final_path, which spares a query per file.
    bool Commit(const UString& final_path, bool read_only, bool may_exist = true);
    // Closes and removes the file if it has not been committed.
    void Discard();
    uint32_t LastError() const { return last_error_; }

  private:
    platform::FileStream file_;
    UString path_;         // the file being written, until committed
    bool direct_ = false;  // path_ is the final name
    uint32_t last_error_ = 0;
};

}  // namespace engine
