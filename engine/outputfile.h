#pragma once
// A file being extracted: written under a temporary name in its destination folder and put in
// place only when it is complete and accepted, so a failed, cancelled or declined file never leaves
// a partial file behind and an existing file is only replaced by a finished one.
#include <cstdint>

#include "platform/files.h"

namespace engine {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile() { Discard(); }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // folder: the destination folder with a trailing delimiter.
    bool Create(const UString& folder);
    bool Write(const void* data, size_t n);
    // Closes the temporary file; false when the system reports the data was not written.
    bool Close();
    // Moves the closed file to its final name (replacing an existing file), then sets its
    // modification time and, when asked, the read-only attribute. may_exist false: the caller has
    // just seen that nothing is at final_path, which spares a query per file.
    bool Commit(const UString& final_path, int64_t mod_time, bool read_only,
                bool may_exist = true);
    // Closes and removes the temporary file if it is still there.
    void Discard();
    uint32_t LastError() const { return last_error_; }

private:
    platform::FileStream file_;
    UString temp_path_;
    uint32_t last_error_ = 0;
};

}  // namespace engine
