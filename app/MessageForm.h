#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/FormControl.h"

namespace plover {

// The contact dialog: whom to call for further help. One per process,
// created hidden at start-up and shown modally from the failure panel.
class TMessageForm {
public:
    TMessageForm();
    TMessageForm(const TMessageForm&) = delete;
    TMessageForm& operator=(const TMessageForm&) = delete;

    static constexpr const char* Caption = "Contact Information";
    static constexpr int ClientWidth = 232;
    static constexpr int ClientHeight = 149;
    static constexpr int DesignLeft = 392;
    static constexpr int DesignTop = 400;

    FormControl Label1;
    FormControl contactInfoMemo;
    FormControl Button1;

    // Ends the modal showing; the dialog can be shown again.
    void Button1Click();
    // Set by the view while the dialog is shown.
    std::function<void()> OnCloseRequest;

    std::vector<const FormControl*> Controls() const;
};

}  // namespace plover
