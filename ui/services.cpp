#include "ui/services.h"

#include "platform/folderdlg.h"
#include "platform/thread.h"
#include "ui/backend.h"

namespace ui {
namespace {

// Module start runs on the main thread, before any worker can exist.
const uint64_t g_main_thread = platform::CurrentThreadId();
TBackend* g_backend = nullptr;
Cursor g_screen_cursor = Cursor::Default;

UString& Title() {
    static UString title;
    return title;
}

}  // namespace

TBackend& CurrentBackend() { return g_backend != nullptr ? *g_backend : detail::DefaultBackend(); }

void SetBackend(TBackend* backend) { g_backend = backend; }

bool IsMainThread() { return platform::CurrentThreadId() == g_main_thread; }

int MessageBox(TForm* owner, const UString& text, const UString& caption, unsigned buttons,
               unsigned icon) {
    return CurrentBackend().MessageBox(owner, text, caption, buttons, icon);
}

int ConfirmDialog(const UString& text, TForm* owner, const UString& caption) {
    return CurrentBackend().ConfirmDialog(owner, text, caption);
}

UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        TForm* owner) {
    return platform::BrowseForFolderDialog(title, initial_folder, allow_new_folder,
                                           CurrentBackend().WindowHandle(owner));
}

void ProcessMessages() { CurrentBackend().ProcessMessages(); }

void SetScreenCursor(Cursor c) {
    g_screen_cursor = c;
    CurrentBackend().SetScreenCursor(c);
}

Cursor ScreenCursor() { return g_screen_cursor; }

void SetApplicationTitle(const UString& title) {
    Title() = title;
    CurrentBackend().ApplicationTitleChanged(title);
}

const UString& ApplicationTitle() { return Title(); }

int ShowModal(TForm& form) { return CurrentBackend().ShowModal(form); }

void RunMainLoop(TForm& form) { CurrentBackend().RunMainLoop(form); }

void Synchronize(const std::function<void()>& fn) {
    if (IsMainThread()) {
        fn();
        return;
    }
    CurrentBackend().SynchronizeFromWorker(fn);
}

void PostToMain(std::function<void()> fn) { CurrentBackend().PostToMain(std::move(fn)); }

}  // namespace ui
