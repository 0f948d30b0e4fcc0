// DemoApp: the small program the demo package installs, so the installer's Ready page has a
// program to offer and its run action something to start. One window, one line, one button.
#include "platform/abi.h"
#include "ui/component.h"
#include "ui/services.h"

extern "C" int ZM_STDCALL wWinMain(void*, void*, wchar_t*, int) {
    ui::TForm form(u"DemoAppForm");
    form.SetCaption(u"Demo Application");
    form.Placement = ui::FormPosition::Designed;
    form.SetBounds(12, 12, 300, 110);
    form.SetClientSize(300, 110);
    form.SetColor(ui::kWhite);

    ui::TComponent* text = form.Add(ui::Kind::Label, u"lblHello");
    text->SetBounds(16, 16, 268, 40);
    text->WordWrap = true;
    text->SetCaption(u"The demo application was installed and started by its installer.");

    ui::TComponent* close = form.Add(ui::Kind::Button, u"btnClose");
    close->SetControlId(1);
    close->SetBounds(209, 72, 75, 23);
    close->SetCaption(u"Close");
    close->Default = true;
    close->OnClick = [&form](ui::TComponent&) { form.Close(); };

    ui::RunMainLoop(form);
    return 0;
}
