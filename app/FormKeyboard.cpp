#include "app/PloverMainForm.h"

namespace plover {

namespace {

bool Pressable(const FormControl& button) {
    for (const FormControl* c = &button; c; c = c->parent) {
        if (!c->visible) return false;
    }
    return button.enabled;
}

}  // namespace

FormControl* TPloverMainForm::DefaultButton() {
    return Pressable(RunTestButton) ? &RunTestButton : nullptr;
}

FormControl* TPloverMainForm::FocusButton() {
    if (FormControl* button = DefaultButton()) return button;
    for (FormControl* button : {&contactCancel, &CloseButton}) {
        if (Pressable(*button)) return button;
    }
    return nullptr;
}

void TPloverMainForm::EnterPressed() {
    if (endRequested_) return;
    // No default during a run: one stray Enter must not cancel a repair.
    if (DefaultButton()) RunTestButtonClick();
}

void TPloverMainForm::EscapePressed() {
    if (endRequested_) return;
    if (Pressable(contactCancel) && contactCancel.caption == "Cancel") {
        contactCancelClick();
        return;
    }
    if (Pressable(CloseButton)) CloseButtonClick();
}

}  // namespace plover
