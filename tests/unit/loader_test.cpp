#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <future>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/codepage.h"
#include "platform/dirlist.h"
#include "platform/dynlib.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/resources.h"
#include "platform/sysdirs.h"
#include "tests/unit/lz77_testutil.h"
#include "tests/unit/testutil.h"
#include "zip/EZMZipper.h"
#include "zip/ZMEngineLoad.h"

namespace {

using lz77test::PackLiterals;

UString ProgramFolder() {
    UString exe = platform::GetExeName();
    size_t k = exe.size();
    while (k > 0 && !platform::IsPathDelimiter(exe[k - 1])) --k;
    return exe.substr(0, k);
}

UString Delim() { return UString(1, platform::PathDelimiter()); }
UString Ext() { return platform::AnsiToWide(platform::SharedLibraryExtension()); }
UString FakeFolder() { return ProgramFolder() + u"fake_engines" + Delim(); }
UString FakePath(const std::string& name) {
    return FakeFolder() + platform::Utf8ToWide(name) + Ext();
}
std::string FakeImage(const std::string& name) {
    std::string image = testutil::ReadFile(FakePath(name));
    EXPECT_FALSE(image.empty()) << "fake engine " << name << " not built";
    return image;
}
AnsiString Ansi(const UString& s) { return platform::WideToAnsi(s); }

std::string Version(uint32_t v) {
    std::string s;
    lz77test::Put32(s, v);
    return s;
}

// The library image as the resource carries it, padded with zeros to the given total size
// (zeros after an image do not stop it from loading).
std::string Verbatim(const std::string& image, size_t total, uint32_t version = kZEPrivVersion) {
    std::string r = Version(version) + image;
    EXPECT_LE(r.size(), total) << "fake image too large for this size";
    r.resize(total, '\0');
    return r;
}
// Packed images are padded to 60,000 bytes first, so the resource is large enough to be used.
std::string Packed(std::string image, int64_t declared = -1, uint32_t version = kZEPrivVersion) {
    if (image.size() < 60000) image.resize(60000, '\0');
    return Version(version) + PackLiterals(image, declared);
}

// Puts bytes under the resource name for one test.
class EngineResource {
  public:
    explicit EngineResource(std::string bytes) : bytes_(std::move(bytes)) {
        platform::OverrideRcData("ZEResDll19", Data(), bytes_.size());
    }
    ~EngineResource() { platform::OverrideRcData("ZEResDll19", nullptr, 0); }

  private:
    const unsigned char* Data() const {
        return reinterpret_cast<const unsigned char*>(bytes_.data());
    }
    std::string bytes_;
};

struct Client : TZMLoaderClient {
    int verbosity = 0;
    AnsiString dir;
    AnsiString temp;
    std::vector<std::pair<int, AnsiString>> messages;

    int Verbosity() const override { return verbosity; }
    AnsiString DLLDirectory() const override { return dir; }
    AnsiString TempDir() const override { return temp; }
    void ReportMessage(int id, const AnsiString& text) override { messages.emplace_back(id, text); }
    int Count(int id) const {
        int n = 0;
        for (const auto& m : messages) n += m.first == id;
        return n;
    }
};

size_t Entries(const UString& folder) {
    std::vector<platform::PathInfo> list;
    platform::ListDirectory(folder, list);
    return list.size();
}

int RaisedCode(TZMEngineLoader& loader, Client& client, AnsiString* message = nullptr) {
    try {
        loader.Load(&client);
    } catch (const EZMZipper& e) {
        if (message != nullptr) *message = e.Message();
        return e.Code();
    }
    return 0;
}

class LoaderTest : public ::testing::Test {
  protected:
    LoaderTest() { client.temp = Ansi(tmp.Path()); }
    testutil::TempDir tmp;
    Client client;
};

TEST_F(LoaderTest, ResourceUsedOnlyBetween50000And600000Bytes) {
    std::string image = FakeImage("fake_good");
    ASSERT_LT(image.size() + 4, 49999u) << "the fake must fit the smallest size";
    for (size_t total : {49999u, 50000u, 599999u, 600000u}) {
        EngineResource res(Verbatim(image, total));
        TZMEngineLoader loader;
        client.dir = "><";
        bool used = total == 50000u || total == 599999u;
        EXPECT_EQ(loader.Load(&client), used ? 1 : -1) << "size " << total;
        EXPECT_EQ(loader.ResourceVersion(), used ? 1900096 : -1) << "size " << total;
        EXPECT_EQ(loader.TempDllPath().empty(), !used) << "size " << total;
        if (used) {
            EXPECT_EQ(loader.DllName(), "FakeEngine");
            EXPECT_EQ(Entries(tmp.Path()), 1u) << "one private folder for the copy";
        } else {
            EXPECT_EQ(Entries(tmp.Path()), 0u) << "nothing written for size " << total;
        }
    }
    EXPECT_EQ(Entries(tmp.Path()), 0u) << "copies are removed with their loader";
}

TEST_F(LoaderTest, ImagesCopiedVerbatimOrExpanded) {
    std::string image = FakeImage("fake_good");
    std::string padded = image + std::string(image.size() < 60000 ? 60000 - image.size() : 0, '\0');
    // The native image ("MZ" or 0x7F "ELF") verbatim, anything else through the expander.
    for (bool pack : {false, true}) {
        EngineResource res(pack ? Packed(padded) : Verbatim(padded, padded.size() + 4));
        TZMEngineLoader loader;
        client.dir = "><";
        ASSERT_EQ(loader.Load(&client), 1) << (pack ? "packed" : "verbatim");
        UString copy = platform::AnsiToWide(loader.TempDllPath());
        EXPECT_EQ(testutil::ReadFile(copy), padded);
        EXPECT_EQ(loader.Banner(), "FakeEngine banner");
        EXPECT_EQ(loader.Version(), 190);
        EXPECT_EQ(loader.PrivVersion(), 1900096);
        EXPECT_EQ(loader.RequestedPath(), loader.TempDllPath()) << "loaded by its full path";
        // The copy lives in a folder of its own inside the chosen temporary folder.
        UString folder = loader.TempFolder();
        EXPECT_EQ(folder.rfind(tmp.Path(), 0), 0u);
        EXPECT_EQ(copy.rfind(folder + Delim(), 0), 0u);
        loader.Unload(&client);
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_TRUE(platform::FileExists(copy)) << "kept for the next load";
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(platform::AnsiToWide(loader.TempDllPath()), copy) << "reused, not rewritten";
    }
}

TEST_F(LoaderTest, BadStreamsLeaveNoCopy) {
    std::string image = FakeImage("fake_good");
    image.resize(std::max<size_t>(image.size(), 60000), '\0');
    client.dir = "><";
    // One byte short or long of the size field, and a stream cut off at the end.
    std::string cut = Packed(image);
    cut.resize(cut.size() - 3);
    for (const std::string& bytes :
         {Packed(image, image.size() + 1), Packed(image, image.size() - 1), cut}) {
        EngineResource res(bytes);
        TZMEngineLoader loader;
        EXPECT_EQ(RaisedCode(loader, client), 10650);
        EXPECT_EQ(loader.TempDllPath(), "");
        EXPECT_EQ(loader.ResourceVersion(), 0);
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_EQ(Entries(tmp.Path()), 0u) << "the failed copy and its folder are gone";
        // Once failed, the resource is not tried again by this loader.
        EXPECT_EQ(loader.Load(&client), -1);
    }
    // A version word below 1900095: never written.
    EngineResource old(Packed(image, -1, 1900094));
    TZMEngineLoader loader;
    EXPECT_EQ(loader.Load(&client), -1);
    EXPECT_EQ(loader.ResourceVersion(), 1900094);
    EXPECT_EQ(Entries(tmp.Path()), 0u);
}

TEST_F(LoaderTest, ClientsShareOneLoad) {
    EngineResource res(Packed(FakeImage("fake_good")));
    Client other;
    other.verbosity = 1;
    client.verbosity = 1;
    client.dir = other.dir = "><";
    other.temp = client.temp;
    UString copy;
    {
        TZMEngineLoader loader;
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(loader.Load(&client), 2);
        EXPECT_EQ(loader.Load(&other), 1);
        EXPECT_EQ(client.Count(10652), 1);
        EXPECT_EQ(other.Count(10652), 0) << "loaded once, by the first client";
        EXPECT_EQ(client.messages.front().second, "Loaded FakeEngine");
        EXPECT_TRUE(loader.IsLoadedFor(&client));
        EXPECT_TRUE(loader.IsLoadedFor(&other));

        EXPECT_EQ(loader.Unload(&client), 1);
        EXPECT_EQ(loader.Unload(&client), 0);
        EXPECT_FALSE(loader.IsLoadedFor(&client));
        EXPECT_TRUE(loader.IsLoaded()) << "the other client still holds it";
        EXPECT_EQ(loader.Unload(&other), 0);
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_EQ(other.Count(10653), 1);
        EXPECT_EQ(other.messages.back().second, "Unloaded FakeEngine");
        EXPECT_EQ(loader.Unload(&other), 0) << "no use left to drop";

        // Remove forgets a client without releasing the library for the others.
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(loader.Load(&other), 1);
        loader.Remove(&client);
        EXPECT_FALSE(loader.IsLoadedFor(&client));
        EXPECT_TRUE(loader.IsLoaded());
        EXPECT_EQ(loader.Unload(&other), 0);
        EXPECT_FALSE(loader.IsLoaded());
        // More clients than the first block of pairs holds.
        std::vector<Client> many(9);
        for (auto& c : many) {
            c.dir = "><";
            EXPECT_EQ(loader.Load(&c), 1);
        }
        for (auto& c : many) loader.Unload(&c);
        EXPECT_FALSE(loader.IsLoaded());
        copy = platform::AnsiToWide(loader.TempDllPath());
        EXPECT_TRUE(platform::FileExists(copy));
    }
    EXPECT_FALSE(platform::FileExists(copy)) << "deleted when the loader goes";
}

TEST_F(LoaderTest, ExecAndAbort) {
    EngineResource res(Packed(FakeImage("fake_good")));
    TZMEngineLoader loader;
    client.dir = "><";
    ZECommand cmd{};
    cmd.Version = 190;
    cmd.PasswordReqCount = 7;  // the fake engine answers with this
    uint32_t handle = 99;
    EXPECT_EQ(loader.Exec(&client, &cmd, handle), 7);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(cmd.Handle, 0x5Au) << "the engine ran";
    EXPECT_FALSE(loader.IsLoaded()) << "Exec's own use is dropped";

    ASSERT_EQ(loader.Load(&client), 1);
    cmd.PasswordReqCount = -9;
    EXPECT_EQ(loader.Exec(&client, &cmd, handle), -9);
    EXPECT_TRUE(loader.IsLoadedFor(&client)) << "the client's own use stays";

    platform::DynLib same;
    ASSERT_TRUE(same.Load(platform::AnsiToWide(loader.RequestedPath())));
    auto last_abort = reinterpret_cast<uint32_t(ZM_STDCALL*)()>(same.Symbol("Fake_LastAbort"));
    ASSERT_NE(last_abort, nullptr);
    loader.Abort(&client, 0);
    EXPECT_EQ(last_abort(), 0u) << "handle 0 names no operation";
    loader.Abort(&client, 42);
    EXPECT_EQ(last_abort(), 42u);
    Client stranger;
    loader.Abort(&stranger, 43);
    EXPECT_EQ(last_abort(), 42u) << "only a client holding a use may abort";
    same.Free();
    loader.Unload(&client);

    // No library to be had: -1 and nothing run.
    EngineResource none(std::string(10, 'x'));
    TZMEngineLoader empty;
    handle = 5;
    EXPECT_EQ(empty.Exec(&client, &cmd, handle), -1);
    EXPECT_EQ(handle, 0u);
    EXPECT_EQ(empty.LoadVersion(&client), 0);
}

// The extraction thread and the main thread use the loader at the same time.
TEST_F(LoaderTest, ThreadsShareTheLoader) {
    EngineResource res(Packed(FakeImage("fake_good")));
    TZMEngineLoader loader;
    Client clients[3];
    for (auto& c : clients) c.dir = "><";
    int results[3] = {0, 0, 0};  // one slot per thread
    std::vector<std::thread> threads;
    for (int t = 0; t < 3; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 40; ++i) {
                ZECommand cmd{};
                cmd.Version = 190;
                cmd.PasswordReqCount = t + 1;
                uint32_t handle = 0;
                if (i % 2 == 0 && loader.Load(&clients[t]) != 1) return;
                if (loader.Exec(&clients[t], &cmd, handle) == t + 1) ++results[t];
                if (i % 2 == 0) loader.Unload(&clients[t]);
            }
        });
    }
    for (auto& th : threads) th.join();
    for (int t = 0; t < 3; ++t) EXPECT_EQ(results[t], 40) << "thread " << t;
    EXPECT_FALSE(loader.IsLoaded());
    for (auto& c : clients) EXPECT_FALSE(loader.IsLoadedFor(&c));
}

TEST_F(LoaderTest, ProcessWideLoaderOutlivesItsCleanup) {
    EngineResource res(Packed(FakeImage("fake_good")));
    TZMEngineLoader& loader = EngineLoader();
    EXPECT_EQ(&loader, &EngineLoader());
    client.dir = "><";
    ASSERT_EQ(loader.Load(&client), 1);
    UString copy = platform::AnsiToWide(loader.TempDllPath());
    // What process end does: library released, copy deleted, object still answering.
    loader.Shutdown();
    EXPECT_FALSE(loader.IsLoaded());
    EXPECT_FALSE(platform::FileExists(copy));
    loader.Remove(&client);
    EXPECT_FALSE(loader.IsLoadedFor(&client));
    EXPECT_EQ(loader.Load(&client), 1) << "a new copy after a shutdown";
    loader.Unload(&client);
    loader.Shutdown();
}

// A component hands its messages to the window's thread and waits; that thread may be asking the
// loader something at the same moment.
TEST_F(LoaderTest, MessagesArriveOutsideTheLock) {
    struct WaitingClient : Client {
        TZMEngineLoader* loader = nullptr;
        int answered = 0;
        std::vector<std::future<bool>> pending;
        void ReportMessage(int id, const AnsiString& text) override {
            Client::ReportMessage(id, text);
            pending.push_back(std::async(std::launch::async, [this] {
                loader->Abort(this, 1);
                return true;
            }));
            if (pending.back().wait_for(std::chrono::seconds(60)) == std::future_status::ready)
                ++answered;
        }
    };
    EngineResource res(Packed(FakeImage("fake_good")));
    TZMEngineLoader loader;
    WaitingClient waiting;
    waiting.loader = &loader;
    waiting.verbosity = 1;
    waiting.dir = "><";
    ASSERT_EQ(loader.Load(&waiting), 1);
    loader.Unload(&waiting);
    EXPECT_EQ(waiting.messages.size(), 2u);
    EXPECT_EQ(waiting.answered, 2) << "the other thread was kept waiting for the loader";
}

TEST(LoaderResults, EngineResultsBecomeComponentErrors) {
    auto code = [](int32_t r, AnsiString* text = nullptr) {
        try {
            TZMEngineLoader::CheckEngineResult(r);
        } catch (const EZMZipper& e) {
            if (text != nullptr) *text = e.Message();
            return e.Code();
        }
        return 0;
    };
    AnsiString text;
    EXPECT_EQ(code(0), 0);
    EXPECT_EQ(code(12), 0);
    EXPECT_EQ(code(-1), 11007);
    EXPECT_EQ(code(-2, &text), 11007);
    EXPECT_EQ(text, "User canceled operation");
    EXPECT_EQ(code(-3, &text), 11651);
    EXPECT_EQ(text, "Callback exception");
    EXPECT_EQ(code(-9, &text), 11657);
    EXPECT_EQ(text, "Invalid zip structure!");
    EXPECT_EQ(code(-35), 11683);
    EXPECT_EQ(code(-36, &text), 11684);
    EXPECT_EQ(text, " Unknown error 11684");
    EXPECT_EQ(code(-37, &text), 10124);
    EXPECT_EQ(text, "critical DLL Error 37");
    EXPECT_EQ(code(-40, &text), 10124);
    EXPECT_EQ(text, "critical DLL Error 40");
    EXPECT_EQ(code(INT32_MIN, &text), 10124);
    EXPECT_EQ(text, "critical DLL Error 2147483648");
}

TEST_F(LoaderTest, VersionMismatchesAreRefused) {
    client.verbosity = 1;
    AnsiString text;
    // From the resource copy with "><": raised.
    for (const char* name : {"fake_old", "fake_v189", "fake_nobanner"}) {
        EngineResource res(Packed(FakeImage(name)));
        TZMEngineLoader loader;
        client.dir = "><";
        EXPECT_EQ(RaisedCode(loader, client, &text), 10651) << name;
        EXPECT_NE(text.find("old or corrupt"), std::string::npos) << text;
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_EQ(loader.Version(), 0);
    }
    EXPECT_EQ(client.Count(10651), 3);

    // Named as a file.
    TZMEngineLoader loader;
    client.dir = Ansi(FakePath("fake_v189"));
    EXPECT_EQ(RaisedCode(loader, client, &text), 10651);
    EXPECT_EQ(text, "Unable to load Fake189 - It is old or corrupt");
    EXPECT_FALSE(loader.IsLoadedFor(&client)) << "a failed load leaves no use behind";

    // With no folder, a copy that does not qualify is passed over quietly.
    EngineResource res(Packed(FakeImage("fake_old")));
    TZMEngineLoader quiet;
    client.dir.clear();
    client.messages.clear();
    EXPECT_EQ(quiet.Load(&client), -1);
    EXPECT_EQ(quiet.ResourceVersion(), 0);
    EXPECT_EQ(client.Count(10654), 1);
    EXPECT_EQ(client.messages.back().second.rfind("Error [", 0), 0u)
        << client.messages.back().second;
    EXPECT_FALSE(quiet.IsLoadedFor(&client));
}

TEST_F(LoaderTest, DirectoryForms) {
    std::string image = FakeImage("fake_good");
    // A folder holding the engine under its own name, with or without a trailing delimiter.
    ASSERT_TRUE(testutil::WriteFile(tmp.File(TZMEngineLoader::EngineFileName()), image));
    for (const UString& dir : {tmp.Path(), tmp.Path().substr(0, tmp.Path().size() - 1)}) {
        TZMEngineLoader loader;
        client.dir = Ansi(dir);
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(loader.RequestedPath(), Ansi(tmp.Path()) + TZMEngineLoader::EngineFileName());
    }
    // A file with the ".DLL" extension in any case, loaded as it is.
    ASSERT_TRUE(testutil::WriteFile(tmp.File("engine.DlL"), image));
    {
        TZMEngineLoader loader;
        client.dir = Ansi(tmp.File("engine.DlL"));
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(loader.DllName(), "FakeEngine");
    }
    // "." at the start: relative to the program's folder.
    {
        TZMEngineLoader loader;
        client.dir = Ansi(u"." + Delim() + u"fake_engines" + Delim() + u"fake_good" + Ext());
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(platform::ExpandFullPath(platform::AnsiToWide(loader.RequestedPath())),
                  platform::ExpandFullPath(FakePath("fake_good")));
    }
    // A named file that is not there: raised with its path.
    {
        TZMEngineLoader loader;
        client.verbosity = 1;
        client.dir = Ansi(tmp.File("absent.dll"));
        AnsiString text;
        EXPECT_EQ(RaisedCode(loader, client, &text), 10650);
        EXPECT_EQ(text, "Failed to load " + client.dir);
        EXPECT_EQ(client.Count(10654), 1);
        EXPECT_NE(loader.LastError(), 0u);
    }
    // A folder that does not exist is dropped: the program's own copy is used.
    {
        EngineResource res(Packed(image));
        TZMEngineLoader loader;
        client.dir = Ansi(tmp.File("no-such-folder"));
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_FALSE(loader.TempDllPath().empty());
    }
}

TEST_F(LoaderTest, TemporaryFolderProblemsRaise11027) {
    EngineResource res(Packed(FakeImage("fake_good")));
    client.dir = "><";
    for (const AnsiString& temp : {Ansi(tmp.File("missing")), AnsiString(300, 'a')}) {
        TZMEngineLoader loader;
        client.temp = temp;
        AnsiString text;
        EXPECT_EQ(RaisedCode(loader, client, &text), 11027);
        EXPECT_EQ(text, "Temporary file could not be created");
        EXPECT_FALSE(loader.IsLoadedFor(&client));
    }
}

// Keeps a test's changes to the current folder and planted files from outliving it.
class PlantedFiles {
  public:
    ~PlantedFiles() {
        for (const auto& f : files_) platform::RemoveFile(f);
        if (!cwd_.empty()) platform::SetCurrentDir(cwd_);
    }
    bool Plant(const UString& path, const std::string& bytes) {
        files_.push_back(path);
        return testutil::WriteFile(path, bytes);
    }
    bool EnterFolder(const UString& folder) {
        cwd_ = platform::GetCurrentDir();
        return platform::SetCurrentDir(folder);
    }

  private:
    std::vector<UString> files_;
    UString cwd_;
};

TEST_F(LoaderTest, PlantedLibrariesAreNeverLoaded) {
    const std::string planted = FakeImage("fake_planted");
    const AnsiString name = TZMEngineLoader::EngineFileName();
    testutil::TempDir work;
    PlantedFiles guard;
    ASSERT_TRUE(guard.EnterFolder(work.Path()));
    const UString beside = ProgramFolder() + platform::AnsiToWide(name);
    ASSERT_FALSE(platform::FileExists(beside)) << "would replace a library that is not ours";
    ASSERT_TRUE(guard.Plant(beside, planted));
    ASSERT_TRUE(guard.Plant(work.File(name), planted));
    const UString marker = work.File("zm_planted_engine.marker");
    client.verbosity = 1;

    // No copy of its own: only the system's library folder is tried, raising when it fails.
    {
        TZMEngineLoader loader;
        AnsiString text;
        EXPECT_EQ(RaisedCode(loader, client, &text), 10650);
        UString expected = platform::SystemLibraryFolder() + Delim() + platform::AnsiToWide(name);
        EXPECT_EQ(loader.RequestedPath(), Ansi(expected));
        EXPECT_FALSE(loader.IsLoadedFor(&client));
    }
    // With a copy: the copy, whatever lies next to the program.
    {
        EngineResource res(Packed(FakeImage("fake_good")));
        TZMEngineLoader loader;
        EXPECT_EQ(loader.Load(&client), 1);
        EXPECT_EQ(loader.DllName(), "FakeEngine");
        loader.Unload(&client);
    }
    EXPECT_FALSE(platform::FileExists(marker)) << "a planted library was loaded";

    // The planted library does leave its mark when something does load it.
    platform::DynLib lib;
    ASSERT_TRUE(lib.Load(work.File(name)));
    EXPECT_TRUE(platform::FileExists(marker));
}

TEST_F(LoaderTest, ChangedCopyIsNeverLoaded) {
    EngineResource res(Packed(FakeImage("fake_good")));
    for (const char* dir : {"><", ""}) {
        TZMEngineLoader loader;
        client.dir = dir;
        ASSERT_EQ(loader.Load(&client), 1);
        UString copy = platform::AnsiToWide(loader.TempDllPath());
        loader.Unload(&client);
        // Either the system keeps everyone from changing the held copy, or the change is caught
        // before the next load.
        platform::FileStream f;
        bool changed = false;
        if (f.Open(copy, platform::FileStream::Mode::ReadWrite)) {
            changed = f.Seek(100) && f.Write("\x90\x90\x90\x90", 4);
            f.Close();
        }
        if (!changed) {
            EXPECT_FALSE(platform::RemoveFile(copy)) << "the copy is held";
            continue;
        }
        if (*dir != '\0') {
            EXPECT_EQ(RaisedCode(loader, client), 10650) << "dir " << dir;
        } else {
            EXPECT_EQ(loader.Load(&client), -1);
        }
        EXPECT_FALSE(loader.IsLoaded());
        EXPECT_FALSE(platform::FileExists(copy)) << "a changed copy is thrown away";
    }
}

TEST_F(LoaderTest, RealEngine) {
    const UString file = FakeFolder() + u"real_engine.bin";
    std::string image = testutil::ReadFile(file);
    std::string packed = testutil::ReadFile(FakeFolder() + u"real_engine.lz");
    if (image.empty() || packed.empty()) GTEST_SKIP() << "the engine is not part of this build";

    auto check = [&](TZMEngineLoader& loader) {
        EXPECT_EQ(loader.Version(), 190);
        EXPECT_GE(loader.PrivVersion(), 1900095);
        EXPECT_EQ(loader.DllName(), "ZMEngine190");
        // A record the engine must refuse (no check word): its answer comes back as it is.
        ZECommand cmd{};
        cmd.Version = 190;
        uint32_t handle = 1;
        EXPECT_LT(loader.Exec(&client, &cmd, handle), 0);
        EXPECT_EQ(handle, 0u);
    };
    // Named as a file (copied under a ".dll" name, which every system accepts here).
    ASSERT_TRUE(testutil::WriteFile(tmp.File("engine.dll"), image));
    {
        TZMEngineLoader loader;
        client.dir = Ansi(tmp.File("engine.dll"));
        ASSERT_EQ(loader.Load(&client), 1);
        check(loader);
        loader.Unload(&client);
    }
    // Through the program's own copy, verbatim or packed, when the build is small enough to be
    // carried (optimised builds are; builds with debugging information may not be).
    std::string carried = image.size() + 4 < TZMEngineLoader::kResourceMax ? image : packed;
    if (carried.size() + 4 >= TZMEngineLoader::kResourceMax)
        GTEST_SKIP() << "engine image of " << image.size() << " bytes too large to be carried";
    EngineResource res(Version(1900096) + carried);
    TZMEngineLoader loader;
    client.dir.clear();
    ASSERT_EQ(loader.Load(&client), 1);
    EXPECT_FALSE(loader.TempDllPath().empty());
    check(loader);
    loader.Unload(&client);
}

}  // namespace
