#include "ui/headless/headless_backend.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>

#include "platform/codepage.h"
#include "ui/headless/headless.h"
#include "ui/services.h"

namespace ui {
namespace headless {
namespace {

struct TQueued {
    std::function<void()> fn;
    bool waits = false;
    bool done = false;
};

struct TState {
    std::deque<int> answers;
    std::vector<TShownDialog> shown;
    std::deque<std::function<void(TForm&)>> modals;
    std::mutex lock;
    std::condition_variable cond;
    std::deque<std::shared_ptr<TQueued>> queue;
};

TState& State() {
    static TState s;
    return s;
}

std::string Utf8(const UString& s) { return platform::WideToUtf8(s); }

int NextAnswer(const TShownDialog& d) {
    TState& s = State();
    s.shown.push_back(d);
    if (s.answers.empty()) {
        throw TUnanswered("unanswered " +
                          std::string(d.Confirmation ? "confirmation" : "message box") + " \"" +
                          Utf8(d.Caption) + "\": " + Utf8(d.Text));
    }
    int r = s.answers.front();
    s.answers.pop_front();
    return r;
}

class THeadlessBackend : public TBackend {
  public:
    int ShowModal(TForm& form) override {
        form.Modal = true;
        RunForm(form);
        form.Modal = false;
        return form.ModalResult;
    }

    void RunMainLoop(TForm& form) override { RunForm(form); }

    int MessageBox(TForm* owner, const UString& text, const UString& caption, unsigned buttons,
                   unsigned icon) override {
        TShownDialog d;
        d.Text = text;
        d.Caption = caption;
        d.Buttons = buttons;
        d.Icon = icon;
        d.Owner = owner;
        return NextAnswer(d);
    }

    int ConfirmDialog(TForm* owner, const UString& text, const UString& caption) override {
        TShownDialog d;
        d.Confirmation = true;
        d.Text = text;
        d.Caption = caption;
        d.Owner = owner;
        int r = NextAnswer(d);
        // The dialog has exactly these buttons; anything else is a fault in the test.
        if (r != mrYes && r != mrNo && r != mrCancel && r != mrNoToAll && r != mrYesToAll) {
            throw TUnanswered("the confirmation dialog has no button for result " +
                              std::to_string(r));
        }
        return r;
    }

    void ProcessMessages() override { Pump(); }
    void SetScreenCursor(Cursor) override {}

    void SynchronizeFromWorker(const std::function<void()>& fn) override {
        auto item = std::make_shared<TQueued>();
        item->fn = fn;
        item->waits = true;
        TState& s = State();
        std::unique_lock<std::mutex> g(s.lock);
        s.queue.push_back(item);
        s.cond.notify_all();
        // A test that never pumps would hang here; say so instead.
        if (!s.cond.wait_for(g, std::chrono::seconds(60), [&] { return item->done; })) {
            std::fprintf(stderr, "headless: a worker waited 60 s for the main thread to pump\n");
            std::abort();
        }
    }

    void PostToMain(std::function<void()> fn) override {
        auto item = std::make_shared<TQueued>();
        item->fn = std::move(fn);
        TState& s = State();
        std::lock_guard<std::mutex> g(s.lock);
        s.queue.push_back(item);
        s.cond.notify_all();
    }

    uintptr_t WindowHandle(TForm*) override { return 0; }

  private:
    static void RunForm(TForm& form) {
        TState& s = State();
        form.Reopen();
        form.Created();
        form.Show();
        form.RestoreFocus();
        if (s.modals.empty()) {
            form.Hide();
            throw TUnanswered("no handler for the form \"" + Utf8(form.Caption()) + "\"");
        }
        auto handler = std::move(s.modals.front());
        s.modals.pop_front();
        handler(form);
        if (!form.Closed()) {
            form.Hide();
            throw TUnanswered("the handler left the form \"" + Utf8(form.Caption()) + "\" open");
        }
    }
};

}  // namespace

TBackend& Backend() {
    static THeadlessBackend b;
    return b;
}

void AnswerNext(int result) { State().answers.push_back(result); }
size_t PendingAnswers() { return State().answers.size(); }
const std::vector<TShownDialog>& Shown() { return State().shown; }
void OnNextModal(std::function<void(TForm&)> handler) {
    State().modals.push_back(std::move(handler));
}
size_t PendingModals() { return State().modals.size(); }

bool Click(TComponent& control) {
    if (!control.Showing() || !control.EffectivelyEnabled()) return false;
    // A button or box the mouse presses takes the focus, as the system's controls do.
    if (TForm* form = control.ParentForm(); form != nullptr && control.TabStop)
        form->UserSetActiveControl(&control);
    control.Click();
    return true;
}

bool PickItem(TComponent& combo, int index) {
    if (!combo.Showing() || !combo.EffectivelyEnabled()) return false;
    if (index < 0 || index >= static_cast<int>(combo.Items().size())) return false;
    combo.UserSetItemIndex(index);
    return true;
}

bool TypeText(TComponent& edit, const UString& text) {
    if (!edit.Showing() || !edit.EffectivelyEnabled() || edit.ReadOnly()) return false;
    edit.UserSetText(text);
    return true;
}

bool PressEnter(TForm& form) { return form.PressEnter(); }

void PressEscape(TForm& form) { form.PressEscape(); }

bool PressTab(TForm& form, bool backwards) { return form.FocusNext(backwards); }

bool PressSpace(TForm& form) {
    TComponent* active = form.ActiveControl();
    if (active == nullptr || !form.CanFocus(active)) return false;
    if (active->GetKind() != Kind::Button && active->GetKind() != Kind::CheckBox) return false;
    active->Click();
    return true;
}

bool CloseBox(TForm& form) { return form.Close(); }

size_t Pump() {
    TState& s = State();
    size_t ran = 0;
    for (;;) {
        std::shared_ptr<TQueued> item;
        {
            std::lock_guard<std::mutex> g(s.lock);
            if (s.queue.empty()) return ran;
            item = s.queue.front();
            s.queue.pop_front();
        }
        std::exception_ptr failure;
        try {
            item->fn();
        } catch (...) {
            failure = std::current_exception();
        }
        ++ran;
        {
            std::lock_guard<std::mutex> g(s.lock);
            item->done = true;
            s.cond.notify_all();
        }
        // The waiting worker goes on with whatever the call left; the test sees the failure.
        if (failure) std::rethrow_exception(failure);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
    TState& s = State();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
        Pump();
        if (done()) return true;
        std::unique_lock<std::mutex> g(s.lock);
        if (std::chrono::steady_clock::now() >= end) return false;
        s.cond.wait_until(
            g, std::min(end, std::chrono::steady_clock::now() + std::chrono::milliseconds(20)),
            [&] { return !s.queue.empty(); });
    }
}

void Reset() {
    TState& s = State();
    s.answers.clear();
    s.shown.clear();
    s.modals.clear();
}

}  // namespace headless
}  // namespace ui
