#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>

#include "tests/unit/app/FormFixture.h"

namespace plover {
namespace {

using testing::FormFixture;
using Lines = std::vector<std::string>;

// What the screen table says about one button.
struct Button {
    bool visible;
    bool enabled;
    std::string caption;
    int left;
};

Button Of(const FormControl& control) {
    return {control.visible, control.enabled, control.caption, control.left};
}

void ExpectButton(const FormControl& control, const Button& expected) {
    SCOPED_TRACE(control.name);
    const Button actual = Of(control);
    EXPECT_EQ(actual.visible, expected.visible);
    if (expected.visible) {
        EXPECT_EQ(actual.enabled, expected.enabled);
        if (!expected.caption.empty()) {
            EXPECT_EQ(actual.caption, expected.caption);
        }
        EXPECT_EQ(actual.left, expected.left);
    }
}

std::vector<std::string> LinesFrom(const std::vector<std::string>& lines,
                                   const std::string& first) {
    const auto it = std::find(lines.begin(), lines.end(), first);
    return {it, lines.end()};
}

size_t CountLine(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

// A gate a stage body waits at until the test opens it.
class Gate {
public:
    void Wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        reached_ = true;
        changed_.notify_all();
        changed_.wait(lock, [&] { return open_; });
    }
    void Open() {
        std::lock_guard<std::mutex> lock(mutex_);
        open_ = true;
        changed_.notify_all();
    }
    bool Reached() {
        std::lock_guard<std::mutex> lock(mutex_);
        return reached_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool reached_ = false;
    bool open_ = false;
};

TEST(MainWindow, DesignStateIsTheWelcomeScreen) {
    FormFixture fixture;
    auto& form = fixture.Build();
    EXPECT_TRUE(form.firstImage.visible);
    EXPECT_FALSE(form.stepsPanel.visible);
    EXPECT_FALSE(form.goodPanel.visible);
    EXPECT_FALSE(form.failPanel.visible);
    ExpectButton(form.RunTestButton, {true, true, "Run Test", 257});
    ExpectButton(form.contactCancel, {false, true, "Contact Support", 164});
    ExpectButton(form.CloseButton, {true, true, "Close", 69});
    EXPECT_EQ(form.RunTestButton.tabOrder, 0);
    EXPECT_EQ(form.contactCancel.tabOrder, 1);
    EXPECT_EQ(form.CloseButton.tabOrder, 2);
    EXPECT_EQ(form.Controls().size(), 40u);
    EXPECT_FALSE(form.stopNotice.visible);
    for (FormControl* control : form.Controls()) EXPECT_FALSE(control->name.empty());
    EXPECT_EQ(form.StageIndex, 0);
    EXPECT_FALSE(form.WasRestarted());
    EXPECT_FALSE(form.RestartAccepted());
}

TEST(MainWindow, PumpMessagesHandlesMessagesAHundredTimesWithOneMillisecondPauses) {
    FormFixture fixture;
    auto& form = fixture.Build();
    fixture.machine.clock.ClearPauses();
    const int before = fixture.host.pendingHandled;
    form.PumpMessages();
    EXPECT_EQ(fixture.host.pendingHandled - before, 100);
    EXPECT_EQ(fixture.machine.clock.Pauses(), std::vector<uint32_t>(100, 1));
}

TEST(StageCompleted, WalksTheMarksFromFirstStageToSuccess) {
    FormFixture fixture;
    auto& form = fixture.Build();
    const std::array<FormControl*, 5> marks{&form.s1, &form.s2, &form.s3, &form.s4, &form.s5};
    for (int index = 0; index <= 4; ++index) {
        form.StageCompleted();
        EXPECT_EQ(form.StageIndex, index + 1);
        EXPECT_TRUE(form.progressImage.visible);
        EXPECT_TRUE(form.progressImage.animating);
        EXPECT_EQ(form.progressImage.left, 102);
        EXPECT_EQ(form.progressImage.top, marks[static_cast<size_t>(index)]->top + 1);
        for (int mark = 0; mark < 5; ++mark) {
            EXPECT_EQ(marks[static_cast<size_t>(mark)]->picture,
                      mark < index ? Picture::PassMark : Picture::None)
                << "after index " << index << ", mark " << mark;
        }
    }
    fixture.machine.clock.ClearPauses();
    form.StageCompleted();  // the fifth stage has passed
    EXPECT_EQ(form.StageIndex, 5);
    EXPECT_EQ(form.s5.picture, Picture::PassMark);
    EXPECT_FALSE(form.progressImage.visible);
    EXPECT_FALSE(form.progressImage.animating);
    EXPECT_TRUE(form.goodPanel.visible);
    ExpectButton(form.RunTestButton, {true, true, "Try Again", 255});
    ExpectButton(form.CloseButton, {true, true, "Close", 67});
    ExpectButton(form.contactCancel, {false, false, "", 0});
    // Pumps, the one-second pause, the panel's pump and the final pump.
    const auto pauses = fixture.machine.clock.Pauses();
    ASSERT_EQ(pauses.size(), 301u);
    EXPECT_EQ(pauses[100], 1000u);

    const auto lines = LinesFrom(fixture.machine.LogLines(), "start step completed 0");
    EXPECT_EQ(CountLine(lines, "finish step completed: 5"), 2u);
    EXPECT_EQ(LinesFrom(lines, "start step completed 5"),
              (Lines{"start step completed 5", "step browsing net pass show good picture",
                     "step browsing net pass show final panel",
                     "show panel method show final panel", "finish step completed: 5"}));
}

TEST(StageCompleted, AtIndexSixOnlyLogs) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.StageCompleted();
    form.ShowRouterMessage();
    const auto left = form.progressImage.left;
    const auto top = form.progressImage.top;
    fixture.machine.clock.ClearPauses();
    form.StageCompleted();
    EXPECT_EQ(form.StageIndex, 6);
    EXPECT_EQ(form.progressImage.left, left);
    EXPECT_EQ(form.progressImage.top, top);
    EXPECT_EQ(form.s1.picture, Picture::None);
    EXPECT_TRUE(form.failPanel.visible);
    EXPECT_TRUE(fixture.machine.clock.Pauses().empty());
    EXPECT_EQ(LinesFrom(fixture.machine.LogLines(), "start step completed 6"),
              (Lines{"start step completed 6", "finish step completed: 6"}));
}

TEST(Screens, RepairNoticeAndBackToTheStageList) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.ShowRepairInProgress();
    EXPECT_TRUE(form.failPanel.visible);
    EXPECT_EQ(form.failPanel.left, 0);
    EXPECT_TRUE(form.Label7.visible);
    EXPECT_EQ(form.Label7.caption,
              "Plover found a problem. Please wait while we attempt to repair your Internet "
              "Connection");
    EXPECT_TRUE(form.tempFailImage.visible);
    EXPECT_TRUE(form.tempFailImage.animating);
    EXPECT_FALSE(form.firstImage.visible);
    ExpectButton(form.RunTestButton, {false, false, "", 0});
    ExpectButton(form.contactCancel, {true, true, "Cancel", 164});
    ExpectButton(form.CloseButton, {false, false, "", 0});

    form.ResumeStagesPanel();
    EXPECT_TRUE(form.stepsPanel.visible);
    EXPECT_FALSE(form.failPanel.visible);
    EXPECT_FALSE(form.Label7.visible);
    EXPECT_FALSE(form.tempFailImage.visible);
    EXPECT_FALSE(form.tempFailImage.animating);
    ExpectButton(form.RunTestButton, {false, false, "", 0});
    ExpectButton(form.contactCancel, {true, true, "Cancel", 164});
    ExpectButton(form.CloseButton, {false, false, "", 0});
}

TEST(Screens, EachFinalFailureShowsItsMessageAndTheFailureButtons) {
    const std::string SignIn =
        "This network asks you to sign in first: sign in on the page your web browser shows, "
        "then press \"Try Again\".";
    struct Case {
        DisplayOperation operation;
        const char* shown;  // the message control that must be visible
        std::string label7;
        std::string logged;
    };
    const std::vector<Case> cases{
        {&RunDisplay::ShowAdapterFailure, "mssgAtxt", "", ""},
        {&RunDisplay::ShowNoInternetFailure, "Label8", "", ""},
        {&RunDisplay::ShowRouterMessage, "Label7", "Your router does not answer.\r\n",
         "fail message Your router does not answer."},
        {&RunDisplay::ShowSupportMessage, "Label7", "Call Harbour Netat 555-0100,\nany time.",
         "fail message Call Harbour Netat 555-0100,\nany time."},
        {&RunDisplay::ShowBrowserSettingsFailure, "Label7",
         "It appears there is an issue with your browser settings.", ""},
        {&RunDisplay::ShowSignInMessage, "Label7",
         SignIn + "\r\n\r\nCall Harbour Netat 555-0100,\nany time.",
         "fail message " + SignIn + " Call Harbour Netat 555-0100,\nany time."},
    };
    for (const Case& test : cases) {
        FormFixture fixture;
        auto& form = fixture.Build();
        form.ShowRepairInProgress();
        (form.*test.operation)();
        SCOPED_TRACE(test.shown);
        EXPECT_EQ(form.StageIndex, 6);
        EXPECT_TRUE(form.failPanel.visible);
        EXPECT_FALSE(form.tempFailImage.visible);
        EXPECT_FALSE(form.tempFailImage.animating);
        EXPECT_EQ(form.mssgAtxt.visible, std::string(test.shown) == "mssgAtxt");
        EXPECT_EQ(form.Label8.visible, std::string(test.shown) == "Label8");
        EXPECT_EQ(form.Label7.visible, std::string(test.shown) == "Label7");
        if (!test.label7.empty()) {
            EXPECT_EQ(form.Label7.caption, test.label7);
        }
        if (!test.logged.empty()) {
            const auto lines = fixture.machine.LogLines();
            EXPECT_NE(std::find(lines.begin(), lines.end(), test.logged), lines.end());
        }
        // The sign-in sentence names the button as it then reads.
        const bool signIn = test.operation == &RunDisplay::ShowSignInMessage;
        ExpectButton(form.RunTestButton, {true, true, signIn ? "Try Again" : "Run Test", 302});
        ExpectButton(form.contactCancel, {true, true, "Contact Support", 164});
        ExpectButton(form.CloseButton, {true, true, "Close", 21});

        form.contactCancelClick();
        EXPECT_EQ(fixture.host.contactDialogShown, 1);
    }
}

TEST(Screens, FormShowFillsTheContactDialogOnce) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.FormShow();
    EXPECT_EQ(fixture.messageForm.contactInfoMemo.caption,
              "Call Harbour Netat 555-0100,\nany time.");
    EXPECT_EQ(fixture.host.endRequests, 0);
    EXPECT_FALSE(form.WasRestarted());
}

TEST(Run, AllStagesPassEndsOnSuccessAndTryAgainReruns) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<int> stagesRun{0};
    StageSlots slots;
    for (auto& slot : slots) slot = [&](ComputationalThread&) { ++stagesRun; };
    form.SetStageSlots(slots);

    form.RunTestButtonClick();
    EXPECT_TRUE(form.stepsPanel.visible);
    EXPECT_FALSE(form.RunTestButton.enabled);
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(stagesRun, 5);
    EXPECT_TRUE(form.goodPanel.visible);
    ExpectButton(form.RunTestButton, {true, true, "Try Again", 255});
    auto lines = fixture.machine.LogLines();
    for (const char* index : {"1", "2", "3", "4"}) {
        EXPECT_EQ(CountLine(lines, std::string("finish step completed: ") + index), 1u);
    }
    EXPECT_EQ(CountLine(lines, "finish step completed: 5"), 2u);
    EXPECT_EQ(CountLine(lines, "synchronize step "), 5u);
    EXPECT_EQ(CountLine(lines, "start Plover tool "), 1u);
    EXPECT_EQ(CountLine(lines, "after first step completed 1"), 1u);

    form.RunTestButtonClick();
    ASSERT_TRUE(fixture.FinishRun());
    lines = fixture.machine.LogLines();
    EXPECT_EQ(CountLine(lines, "rerun Plover tool "), 1u);
    EXPECT_EQ(stagesRun, 10);
    // The marks were cleared and walked again.
    EXPECT_EQ(form.s1.picture, Picture::PassMark);
}

TEST(Run, FailedStageShowsTheFailurePanelAndRunTestStartsAgain) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<int> laterStages{0};
    StageSlots slots;
    slots[0] = [](ComputationalThread&) {};
    slots[1] = [](ComputationalThread& thread) {
        thread.Synchronize(&RunDisplay::ShowRepairInProgress);
        thread.FailStage(&RunDisplay::ShowRouterMessage);
    };
    for (size_t i = 2; i < 5; ++i) slots[i] = [&](ComputationalThread&) { ++laterStages; };
    form.SetStageSlots(slots);

    form.RunTestButtonClick();
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(laterStages, 0);
    EXPECT_TRUE(form.failPanel.visible);
    EXPECT_EQ(form.StageIndex, 6);
    EXPECT_EQ(form.s1.picture, Picture::PassMark);
    EXPECT_EQ(form.s2.picture, Picture::None);
    ExpectButton(form.RunTestButton, {true, true, "Run Test", 302});

    form.RunTestButtonClick();
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(CountLine(fixture.machine.LogLines(), "start Plover tool "), 2u);
}

TEST(Run, CancelStopsTheRunAndRunTestWaitsForTheOldThread) {
    FormFixture fixture;
    auto& form = fixture.Build();
    Gate gate;
    std::atomic<int> laterStages{0};
    StageSlots slots;
    slots[0] = [&](ComputationalThread& thread) {
        gate.Wait();
        // Reports of a cancelled run do not pull the window off the welcome screen.
        thread.Synchronize(&RunDisplay::ShowRepairInProgress);
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
    };
    for (size_t i = 1; i < 5; ++i) slots[i] = [&](ComputationalThread&) { ++laterStages; };
    form.SetStageSlots(slots);

    form.RunTestButtonClick();
    ASSERT_TRUE(fixture.host.RunUntil([&] { return gate.Reached(); }));
    ExpectButton(form.contactCancel, {true, true, "Cancel", 164});
    form.contactCancelClick();
    EXPECT_EQ(form.StageIndex, 6);
    EXPECT_TRUE(form.firstImage.visible);
    EXPECT_FALSE(form.stepsPanel.visible);
    ExpectButton(form.CloseButton, {true, true, "Close", 67});
    // Back on the welcome screen, but no second run while the first goes on.
    ExpectButton(form.RunTestButton, {true, false, "Run Test", 255});
    EXPECT_EQ(fixture.host.contactDialogShown, 0);
    form.RunTestButtonClick();
    EXPECT_TRUE(form.firstImage.visible);
    EXPECT_EQ(CountLine(fixture.machine.LogLines(), "start Plover tool "), 1u);

    gate.Open();
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(laterStages, 0);
    EXPECT_TRUE(form.firstImage.visible);
    EXPECT_FALSE(form.failPanel.visible);
    ExpectButton(form.RunTestButton, {true, true, "Run Test", 255});
    const auto lines = fixture.machine.LogLines();
    EXPECT_EQ(CountLine(lines, "Exiting thread "), 1u);
    EXPECT_EQ(CountLine(lines, "finish step completed: 6"), 1u);

    form.RunTestButtonClick();
    EXPECT_TRUE(form.stepsPanel.visible);
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(laterStages, 4);
}

TEST(Run, ASecondClickWhileTheFirstIsStillStartingStartsNothing) {
    FormFixture fixture;
    auto& form = fixture.Build();
    // The click handler pumps messages before its thread exists; a second
    // click handled there must not start a run of its own.
    int clicks = 0;
    fixture.host.onMessages = [&] {
        if (clicks++ < 3) form.RunTestButtonClick();
    };
    form.RunTestButtonClick();
    fixture.host.onMessages = nullptr;
    ASSERT_TRUE(fixture.FinishRun());
    const auto lines = fixture.machine.LogLines();
    EXPECT_EQ(CountLine(lines, "start plover tool "), 1u);
    EXPECT_EQ(CountLine(lines, "Exiting thread "), 1u);
    EXPECT_TRUE(form.goodPanel.visible);
    ExpectButton(form.RunTestButton, {true, true, "Try Again", 255});
}

TEST(Run, CancelOrCloseBeforeTheThreadExistsStartsNoRun) {
    for (const bool close : {false, true}) {
        SCOPED_TRACE(close ? "close" : "cancel");
        FormFixture fixture;
        auto& form = fixture.Build();
        bool done = false;
        fixture.host.onMessages = [&] {
            // The user acts as soon as the stage list offers Cancel.
            if (done || !form.contactCancel.visible) return;
            done = true;
            if (close) {
                form.CloseButtonClick();
            } else {
                form.contactCancelClick();
            }
        };
        form.RunTestButtonClick();
        fixture.host.onMessages = nullptr;
        ASSERT_TRUE(done);
        EXPECT_FALSE(form.RunActive());
        const auto lines = fixture.machine.LogLines();
        EXPECT_EQ(CountLine(lines, "start Plover tool "), 0u);
        const auto outputs = fixture.machine.debug.Outputs();
        EXPECT_EQ(std::count(outputs.begin(), outputs.end(), "Starting thread"), 0);
        if (!close) {
            EXPECT_EQ(form.StageIndex, 6);
            EXPECT_TRUE(form.firstImage.visible);
            EXPECT_FALSE(form.stepsPanel.visible);
            ExpectButton(form.RunTestButton, {true, true, "Run Test", 255});
        }
    }
}

TEST(Run, ResumedStartRunsByItselfAfterTwelveShortPauses) {
    FormFixture fixture;
    fixture.machine.registry.SetString(RegistryRoot::LocalMachine, "Software\\PloverTool",
                                       "PloverReboot", "sart on logon");
    fixture.machine.registry.SetString(RegistryRoot::LocalMachine,
                                       "Software\\Microsoft\\Windows\\CurrentVersion\\Run",
                                       "PloverReboot", "C:\\x\\PloverTool.exe /waitsuspend");
    // The log-on start comes before the lease: the run waits for it.
    fixture.machine.adapters.SetTable(
        {standin::Adapter("{A}", "Ethernet", true, "", {{"169.254.9.9", "255.255.0.0"}})});
    fixture.machine.adapters.ThenTables(
        {{}, {}, {standin::Adapter("{A}", "Ethernet", true, "10.0.0.1", {{"10.0.0.5", "255.0.0.0"}})}});
    auto& form = fixture.Build();
    fixture.machine.clock.ClearPauses();
    form.FormShow();
    EXPECT_TRUE(form.WasRestarted());
    EXPECT_FALSE(
        fixture.machine.registry.HasKey(RegistryRoot::LocalMachine, "Software\\PloverTool"));
    EXPECT_FALSE(fixture.machine.registry
                     .Value(RegistryRoot::LocalMachine,
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "PloverReboot")
                     .has_value());
    const auto pauses = fixture.machine.clock.Pauses();
    ASSERT_GE(pauses.size(), 14u);
    std::vector<uint32_t> expected(12, 50);
    expected.insert(expected.end(), {500, 500});
    EXPECT_EQ(std::vector<uint32_t>(pauses.begin(), pauses.begin() + 14), expected);
    EXPECT_TRUE(form.RunActive());
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_TRUE(form.goodPanel.visible);
    const auto lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "windows version:  5.1.2600"), lines.end());
    const auto waited = std::find(lines.begin(), lines.end(), "usable address after ms:  1000");
    EXPECT_LT(std::find(lines.begin(), lines.end(), "it was restarted "), waited);
    EXPECT_LT(waited, std::find(lines.begin(), lines.end(), "start plover tool "));
}

TEST(Run, UnsupportedSystemEndsAtShowAndStartsNoRun) {
    for (const auto& version : std::vector<OsVersionInfo>{
             {4, 0, 1381, 2, ""}, {4, 10, 0, 1, ""}, {3, 51, 0, 2, ""}, {7, 0, 0, 2, ""}}) {
        FormFixture fixture;
        fixture.machine.system.version = version;
        fixture.machine.registry.SetString(RegistryRoot::LocalMachine, "Software\\PloverTool",
                                           "PloverReboot", "sart on logon");
        auto& form = fixture.Build();
        form.FormShow();
        EXPECT_TRUE(form.ApplicationEndRequested());
        EXPECT_TRUE(form.WasRestarted());
        EXPECT_FALSE(form.RunActive());
    }
}

}  // namespace
}  // namespace plover

namespace plover {
namespace {

TEST(MainWindow, DesignTextsPlacesAndFontsAreTheProducts) {
    FormFixture fixture;
    auto& form = fixture.Build();
    const std::string crlf11 = [] {
        std::string breaks;
        for (int i = 0; i < 11; ++i) breaks += "\r\n";
        return breaks;
    }();
    EXPECT_EQ(form.Label3.caption,
              "Welcome to the Plover Utility. This utility will help you:" + crlf11 +
                  "To get started simply click on the \"Run Test\" button below");
    EXPECT_EQ(form.Label4.caption,
              "Checking network settings...\r\n\r\nChecking local connection...\r\n\r\n"
              "Checking ISP connection...\r\n\r\nChecking name resolution...\r\n\r\n"
              "Checking browser settings...");
    const std::array<FormControl*, 5> marks{&form.s1, &form.s2, &form.s3, &form.s4, &form.s5};
    for (size_t i = 0; i < marks.size(); ++i) {
        EXPECT_EQ(marks[i]->left, 100);
        EXPECT_EQ(marks[i]->top, 188 + 32 * static_cast<int>(i));
        EXPECT_EQ(marks[i]->parent, &form.stepsPanel);
    }
    EXPECT_EQ(form.progressImage.left, 88);
    EXPECT_EQ(form.progressImage.top, 146);
    EXPECT_FALSE(form.progressImage.visible);
    EXPECT_EQ(form.Label1.font.pixelHeight, 16);
    EXPECT_TRUE(form.Label1.font.italic);
    EXPECT_TRUE(form.emailURL.font.underline);
    EXPECT_EQ(form.browseURL.left, 216);
    EXPECT_EQ(form.browseURL.top, 316);
    EXPECT_FALSE(form.Label7.autoSize);
    EXPECT_TRUE(form.mssgAtxt.verticalScrollBar);
    EXPECT_TRUE(form.mssgAtxt.readOnly);
    EXPECT_EQ(form.stepsPanel.width, 453);
    EXPECT_EQ(form.stepsPanel.height, 497);
    EXPECT_EQ(form.goodPanel.height, 493);
    for (FormControl* button : {&form.RunTestButton, &form.contactCancel, &form.CloseButton}) {
        EXPECT_EQ(button->font.face, "Arial");
        EXPECT_TRUE(button->font.bold);
        EXPECT_TRUE(button->handCursor);
        EXPECT_EQ(button->top, 438);
    }
}

TEST(MainWindow, ClickingALinkOpensItsTarget) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.LinkClick(form.popupURL);
    const auto shell = fixture.machine.processes.ShellCalls();
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].file, "http://help.example/popups");
    EXPECT_FALSE(shell[0].hidden);
}

}  // namespace
}  // namespace plover

namespace plover {
namespace {

TEST(MainWindow, ARunStartsWithClearedRunFields) {
    testing::FormFixture fixture;
    auto& form = fixture.Build();
    form.Ping.PingReplied = true;
    form.Page.PageText = "any error";
    form.StageIndex = 6;
    form.RestartAcceptedFlag = true;
    form.ResetRunState();
    EXPECT_FALSE(form.Ping.PingReplied);
    EXPECT_EQ(form.Page.PageText, "");
    EXPECT_EQ(form.StageIndex, 0);
    EXPECT_FALSE(form.RestartAccepted());
    EXPECT_EQ(form.Ping.IdIcmpClient.ReceiveTimeout, 8000);
}

}  // namespace
}  // namespace plover

namespace plover {
namespace {

// The keyboard through every panel: Enter presses the default button where
// there is one, Escape cancels a run and closes otherwise, and the focus
// always has a button to go to.
TEST(Keyboard, EnterAndEscapeThroughTheWelcomeRunSuccessAndFailurePanels) {
    FormFixture fixture;
    auto& form = fixture.Build();
    Gate gate;
    StageSlots slots;
    slots[0] = [&](ComputationalThread&) { gate.Wait(); };
    form.SetStageSlots(slots);

    EXPECT_EQ(form.DefaultButton(), &form.RunTestButton);
    EXPECT_EQ(form.FocusButton(), &form.RunTestButton);
    form.EnterPressed();
    ASSERT_TRUE(fixture.host.RunUntil([&] { return gate.Reached(); }));
    EXPECT_TRUE(form.stepsPanel.visible);
    EXPECT_EQ(form.DefaultButton(), nullptr);
    EXPECT_EQ(form.FocusButton(), &form.contactCancel);
    form.EnterPressed();  // no default during a run: nothing happens
    EXPECT_TRUE(form.stepsPanel.visible);
    EXPECT_EQ(CountLine(fixture.machine.LogLines(), "start Plover tool "), 1u);

    form.EscapePressed();  // Cancel
    EXPECT_TRUE(form.firstImage.visible);
    EXPECT_FALSE(fixture.host.closed);
    // Run Test waits for the old run: the focus goes to Close meanwhile.
    EXPECT_EQ(form.DefaultButton(), nullptr);
    EXPECT_EQ(form.FocusButton(), &form.CloseButton);
    gate.Open();
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(form.FocusButton(), &form.RunTestButton);

    form.EnterPressed();
    ASSERT_TRUE(fixture.FinishRun());
    ASSERT_TRUE(form.goodPanel.visible);
    EXPECT_EQ(form.RunTestButton.caption, "Try Again");
    EXPECT_EQ(form.DefaultButton(), &form.RunTestButton);
    form.EscapePressed();  // Close
    EXPECT_TRUE(fixture.host.closed);

    FormFixture failing;
    auto& failed = failing.Build();
    StageSlots failure;
    failure[1] = [](ComputationalThread& thread) {
        thread.FailStage(&RunDisplay::ShowNoInternetFailure);
    };
    failed.SetStageSlots(failure);
    failed.EnterPressed();
    ASSERT_TRUE(failing.FinishRun());
    ASSERT_TRUE(failed.failPanel.visible);
    EXPECT_EQ(failed.contactCancel.caption, "Contact Support");
    EXPECT_EQ(failed.DefaultButton(), &failed.RunTestButton);
    failed.EscapePressed();  // Close, not the contact dialog
    EXPECT_EQ(failing.host.contactDialogShown, 0);
    EXPECT_TRUE(failing.host.closed);
}

TEST(Keyboard, NoKeyActsOnAnEndingProgramOrAHiddenButton) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.RunTestButton.visible = false;
    form.CloseButton.enabled = false;
    EXPECT_EQ(form.DefaultButton(), nullptr);
    EXPECT_EQ(form.FocusButton(), nullptr);
    form.EnterPressed();
    form.EscapePressed();
    EXPECT_FALSE(form.RunActive());
    EXPECT_FALSE(fixture.host.closed);

    FormFixture ending;
    auto& endingForm = ending.Build();
    endingForm.RequestApplicationEnd();
    endingForm.EnterPressed();
    endingForm.EscapePressed();
    EXPECT_FALSE(endingForm.RunActive());
    EXPECT_FALSE(ending.host.closed);
}

}  // namespace
}  // namespace plover
