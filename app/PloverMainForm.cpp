#include "app/PloverMainForm.h"

#include "app/BrandingBlock.h"
#include "app/BrandingText.h"
#include "platform/UniqueResource.h"
#include "system/Log.h"
#include "system/WindowsVersion.h"
#include "system/Winsock.h"

namespace plover {

namespace {

constexpr const char* RunTestCaption = "Run Test";
constexpr const char* TryAgainCaption = "Try Again";
constexpr const char* CancelCaption = "Cancel";
constexpr const char* ContactSupportCaption = "Contact Support";
constexpr const char* RepairNotice =
    "Plover found a problem. Please wait while we attempt to repair your Internet Connection";
constexpr const char* BrowserSettingsNotice =
    "It appears there is an issue with your browser settings.";
constexpr const char* RestartQuestion =
    "PloverTool requires your computer to be restarted. Do you want to restart it now?";

constexpr int PumpRounds = 100;
constexpr uint32_t PumpPauseMilliseconds = 1;
constexpr uint32_t SuccessPauseMilliseconds = 1000;
constexpr int ResumeRounds = 12;
constexpr uint32_t ResumePauseMilliseconds = 50;

void DeleteSnapshotFile(const Platform& os, const SettingsSnapshot& snapshot, bool log) {
    const std::string& path = snapshot.SettingsSnapshotPath;
    if (path.empty() || !os.files.Exists(path)) return;
    os.files.Delete(path);
    if (log) WriteLog(os, "delete PloverRegKey... file", "");
}

}  // namespace

TPloverMainForm::TPloverMainForm(const MainFormParts& parts)
    : Winsock2RegText(parts.regTexts.Winsock2RegText),
      WinsockRegText(parts.regTexts.WinsockRegText),
      Ping(parts.os),
      Page(parts.os.http, parts.synchronizer, parts.os.clock),
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
    Label7.caption = RepairNotice;
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
    Label7.visible = false;
    mssgAtxt.visible = true;
    FinalFailure();
}

void TPloverMainForm::ShowNoInternetFailure() {
    Label7.visible = false;
    Label8.visible = true;
    FinalFailure();
}

void TPloverMainForm::ShowRouterMessage() {
    Label7.visible = true;
    Label7.caption = RouterMessageText;
    WriteLog(os_, "fail message", RouterMessageText);
    FinalFailure();
}

void TPloverMainForm::ShowSupportMessage() {
    Label7.visible = true;
    Label7.caption = ContactSupportText;
    WriteLog(os_, "fail message", ContactSupportText);
    FinalFailure();
}

void TPloverMainForm::ShowBrowserSettingsFailure() {
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
    DeleteSnapshotFile(os_, snapshot_, false);
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
    run_ = std::make_unique<ComputationalThread>(os_, *this, synchronizer_, stages_, true);
    FormHost& host = host_;
    run_->OnTerminate = [&host] { host.PostRunEnded(); };
    run_->Start();
}

void TPloverMainForm::RunEnded() {
    if (!run_ || !run_->Finished()) return;
    run_->WaitFor();
    run_.reset();
    RunTestButton.enabled = true;
    Changed();
}

void TPloverMainForm::contactCancelClick() {
    if (contactCancel.caption == CancelCaption) {
        // The run stops before its next stage; Run Test comes back once it has.
        if (run_) run_->Terminate();
        ShowPanel(nullptr, true);
        StageIndex = 6;
        host_.HandlePendingMessages();
    }
    if (contactCancel.caption == ContactSupportCaption) host_.ShowContactDialogModal();
}

void TPloverMainForm::FormShow() {
    messageForm_.contactInfoMemo.caption = ContactSupportText;
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
        // A program that is ending does not start a run it would cut short.
        if (!endRequested_) RunTestButtonClick();
    }
}

void TPloverMainForm::CloseButtonClick() { host_.CloseMainWindow(); }

void TPloverMainForm::FormCloseQuery(bool& canClose) {
    CleanUpOnClose();
    canClose = true;
}

void TPloverMainForm::FormClose() {
    // A run still going is not waited for; it ends with the process.
    if (run_) run_->Terminate();
    RequestApplicationEnd();
}

void TPloverMainForm::CleanUpOnClose() {
    DeleteSnapshotFile(os_, snapshot_, true);
    DeleteWinsockRegFiles(os_);
    if (FirewallWasDisabled) {
        firewall_.EnableFirewall();
        FirewallWasDisabled = false;
        WriteLog(os_, "firewall was temporary disabled", "enabled firewall");
    }
    WriteLog(os_, "close Plover tool", "");
}

void TPloverMainForm::PromptRestart() {
    if (!host_.AskYesNoWarning(RestartQuestion)) return;
    RestartAcceptedFlag = true;
    WriteLog(os_, "yes for repair2", "");
    DeleteWinsockRegFiles(os_);
    DeleteSnapshotFile(os_, snapshot_, false);
    WriteLog(os_, "PC restarted", "");
    os_.processes.ShellOpen("shutdown", "/r /t 0", "", true);
    host_.HideMainWindow();
}

void TPloverMainForm::LinkClick(const FormControl& link) {
    if (!link.url.empty()) os_.processes.ShellOpen(link.url, "", "", false);
}

}  // namespace plover
