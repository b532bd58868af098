// A form's buttons and memos as real child windows: made as their controls
// ask, in tab order, and found again by id, window and control.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "app/win32/ChildWindows.h"
#include "app/win32/FontCache.h"

namespace plover {
namespace {

FormControl Control(ControlKind kind, int tabOrder, const char* caption = "") {
    FormControl control;
    control.kind = kind;
    control.tabOrder = tabOrder;
    control.caption = caption;
    control.width = 80;
    control.height = 40;
    return control;
}

LONG StyleOf(HWND window) { return GetWindowLongA(window, GWL_STYLE); }

// Where a memo's text starts: a border moves it in.
LONG TextLeft(HWND memo) {
    RECT text{};
    SendMessageA(memo, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&text));
    return text.left;
}

TEST(ChildWindowsUnderWine, MadeAsTheirControlsAskInTabOrder) {
    const HWND parent = CreateWindowExA(0, "STATIC", "", WS_OVERLAPPED, 0, 0, 400, 300, nullptr,
                                        nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent, nullptr) << "no top-level window: the prefix lacks a display driver";
    ShowWindow(parent, SW_SHOWNA);

    FormControl label = Control(ControlKind::Label, -1, "painted by the view");
    FormControl scrolling = Control(ControlKind::Memo, -1);
    scrolling.readOnly = true;
    scrolling.border = false;
    scrolling.verticalScrollBar = true;
    FormControl plain = Control(ControlKind::Memo, -1);
    FormControl second = Control(ControlKind::Button, 1, "Second");
    FormControl first = Control(ControlKind::Button, 0, "First");
    FormControl quiet = Control(ControlKind::Memo, 2);
    quiet.readOnly = true;
    quiet.border = false;

    win32::ChildWindows children;
    win32::FontCache fonts;
    // Shown at once (the tab order passes over hidden windows), buttons skinned.
    const auto viewStyle = [](ControlKind kind) -> DWORD {
        return WS_VISIBLE | (kind == ControlKind::Button ? BS_OWNERDRAW : 0);
    };
    children.Create(parent, GetModuleHandleA(nullptr),
                    {&label, &scrolling, &second, &plain, &first, &quiet}, 300, viewStyle, fonts);

    // Tab stops first, by their order, then the others as listed; no label.
    std::vector<const FormControl*> made;
    std::vector<int> ids;
    for (const auto& child : children.All()) {
        made.push_back(child.control);
        ids.push_back(child.id);
    }
    EXPECT_EQ(made, (std::vector<const FormControl*>{&first, &second, &quiet, &scrolling, &plain}));
    EXPECT_EQ(ids, (std::vector<int>{300, 301, 302, 303, 304}));
    const HWND firstWindow = children.WindowOf(first);
    EXPECT_EQ(GetNextDlgTabItem(parent, firstWindow, FALSE), children.WindowOf(second));
    EXPECT_EQ(GetNextDlgTabItem(parent, children.WindowOf(second), FALSE),
              children.WindowOf(quiet));

    char caption[16] = "sentinel";
    GetWindowTextA(firstWindow, caption, sizeof caption);
    EXPECT_EQ(std::string(caption), "First");
    EXPECT_EQ(StyleOf(firstWindow) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_NE(StyleOf(firstWindow) & WS_VISIBLE, 0);
    EXPECT_NE(StyleOf(firstWindow) & WS_TABSTOP, 0);

    const HWND scroller = children.WindowOf(scrolling);
    EXPECT_NE(StyleOf(scroller) & ES_READONLY, 0);
    EXPECT_NE(StyleOf(scroller) & WS_VSCROLL, 0);
    EXPECT_EQ(StyleOf(scroller) & WS_TABSTOP, 0);
    EXPECT_EQ(StyleOf(children.WindowOf(plain)) & (ES_READONLY | WS_VSCROLL), 0);
    EXPECT_NE(StyleOf(children.WindowOf(quiet)) & WS_TABSTOP, 0);
    EXPECT_GT(TextLeft(children.WindowOf(plain)), TextLeft(children.WindowOf(quiet)));

    EXPECT_EQ(children.ControlOf(301), &second);
    EXPECT_EQ(children.ControlOf(scroller), &scrolling);
    EXPECT_EQ(children.ControlOf(299), nullptr);
    EXPECT_EQ(children.WindowOf(label), nullptr);
    DestroyWindow(parent);
}

}  // namespace
}  // namespace plover
