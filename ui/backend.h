#pragma once
// What a backend provides behind the services of ui/services.h. Exactly one backend serves a
// program: the one its ui library brings (win32 on Windows, headless elsewhere and in tests).
#include <cstdint>
#include <functional>

#include "ui/component.h"

namespace ui {

class TBackend {
  public:
    virtual ~TBackend() = default;
    virtual int ShowModal(TForm& form) = 0;
    virtual void RunMainLoop(TForm& form) = 0;
    virtual int MessageBox(TForm* owner, const UString& text, const UString& caption,
                           unsigned buttons, unsigned icon) = 0;
    virtual int ConfirmDialog(TForm* owner, const UString& text, const UString& caption) = 0;
    virtual void ProcessMessages() = 0;
    virtual void SetScreenCursor(Cursor c) = 0;
    // Called on a worker thread: runs fn on the main thread and returns when it has run.
    virtual void SynchronizeFromWorker(const std::function<void()>& fn) = 0;
    virtual void PostToMain(std::function<void()> fn) = 0;
    // The system's handle of the form's window (0 when it has none).
    virtual uintptr_t WindowHandle(TForm* form) = 0;
    // The program's title changed (ui::SetApplicationTitle); a backend without a task bar may
    // ignore it.
    virtual void ApplicationTitleChanged(const UString& title) { (void)title; }
};

TBackend& CurrentBackend();
// Tests may put another backend in place; nullptr returns to the program's own.
void SetBackend(TBackend* backend);

namespace detail {
// Defined by the backend library the program links (its default_backend.cpp).
TBackend& DefaultBackend();
}  // namespace detail

}  // namespace ui
