// The main window's controls as designed: names, texts, places, fonts,
// visibility and tab order. The panel logic moves and shows them from here.
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

void Place(FormControl& control, const char* name, ControlKind kind, const FormControl* parent,
           int left, int top, int width, int height, bool visible) {
    control.name = name;
    control.kind = kind;
    control.parent = parent;
    control.left = left;
    control.top = top;
    control.width = width;
    control.height = height;
    control.visible = visible;
}

void PlacePicture(FormControl& control, const char* name, const FormControl* parent, int left,
                  int top, int width, int height, Picture picture, bool visible = true) {
    Place(control, name, ControlKind::Picture, parent, left, top, width, height, visible);
    control.picture = picture;
}

void PlaceLink(FormControl& control, const char* name, const FormControl* parent, int left, int top,
               const char* caption) {
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

}  // namespace

void TPloverMainForm::BuildControls() {
    PlacePicture(firstImage, "firstImage", nullptr, 0, 0, 441, 480, Picture::WelcomeBackground);

    Place(Label3, "Label3", ControlKind::Label, nullptr, 54, 144, 328, 224, true);
    Label3.transparent = true;
    Label3.wordWrap = true;
    Label3.font = Arial(13, true);
    Label3.caption = "Welcome to the Plover Utility. This utility will help you:";
    for (int i = 0; i < 11; ++i) Label3.caption += "\r\n";
    Label3.caption += "To get started simply click on the \"Run Test\" button below";

    Place(Label10, "Label10", ControlKind::Label, nullptr, 102, 192, 269, 128, true);
    Label10.transparent = true;
    Label10.wordWrap = true;
    Label10.font = Arial(13);
    Label10.caption =
        "Diagnose and automatically repair the most common connection issues\r\n\r\n"
        "Solve complex connection issues by providing easy step by step instructions\r\n\r\n"
        "Pinpoint issues and direct you to the right support contact for further assistance";

    PlacePicture(Image4, "Image4", nullptr, 80, 196, 10, 10, Picture::Bullet);
    PlacePicture(Image5, "Image5", nullptr, 80, 244, 10, 10, Picture::Bullet);
    PlacePicture(Image6, "Image6", nullptr, 80, 292, 10, 10, Picture::Bullet);

    // Why Run Test waits after Cancel or a close in mid-run; hidden otherwise.
    Place(stopNotice, "stopNotice", ControlKind::Label, nullptr, 54, 392, 328, 32, false);
    stopNotice.transparent = true;
    stopNotice.wordWrap = true;
    stopNotice.font = Arial(13, true);

    // The stages in progress.
    Place(stepsPanel, "stepsPanel", ControlKind::Panel, nullptr, 0, 0, 453, 497, false);
    PlacePicture(Image2, "Image2", &stepsPanel, -2, 0, 443, 481, Picture::PanelBackground);
    Place(Label4, "Label4", ControlKind::Label, &stepsPanel, 144, 188, 180, 144, true);
    Label4.font = Arial(13, true);
    Label4.caption =
        "Checking network settings...\r\n\r\nChecking local connection...\r\n\r\n"
        "Checking ISP connection...\r\n\r\nChecking name resolution...\r\n\r\n"
        "Checking browser settings...";
    PlacePicture(goodImage, "goodImage", &stepsPanel, 0, 0, 22, 19, Picture::PassMark, false);
    PlacePicture(failImage, "failImage", &stepsPanel, 0, 0, 22, 19, Picture::FailMark, false);
    PlacePicture(Image1, "Image1", &stepsPanel, 28, 60, 49, 57, Picture::HeaderIcon);
    Place(Label1, "Label1", ControlKind::Label, &stepsPanel, 108, 68, 0, 0, true);
    Label1.font = Arial(16, true, true);
    Label1.caption = "Testing your Internet connection...\r\nPlease wait...";
    const char* markNames[] = {"s1", "s2", "s3", "s4", "s5"};
    const auto marks = StageMarks();
    for (size_t i = 0; i < marks.size(); ++i) {
        PlacePicture(*marks[i], markNames[i], &stepsPanel, 100, 188 + 32 * static_cast<int>(i), 22,
                     19, Picture::None);
    }
    Place(progressImage, "progressImage", ControlKind::AnimatedPicture, &stepsPanel, 88, 146, 16,
          16, false);
    progressImage.picture = Picture::Working;

    // Success.
    Place(goodPanel, "goodPanel", ControlKind::Panel, nullptr, 0, 0, 453, 493, false);
    PlacePicture(Image18, "Image18", &goodPanel, -2, 0, 443, 481, Picture::PanelBackground);
    Place(Label6, "Label6", ControlKind::Label, &goodPanel, 116, 68, 0, 0, true);
    Label6.font = Arial(16, true);
    Label6.caption = "Success! It appears your Internet\r\nConnection is working properly...";
    Place(Label9, "Label9", ControlKind::Label, &goodPanel, 29, 155, 366, 80, true);
    Label9.wordWrap = true;
    Label9.font = Arial(13);
    Label9.caption =
        "If you are still experiencing issues please ensure that you have disabled any firewall "
        "software that may be installed. Once the software is disabled click the \"Try Again\" "
        "to rerun the utility.\r\n\r\nFor further assistance click on a link below. ";
    PlaceLink(emailURL, "emailURL", &goodPanel, 29, 283, "Email Not Working");
    PlaceLink(performanceURL, "performanceURL", &goodPanel, 29, 316, "SlowPC Performance");
    PlaceLink(errorURL, "errorURL", &goodPanel, 29, 349, "Error Messages on Screen");
    PlaceLink(popupURL, "popupURL", &goodPanel, 216, 283, "Popup Flooding Screen");
    PlaceLink(browseURL, "browseURL", &goodPanel, 216, 316, "Still Cannot Browse Internet");
    PlacePicture(Image7, "Image7", &goodPanel, 44, 68, 45, 36, Picture::SuccessIcon);

    // Failure.
    Place(failPanel, "failPanel", ControlKind::Panel, nullptr, 0, 0, 453, 493, false);
    PlacePicture(Image3, "Image3", &failPanel, -2, 0, 443, 481, Picture::PanelBackground);
    Place(Label2, "Label2", ControlKind::Label, &failPanel, 108, 76, 0, 0, true);
    Label2.font = Arial(16, true);
    Label2.caption = "Failure - Action Required";
    Place(Label7, "Label7", ControlKind::Label, &failPanel, 32, 140, 381, 293, false);
    Label7.wordWrap = true;
    Label7.autoSize = false;
    Label7.font = Arial(12);
    Place(Label8, "Label8", ControlKind::Label, &failPanel, 28, 168, 375, 60, false);
    Label8.wordWrap = true;
    Label8.font = Arial(12);
    Place(tempFailImage, "tempFailImage", ControlKind::AnimatedPicture, &failPanel, 60, 80, 16, 16,
          false);
    tempFailImage.picture = Picture::RepairWorking;
    Place(mssgAtxt, "mssgAtxt", ControlKind::Memo, &failPanel, 28, 142, 397, 293, false);
    mssgAtxt.readOnly = true;
    mssgAtxt.border = false;
    mssgAtxt.verticalScrollBar = true;
    mssgAtxt.font = Arial(12);

    PlaceButton(RunTestButton, "RunTestButton", 257, "Run Test", true, 0);
    PlaceButton(contactCancel, "contactCancel", 164, "Contact Support", false, 1);
    PlaceButton(CloseButton, "CloseButton", 69, "Close", true, 2);
}

std::vector<FormControl*> TPloverMainForm::Controls() {
    return {&firstImage,
            &Label3,
            &Label10,
            &Image4,
            &Image5,
            &Image6,
            &stopNotice,
            &stepsPanel,
            &Image2,
            &Label4,
            &goodImage,
            &failImage,
            &Image1,
            &Label1,
            &s1,
            &s2,
            &s3,
            &s4,
            &s5,
            &progressImage,
            &goodPanel,
            &Image18,
            &Label6,
            &Label9,
            &emailURL,
            &performanceURL,
            &errorURL,
            &popupURL,
            &browseURL,
            &Image7,
            &failPanel,
            &Image3,
            &Label2,
            &Label7,
            &Label8,
            &tempFailImage,
            &mssgAtxt,
            &RunTestButton,
            &contactCancel,
            &CloseButton};
}

}  // namespace plover
