#include "app/PloverMainForm.h"

#include "app/BrandingBlock.h"
#include "app/BrandingText.h"
#include "netsettings/UsableAddressWait.h"
#include "platform/UniqueResource.h"
#include "system/Log.h"
#include "system/ResumeState.h"
#include "system/WindowsVersion.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

namespace {

constexpr const char* RunTestCaption = "Run Test";
constexpr const char* TryAgainCaption = "Try Again";
constexpr const char* CancelCaption = "Cancel";
constexpr const char* ContactSupportCaption = "Contact Support";
constexpr const char* RepairNotice =
    "Plover found a problem. Please wait while we attempt to repair your Internet Connection";
constexpr const char* AdministratorNotice =
    "Plover found a problem. Repairs need an administrator: please sign in as an administrator "
    "and run the test again";
constexpr const char* BrowserSettingsNotice =
    "It appears there is an issue with your browser settings.";
constexpr const char* SignInSentence =
    "This network asks you to sign in first: sign in on the page your web browser shows, "
    "then press \"Try Again\".";
constexpr const char* RestartQuestion =
    "PloverTool requires your computer to be restarted. Do you want to restart it now?";
constexpr const char* RestartMissingNotice =
    "The computer did not restart, so the repair has not taken effect. Please save your work, "
    "restart the computer yourself and run the test again.";
// Why Run Test waits after Cancel, and why the window stays after a close.
constexpr const char* StoppingNotice = "Stopping the test. Please wait...";
constexpr const char* FinishingRepairNotice =
    "Finishing a repair before the test stops. Please wait...";
constexpr const char* ClosingNotice = "Stopping the test before closing. Please wait...";
constexpr const char* ClosingAfterRepairNotice =
    "Finishing a repair before closing. Please wait...";

constexpr int PumpRounds = 100;
constexpr uint32_t PumpPauseMilliseconds = 1;
constexpr uint32_t SuccessPauseMilliseconds = 1000;
constexpr const char* SessionEndReason = "Finishing a network repair";
constexpr uint32_t RepairRecheckMilliseconds = 1000;
constexpr int ResumeRounds = 12;
constexpr uint32_t ResumePauseMilliseconds = 50;

}  // namespace

TPloverMainForm::TPloverMainForm(const MainFormParts& parts)
    : runClock_(parts.os.clock),
      runOs_(WithClock(parts.os, runClock_)),
      Winsock2RegText(parts.regTexts.Winsock2RegText),
      WinsockRegText(parts.regTexts.WinsockRegText),
      Ping(runOs_),
      Page(runOs_.http, parts.synchronizer, runOs_.clock),
      os_(parts.os),
      host_(parts.host),
      synchronizer_(parts.synchronizer),
      firewall_(parts.FirewallOperations),
      snapshot_(parts.snapshot),
      messageForm_(parts.MessageForm) {
    BuildControls();
    WriteLog(os_, "", "");
    WriteLog(os_, "read information", "");
    FirewallWasDisabled = false;
    WasRestartedFlag = false;
    ResetRunState();
    ReadBrandingTexts(*this);
    ReadBrandingLinks(*this);
    WriteWinsockRegFiles(*this);
    ContactSupportText = WithoutCrLf(ContactSupportText);
    // What a run that did not end left changed goes back before the window
    // offers anything, and before a resumed run; the Winsock exports it may
    // import are the ones just chosen.
    firewall_.Changes().RecoverUnfinishedRun();
}

TPloverMainForm::~TPloverMainForm() = default;

void TPloverMainForm::RequestApplicationEnd() {
    endRequested_ = true;
    host_.RequestApplicationEnd();
}

void TPloverMainForm::PumpMessages() {
    for (int round = 0; round < PumpRounds; ++round) {
        host_.HandlePendingMessages();
        os_.clock.Sleep(PumpPauseMilliseconds);
    }
}

void TPloverMainForm::ResetRunState() {
    Ping.PingReplied = false;
    Page.PageText.clear();
    RestartAcceptedFlag = false;
    StageIndex = 0;
}

void TPloverMainForm::ClearStageMarks() {
    for (FormControl* mark : StageMarks()) mark->picture = Picture::None;
    Changed();
}

void TPloverMainForm::EnableRunTestWhenIdle() { RunTestButton.enabled = !RunActive(); }

void TPloverMainForm::ShowPanel(FormControl* panel, bool final) {
    if (panel) {
        panel->left = 0;
        panel->top = 0;
    }
    for (FormControl* control : {&firstImage, &stepsPanel, &failPanel, &goodPanel, &contactCancel,
                                 &RunTestButton, &CloseButton}) {
        control->visible = false;
    }
    stopNotice.visible = !panel && RunCancelled();
    if (!panel) {
        firstImage.visible = true;
        CloseButton.left = 67;
        RunTestButton.caption = RunTestCaption;
        RunTestButton.visible = true;
        EnableRunTestWhenIdle();
        RunTestButton.left = 255;
        CloseButton.visible = true;
    } else if (panel == &stepsPanel) {
        stepsPanel.visible = true;
        mssgAtxt.visible = false;
        Label7.visible = false;
        Label8.visible = false;
        contactCancel.visible = true;
        contactCancel.caption = CancelCaption;
    } else if (panel == &failPanel) {
        failPanel.visible = true;
        contactCancel.visible = true;
        if (final) {
            RunTestButton.visible = true;
            CloseButton.left = 21;
            RunTestButton.left = 302;
            CloseButton.visible = true;
            contactCancel.caption = ContactSupportCaption;
            EnableRunTestWhenIdle();
        } else {
            contactCancel.caption = CancelCaption;
        }
    } else if (panel == &goodPanel) {
        WriteLog(os_, "show panel method", "show final panel");
        goodPanel.visible = true;
        CloseButton.left = 67;
        RunTestButton.caption = TryAgainCaption;
        RunTestButton.visible = true;
        RunTestButton.left = 255;
        CloseButton.visible = true;
    }
    Changed();
    PumpMessages();
}

void TPloverMainForm::StageCompleted() {
    WriteLog(os_, "start step completed", std::to_string(StageIndex));
    if (StageIndex >= 0 && StageIndex <= 5 && !progressImage.visible) {
        progressImage.visible = true;
        progressImage.animating = true;
    }
    const auto marks = StageMarks();
    if (StageIndex >= 0 && StageIndex <= 4) {
        const FormControl& next = *marks[static_cast<size_t>(StageIndex)];
        progressImage.left = next.left + 2;
        progressImage.top = next.top + 1;
        if (StageIndex >= 1) {
            FormControl& done = *marks[static_cast<size_t>(StageIndex - 1)];
            done.picture = goodImage.picture;
            done.visible = true;
        }
        Changed();
    } else if (StageIndex == 5) {
        WriteLog(os_, "step browsing net pass", "show good picture");
        progressImage.visible = false;
        progressImage.animating = false;
        s5.picture = goodImage.picture;
        s5.visible = true;
        Changed();
        PumpMessages();
        os_.clock.Sleep(SuccessPauseMilliseconds);
        EnableRunTestWhenIdle();
        WriteLog(os_, "step browsing net pass", "show final panel");
        ShowPanel(&goodPanel, true);
        PumpMessages();
    }
    if (StageIndex < 5) ++StageIndex;
    WriteLog(os_, "finish step completed:", std::to_string(StageIndex));
}

void TPloverMainForm::ShowRepairInProgress() {
    // A cancelled run may still be inside its stage; the welcome screen the
    // user went back to stays.
    if (RunCancelled()) return;
    Label7.caption = os_.system.HasAdministratorRights() ? RepairNotice : AdministratorNotice;
    Label7.visible = true;
    tempFailImage.visible = true;
    tempFailImage.animating = true;
    ShowPanel(&failPanel, false);
}

void TPloverMainForm::ResumeStagesPanel() {
    if (RunCancelled()) return;
    Label7.visible = false;
    ShowPanel(&stepsPanel, true);
    PumpMessages();
    tempFailImage.visible = false;
    tempFailImage.animating = false;
    Changed();
    PumpMessages();
}

void TPloverMainForm::FinalFailure() {
    tempFailImage.visible = false;
    tempFailImage.animating = false;
    StageIndex = 6;
    ShowPanel(&failPanel, true);
    PumpMessages();
}

void TPloverMainForm::ShowAdapterFailure() {
    if (RunCancelled()) return;
    Label7.visible = false;
    mssgAtxt.visible = true;
    FinalFailure();
}

void TPloverMainForm::ShowNoInternetFailure() {
    if (RunCancelled()) return;
    Label7.visible = false;
    Label8.visible = true;
    FinalFailure();
}

void TPloverMainForm::ShowRouterMessage() {
    if (RunCancelled()) return;
    Label7.visible = true;
    Label7.caption = RouterMessageText;
    WriteLog(os_, "fail message", RouterMessageText);
    FinalFailure();
}

void TPloverMainForm::ShowSupportMessage() {
    if (RunCancelled()) return;
    Label7.visible = true;
    Label7.caption = ContactSupportText;
    WriteLog(os_, "fail message", ContactSupportText);
    FinalFailure();
}

void TPloverMainForm::ShowSignInMessage() {
    if (RunCancelled()) return;
    Label7.visible = true;
    // A blank line apart on the panel; one line in the log.
    Label7.caption = std::string(SignInSentence) + "\r\n\r\n" + ContactSupportText;
    WriteLog(os_, "fail message", std::string(SignInSentence) + " " + ContactSupportText);
    // The button is called what the sentence calls it.
    RunTestButton.caption = TryAgainCaption;
    FinalFailure();
}

void TPloverMainForm::ShowBrowserSettingsFailure() {
    if (RunCancelled()) return;
    Label7.caption = BrowserSettingsNotice;
    FinalFailure();
}

void TPloverMainForm::RunTestButtonClick() {
    // One run at a time: a click that reaches here while the earlier thread
    // is still going (the button is disabled then), or while this handler is
    // still pumping messages before its own thread exists, starts nothing.
    if (RunActive() || startingRun_) return;
    startingRun_ = true;
    ScopeExit started([this] { startingRun_ = false; });
    WriteLog(os_, "", "");
    WriteLog(os_, "start plover tool", "");
    ClearStageMarks();
    ResetRunState();
    StageCompleted();
    PumpMessages();
    WriteLog(os_, "after first step completed", std::to_string(StageIndex));
    DeleteSettingsSnapshot(os_, snapshot_);
    ShowPanel(&stepsPanel, true);
    RunTestButton.enabled = false;
    Changed();
    PumpMessages();
    // The pumps above let the user press Cancel or close the window before
    // the thread exists: then no run starts, and Run Test stays usable.
    if (StageIndex == 6 || endRequested_) {
        RunTestButton.enabled = true;
        Changed();
        return;
    }
    WriteLog(os_,
             RunTestButton.caption == TryAgainCaption ? "rerun Plover tool" : "start Plover tool",
             "");
    run_ = std::make_unique<ComputationalThread>(runOs_, *this, synchronizer_, stages_, true);
    runClock_.Follow(&run_->Stop());
    FormHost& host = host_;
    run_->OnTerminate = [&host] { host.PostRunEnded(); };
    run_->OnRepairStep = [&host](bool underWay) { host.PostRepairStep(underWay); };
    run_->Start();
}

void TPloverMainForm::RunEnded() {
    if (!run_ || !run_->Finished()) return;
    run_->WaitFor();
    runClock_.Follow(nullptr);
    run_.reset();
    RepairStepChanged(false);
    stopNotice.visible = false;
    RunTestButton.enabled = true;
    Changed();
    // A close that waited for the run goes on now; the session's end has its
    // own wait, which sees the run gone.
    if (closing_ == Closing::Window) host_.CloseMainWindow();
}

void TPloverMainForm::StopRunOnWelcomeScreen(const char* stopping, const char* finishingRepair) {
    if (run_) {
        run_->Terminate();
        stopNotice.caption = run_->RepairUnderWay() ? finishingRepair : stopping;
    }
    // Run Test stays disabled, with the notice saying why, until the run has
    // ended; pauses and waits end at once, so that is seconds unless a repair
    // is finishing.
    ShowPanel(nullptr, true);
    StageIndex = 6;
}

void TPloverMainForm::contactCancelClick() {
    if (contactCancel.caption == CancelCaption) {
        StopRunOnWelcomeScreen(StoppingNotice, FinishingRepairNotice);
        host_.HandlePendingMessages();
    }
    if (contactCancel.caption == ContactSupportCaption) host_.ShowContactDialogModal();
}

void TPloverMainForm::FormShow() {
    messageForm_.contactInfoMemo.caption = ContactSupportText;
    WriteLog(os_, "windows version: ", TrueWindowsVersionText(os_));
    const int32_t version = GetWindowsVersionCode(os_);
    if (version != WindowsVersion::Windows2000 && version != WindowsVersion::WindowsXP &&
        version != WindowsVersion::WindowsVista) {
        RequestApplicationEnd();
    }
    WasRestartedFlag = ClearResumeMarker(os_);
    if (WasRestartedFlag) {
        RemoveResumeSchedule(os_);
        WriteLog(os_, "it was restarted", "");
        for (int round = 0; round < ResumeRounds; ++round) {
            os_.clock.Sleep(ResumePauseMilliseconds);
            host_.HandlePendingMessages();
        }
        WaitForUsableAddress(os_, [this] {
            host_.HandlePendingMessages();
            return !endRequested_;
        });
        // A program that is ending does not start a run it would cut short.
        if (!endRequested_) RunTestButtonClick();
    }
}

void TPloverMainForm::CloseButtonClick() { host_.CloseMainWindow(); }

void TPloverMainForm::FormCloseQuery(bool& canClose) {
    // A run is not cut in the middle of a repair: the window stays, says it
    // is stopping, and closes when the run has ended, or after a bound.
    if (RunActive() && !closeCutShort_) {
        canClose = false;
        if (closing_ != Closing::No) return;
        // Set before the screen changes: its message pump may already bring
        // the run's end, which then finishes this close.
        closing_ = Closing::Window;
        host_.StartCloseTimer(CloseWaitMilliseconds);
        StopRunOnWelcomeScreen(ClosingNotice, ClosingAfterRepairNotice);
        return;
    }
    CleanUpOnClose();
    canClose = true;
}

void TPloverMainForm::RepairStepChanged(bool underWay) {
    if (underWay && !sessionEndBlocked_) {
        sessionEndBlocked_ = host_.BlockSessionEnd(SessionEndReason);
    } else if (!underWay && sessionEndBlocked_) {
        host_.UnblockSessionEnd();
        sessionEndBlocked_ = false;
    }
}

void TPloverMainForm::CloseWaitEnded() {
    if (closing_ == Closing::No || !RunActive() || closeCutShort_) return;
    // The bound is for waits and pauses: a repair or a put-back under way
    // finishes first, and the bound looks again shortly.
    if (run_->RepairUnderWay()) {
        WriteLog(os_, "close waits for the repair under way", run_->StepUnderWay());
        host_.StartCloseTimer(RepairRecheckMilliseconds);
        return;
    }
    WriteLog(os_, "closed before the run ended, during", run_->StepUnderWay());
    closeCutShort_ = true;
    if (closing_ == Closing::Window) host_.CloseMainWindow();
}

void TPloverMainForm::SessionEnding() {
    if (RunActive() && !RunCancelled()) {
        StopRunOnWelcomeScreen(StoppingNotice, FinishingRepairNotice);
    }
}

void TPloverMainForm::SessionEnded() {
    if (RunActive() && !closeCutShort_) {
        closing_ = Closing::Session;
        host_.StartCloseTimer(SessionEndWaitMilliseconds);
        if (!RunCancelled()) StopRunOnWelcomeScreen(ClosingNotice, ClosingAfterRepairNotice);
        host_.HandleMessagesUntil([this] { return !RunActive() || closeCutShort_; });
    }
    CleanUpOnClose();
    RequestApplicationEnd();
}

void TPloverMainForm::EndedWithoutWindow() {
    if (ClearResumeMarker(os_)) RemoveResumeSchedule(os_);
}

void TPloverMainForm::FormClose() {
    // A run still going here is one the close's bound gave up on; it ends
    // with the process.
    if (run_) run_->Terminate();
    RequestApplicationEnd();
}

void TPloverMainForm::CleanUpOnClose() {
    // The firewall first: the snapshot goes only once nothing is left in
    // the journal.
    SwitchFirewallBackOn();
    if (DeleteSettingsSnapshot(os_, snapshot_)) WriteLog(os_, "delete PloverRegKey... file", "");
    DeleteWinsockRegFiles(os_);
    WriteLog(os_, "close Plover tool", "");
}

void TPloverMainForm::SwitchFirewallBackOn() {
    if (!FirewallWasDisabled) return;
    firewall_.EnableFirewall();
    FirewallWasDisabled = false;
    WriteLog(os_, "firewall was temporary disabled", "enabled firewall");
}

void TPloverMainForm::PromptRestart() {
    if (RunCancelled() || !host_.AskYesNoWarning(RestartQuestion)) return;
    RestartAcceptedFlag = true;
    WriteLog(os_, "yes for repair2", "");
    DeleteWinsockRegFiles(os_);
    // The pending DHCP switch is kept before anything can end the process:
    // the computer restarts with it, and the next start must not put it
    // back. The snapshot then stays, the only record of the user's values.
    firewall_.Changes().SettleAll(ChangeKind::InterfaceValue, true);
    // No close handling runs before the restart ends the process.
    SwitchFirewallBackOn();
    DeleteSettingsSnapshot(os_, snapshot_);
    WriteLog(os_, "PC restarted", "");
    os_.processes.ShellOpen("shutdown", "/r /t 0", "", true);
    host_.HideMainWindow();
    awaitingRestart_ = true;
    host_.StartRestartTimer(RestartWaitMilliseconds);
}

void TPloverMainForm::RestartWaitEnded() {
    if (!awaitingRestart_ || endRequested_) return;
    awaitingRestart_ = false;
    WriteLog(os_, "the restart did not come", "window shown again");
    // Nothing may start this program by itself at some later log-on, and
    // such a start would take itself for the resumed run.
    RemoveResumeSchedule(os_);
    ClearResumeMarker(os_);
    Label7.caption = RestartMissingNotice;
    Label7.visible = true;
    Label8.visible = false;
    mssgAtxt.visible = false;
    FinalFailure();
    host_.ShowMainWindow();
}

void TPloverMainForm::LinkClick(const FormControl& link) {
    if (!link.url.empty()) os_.processes.ShellOpen(link.url, "", "", false);
}

}  // namespace plover
