#pragma once

#include <windows.h>

#include "app/MessageForm.h"
#include "app/win32/GdiObjects.h"

namespace plover::win32 {

// The contact dialog on screen: created on first use, shown modally over its
// owner, hidden (not destroyed) by "OK" or its close box.
class ContactDialogView {
public:
    ContactDialogView(HINSTANCE instance, TMessageForm& form);
    ~ContactDialogView();
    ContactDialogView(const ContactDialogView&) = delete;
    ContactDialogView& operator=(const ContactDialogView&) = delete;

    void ShowModal(HWND owner);

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    bool Create(HWND owner);

    HINSTANCE instance_;
    TMessageForm& form_;
    HWND window_ = nullptr;
    HWND memo_ = nullptr;
    HWND button_ = nullptr;
    bool showing_ = false;
    UniqueFont labelFont_;
    UniqueFont textFont_;
    UniqueBrush white_;
};

// Memo text for an edit control: every line break as CR LF.
std::string WithCrLfLineBreaks(const std::string& text);

}  // namespace plover::win32
