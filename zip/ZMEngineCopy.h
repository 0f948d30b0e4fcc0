#pragma once
// TZMEngineCopy: the copy of the engine library the program carries in its resource "ZEResDll19",
// written into a private folder of its own and held there unchanged until it is dropped.
//
// Resource "ZEResDll19" (RCDATA), used only when its size is at least 50,000 and below 600,000:
//   offset 0  4 bytes  version of the carried library, 32-bit little-endian
//   offset 4  rest     the library image as it stands (it starts with "MZ", or with 0x7F "ELF" for
//                      a native shared object), otherwise an LZ77 stream (zip/ZMExpandLZ77.h)
// The copy is written into a new private folder made for this run, created exclusively, then held
// open so nobody can change it (platform/filelock.h), and compared with a digest of the image it
// must hold before every load (IsIntact). Drop deletes it with its folder.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/filelock.h"
#include "platform/types.h"

class TZMEngineCopy {
  public:
    static constexpr size_t kResourceMin = 50000;   // the resource is used from this size...
    static constexpr size_t kResourceMax = 600000;  // ...up to, not including, this one

    TZMEngineCopy() = default;
    ~TZMEngineCopy() { Drop(); }
    TZMEngineCopy(const TZMEngineCopy&) = delete;
    TZMEngineCopy& operator=(const TZMEngineCopy&) = delete;

    // The version word of the carried resource; -1 when the program carries none of a usable size.
    static int32_t ResourceVersion();
    // Writes the carried image into a new private folder below temp_dir (empty: the system's
    // temporary folder) and takes the hold. Raises EZMZipper (11027) when no private folder can be
    // made; false when the resource is missing or its image cannot be unpacked or written (nothing
    // is left behind then).
    bool Write(const AnsiString& temp_dir);
    // True while the copy is there, held, and still holds exactly the image written.
    bool IsIntact();
    // Lets go of the copy and deletes it with its folder.
    void Drop();

    const UString& Path() const { return path_; }      // empty when no copy is written
    const UString& Folder() const { return folder_; }  // the copy's private folder

  private:
    bool WriteImage(const unsigned char* data, size_t size);

    UString folder_;
    UString path_;  // kept wide: a temporary folder outside the code page still works
    platform::LockedFile hold_;
    std::string digest_;
    size_t size_ = 0;
};
