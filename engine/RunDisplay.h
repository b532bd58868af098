#pragma once

namespace plover {

// What a diagnostic run may ask of the window. The operations change the
// screen and run on the window's thread (through Synchronizer); the fields are
// read or written by the run directly.
class RunDisplay {
public:
    virtual ~RunDisplay() = default;

    virtual void StageCompleted() = 0;
    virtual void ShowRepairInProgress() = 0;
    virtual void ResumeStagesPanel() = 0;
    virtual void ShowAdapterFailure() = 0;
    virtual void ShowNoInternetFailure() = 0;
    virtual void ShowRouterMessage() = 0;
    virtual void ShowSupportMessage() = 0;
    // The support message, after the sentence that asks the user to sign in
    // to the network in the browser first and then to try again.
    virtual void ShowSignInMessage() = 0;
    virtual void ShowBrowserSettingsFailure() = 0;
    virtual void PromptRestart() = 0;

    virtual bool RestartAccepted() const = 0;
    virtual bool WasRestarted() const = 0;
    virtual void SetFirewallWasDisabled() = 0;
};

using DisplayOperation = void (RunDisplay::*)();

}  // namespace plover
