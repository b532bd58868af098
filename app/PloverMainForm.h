#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/FormControl.h"
#include "app/FormHost.h"
#include "app/MessageForm.h"
#include "app/PageService.h"
#include "app/PingService.h"
#include "checks/FirewallOperations.h"
#include "checks/HostPinger.h"
#include "checks/PageFetcher.h"
#include "engine/ComputationalThread.h"
#include "engine/RunDisplay.h"
#include "platform/Platform.h"
#include "platform/RunClock.h"
#include "platform/Synchronizer.h"
#include "system/SettingsSnapshot.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

// What the main window is built from; the entry point (or a test) owns each.
struct MainFormParts {
    const Platform& os;
    FormHost& host;
    Synchronizer& synchronizer;
    TFirewallOperations& FirewallOperations;
    SettingsSnapshot& snapshot;
    WinsockRegTexts& regTexts;
    TMessageForm& MessageForm;
};

// The wizard window's logic: its controls as plain state, its fields, the
// panel switch, run control and closing. The view renders the controls and
// forwards the user's clicks; the diagnostic thread reports through
// RunDisplay, each operation on the window's thread, and pings and fetches
// pages through the window's echo client and page component.
class TPloverMainForm : public RunDisplay, public HostPinger, public PageFetcher {
public:
    static constexpr int ClientWidth = 440;
    static constexpr int ClientHeight = 480;

    // Reads the branding block and writes the Winsock export files.
    explicit TPloverMainForm(const MainFormParts& parts);
    ~TPloverMainForm() override;
    TPloverMainForm(const TPloverMainForm&) = delete;
    TPloverMainForm& operator=(const TPloverMainForm&) = delete;

private:
    // Declared ahead of the echo client and the page component, which run on
    // the run's clock.
    RunClock runClock_;
    const Platform runOs_;

public:
    // The system as a run's objects see it: their pauses, echoes, DNS
    // lookups, page fetches and TCP probes end at once when the run under
    // way is asked to stop. The window's own pauses keep the plain clock.
    const Platform& RunOs() const { return runOs_; }

    // The five stage bodies of every run; an empty slot passes its stage.
    void SetStageSlots(StageSlots stages) { stages_ = std::move(stages); }

    // Controls, as the design places them (MainFormDesign.cpp).
    FormControl firstImage, Label3, Label10, Image4, Image5, Image6, stopNotice;
    FormControl stepsPanel, Image2, Label4, goodImage, failImage, Image1, Label1;
    FormControl s1, s2, s3, s4, s5, progressImage;
    FormControl goodPanel, Image18, Label6, Label9, emailURL, performanceURL, errorURL, popupURL,
        browseURL, Image7;
    FormControl failPanel, Image3, Label2, Label7, Label8, tempFailImage, mssgAtxt;
    FormControl RunTestButton, contactCancel, CloseButton;
    // Every control in the order the design placed it, each panel before
    // its children: the order in which the view creates and paints them.
    const std::vector<FormControl*>& Controls() const { return controls_; }

    // How long a close waits for a run to stop before it ends the program
    // without it; the session's end waits less, well within the time
    // Windows gives a program before it ends it.
    static constexpr uint32_t CloseWaitMilliseconds = 30000;
    static constexpr uint32_t SessionEndWaitMilliseconds = 8000;
    // How long the hidden window waits, after Yes, for the session to end.
    static constexpr uint32_t RestartWaitMilliseconds = 60000;

    // Fields.
    int StageIndex = 0;
    std::string ProviderName;
    std::string ProviderDnsServers;
    std::string ContactSupportText;
    std::string RouterMessageText;
    // The process-wide texts the Winsock reset imports.
    std::string& Winsock2RegText;
    std::string& WinsockRegText;
    bool WasRestartedFlag = false;
    bool RestartAcceptedFlag = false;
    std::atomic<bool> FirewallWasDisabled{false};

    // The echo client with PingReplied, and the page component with PageText.
    PingService Ping;
    PageService Page;
    bool PingHost(const std::string& host) override { return Ping.PingHost(host); }
    FetchedPage Fetch(const std::string& url, const std::string& proxy) override {
        return Page.Fetch(url, proxy);
    }

    // Event handlers.
    void FormShow();
    void RunTestButtonClick();
    void contactCancelClick();
    void CloseButtonClick();
    void FormCloseQuery(bool& canClose);
    void FormClose();
    // A link label was clicked: its target opens in the user's browser.
    void LinkClick(const FormControl& link);
    // The diagnostic thread has ended (its OnTerminate was delivered).
    void RunEnded();
    // The close timer started by a close during a run has run out: the close
    // goes on without the run, unless a repair is under way.
    void CloseWaitEnded();
    // A repair step of the run started or ended: the end of the session is
    // blocked in between.
    void RepairStepChanged(bool underWay);
    bool SessionEndBlocked() const { return sessionEndBlocked_; }
    // The restart accepted a minute ago has not come (cancelled by a
    // program with unsaved work, or blocked by a policy).
    void RestartWaitEnded();
    // The session is asked whether it may end (it may; the run is stopped),
    // and then ends: the run is waited for (bounded) and the close's
    // clean-up done.
    void SessionEnding();
    void SessionEnded();
    // Start-up ended before the window was shown (a branding block without
    // what start-up needs): a resume arranged by an earlier run is undone,
    // so that the program is not started and silently ended at every log-on.
    void EndedWithoutWindow();

    // The keyboard (FormKeyboard.cpp). Enter presses the panel's default
    // button; Escape is Cancel during a run and Close otherwise. Neither
    // does anything while the program is ending.
    void EnterPressed();
    void EscapePressed();
    // The panel's default button, Run Test or Try Again, when it can be
    // pressed; nothing on the run's panel.
    FormControl* DefaultButton();
    // Where the focus belongs after a panel change: the default button, or
    // else the first button shown and enabled; nothing when none is.
    FormControl* FocusButton();

    // Run display.
    void StageCompleted() override;
    void ShowRepairInProgress() override;
    void ResumeStagesPanel() override;
    void ShowAdapterFailure() override;
    void ShowNoInternetFailure() override;
    void ShowRouterMessage() override;
    void ShowSupportMessage() override;
    void ShowSignInMessage() override;
    void ShowBrowserSettingsFailure() override;
    void PromptRestart() override;
    bool RestartAccepted() const override { return RestartAcceptedFlag; }
    bool WasRestarted() const override { return WasRestartedFlag; }
    void SetFirewallWasDisabled() override { FirewallWasDisabled = true; }

    // Internal operations, public for the branding readers and tests.
    void ShowPanel(FormControl* panel, bool final);
    void PumpMessages();
    void ResetRunState();
    void ClearStageMarks();
    void CleanUpOnClose();
    void RequestApplicationEnd();

    bool ApplicationEndRequested() const { return endRequested_; }
    // A close found the run still going after its bound and went on without it.
    bool CloseCutShort() const { return closeCutShort_; }
    // A diagnostic thread exists (running, or ended and not yet released).
    bool RunActive() const { return run_ != nullptr; }
    const Platform& Os() const { return os_; }

private:
    void BuildControls();
    void Changed() { host_.ControlsChanged(); }
    void FinalFailure();
    // Run Test may be pressed only when no earlier run is still going.
    void EnableRunTestWhenIdle();
    bool RunCancelled() const { return run_ && run_->Terminated(); }
    // Asks the run to stop and says on the welcome screen why Run Test
    // waits: for the stop, or for a repair to finish first.
    void StopRunOnWelcomeScreen(const char* stopping, const char* finishingRepair);
    void SwitchFirewallBackOn();
    std::array<FormControl*, 5> StageMarks() { return {&s1, &s2, &s3, &s4, &s5}; }

    const Platform& os_;
    FormHost& host_;
    Synchronizer& synchronizer_;
    TFirewallOperations& firewall_;
    SettingsSnapshot& snapshot_;
    TMessageForm& messageForm_;
    std::vector<FormControl*> controls_;
    StageSlots stages_;
    std::unique_ptr<ComputationalThread> run_;
    // Run Test is between its first message pump and the start of its thread.
    bool startingRun_ = false;
    bool endRequested_ = false;
    // A close or the session's end waits for the run to stop.
    enum class Closing { No, Window, Session };
    Closing closing_ = Closing::No;
    bool closeCutShort_ = false;
    bool sessionEndBlocked_ = false;
    // Yes was answered and the window hidden; the session has not ended yet.
    bool awaitingRestart_ = false;
};

}  // namespace plover
