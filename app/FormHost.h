#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace plover {

// What the main window's logic asks of the window toolkit: the real one is
// the Win32 view, tests use a recording fake.
class FormHost {
public:
    virtual ~FormHost() = default;

    // The model changed: repaint what it shows.
    virtual void ControlsChanged() = 0;
    // Handles every window message waiting for the window's thread.
    virtual void HandlePendingMessages() = 0;
    // The application ends when its message loop next looks.
    virtual void RequestApplicationEnd() = 0;
    // A modal warning box with Yes and No; true on Yes.
    virtual bool AskYesNoWarning(const std::string& text) = 0;
    virtual void ShowContactDialogModal() = 0;
    virtual void HideMainWindow() = 0;
    // Shows the hidden window again, in front.
    virtual void ShowMainWindow() = 0;
    // The window's thread calls RestartWaitEnded on the window once, after
    // this many milliseconds, unless the process has ended by then.
    virtual void StartRestartTimer(uint32_t milliseconds) = 0;
    // The close request: runs the close query and, when allowed, the close.
    virtual void CloseMainWindow() = 0;
    // Called on the diagnostic thread as it ends; the window's thread must
    // later call RunEnded on the window.
    virtual void PostRunEnded() = 0;
    // Called on the diagnostic thread as a repair step starts or ends; the
    // window's thread must later call RepairStepChanged on the window.
    virtual void PostRepairStep(bool underWay) = 0;
    // Makes the end of the session wait, the reason shown to the user; false
    // when the system has no such block (before Vista).
    virtual bool BlockSessionEnd(const std::string& reason) = 0;
    virtual void UnblockSessionEnd() = 0;
    // The window's thread calls CloseWaitEnded on the window once, after
    // this many milliseconds (a later call starts the time afresh).
    virtual void StartCloseTimer(uint32_t milliseconds) = 0;
    // Handles the window's messages as they come until done() holds.
    virtual void HandleMessagesUntil(const std::function<bool()>& done) = 0;
};

}  // namespace plover
