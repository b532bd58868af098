#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "app/MessageForm.h"
#include "app/win32/ChildWindows.h"
#include "app/win32/FontCache.h"
#include "app/win32/GdiObjects.h"
#include "app/win32/Window.h"

namespace plover::win32 {

// The contact dialog on screen: created on first use, shown modally over its
// owner, hidden (not destroyed) by "OK" or its close box.
class ContactDialogView : public Window {
public:
    ContactDialogView(HINSTANCE instance, TMessageForm& form);
    ~ContactDialogView() override;
    ContactDialogView(const ContactDialogView&) = delete;
    ContactDialogView& operator=(const ContactDialogView&) = delete;

    void ShowModal(HWND owner);

private:
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnPaint();
    bool Create(HWND owner);

    HINSTANCE instance_;
    TMessageForm& form_;
    ChildWindows children_;
    FontCache fonts_;
    bool showing_ = false;
    UniqueBrush white_;
};

}  // namespace plover::win32
