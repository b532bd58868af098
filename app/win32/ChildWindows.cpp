#include "app/win32/ChildWindows.h"

#include <algorithm>
#include <climits>
#include <iterator>

namespace plover::win32 {

namespace {

bool IsChildWindow(const FormControl& control) {
    return control.kind == ControlKind::Button || control.kind == ControlKind::Memo;
}

DWORD StyleOf(const FormControl& control) {
    DWORD style = WS_CHILD;
    if (control.tabOrder >= 0) style |= WS_TABSTOP;
    if (control.kind == ControlKind::Memo) {
        style |= ES_MULTILINE;
        if (control.readOnly) style |= ES_READONLY;
        if (control.border) style |= WS_BORDER;
        if (control.verticalScrollBar) style |= WS_VSCROLL | ES_AUTOVSCROLL;
    }
    return style;
}

}  // namespace

void ChildWindows::Create(HWND parent, HINSTANCE instance,
                          const std::vector<const FormControl*>& controls, int firstId,
                          ViewStyle viewStyle, FontCache& fonts) {
    // Windows moves the focus from one tab stop to the next in the order
    // they were made: tab stops first, by their order, then the rest.
    std::vector<const FormControl*> ordered;
    std::copy_if(controls.begin(), controls.end(), std::back_inserter(ordered),
                 [](const FormControl* control) { return IsChildWindow(*control); });
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const FormControl* a, const FormControl* b) {
                         const auto rank = [](const FormControl* control) {
                             return control->tabOrder >= 0 ? control->tabOrder : INT_MAX;
                         };
                         return rank(a) < rank(b);
                     });

    for (const FormControl* control : ordered) {
        const int id = firstId + static_cast<int>(children_.size());
        const char* windowClass = control->kind == ControlKind::Button ? "BUTTON" : "EDIT";
        const char* text = control->kind == ControlKind::Button ? control->caption.c_str() : "";
        const HWND window =
            CreateWindowExA(0, windowClass, text, StyleOf(*control) | viewStyle(control->kind),
                            control->left, control->top, control->width, control->height, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.For(control->font)), TRUE);
        children_.push_back({control, window, id});
    }
}

const FormControl* ChildWindows::ControlOf(int id) const {
    for (const Child& child : children_) {
        if (child.id == id) return child.control;
    }
    return nullptr;
}

const FormControl* ChildWindows::ControlOf(HWND window) const {
    for (const Child& child : children_) {
        if (child.window == window) return child.control;
    }
    return nullptr;
}

HWND ChildWindows::WindowOf(const FormControl& control) const {
    for (const Child& child : children_) {
        if (child.control == &control) return child.window;
    }
    return nullptr;
}

}  // namespace plover::win32
