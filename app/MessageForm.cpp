#include "app/MessageForm.h"

namespace plover {

namespace {

FontSpec SansSerif(int height, bool bold = false) {
    FontSpec font;
    font.pixelHeight = height;
    font.bold = bold;
    return font;
}

}  // namespace

TMessageForm::TMessageForm() {
    Label1.name = "Label1";
    Label1.kind = ControlKind::Label;
    Label1.left = 4, Label1.top = 12, Label1.width = 80, Label1.height = 16;
    Label1.caption = "Contact Us:";
    Label1.font = SansSerif(13, true);

    // The design-time lines are replaced by the branding block's support text
    // before the dialog is first shown.
    contactInfoMemo.name = "contactInfoMemo";
    contactInfoMemo.kind = ControlKind::Memo;
    contactInfoMemo.left = 8, contactInfoMemo.top = 40;
    contactInfoMemo.width = 213, contactInfoMemo.height = 69;
    contactInfoMemo.caption = "Plover Support Desk\r\nPhone: 555-0100\r\nwww.example.com/support";
    contactInfoMemo.readOnly = true;
    contactInfoMemo.border = false;
    contactInfoMemo.tabOrder = 1;
    contactInfoMemo.font = SansSerif(11);

    Button1.name = "Button1";
    Button1.kind = ControlKind::Button;
    Button1.left = 80, Button1.top = 120, Button1.width = 68, Button1.height = 20;
    Button1.caption = "OK";
    Button1.tabOrder = 0;
    Button1.font = SansSerif(11);
}

void TMessageForm::Button1Click() {
    if (OnCloseRequest) OnCloseRequest();
}

std::vector<const FormControl*> TMessageForm::Controls() const {
    return {&Label1, &contactInfoMemo, &Button1};
}

}  // namespace plover
