#pragma once
// The in-memory backend's controls for tests: answer the next message box or question, handle
// the next modal form, click, pick, type, close, and run the calls workers queued for the main
// thread. Whatever the program asks and the test has not answered fails loudly (TUnanswered).
#include <functional>
#include <stdexcept>
#include <vector>

#include "ui/component.h"

namespace ui {
namespace headless {

struct TUnanswered : std::logic_error {
    using std::logic_error::logic_error;
};

// A message box or confirmation the program showed.
struct TShownDialog {
    bool Confirmation = false;
    UString Text;
    UString Caption;
    unsigned Buttons = 0;
    unsigned Icon = 0;
    TForm* Owner = nullptr;
};

// The answer (mrOk, mrYes, mrYesToAll, ...) to the next message box or confirmation.
void AnswerNext(int result);
size_t PendingAnswers();
const std::vector<TShownDialog>& Shown();

// The next form shown modally (or run as main form) is handed to this handler, which must
// close it (Click an OK button, PressEnter, CloseBox, ...).
void OnNextModal(std::function<void(TForm&)> handler);
size_t PendingModals();

// Acts as the user would; false (and nothing happens) when the control is hidden or disabled.
bool Click(TComponent& control);
bool PickItem(TComponent& combo, int index);
bool TypeText(TComponent& edit, const UString& text);
// Keys on the form, by the rules of ui/keyboard.cpp. Enter: the focused button, else the default
// one. Escape: the Cancel button, else the close box. Tab: the next tab stop. Space: presses the
// focused button or toggles the focused box.
bool PressEnter(TForm& form);
void PressEscape(TForm& form);
bool PressTab(TForm& form, bool backwards = false);
bool PressSpace(TForm& form);
// The close box or Alt+F4.
bool CloseBox(TForm& form);

// Runs the calls queued for the main thread (Synchronize, PostToMain); returns how many ran.
size_t Pump();
// Pumps until done() holds; false when it did not within timeout_ms.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms = 60000);

// Forgets answers, handlers and the shown-dialog log (between tests).
void Reset();

}  // namespace headless
}  // namespace ui
