#pragma once
// TZMEngineLoader: finds, checks, loads and shares the zip engine library among the zip components
// of the process, and turns the engine's results into the component's errors.
//
// Where the library comes from (Load, when none is loaded), steered by the client's DLLDirectory:
//   "><"            only the copy the program carries in its resource "ZEResDll19";
//   a file name     ending in ".dll" (or the system's own library extension): that file;
//   a folder        the engine file (EngineFileName) in that folder; "." at the start means the
//                   program's own folder. A folder that does not exist counts as none given;
//   none            the program's own copy first. Only when the program carries no usable copy, or
//                   it does not load, the engine file in the system's library folder
//                   (platform::SystemLibraryFolder: Windows' system folder; elsewhere the folder
//                   fixed at build time). A bare name is never handed to the system, so a library
//                   planted in the program's folder or the current folder is never loaded.
//
// The carried copy is zip/ZMEngineCopy.h; a loaded library and its entry points are
// zip/ZMEngineLibrary.h. This class keeps the table of clients and their use counts, runs the
// search, and holds the loader's informational messages until its lock is released.
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "engine/ZMEngineApi.h"
#include "platform/types.h"
#include "zip/ZMEngineCopy.h"
#include "zip/ZMEngineLibrary.h"

// What the loader needs from a zip component. Every component that runs engine operations is a
// client of its own; the loader only compares client pointers and calls these.
struct TZMLoaderClient {
    virtual ~TZMLoaderClient() = default;
    // The component's verbosity (0, 1, 2...); informational messages are sent when it is 1 or more.
    virtual int Verbosity() const { return 0; }
    // Where to look for the library (see above); empty by default.
    virtual AnsiString DLLDirectory() const { return AnsiString(); }
    // Folder for the library's temporary copy; empty: the system's temporary folder.
    virtual AnsiString TempDir() const { return AnsiString(); }
    // An informational message of the loader (10652 loaded, 10653 unloaded, 10654 load error
    // detail) with its filled-in text; the component passes it on as information (code 0).
    // Called on the thread that called Load or Unload, once the loader's lock is released.
    virtual void ReportMessage(int msg_id, const AnsiString& text) {
        (void)msg_id;
        (void)text;
    }
};

class TZMEngineLoader {
  public:
    static constexpr int32_t kVersion = TZMEngineLibrary::kVersion;
    static constexpr int32_t kMinPrivVersion = TZMEngineLibrary::kMinPrivVersion;
    static constexpr size_t kResourceMin = TZMEngineCopy::kResourceMin;
    static constexpr size_t kResourceMax = TZMEngineCopy::kResourceMax;

    TZMEngineLoader();
    ~TZMEngineLoader();
    TZMEngineLoader(const TZMEngineLoader&) = delete;
    TZMEngineLoader& operator=(const TZMEngineLoader&) = delete;

    // Registers a use by the client and makes sure the library is loaded. Returns the client's use
    // count, or -1 when no usable library could be loaded (the use is then dropped again). Raises
    // EZMZipper (10650 failed to load, 10651 old or corrupt, 11027 no temporary file) where the
    // search says so; the use is dropped then as well.
    int32_t Load(TZMLoaderClient* client);
    // Version (190) when Load gave 1 or more, else 0.
    int32_t LoadVersion(TZMLoaderClient* client);
    // Drops one use; the library is released when no client holds a use. Returns the client's
    // remaining count.
    int32_t Unload(TZMLoaderClient* client);
    // Forgets the client without releasing the library.
    void Remove(TZMLoaderClient* client);
    bool IsLoadedFor(TZMLoaderClient* client);
    // Load, run ZE_Exec with the record (outside the lock), then Unload whatever happens and set
    // handle to 0. The engine's result, or -1 when no library was available.
    int32_t Exec(TZMLoaderClient* client, ZECommand* command, uint32_t& handle);
    // Asks the engine to stop the operation with this handle (any thread).
    void Abort(TZMLoaderClient* client, uint32_t handle);
    // Raises the component's error for a negative engine result: -1, -2 give 11007; -3 to -36 give
    // 11648 + n; below -36, 10124 with n.
    static void CheckEngineResult(int32_t result);
    // Frees the library and deletes the temporary copy, as destruction does; the object stays
    // usable (process end, for the process-wide loader).
    void Shutdown();
    // "ZMEngine190" + the system's library extension.
    static AnsiString EngineFileName();

    // State, for the component's diagnostics and for tests.
    int32_t ResourceVersion();
    int32_t Version();
    int32_t PrivVersion();
    AnsiString DllName();
    AnsiString Banner();
    AnsiString RequestedPath();
    AnsiString TempDllPath();
    UString TempFolder();  // the private folder of the copy; empty when none was made
    uint32_t LastError();
    bool IsLoaded();

  private:
    using Pair = std::pair<TZMLoaderClient*, int32_t>;
    struct Message {
        TZMLoaderClient* client;
        int msg_id;
        AnsiString text;
    };

    Pair* FindClient(TZMLoaderClient* client);
    void Search(TZMLoaderClient* client);
    int32_t LoadCopy(TZMLoaderClient* client, bool raise);
    int32_t WriteResourceCopy(TZMLoaderClient* client, bool check_only);
    int32_t LoadCandidate(TZMLoaderClient* client, const UString& path, bool raise);
    void Release(TZMLoaderClient* client);
    void DropCopy();
    void ReportLoadError(TZMLoaderClient* client);
    int32_t LoadLocked(TZMLoaderClient* client);
    int32_t UnloadLocked(TZMLoaderClient* client);
    // Informational messages wait here until the lock is released.
    void Report(TZMLoaderClient* client, int msg_id, const AnsiString& text);
    void Deliver();

    std::recursive_mutex Lock;
    std::vector<Pair> Clients;
    int32_t LoadNesting = 0;
    TZMEngineLibrary Library;
    TZMEngineCopy Copy;
    // -99 not looked at yet; -1 none carried; 0 carried but unusable here; else its version.
    int32_t ResourceVersion_ = -99;
    AnsiString RequestedPath_;
    std::vector<Message> Pending;
};

// The process-wide loader every zip component uses. It stays valid through the whole of process
// end; the library is released and the copy deleted when static objects are destroyed.
TZMEngineLoader& EngineLoader();
