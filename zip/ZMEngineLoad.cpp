#include "zip/ZMEngineLoad.h"

#include <cstring>
#include <string>

#include "common/littleendian.h"
#include "platform/pathparts.h"
#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/md5.h"
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

using Guard = std::lock_guard<std::recursive_mutex>;

bool IsImage(const unsigned char* p, size_t n) {
    if (n >= 2 && p[0] == 'M' && p[1] == 'Z') return true;
    return n >= 4 && p[0] == 0x7F && p[1] == 'E' && p[2] == 'L' && p[3] == 'F';
}

UString WithDelimiter(const UString& s) { return platform::WithTrailingDelimiter(s); }

UString ProgramFolder() { return platform::FolderPart(platform::GetExeName()); }

bool SameTextAscii(const UString& a, const char* b) {
    size_t n = std::strlen(b);
    if (a.size() != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
        char d = b[i];
        if (d >= 'A' && d <= 'Z') d = static_cast<char>(d - 'A' + 'a');
        if (c != static_cast<unsigned char>(d)) return false;
    }
    return true;
}

template <typename Fn>
Fn Entry(const platform::DynLib& lib, const char* name) {
    return reinterpret_cast<Fn>(lib.Symbol(name));
}

}  // namespace

TZMEngineLoader::TZMEngineLoader() = default;

TZMEngineLoader::~TZMEngineLoader() {
    Shutdown();
    Clients.clear();
}

void TZMEngineLoader::Shutdown() {
    Guard g(Lock);
    Module.Free();
    ClearEntryPoints();
    DropCopy();
}

AnsiString TZMEngineLoader::EngineFileName() {
    return AnsiString("ZMEngine190") + platform::SharedLibraryExtension();
}

TZMEngineLoader::Pair* TZMEngineLoader::FindClient(TZMLoaderClient* client) {
    for (auto& p : Clients)
        if (p.first == client) return &p;
    return nullptr;
}

int32_t TZMEngineLoader::LoadLocked(TZMLoaderClient* client) {
    Guard g(Lock);
    Pair* p = FindClient(client);
    if (p == nullptr) {
        p = FindClient(nullptr);
        if (p == nullptr) {
            size_t n = Clients.size();
            Clients.resize(n + 4, Pair(nullptr, 0));
            p = &Clients[n];
        }
        *p = Pair(client, 1);
    } else {
        ++p->second;
    }
    if (!Module.IsLoaded()) {
        auto forget = [this, client] {
            if (Pair* q = FindClient(client)) *q = Pair(nullptr, 0);
        };
        ++LoadNesting;
        try {
            if (LoadNesting == 1) Search(client);
        } catch (...) {
            // A failed search leaves no use behind, so a later Load starts from a clean count.
            --LoadNesting;
            forget();
            throw;
        }
        if (Version_ < kVersion) {
            forget();
            ReportLoadError(client);
            --LoadNesting;
            return -1;
        }
        Report(client, zmmsg::Loaded, ZMFormat(ZMLoadStr(zmmsg::Loaded), {DllName_}));
        --LoadNesting;
    }
    p = FindClient(client);
    return p != nullptr ? p->second : -1;
}

int32_t TZMEngineLoader::Load(TZMLoaderClient* client) {
    int32_t result;
    try {
        result = LoadLocked(client);
    } catch (...) {
        Deliver();
        throw;
    }
    Deliver();
    return result;
}

int32_t TZMEngineLoader::Unload(TZMLoaderClient* client) {
    int32_t result = UnloadLocked(client);
    Deliver();
    return result;
}

int32_t TZMEngineLoader::UnloadLocked(TZMLoaderClient* client) {
    Guard g(Lock);
    int32_t remaining = 0;
    if (Pair* p = FindClient(client)) {
        --p->second;
        if (p->second < 1)
            *p = Pair(nullptr, 0);
        else
            remaining = p->second;
    }
    if (LoadNesting != 0) return remaining;
    for (const auto& q : Clients)
        if (q.first != nullptr && q.second > 0) return remaining;
    if (Module.IsLoaded()) Release(client);
    return remaining;
}

void TZMEngineLoader::Remove(TZMLoaderClient* client) {
    Guard g(Lock);
    if (client == nullptr) return;
    if (Pair* p = FindClient(client)) *p = Pair(nullptr, 0);
}

int32_t TZMEngineLoader::Exec(TZMLoaderClient* client, ZECommand* command, uint32_t& handle) {
    if (Load(client) < 1) {
        handle = 0;
        return -1;
    }
    ZE_ExecFunc run;
    {
        Guard g(Lock);
        run = ZE_Exec_;
    }
    int32_t result = -1;
    try {
        if (run != nullptr) result = run(command);
    } catch (...) {
        Unload(client);
        handle = 0;
        throw;
    }
    Unload(client);
    handle = 0;
    return result;
}

void TZMEngineLoader::Abort(TZMLoaderClient* client, uint32_t handle) {
    if (handle == 0) return;
    Guard g(Lock);
    const Pair* p = client != nullptr ? FindClient(client) : nullptr;
    if (p != nullptr && p->second > 0 && Module.IsLoaded() && ZE_Abort_ != nullptr)
        ZE_Abort_(handle);
}

void TZMEngineLoader::CheckEngineResult(int32_t result) {
    if (result >= 0) return;
    int64_t n = -static_cast<int64_t>(result);
    if (n > kZELastError) throw EZMZipper(zmmsg::CriticalDllError, std::to_string(n));
    if (n == 1 || n == 2) throw EZMZipper(zmmsg::Cancelled);
    throw EZMZipper(zmmsg::EngineErrorBase + static_cast<int>(n));
}

// The library search; runs under the lock with no library loaded.
void TZMEngineLoader::Search(TZMLoaderClient* client) {
    Version_ = 0;
    UString dir = platform::AnsiToWide(client != nullptr ? client->DLLDirectory() : AnsiString());
    if (!dir.empty() && platform::IsPathDelimiter(dir.back())) dir.pop_back();

    if (dir == u"><") {
        if (TempDllPath_.empty() && WriteResourceCopy(client, false) < kMinPrivVersion) return;
        LoadCopy(client, true);
        return;
    }
    if (!dir.empty()) {
        if (dir[0] == u'.') dir = ProgramFolder() + dir;
        dir = platform::ExpandFullPath(dir);
        UString ext = platform::ExtensionPart(dir);
        if (!ext.empty() && (SameTextAscii(ext, ".dll") ||
                             SameTextAscii(ext, platform::SharedLibraryExtension()))) {
            LoadCandidate(client, dir, true);
            return;
        }
        if (platform::DirectoryExists(dir)) {
            LoadCandidate(client, WithDelimiter(dir) + platform::AnsiToWide(EngineFileName()),
                          true);
            return;
        }
        // A folder that is not there is dropped: the search goes on as if none was given.
    }

    // No folder: the standard search order would start in the program's folder, where a download
    // may have put anything. The program's own copy comes first instead...
    if (ResourceVersion_ == -99) WriteResourceCopy(client, true);
    const bool usable = ResourceVersion_ >= kMinPrivVersion;
    if (usable) {
        if (TempDllPath_.empty()) WriteResourceCopy(client, false);
        if (!TempDllPath_.empty() && LoadCopy(client, false) >= kMinPrivVersion) return;
        ResourceVersion_ = 0;
    }
    // ...and only without one, a library installed in the system's own library folder.
    UString system = platform::SystemLibraryFolder();
    UString path =
        system.empty() ? UString() : WithDelimiter(system) + platform::AnsiToWide(EngineFileName());
    LoadCandidate(client, path, !usable);
}

// Loads the temporary copy after making sure it still holds the image written from the resource.
int32_t TZMEngineLoader::LoadCopy(TZMLoaderClient* client, bool raise) {
    std::string content;
    bool intact = !TempDllPath_.empty() && TempLock.IsOpen() &&
                  TempLock.ReadAll(content, TempSize) && content.size() == TempSize &&
                  platform::Md5HexUpper(content.data(), content.size()) == TempDigest;
    if (!intact) {
        // Changed behind our back (or never written): never load it, and do not reuse it.
        RequestedPath_ = platform::WideToAnsi(TempDllPath_);
        DropCopy();
        ResourceVersion_ = 0;
        if (raise) {
            ReportLoadError(client);
            throw EZMZipper(zmmsg::LoadFailed, RequestedPath_);
        }
        return 0;
    }
    return LoadCandidate(client, TempDllPath_, raise);
}

int32_t TZMEngineLoader::WriteResourceCopy(TZMLoaderClient* client, bool check_only) {
    if (!(ResourceVersion_ == -99 || ResourceVersion_ >= kMinPrivVersion)) return -1;
    platform::RcData rc;
    bool found = platform::FindRcData(kResourceName, rc);
    if (ResourceVersion_ == -99) ResourceVersion_ = -1;
    if (!found || rc.data == nullptr) return -1;
    if (rc.size < kResourceMin || rc.size >= kResourceMax) return -1;
    const int32_t version = static_cast<int32_t>(le::Get32(rc.data));
    ResourceVersion_ = version;
    if (check_only || version < kMinPrivVersion) return version;

    UString base;
    AnsiString own = client != nullptr ? client->TempDir() : AnsiString();
    if (!own.empty())
        base = WithDelimiter(platform::AnsiToWide(own));
    else
        base = platform::GetTempDirectory();
    if (base.empty() || base.size() > kMaxTempPath) throw EZMZipper(zmmsg::TempFileFailed);
    AnsiString guid;
    if (!platform::CreateGuidText(guid) || guid.empty()) throw EZMZipper(zmmsg::TempFileFailed);

    // A folder of our own, new for this run: nobody else can have put or linked anything there.
    UString folder = base + u"ZE_" + platform::AnsiToWide(guid);
    if (!platform::CreatePrivateDirectory(folder)) throw EZMZipper(zmmsg::TempFileFailed);
    TempFolder_ = folder;
    TempDllPath_ = WithDelimiter(folder) + platform::AnsiToWide(guid) +
                   platform::AnsiToWide(platform::SharedLibraryExtension());
    if (!WriteImage(rc.data + 4, rc.size - 4)) {
        ResourceVersion_ = 0;
        DropCopy();
    }
    return version;
}

bool TZMEngineLoader::WriteImage(const unsigned char* data, size_t size) {
    std::string image;
    if (IsImage(data, size)) {
        image.assign(reinterpret_cast<const char*>(data), size);
    } else {
        TZMMemoryInStream in(data, size);
        TZMStringOutStream out(image);
        if (ExpandLz77(out, in, static_cast<int64_t>(size), kMaxImage) != kLz77Ok) return false;
    }
    platform::FileStream f;
    if (!f.Open(TempDllPath_, platform::FileStream::Mode::CreateNew)) return false;
    bool ok = image.empty() || f.Write(image.data(), image.size());
    if (!f.Close() || !ok) return false;
    // From here on the file is held so it cannot be rewritten; the digest catches anything that
    // happened between closing the writer and taking the hold.
    TempDigest = platform::Md5HexUpper(image.data(), image.size());
    TempSize = image.size();
    return !TempDigest.empty() && TempLock.Open(TempDllPath_);
}

int32_t TZMEngineLoader::LoadCandidate(TZMLoaderClient* client, const UString& path, bool raise) {
    Module.Free();
    ClearEntryPoints();
    LastError_ = 0;
    RequestedPath_ = platform::WideToAnsi(path);
    if (path.empty() || !Module.Load(path)) {
        LastError_ = path.empty() ? 2 : Module.LastError();
        ClearEntryPoints();
        if (raise) {
            ReportLoadError(client);
            throw EZMZipper(zmmsg::LoadFailed, RequestedPath_);
        }
        return 0;
    }
    // Each entry point only when the one before it is there, as the library's contract lists them.
    if ((ZE_Exec_ = Entry<ZE_ExecFunc>(Module, "ZE_Exec")) &&
        (ZE_Version_ = Entry<ZE_VersionFunc>(Module, "ZE_Version")) &&
        (ZE_PrivVersion_ = Entry<ZE_PrivVersionFunc>(Module, "ZE_PrivVersion")) &&
        (ZE_Abort_ = Entry<ZE_AbortFunc>(Module, "ZE_Abort")) &&
        (ZE_Name_ = Entry<ZE_NameFunc>(Module, "ZE_Name")) &&
        (ZE_Banner_ = Entry<ZE_BannerFunc>(Module, "ZE_Banner"))) {
        ZE_Path_ = Entry<ZE_PathFunc>(Module, "ZE_Path");
        PrivVersion_ = ZE_PrivVersion_();
        Version_ = ZE_Version_();
        char name[kZENameCapacity + 1];
        std::memset(name, 0, sizeof(name));
        ZE_Name_(name, kZENameCapacity, 0);
        name[kZENameCapacity] = '\0';
        DllName_ = name;
        const char* banner = ZE_Banner_();
        Banner_ = banner != nullptr ? AnsiString(banner, strnlen(banner, 1024)) : AnsiString();
    }
    if (Version_ != kVersion || PrivVersion_ < kMinPrivVersion) {
        AnsiString name = DllName_.empty() ? RequestedPath_ : DllName_;
        Module.Free();
        ClearEntryPoints();
        if (raise) {
            AnsiString text = ZMFormat(ZMLoadStr(zmmsg::LoadOldOrCorrupt), {name});
            Report(client, zmmsg::LoadOldOrCorrupt, text);
            throw EZMZipper::WithMessage(zmmsg::LoadOldOrCorrupt, text);
        }
        return 0;
    }
    return PrivVersion_;
}

void TZMEngineLoader::ClearEntryPoints() {
    ZE_Abort_ = nullptr;
    ZE_Banner_ = nullptr;
    ZE_Exec_ = nullptr;
    ZE_Name_ = nullptr;
    ZE_Path_ = nullptr;
    ZE_PrivVersion_ = nullptr;
    ZE_Version_ = nullptr;
    Version_ = 0;
    PrivVersion_ = 0;
    Banner_.clear();
    DllName_.clear();
}

void TZMEngineLoader::Release(TZMLoaderClient* client) {
    AnsiString previous = DllName_;
    Module.Free();
    ClearEntryPoints();
    Report(client, zmmsg::Unloaded, ZMFormat(ZMLoadStr(zmmsg::Unloaded), {previous}));
}

void TZMEngineLoader::DropCopy() {
    TempLock.Close();
    if (!TempDllPath_.empty() && platform::FileExists(TempDllPath_))
        platform::RemoveFile(TempDllPath_);
    TempDllPath_.clear();
    if (!TempFolder_.empty()) platform::RemoveDir(TempFolder_);
    TempFolder_.clear();
    TempDigest.clear();
    TempSize = 0;
}

void TZMEngineLoader::ReportLoadError(TZMLoaderClient* client) {
    AnsiString text =
        ZMFormat(ZMLoadStr(zmmsg::LoadErrorDetail),
                 {std::to_string(LastError_),
                  platform::WideToAnsi(platform::OsErrorText(LastError_)), RequestedPath_});
    Report(client, zmmsg::LoadErrorDetail, text);
}

void TZMEngineLoader::Report(TZMLoaderClient* client, int msg_id, const AnsiString& text) {
    if (client != nullptr && client->Verbosity() > 0) Pending.push_back({client, {msg_id, text}});
}

// Messages go out only after the lock is released: a client may hand them to another thread
// (the window's) and wait for it, while that thread asks the loader for something.
void TZMEngineLoader::Deliver() {
    std::vector<std::pair<TZMLoaderClient*, std::pair<int, AnsiString>>> out;
    {
        Guard g(Lock);
        if (LoadNesting != 0) return;  // the outer call delivers
        out.swap(Pending);
    }
    for (const auto& m : out) m.first->ReportMessage(m.second.first, m.second.second);
}

AnsiString TZMEngineLoader::RequestedPath() {
    Guard g(Lock);
    return RequestedPath_;
}

TZMEngineLoader& EngineLoader() {
    // The object itself is never destroyed: a component held by another static object may still
    // call Remove from its destructor after this one's cleaner has run. The cleaner releases the
    // library and deletes the copy at process end.
    static TZMEngineLoader* const loader = new TZMEngineLoader;
    static struct Cleaner {
        ~Cleaner() { loader->Shutdown(); }
    } cleaner;
    return *loader;
}
