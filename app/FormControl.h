#pragma once

#include <string>

namespace plover {

// The artwork a picture control shows; the window view paints each one.
enum class Picture {
    None,
    WelcomeBackground,
    PanelBackground,
    Bullet,
    HeaderIcon,
    SuccessIcon,
    PassMark,
    FailMark,
    Working,       // the progress indicator that moves down the stage list
    RepairWorking  // the indicator beside the repair notice
};

enum class ControlKind { Picture, AnimatedPicture, Label, LinkLabel, Memo, Button, Panel };

struct FontSpec {
    std::string face = "MS Sans Serif";
    int pixelHeight = 11;
    bool bold = false;
    bool italic = false;
    bool underline = false;
};

// One control of a form as the window logic sees it: the state its view
// renders. Left and Top are relative to the parent panel (or the form).
// A Width or Height of 0 means "as large as its text"; a label that sizes
// itself and wraps its words keeps its Width and grows in Height. Labels are
// drawn over what lies beneath them. A memo's border, read-only state and
// scroll bar, a hand cursor and the tab order are what the view creates.
struct FormControl {
    std::string name;
    ControlKind kind = ControlKind::Label;
    const FormControl* parent = nullptr;
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool visible = true;
    bool enabled = true;
    std::string caption;  // caption, label text or memo text
    std::string url;      // target of a link label
    Picture picture = Picture::None;
    bool animating = false;
    FontSpec font;
    bool wordWrap = false;
    bool autoSize = true;
    bool readOnly = false;
    bool border = true;
    bool verticalScrollBar = false;
    bool handCursor = false;  // the cursor over the control
    int tabOrder = -1;        // -1: not a tab stop
};

}  // namespace plover
