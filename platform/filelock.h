#pragma once
// A file held open for reading while the holder relies on its content staying as it is (e.g. a
// library that is checked and then loaded). Windows: others may read it but not write, delete or
// rename it while it is held. Elsewhere there is no such lock: keep the file in a private folder
// (platform/sysdirs.h) and check its content through this handle.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace platform {

class LockedFile {
  public:
    LockedFile() = default;
    ~LockedFile() { Close(); }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    bool Open(const UString& path);
    bool IsOpen() const { return handle_ != -1; }
    // The whole content from the start; false when it is larger than max_size or unreadable.
    bool ReadAll(std::string& out, size_t max_size);
    void Close();

  private:
    intptr_t handle_ = -1;
};

}  // namespace platform
