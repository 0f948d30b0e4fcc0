#include "zip/ZMEngineCopy.h"

#include "common/littleendian.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/md5.h"
#include "platform/pathparts.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "platform/sysdirs.h"
#include "zip/EZMZipper.h"
#include "zip/ZMExpandLZ77.h"
#include "zip/ZMMessages.h"

namespace {

constexpr char kResourceName[] = "ZEResDll19";
constexpr size_t kMaxTempPath = 260;
// A packed image may not claim more than this; a real engine is a few hundred KiB.
constexpr uint32_t kMaxImage = 16u << 20;

bool IsImage(const unsigned char* p, size_t n) {
    if (n >= 2 && p[0] == 'M' && p[1] == 'Z') return true;
    return n >= 4 && p[0] == 0x7F && p[1] == 'E' && p[2] == 'L' && p[3] == 'F';
}

bool FindCarried(platform::RcData& rc) {
    return platform::FindRcData(kResourceName, rc) && rc.data != nullptr &&
           rc.size >= TZMEngineCopy::kResourceMin && rc.size < TZMEngineCopy::kResourceMax;
}

}  // namespace

int32_t TZMEngineCopy::ResourceVersion() {
    platform::RcData rc;
    return FindCarried(rc) ? static_cast<int32_t>(le::Get32(rc.data)) : -1;
}

bool TZMEngineCopy::Write(const AnsiString& temp_dir) {
    Drop();
    platform::RcData rc;
    if (!FindCarried(rc)) return false;
    const UString base = !temp_dir.empty()
                             ? platform::WithTrailingDelimiter(platform::AnsiToWide(temp_dir))
                             : platform::GetTempDirectory();
    if (base.empty() || base.size() > kMaxTempPath) throw EZMZipper(zmmsg::TempFileFailed);
    AnsiString guid;
    if (!platform::CreateGuidText(guid) || guid.empty()) throw EZMZipper(zmmsg::TempFileFailed);

    // A folder of our own, new for this run: nobody else can have put or linked anything there.
    const UString folder = base + u"ZE_" + platform::AnsiToWide(guid);
    if (!platform::CreatePrivateDirectory(folder)) throw EZMZipper(zmmsg::TempFileFailed);
    folder_ = folder;
    path_ = platform::WithTrailingDelimiter(folder) + platform::AnsiToWide(guid) +
            platform::AnsiToWide(platform::SharedLibraryExtension());
    if (WriteImage(rc.data + 4, rc.size - 4)) return true;
    Drop();
    return false;
}

bool TZMEngineCopy::WriteImage(const unsigned char* data, size_t size) {
    std::string image;
    if (IsImage(data, size)) {
        image.assign(reinterpret_cast<const char*>(data), size);
    } else {
        TZMMemoryInStream in(data, size);
        TZMStringOutStream out(image);
        if (ExpandLz77(out, in, static_cast<int64_t>(size), kMaxImage) != kLz77Ok) return false;
    }
    platform::FileStream f;
    if (!f.Open(path_, platform::FileStream::Mode::CreateNew)) return false;
    bool ok = image.empty() || f.Write(image.data(), image.size());
    if (!f.Close() || !ok) return false;
    // From here on the file is held so it cannot be rewritten; the digest catches anything that
    // happened between closing the writer and taking the hold.
    digest_ = platform::Md5HexUpper(image.data(), image.size());
    size_ = image.size();
    return !digest_.empty() && hold_.Open(path_);
}

bool TZMEngineCopy::IsIntact() {
    std::string content;
    return !path_.empty() && hold_.IsOpen() && hold_.ReadAll(content, size_) &&
           content.size() == size_ &&
           platform::Md5HexUpper(content.data(), content.size()) == digest_;
}

void TZMEngineCopy::Drop() {
    hold_.Close();
    if (!path_.empty() && platform::FileExists(path_)) platform::RemoveFile(path_);
    path_.clear();
    if (!folder_.empty()) platform::RemoveDir(folder_);
    folder_.clear();
    digest_.clear();
    size_ = 0;
}
