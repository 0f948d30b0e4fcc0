// Shows real windows of the ui layer for a person or a driver script:
//   ui_demo [chooser]   the language chooser with the shipped pack; prints "chosen=<id>"
//   ui_demo confirm     the confirmation dialog; prints "result=<n>"
//   ui_demo page        a sample wizard page (every kind of control the wizard uses)
// Exit code 0 when the window was used as asked.
#include <cstdio>
#include <string>

#include "lang/ulng.h"
#include "platform/resources.h"
#include "ui/services.h"

namespace {

using ui::Kind;

int Chooser() {
    platform::RcData rc;
    if (!platform::FindRcData("LANGPACK", rc)) return 2;
    if (!Languages.LoadFromString(std::string(reinterpret_cast<const char*>(rc.data), rc.size))) {
        return 2;
    }
    Languages.SetCurrentLanguage("en");
    ChooseLanguage();
    std::printf("chosen=%s\n", Languages.CurrentLanguage().c_str());
    return Languages.CurrentLanguage().empty() ? 1 : 0;
}

int Confirm() {
    int r = ui::ConfirmDialog(u"Файл C:\\Games\\Тест\\readme.txt существует.\r\n\r\nПерезаписать?");
    std::printf("result=%d\n", r);
    return 0;
}

// A picture strip like the wizard's: a vertical blue gradient.
ui::TBitmap Strip(int w, int h) {
    ui::TBitmap b;
    b.Width = w;
    b.Height = h;
    b.Pixels.resize(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned v = static_cast<unsigned>(60 + 140 * y / h);
            b.Pixels[static_cast<size_t>(y * w + x)] = (v / 3 << 16) | (v / 2 << 8) | v;
        }
    }
    return b;
}

int Page() {
    ui::TForm form(u"MainForm");
    form.SetCaption(u"Установка - Тест");
    form.BorderIcons = ui::biSystemMenu | ui::biMinimize;
    form.SetClientSize(487, 353);
    form.SetColor(ui::Rgb(225, 225, 225));
    auto* logo = form.Add(Kind::Image, u"imgLogo");
    logo->SetBounds(0, 0, 163, 314);
    logo->SetPicture(Strip(163, 314));
    auto* pbase = form.Add(Kind::Panel, u"pbase");
    pbase->Border = false;
    pbase->SetBounds(163, 0, 332, 314);
    pbase->SetColor(ui::kWhite);
    auto* stage = form.Add(Kind::Label, u"lblStage", pbase);
    stage->WordWrap = true;
    stage->SetBounds(10, 8, 314, 41);
    stage->SetFont(ui::Font{u"Tahoma", 16, true, ui::kDefaultColor});
    stage->SetCaption(u"Вас приветствует мастер установки Тест");
    auto* page = form.Add(Kind::Panel, u"pFirst", pbase);
    page->Border = false;
    page->SetBounds(10, 56, 314, 249);
    auto* rich = form.Add(Kind::RichEdit, u"welcome", page);
    rich->SetBounds(8, 8, 298, 161);
    rich->Border = false;
    rich->TabStop = false;
    rich->Scroll = ui::ScrollBars::Vertical;
    rich->SetReadOnly(true);
    rich->SetCursor(ui::Cursor::Arrow);
    rich->SetText(
        u"Программа установит Тест на Ваш компьютер.\r\n\r\nРекомендуется закрыть все прочие "
        u"приложения перед тем, как продолжить.\r\n\r\nНажмите \"Далее\" чтобы продолжить, или "
        u"\"Отмена\" чтобы выйти из программы установки.");
    auto* delim = form.Add(Kind::Separator, u"bDelim0", page);
    delim->SetBounds(8, 177, 298, 2);
    auto* hint = form.Add(Kind::Label, u"Label1", page);
    hint->WordWrap = true;
    hint->SetBounds(8, 185, 297, 32);
    hint->SetCaption(
        u"Программа будет установлена в следующую папку. Для выбора другой папки нажмите "
        u"\"Обзор\".");
    auto* dest = form.Add(Kind::Edit, u"txtOutput", page);
    dest->SetBounds(9, 220, 216, 21);
    dest->SetReadOnly(true);
    dest->TabStop = false;
    dest->SetColor(ui::Rgb(240, 240, 240));
    dest->SetText(u"C:\\Games\\Тест\\");
    auto* browse = form.Add(Kind::Button, u"btnBrowse", page);
    browse->SetBounds(232, 220, 73, 21);
    browse->SetCaption(u"Обзор");
    auto* line = form.Add(Kind::Separator, u"bevel");
    line->SetBounds(0, 306, 487, 2);
    const char16_t* captions[] = {u"Назад", u"Далее", u"Отмена"};
    const int xs[] = {237, 316, 404};
    for (int i = 0; i < 3; ++i) {
        auto* b = form.Add(Kind::Button, captions[i]);
        b->SetBounds(xs[i], 322, 75, 23);
        b->SetCaption(captions[i]);
        if (i == 0) b->SetEnabled(false);
        if (i == 2) b->OnClick = [&form](ui::TComponent&) { form.Close(); };
    }
    // The page's text box stays behind the other controls of the page.
    rich->SendToBack();
    ui::RunMainLoop(form);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "chooser";
    int rc = mode == "confirm" ? Confirm() : mode == "page" ? Page() : Chooser();
    std::fflush(stdout);
    return rc;
}
