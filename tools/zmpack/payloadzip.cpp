#include "tools/zmpack/payloadzip.h"

#include "common/littleendian.h"
#include "engine/zipformat.h"
#include "platform/codepage.h"
#include "platform/files.h"

namespace zmpack {

bool CheckPayloadZip(const UString& path, std::string& error) {
    const std::string name = platform::WideToUtf8(path);
    platform::FileStream f;
    if (!f.Open(path, platform::FileStream::Mode::ReadShared)) {
        error = "cannot open " + name + ": " +
                platform::WideToUtf8(platform::OsErrorText(f.LastError()));
        return false;
    }
    zipformat::FileSource source(f);
    zipformat::ZipDirectory dir;
    uint64_t entries = 0;
    if (dir.Open(&source)) {
        // Every entry is checked, as the installer's component checks them when it opens one.
        zipformat::ZipEntry entry;
        while (dir.Next(entry)) ++entries;
    }
    if (dir.Error() != 0) {
        error = name + " is not a zip archive the installer reads (" + dir.ErrorText() + ")";
        return false;
    }
    if (dir.End().archive_start != 0) {
        error = name + ": its offsets do not count from its first byte (" +
                std::to_string(dir.End().archive_start) +
                " bytes come before the archive); only a plain zip archive can be the payload";
        return false;
    }
    if (entries == 0) {
        error = name + " has no entries; an installer needs at least one";
        return false;
    }
    unsigned char sig[4];
    if (!source.ReadAt(0, sig, sizeof sig) || le::Get32(sig) != 0x04034b50) {
        error = name + ": no local header at its first byte";
        return false;
    }
    return true;
}

}  // namespace zmpack
