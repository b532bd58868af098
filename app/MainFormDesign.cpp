// The main window's controls as designed: names, texts, places, fonts,
// visibility and tab order. The panel logic moves and shows them from here.
// The order in which they are placed is the form's list of controls: the
// order the view creates and paints them in, each panel before its children.
#include "app/PloverMainForm.h"

namespace plover {

namespace {

FontSpec Arial(int pixelHeight, bool bold = false, bool italic = false, bool underline = false) {
    FontSpec font;
    font.face = "Arial";
    font.pixelHeight = pixelHeight;
    font.bold = bold;
    font.italic = italic;
    font.underline = underline;
    return font;
}

// Places each control and adds it to the list of controls.
class Designer {
public:
    explicit Designer(std::vector<FormControl*>& controls) : controls_(controls) {}

    FormControl& Place(FormControl& control, const char* name, ControlKind kind,
                       const FormControl* parent, int left, int top, int width, int height,
                       bool visible) {
        control.name = name;
        control.kind = kind;
        control.parent = parent;
        control.left = left;
        control.top = top;
        control.width = width;
        control.height = height;
        control.visible = visible;
        controls_.push_back(&control);
        return control;
    }

    void PlacePicture(FormControl& control, const char* name, const FormControl* parent, int left,
                      int top, int width, int height, Picture picture, bool visible = true) {
        Place(control, name, ControlKind::Picture, parent, left, top, width, height, visible)
            .picture = picture;
    }

    void PlaceLink(FormControl& control, const char* name, const FormControl* parent, int left,
                   int top, const char* caption) {
        Place(control, name, ControlKind::LinkLabel, parent, left, top, 0, 0, true);
        control.caption = caption;
        control.font = Arial(13, true, false, true);
        control.handCursor = true;
    }

    void PlaceButton(FormControl& control, const char* name, int left, const char* caption,
                     bool visible, int tabOrder) {
        Place(control, name, ControlKind::Button, nullptr, left, 438, 120, 30, visible);
        control.caption = caption;
        control.font = Arial(13, true);
        control.handCursor = true;
        control.tabOrder = tabOrder;
    }

private:
    std::vector<FormControl*>& controls_;
};

void PlaceWelcomeScreen(Designer& design, TPloverMainForm& form) {
    design.PlacePicture(form.firstImage, "firstImage", nullptr, 0, 0, 441, 480,
                        Picture::WelcomeBackground);

    FormControl& Label3 =
        design.Place(form.Label3, "Label3", ControlKind::Label, nullptr, 54, 144, 328, 224, true);
    Label3.wordWrap = true;
    Label3.font = Arial(13, true);
    Label3.caption = "Welcome to the Plover Utility. This utility will help you:";
    for (int i = 0; i < 11; ++i) Label3.caption += "\r\n";
    Label3.caption += "To get started simply click on the \"Run Test\" button below";

    FormControl& Label10 = design.Place(form.Label10, "Label10", ControlKind::Label, nullptr, 102,
                                        192, 269, 128, true);
    Label10.wordWrap = true;
    Label10.font = Arial(13);
    Label10.caption =
        "Diagnose and automatically repair the most common connection issues\r\n\r\n"
        "Solve complex connection issues by providing easy step by step instructions\r\n\r\n"
        "Pinpoint issues and direct you to the right support contact for further assistance";

    design.PlacePicture(form.Image4, "Image4", nullptr, 80, 196, 10, 10, Picture::Bullet);
    design.PlacePicture(form.Image5, "Image5", nullptr, 80, 244, 10, 10, Picture::Bullet);
    design.PlacePicture(form.Image6, "Image6", nullptr, 80, 292, 10, 10, Picture::Bullet);

    // Why Run Test waits after Cancel or a close in mid-run; hidden otherwise.
    FormControl& stopNotice = design.Place(form.stopNotice, "stopNotice", ControlKind::Label,
                                           nullptr, 54, 392, 328, 32, false);
    stopNotice.wordWrap = true;
    stopNotice.font = Arial(13, true);
}

void PlaceStagesPanel(Designer& design, TPloverMainForm& form) {
    FormControl* panel = &form.stepsPanel;
    design.Place(*panel, "stepsPanel", ControlKind::Panel, nullptr, 0, 0, 453, 497, false);
    design.PlacePicture(form.Image2, "Image2", panel, -2, 0, 443, 481, Picture::PanelBackground);
    FormControl& Label4 =
        design.Place(form.Label4, "Label4", ControlKind::Label, panel, 144, 188, 180, 144, true);
    Label4.font = Arial(13, true);
    Label4.caption =
        "Checking network settings...\r\n\r\nChecking local connection...\r\n\r\n"
        "Checking ISP connection...\r\n\r\nChecking name resolution...\r\n\r\n"
        "Checking browser settings...";
    design.PlacePicture(form.goodImage, "goodImage", panel, 0, 0, 22, 19, Picture::PassMark, false);
    design.PlacePicture(form.failImage, "failImage", panel, 0, 0, 22, 19, Picture::FailMark, false);
    design.PlacePicture(form.Image1, "Image1", panel, 28, 60, 49, 57, Picture::HeaderIcon);
    FormControl& Label1 =
        design.Place(form.Label1, "Label1", ControlKind::Label, panel, 108, 68, 0, 0, true);
    Label1.font = Arial(16, true, true);
    Label1.caption = "Testing your Internet connection...\r\nPlease wait...";
    const std::pair<FormControl*, const char*> marks[] = {
        {&form.s1, "s1"}, {&form.s2, "s2"}, {&form.s3, "s3"}, {&form.s4, "s4"}, {&form.s5, "s5"}};
    int top = 188;
    for (const auto& [mark, name] : marks) {
        design.PlacePicture(*mark, name, panel, 100, top, 22, 19, Picture::None);
        top += 32;
    }
    design
        .Place(form.progressImage, "progressImage", ControlKind::AnimatedPicture, panel, 88, 146,
               16, 16, false)
        .picture = Picture::Working;
}

void PlaceSuccessPanel(Designer& design, TPloverMainForm& form) {
    FormControl* panel = &form.goodPanel;
    design.Place(*panel, "goodPanel", ControlKind::Panel, nullptr, 0, 0, 453, 493, false);
    design.PlacePicture(form.Image18, "Image18", panel, -2, 0, 443, 481, Picture::PanelBackground);
    FormControl& Label6 =
        design.Place(form.Label6, "Label6", ControlKind::Label, panel, 116, 68, 0, 0, true);
    Label6.font = Arial(16, true);
    Label6.caption = "Success! It appears your Internet\r\nConnection is working properly...";
    FormControl& Label9 =
        design.Place(form.Label9, "Label9", ControlKind::Label, panel, 29, 155, 366, 80, true);
    Label9.wordWrap = true;
    Label9.font = Arial(13);
    Label9.caption =
        "If you are still experiencing issues please ensure that you have disabled any firewall "
        "software that may be installed. Once the software is disabled click the \"Try Again\" "
        "to rerun the utility.\r\n\r\nFor further assistance click on a link below. ";
    design.PlaceLink(form.emailURL, "emailURL", panel, 29, 283, "Email Not Working");
    design.PlaceLink(form.performanceURL, "performanceURL", panel, 29, 316, "SlowPC Performance");
    design.PlaceLink(form.errorURL, "errorURL", panel, 29, 349, "Error Messages on Screen");
    design.PlaceLink(form.popupURL, "popupURL", panel, 216, 283, "Popup Flooding Screen");
    design.PlaceLink(form.browseURL, "browseURL", panel, 216, 316, "Still Cannot Browse Internet");
    design.PlacePicture(form.Image7, "Image7", panel, 44, 68, 45, 36, Picture::SuccessIcon);
}

void PlaceFailurePanel(Designer& design, TPloverMainForm& form) {
    FormControl* panel = &form.failPanel;
    design.Place(*panel, "failPanel", ControlKind::Panel, nullptr, 0, 0, 453, 493, false);
    design.PlacePicture(form.Image3, "Image3", panel, -2, 0, 443, 481, Picture::PanelBackground);
    FormControl& Label2 =
        design.Place(form.Label2, "Label2", ControlKind::Label, panel, 108, 76, 0, 0, true);
    Label2.font = Arial(16, true);
    Label2.caption = "Failure - Action Required";
    FormControl& Label7 =
        design.Place(form.Label7, "Label7", ControlKind::Label, panel, 32, 140, 381, 293, false);
    Label7.wordWrap = true;
    Label7.autoSize = false;
    Label7.font = Arial(12);
    FormControl& Label8 =
        design.Place(form.Label8, "Label8", ControlKind::Label, panel, 28, 168, 375, 60, false);
    Label8.wordWrap = true;
    Label8.font = Arial(12);
    design
        .Place(form.tempFailImage, "tempFailImage", ControlKind::AnimatedPicture, panel, 60, 80, 16,
               16, false)
        .picture = Picture::RepairWorking;
    FormControl& mssgAtxt =
        design.Place(form.mssgAtxt, "mssgAtxt", ControlKind::Memo, panel, 28, 142, 397, 293, false);
    mssgAtxt.readOnly = true;
    mssgAtxt.border = false;
    mssgAtxt.verticalScrollBar = true;
    mssgAtxt.font = Arial(12);
}

}  // namespace

void TPloverMainForm::BuildControls() {
    Designer design(controls_);
    PlaceWelcomeScreen(design, *this);
    PlaceStagesPanel(design, *this);
    PlaceSuccessPanel(design, *this);
    PlaceFailurePanel(design, *this);
    design.PlaceButton(RunTestButton, "RunTestButton", 257, "Run Test", true, 0);
    design.PlaceButton(contactCancel, "contactCancel", 164, "Contact Support", false, 1);
    design.PlaceButton(CloseButton, "CloseButton", 69, "Close", true, 2);
}

}  // namespace plover
