#pragma once

#include <windows.h>

#include <vector>

#include "app/FormControl.h"
#include "app/win32/FontCache.h"

namespace plover::win32 {

// The buttons and memos of a form as real child windows of its view (the
// view paints the other controls itself). Each is made as its control asks:
// a tab stop when it has a tab order, in that order, and a memo with the
// border, read-only state and scroll bar of its control.
class ChildWindows {
public:
    struct Child {
        const FormControl* control;
        HWND window;
        int id;
    };

    // What a view adds to the style of a child of the given kind (its
    // buttons' look, whether children start visible).
    using ViewStyle = DWORD (*)(ControlKind kind);

    // The children of parent, with control ids from firstId on in tab order;
    // each takes its control's font.
    void Create(HWND parent, HINSTANCE instance, const std::vector<const FormControl*>& controls,
                int firstId, ViewStyle viewStyle, FontCache& fonts);

    const std::vector<Child>& All() const { return children_; }
    // The control behind a child's id or window; null for none of them.
    const FormControl* ControlOf(int id) const;
    const FormControl* ControlOf(HWND window) const;
    HWND WindowOf(const FormControl& control) const;

private:
    std::vector<Child> children_;
};

}  // namespace plover::win32
