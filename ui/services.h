#pragma once
// Dialogs, the message loop and the worker-to-main-thread hand-over, for code written against
// the widget model. All of them belong to the main thread except Synchronize and PostToMain.
#include <functional>

#include "ui/component.h"

namespace ui {

// A system message box; returns the pressed button's result (mrOk, mrYes, ...).
int MessageBox(TForm* owner, const UString& text, const UString& caption, unsigned buttons = mbOK,
               unsigned icon = miNone);
// The confirmation dialog with the buttons Yes, No, Cancel, No to All, Yes to All; returns
// mrYes, mrNo, mrCancel, mrNoToAll or mrYesToAll. Closing it counts as Cancel.
int ConfirmDialog(const UString& text, TForm* owner = nullptr, const UString& caption = u"Confirm");
// The shell's folder browser (file-system folders only); empty when cancelled.
UString BrowseForFolder(const UString& title, const UString& initial_folder, bool allow_new_folder,
                        TForm* owner);
// Lets pending window messages and queued main-thread calls run.
void ProcessMessages();
void SetScreenCursor(Cursor c);
Cursor ScreenCursor();
// The program's name for the user: the caption of its task-bar button, which stands for all of
// its forms (forms made after this call belong to it). Empty until set: then every form has a
// button of its own.
void SetApplicationTitle(const UString& title);
const UString& ApplicationTitle();
// Shows the form modally; returns its ModalResult once it has closed.
int ShowModal(TForm& form);
// Shows the form as the main window and runs until it has closed.
void RunMainLoop(TForm& form);

// Runs fn on the main thread and waits for it (a direct call on the main thread itself).
void Synchronize(const std::function<void()>& fn);
// Queues fn for the main thread and returns at once.
void PostToMain(std::function<void()> fn);
bool IsMainThread();

}  // namespace ui
