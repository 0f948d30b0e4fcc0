#include "zip/ZMEngineLoad.h"

#include <cstring>
#include <string>

#include "platform/codepage.h"
#include "platform/files.h"
#include "platform/pathparts.h"
#include "platform/process.h"
#include "platform/sysdirs.h"
#include "zip/EZMZipper.h"
#include "zip/ZMMessages.h"

namespace {

using Guard = std::lock_guard<std::recursive_mutex>;

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

}  // namespace

TZMEngineLoader::TZMEngineLoader() = default;

TZMEngineLoader::~TZMEngineLoader() {
    Shutdown();
    Clients.clear();
}

void TZMEngineLoader::Shutdown() {
    Guard g(Lock);
    Library.Free();
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
    if (!Library.IsLoaded()) {
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
        if (Library.Version() < kVersion) {
            forget();
            ReportLoadError(client);
            --LoadNesting;
            return -1;
        }
        Report(client, zmmsg::Loaded, ZMFormat(ZMLoadStr(zmmsg::Loaded), {Library.DllName()}));
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
    if (Library.IsLoaded()) Release(client);
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
    // The library stays loaded while this client holds its use, so it runs outside the lock.
    int32_t result = -1;
    try {
        result = Library.Exec(command);
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
    if (p != nullptr && p->second > 0 && Library.IsLoaded()) Library.Abort(handle);
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
    UString dir = platform::AnsiToWide(client != nullptr ? client->DLLDirectory() : AnsiString());
    if (!dir.empty() && platform::IsPathDelimiter(dir.back())) dir.pop_back();

    if (dir == u"><") {
        if (Copy.Path().empty() && WriteResourceCopy(client, false) < kMinPrivVersion) return;
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
        if (Copy.Path().empty()) WriteResourceCopy(client, false);
        if (!Copy.Path().empty() && LoadCopy(client, false) >= kMinPrivVersion) return;
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
    if (!Copy.IsIntact()) {
        // Changed behind our back (or never written): never load it, and do not reuse it.
        RequestedPath_ = platform::WideToAnsi(Copy.Path());
        DropCopy();
        ResourceVersion_ = 0;
        if (raise) {
            ReportLoadError(client);
            throw EZMZipper(zmmsg::LoadFailed, RequestedPath_);
        }
        return 0;
    }
    return LoadCandidate(client, Copy.Path(), raise);
}

int32_t TZMEngineLoader::WriteResourceCopy(TZMLoaderClient* client, bool check_only) {
    if (!(ResourceVersion_ == -99 || ResourceVersion_ >= kMinPrivVersion)) return -1;
    const int32_t version = TZMEngineCopy::ResourceVersion();
    ResourceVersion_ = version;
    if (check_only || version < kMinPrivVersion) return version;
    if (!Copy.Write(client != nullptr ? client->TempDir() : AnsiString())) ResourceVersion_ = 0;
    return version;
}

int32_t TZMEngineLoader::LoadCandidate(TZMLoaderClient* client, const UString& path, bool raise) {
    RequestedPath_ = platform::WideToAnsi(path);
    switch (Library.Open(path)) {
        case TZMEngineLibrary::Outcome::Loaded:
            return Library.PrivVersion();
        case TZMEngineLibrary::Outcome::NotLoaded:
            if (raise) {
                ReportLoadError(client);
                throw EZMZipper(zmmsg::LoadFailed, RequestedPath_);
            }
            return 0;
        case TZMEngineLibrary::Outcome::OldOrCorrupt:
            break;
    }
    if (raise) {
        AnsiString text = ZMFormat(ZMLoadStr(zmmsg::LoadOldOrCorrupt), {Library.OldName()});
        Report(client, zmmsg::LoadOldOrCorrupt, text);
        throw EZMZipper::WithMessage(zmmsg::LoadOldOrCorrupt, text);
    }
    return 0;
}

void TZMEngineLoader::Release(TZMLoaderClient* client) {
    AnsiString previous = Library.DllName();
    Library.Free();
    Report(client, zmmsg::Unloaded, ZMFormat(ZMLoadStr(zmmsg::Unloaded), {previous}));
}

void TZMEngineLoader::DropCopy() { Copy.Drop(); }

void TZMEngineLoader::ReportLoadError(TZMLoaderClient* client) {
    AnsiString text = ZMFormat(
        ZMLoadStr(zmmsg::LoadErrorDetail),
        {std::to_string(Library.LastError()),
         platform::WideToAnsi(platform::OsErrorText(Library.LastError())), RequestedPath_});
    Report(client, zmmsg::LoadErrorDetail, text);
}

void TZMEngineLoader::Report(TZMLoaderClient* client, int msg_id, const AnsiString& text) {
    if (client != nullptr && client->Verbosity() > 0) Pending.push_back({client, msg_id, text});
}

// Messages go out only after the lock is released: a client may hand them to another thread
// (the window's) and wait for it, while that thread asks the loader for something.
void TZMEngineLoader::Deliver() {
    std::vector<Message> out;
    {
        Guard g(Lock);
        if (LoadNesting != 0) return;  // the outer call delivers
        out.swap(Pending);
    }
    for (const auto& m : out) m.client->ReportMessage(m.msg_id, m.text);
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
