// The real-window backend under a driver thread that acts as the user: the language chooser,
// the confirmation dialog, a form's controls both ways, the hand-over and the rich-text box.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "lang/ulng.h"
#include "platform/codepage.h"
#include "platform/resources.h"
#include "tests/win/uidriver.h"
#include "ui/services.h"
#include "ui/thread.h"

namespace {

using ui::Kind;

std::string U8(const std::wstring& w) {
    return platform::WideToUtf8(UString(reinterpret_cast<const char16_t*>(w.c_str()), w.size()));
}

// Runs the user's part on its own thread while the test's main thread shows the windows; the
// user's findings are checked on the main thread afterwards.
class TUser {
  public:
    explicit TUser(std::function<void()> act) : thread_(std::move(act)) {}
    ~TUser() {
        if (thread_.joinable()) thread_.join();
    }

  private:
    std::thread thread_;
};

class LanguageChooser : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::RcData rc;
        ASSERT_TRUE(platform::FindRcData("LANGPACK", rc));
        ASSERT_TRUE(
            Languages.LoadFromString(std::string(reinterpret_cast<const char*>(rc.data), rc.size)));
        Languages.SetCurrentLanguage("en");
        HideRussianLanguage = 0;
    }
};

TEST_F(LanguageChooser, LayoutPickAndOk) {
    std::vector<std::wstring> items;
    int preselected = -2;
    RECT combo_rect = {}, ok_rect = {};
    SIZE client = {};
    std::wstring ok_text;
    bool found = false;
    {
        TUser user([&] {
            HWND top = uidriver::WaitOwnWindow(L"Choose your language", 60000);
            if (top == nullptr) return;
            found = true;
            HWND combo = uidriver::Find(top, L"ComboBox");
            HWND ok = uidriver::Find(top, L"=OK");
            if (combo == nullptr || ok == nullptr) {
                uidriver::CloseWindow(top);
                return;
            }
            items = uidriver::ComboItems(combo);
            preselected = uidriver::ComboSelection(combo);
            combo_rect = uidriver::RectInTop(combo);
            ok_rect = uidriver::RectInTop(ok);
            ok_text = uidriver::Text(ok);
            client = uidriver::ClientSize(top);
            uidriver::PickItem(combo, 2);
            Sleep(100);
            uidriver::Click(ok);
        });
        ChooseLanguage();
    }
    ASSERT_TRUE(found) << "the dialog did not appear";
    EXPECT_EQ(Languages.CurrentLanguage(), "de");
    ASSERT_EQ(items.size(), 7u);
    EXPECT_EQ(U8(items[2]), "Deutsch (German)");
    EXPECT_EQ(preselected, 1) << "the current language, en, is preselected";
    const int combo_height = combo_rect.bottom - combo_rect.top;
    EXPECT_EQ(combo_rect.left, 14);
    EXPECT_EQ(combo_rect.top, 14);
    EXPECT_EQ(combo_rect.right - combo_rect.left, 178);
    EXPECT_EQ(ok_rect.left, 206);
    EXPECT_EQ(ok_rect.top, 14);
    EXPECT_EQ(ok_rect.right - ok_rect.left, 75);
    EXPECT_EQ(ok_rect.bottom - ok_rect.top, combo_height) << "the button is as high as the box";
    EXPECT_EQ(client.cx, 295);
    EXPECT_EQ(client.cy, combo_height + 28);
}

TEST_F(LanguageChooser, AltF4AndEnterApplyTheSelection) {
    bool found = false;
    {
        TUser user([&] {
            HWND top = uidriver::WaitOwnWindow(L"Choose your language", 60000);
            if (top == nullptr) return;
            found = true;
            uidriver::PickItem(uidriver::Find(top, L"ComboBox"), 5);
            Sleep(100);
            uidriver::PressAltF4(top);
        });
        ChooseLanguage();
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(Languages.CurrentLanguage(), "uk");

    found = false;
    {
        TUser user([&] {
            HWND top = uidriver::WaitOwnWindow(L"Choose your language", 60000);
            if (top == nullptr) return;
            found = true;
            HWND combo = uidriver::Find(top, L"ComboBox");
            uidriver::PickItem(combo, 6);
            Sleep(100);
            uidriver::PressEnter(combo);
        });
        ChooseLanguage();
    }
    ASSERT_TRUE(found);
    EXPECT_EQ(Languages.CurrentLanguage(), "pl");
}

// One answer of the confirmation dialog, given by the driver.
int AnswerConfirmation(const std::function<void(HWND)>& answer, std::wstring* text_seen) {
    int result = -1;
    TUser user([&] {
        HWND top = uidriver::WaitOwnWindow(L"Confirm", 60000);
        if (top == nullptr) return;
        if (text_seen != nullptr) {
            for (HWND h : uidriver::Controls(top)) {
                if (uidriver::ClassOf(h) == L"Static" && !uidriver::Text(h).empty()) {
                    *text_seen = uidriver::Text(h);
                }
            }
        }
        answer(top);
    });
    result = ui::ConfirmDialog(u"Файл readme.txt существует.\r\n\r\nПерезаписать?");
    return result;
}

TEST(ConfirmDialog, EveryButtonGivesItsResultAndClosingIsCancel) {
    std::wstring seen;
    EXPECT_EQ(AnswerConfirmation(
                  [](HWND top) { uidriver::Click(uidriver::Find(top, L"=Yes to All")); }, &seen),
              10);
    EXPECT_EQ(U8(seen), "Файл readme.txt существует.\r\n\r\nПерезаписать?");
    EXPECT_EQ(
        AnswerConfirmation([](HWND top) { uidriver::Click(uidriver::Find(top, L"#9")); }, nullptr),
        9);
    EXPECT_EQ(
        AnswerConfirmation([](HWND top) { uidriver::Click(uidriver::Find(top, L"=No")); }, nullptr),
        7);
    EXPECT_EQ(AnswerConfirmation([](HWND top) { uidriver::Click(uidriver::Find(top, L"=Yes")); },
                                 nullptr),
              6);
    EXPECT_EQ(AnswerConfirmation([](HWND top) { uidriver::Click(uidriver::Find(top, L"=Cancel")); },
                                 nullptr),
              2);
    EXPECT_EQ(AnswerConfirmation([](HWND top) { uidriver::CloseWindow(top); }, nullptr), 2);
    EXPECT_EQ(AnswerConfirmation([](HWND top) { uidriver::PressAltF4(top); }, nullptr), 2);
}

TEST(Win32Form, ControlsMirrorTheModelBothWays) {
    ui::TForm form(u"TestForm");
    form.SetCaption(u"Установка - Тест");
    form.SetClientSize(487, 353);
    form.SetColor(ui::Rgb(225, 225, 225));
    auto* page = form.Add(Kind::Panel, u"pbase");
    page->SetBounds(163, 0, 332, 314);
    page->SetColor(ui::kWhite);
    page->Border = false;
    auto* label = form.Add(Kind::Label, u"lblStage", page);
    label->SetBounds(10, 8, 314, 41);
    label->SetCaption(u"Вас приветствует мастер установки");
    auto* edit = form.Add(Kind::Edit, u"txtOutput", page);
    edit->SetBounds(9, 220, 216, 21);
    edit->SetText(u"C:\\Games\\");
    auto* check = form.Add(Kind::CheckBox, u"chkRun", page);
    check->SetBounds(8, 32, 250, 17);
    check->SetCaption(u"Запустить");
    auto* combo = form.Add(Kind::ComboBox, u"cb", page);
    combo->SetBounds(8, 60, 150, 21);
    combo->AddItem(u"один");
    combo->AddItem(u"два");
    auto* bar = form.Add(Kind::ProgressBar, u"bar", page);
    bar->SetBounds(8, 100, 298, 16);
    auto* close = form.Add(Kind::Button, u"btnCancel");
    close->SetBounds(404, 322, 75, 23);
    close->SetCaption(u"Отмена");
    auto* hidden = form.Add(Kind::Button, u"btnBack");
    hidden->SetBounds(237, 322, 75, 23);
    hidden->Hide();
    int edit_changes = 0;
    edit->OnChange = [&](ui::TComponent&) { ++edit_changes; };
    close->OnClick = [&](ui::TComponent&) { form.Close(); };
    form.OnCreate = [&](ui::TComponent&) { bar->SetPosition(40); };

    std::atomic<bool> user_saw_update{false};
    std::wstring label_text, title;
    RECT edit_rect = {};
    int bar_pos = -1;
    bool back_visible = true;
    {
        TUser user([&] {
            HWND top = uidriver::WaitOwnWindow(L"Установка - Тест", 60000);
            if (top == nullptr) return;
            title = uidriver::Text(top);
            label_text =
                uidriver::Text(uidriver::Find(top, L"#" + std::to_wstring(label->ControlId())));
            HWND e = uidriver::Find(top, L"#" + std::to_wstring(edit->ControlId()));
            edit_rect = uidriver::RectInTop(e);
            bar_pos = uidriver::ProgressPosition(uidriver::Find(top, L"msctls_progress32"));
            back_visible =
                uidriver::Visible(uidriver::Find(top, L"#" + std::to_wstring(hidden->ControlId())));
            uidriver::SetText(e, L"D:\\Other\\");
            uidriver::Click(uidriver::Find(top, L"#" + std::to_wstring(check->ControlId())));
            uidriver::PickItem(uidriver::Find(top, L"ComboBox"), 1);
            Sleep(200);
            user_saw_update = true;
            uidriver::Click(uidriver::Find(top, L"=Отмена"));
        });
        ui::RunMainLoop(form);
    }
    EXPECT_TRUE(user_saw_update);
    EXPECT_EQ(U8(title), "Установка - Тест");
    EXPECT_EQ(U8(label_text), "Вас приветствует мастер установки");
    EXPECT_EQ(edit_rect.left, 163 + 9) << "placed on the panel";
    EXPECT_EQ(edit_rect.top, 220);
    EXPECT_EQ(edit_rect.right - edit_rect.left, 216);
    EXPECT_EQ(bar_pos, 40) << "set in OnCreate, before the window existed";
    EXPECT_FALSE(back_visible);
    EXPECT_EQ(edit->Text(), u"D:\\Other\\");
    EXPECT_EQ(edit_changes, 1);
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_TRUE(form.Closed());
}

class TWorker : public ui::TThread {
  public:
    TWorker() { Start(); }
    std::atomic<int> seen_after{0};
    int value = 0;
    DWORD ran_on = 0;

  protected:
    void Execute() override {
        for (int i = 1; i <= 20 && !Terminated(); ++i) {
            Synchronize([this, i] {
                value = i;
                ran_on = GetCurrentThreadId();
            });
            seen_after = value;
        }
    }
};

TEST(Win32HandOver, SynchronizeRunsOnTheMainThreadAndTheEndNoticeFollows) {
    bool ended = false;
    TWorker worker;
    worker.OnTerminate = [&] { ended = true; };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        ui::ProcessMessages();
        Sleep(1);
    }
    EXPECT_TRUE(ended);
    EXPECT_EQ(worker.value, 20);
    EXPECT_EQ(worker.seen_after.load(), 20);
    EXPECT_EQ(worker.ran_on, GetCurrentThreadId());
}

TEST(Win32RichEdit, NeverTakesTheCaret) {
    ui::TForm form(u"RichForm");
    form.SetCaption(u"Rich edit test");
    form.SetClientSize(320, 200);
    auto* edit = form.Add(Kind::Edit, u"txt");
    edit->SetBounds(8, 170, 200, 21);
    auto* rich = form.Add(Kind::RichEdit, u"welcome");
    rich->SetBounds(8, 8, 298, 150);
    rich->SetReadOnly(true);
    rich->TabStop = false;
    rich->Border = false;
    rich->Scroll = ui::ScrollBars::Vertical;
    rich->SetText(u"Программа установит Тест на Ваш компьютер.");
    std::wstring cls, text;
    HWND caret_owner = nullptr, rich_hwnd = nullptr;
    form.OnCreate = [&](ui::TComponent&) {
        ui::PostToMain([&] {
            HWND top = uidriver::WaitOwnWindow(L"Rich edit test", 30000);
            rich_hwnd = uidriver::Find(top, L"#" + std::to_wstring(rich->ControlId()));
            cls = uidriver::ClassOf(rich_hwnd);
            text = uidriver::Text(rich_hwnd);
            SetFocus(rich_hwnd);
            ui::ProcessMessages();
            GUITHREADINFO info = {};
            info.cbSize = sizeof(info);
            GetGUIThreadInfo(GetCurrentThreadId(), &info);
            caret_owner = info.hwndCaret;
            form.Close();
        });
    };
    ui::RunMainLoop(form);
    EXPECT_EQ(_wcsicmp(cls.c_str(), L"RICHEDIT50W"), 0) << U8(cls);
    EXPECT_EQ(U8(text), "Программа установит Тест на Ваш компьютер.");
    EXPECT_NE(rich_hwnd, nullptr);
    EXPECT_NE(caret_owner, rich_hwnd);
}

// The extraction log gets one line per file, many at a time: thousands of lines must all arrive
// in the control, past the edit control's default 32 K limit, and the view follows the newest
// line.
TEST(Win32Memo, AppendedLinesReachTheControlBeyondItsDefaultLimit) {
    ui::TForm form(u"MemoForm");
    form.SetCaption(u"Memo test");
    form.SetClientSize(320, 200);
    auto* memo = form.Add(Kind::Memo, u"log");
    memo->SetBounds(8, 8, 298, 150);
    memo->SetReadOnly(true);
    memo->Scroll = ui::ScrollBars::Vertical;
    memo->AppendLine(u"before the window");
    std::wstring text;
    LRESULT first_visible = 0;
    form.OnCreate = [&](ui::TComponent&) {
        ui::PostToMain([&] {
            // As the extraction thread hands them over: a few lines one by one, then many at once.
            std::vector<UString> lines;
            for (int i = 0; i < 3000; ++i) {
                const UString line =
                    u"папка/файл-" + platform::Utf8ToWide(std::to_string(i)) + u".txt";
                if (i < 3)
                    memo->AppendLine(line);
                else
                    lines.push_back(line);
            }
            memo->AppendLines(lines);
            // The control may draw later on a busy machine: wait until the last line is there.
            HWND top = uidriver::WaitOwnWindow(L"Memo test", 30000);
            HWND h = uidriver::Find(top, L"#" + std::to_wstring(memo->ControlId()));
            const auto whole = static_cast<int>(memo->Caption().size());
            for (int waited = 0; waited < 30000 && GetWindowTextLengthW(h) < whole; waited += 50) {
                Sleep(50);
                ui::ProcessMessages();
            }
            text.resize(static_cast<size_t>(GetWindowTextLengthW(h)) + 1);
            text.resize(
                static_cast<size_t>(GetWindowTextW(h, &text[0], static_cast<int>(text.size()))));
            first_visible = SendMessageW(h, EM_GETFIRSTVISIBLELINE, 0, 0);
            form.Close();
        });
    };
    ui::RunMainLoop(form);
    ASSERT_GT(text.size(), 32767u);
    EXPECT_EQ(U8(text), U8(std::wstring(memo->Caption().begin(), memo->Caption().end())));
    EXPECT_EQ(memo->Lines().size(), 3001u);
    EXPECT_EQ(memo->Lines().back(), u"папка/файл-2999.txt");
    EXPECT_GT(first_visible, 2900) << "the view shows the newest lines";
}

}  // namespace
