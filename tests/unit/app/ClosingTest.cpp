#include <gtest/gtest.h>

#include <algorithm>

#include "tests/unit/app/FormFixture.h"

namespace plover {
namespace {

using testing::FormFixture;
using Lines = std::vector<std::string>;

const std::string Temp = "C:\\DOCUME~1\\user\\LOCALS~1\\Temp\\";
const std::string Snapshot = Temp + "Ploverregkey2026_12_08_04_05_27.txt";

Lines LinesAfter(const Lines& lines, size_t count) {
    return Lines(lines.begin() + static_cast<std::ptrdiff_t>(count), lines.end());
}

TEST(Closing, CleansUpAndSwitchesBackAFirewallTheRunSwitchedOff) {
    FormFixture fixture;
    auto& form = fixture.Build();
    fixture.machine.files.SetContent(Snapshot, "settings");
    fixture.snapshot.SettingsSnapshotPath = Snapshot;
    ASSERT_TRUE(form.Os().firewall.CurrentProfile());
    fixture.machine.firewall.enabled = false;
    form.SetFirewallWasDisabled();
    const size_t before = fixture.machine.LogLines().size();

    form.CloseButtonClick();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(form.ApplicationEndRequested());
    EXPECT_FALSE(fixture.machine.files.HasFile(Snapshot));
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok2.reg"));
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok.reg"));
    EXPECT_TRUE(fixture.machine.firewall.enabled);
    EXPECT_FALSE(form.FirewallWasDisabled);
    EXPECT_EQ(fixture.machine.processes.CommandLines(),
              (Lines{"cmd.exe /cnetsh firewall set opmode ENABLE"}));
    EXPECT_EQ(LinesAfter(fixture.machine.LogLines(), before),
              (Lines{"delete PloverRegKey... file ", "delete winsok2.reg ", "delete winsok.reg ",
                     "firewall was temporary disabled enabled firewall", "close Plover tool "}));

    // A second close query (the close box after the button) does not switch it again.
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(fixture.machine.processes.CommandLines().size(), 1u);
}

TEST(Closing, WithoutSnapshotOrFirewallChangeOnlyTheRegFilesGo) {
    FormFixture fixture;
    auto& form = fixture.Build();
    fixture.snapshot.SettingsSnapshotPath = Snapshot;  // named but never written
    const size_t before = fixture.machine.LogLines().size();
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(fixture.machine.processes.CommandLines().empty());
    EXPECT_EQ(fixture.machine.firewall.starts, 0);
    EXPECT_EQ(LinesAfter(fixture.machine.LogLines(), before),
              (Lines{"delete winsok2.reg ", "delete winsok.reg ", "close Plover tool "}));
}

// A stage that holds the run until it is asked to stop, marking the
// firewall switched off as a firewall step would.
StageSlots HeldUntilStopped(std::atomic<bool>& entered, std::atomic<int>& laterStages) {
    StageSlots slots;
    slots[0] = [&entered](ComputationalThread& thread) {
        thread.Display().SetFirewallWasDisabled();
        entered = true;
        while (!thread.Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    for (size_t i = 1; i < 5; ++i) slots[i] = [&](ComputationalThread&) { ++laterStages; };
    return slots;
}

TEST(Closing, InTheMiddleOfARunWaitsForTheStopThenCleansUp) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<int> laterStages{0};
    form.SetStageSlots(HeldUntilStopped(entered, laterStages));
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    form.CloseButtonClick();
    // The window stays and says why, while the run stops.
    EXPECT_FALSE(fixture.host.closed);
    EXPECT_EQ(fixture.host.closeTimers, (std::vector<uint32_t>{30000}));
    EXPECT_TRUE(form.stopNotice.visible);
    EXPECT_EQ(form.stopNotice.caption, "Stopping the test before closing. Please wait...");
    EXPECT_FALSE(form.RunTestButton.enabled);
    form.CloseButtonClick();  // pressed again: still waiting, one timer
    EXPECT_EQ(fixture.host.closeTimers.size(), 1u);

    ASSERT_TRUE(fixture.host.RunUntil([&] { return fixture.host.closed; }));
    EXPECT_EQ(laterStages, 0);
    const Lines lines = fixture.machine.LogLines();
    const auto exiting = std::find(lines.begin(), lines.end(), "Exiting thread ");
    const auto closing = std::find(lines.begin(), lines.end(), "close Plover tool ");
    // The firewall the run switched off goes on again after the run ended.
    EXPECT_LT(exiting, closing);
    EXPECT_EQ(
        std::count(lines.begin(), lines.end(), "firewall was temporary disabled enabled firewall"),
        1);
}

TEST(Closing, ARunThatDoesNotStopInTimeIsLeftAndTheStepNamed) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    StageSlots slots;
    slots[0] = [&](ComputationalThread& thread) {
        thread.Repair("SwitchToDhcp", [&] {
            entered = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    };
    form.SetStageSlots(slots);
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    form.CloseButtonClick();
    EXPECT_EQ(form.stopNotice.caption, "Finishing a repair before closing. Please wait...");
    form.CloseWaitEnded();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(form.CloseCutShort());
    EXPECT_TRUE(form.RunActive());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "closed before the run ended, during SwitchToDhcp"),
        lines.end());
    EXPECT_EQ(lines.back(), "close Plover tool ");
    release = true;
    ASSERT_TRUE(fixture.FinishRun());
}

TEST(SessionEnd, StopsTheRunWaitsForItAndCleansUp) {
    // With no run: the clean-up at once, firewall on again.
    {
        FormFixture fixture;
        auto& form = fixture.Build();
        form.SetFirewallWasDisabled();
        form.SessionEnding();
        form.SessionEnded();
        EXPECT_TRUE(fixture.machine.firewall.enabled);
        EXPECT_EQ(fixture.host.messageWaits, 0);
        EXPECT_EQ(fixture.machine.LogLines().back(), "close Plover tool ");
    }
    FormFixture fixture;
    auto& form = fixture.Build();
    fixture.machine.firewall.enabled = false;
    std::atomic<bool> entered{false};
    std::atomic<int> laterStages{0};
    form.SetStageSlots(HeldUntilStopped(entered, laterStages));
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    form.SessionEnding();
    EXPECT_TRUE(form.stopNotice.visible);
    form.SessionEnded();
    EXPECT_FALSE(form.RunActive());
    EXPECT_EQ(fixture.host.closeTimers, (std::vector<uint32_t>{8000}));
    EXPECT_EQ(laterStages, 0);
    EXPECT_TRUE(fixture.machine.firewall.enabled);
    EXPECT_TRUE(form.ApplicationEndRequested());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_LT(std::find(lines.begin(), lines.end(), "Exiting thread "),
              std::find(lines.begin(), lines.end(), "close Plover tool "));
}

TEST(SessionEnd, ARunThatDoesNotStopInTimeIsLeftAndTheCleanUpRuns) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    StageSlots slots;
    slots[0] = [&](ComputationalThread& thread) {
        thread.Repair("WriteProviderDns", [&] {
            entered = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    };
    form.SetStageSlots(slots);
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    // Windows would end the program: the bound runs out while it waits.
    fixture.host.onMessageWait = [&] { form.CloseWaitEnded(); };
    form.SessionEnded();
    EXPECT_TRUE(form.RunActive());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_EQ(lines[lines.size() - 4], "closed before the run ended, during WriteProviderDns");
    EXPECT_EQ(lines.back(), "close Plover tool ");
    release = true;
    ASSERT_TRUE(fixture.FinishRun());
}

TEST(StartUp, EndingSilentlyStillRemovesAPendingResume) {
    FormFixture fixture(testing::Block(testing::Without(testing::SampleRecords(), "scbi")));
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    fixture.machine.registry.SetString(RegistryRoot::LocalMachine, "Software\\PloverTool",
                                       "PloverReboot", "sart on logon");
    fixture.machine.registry.SetString(RegistryRoot::LocalMachine, runKey, "PloverReboot",
                                       "C:\\PloverTool.exe /waitsuspend");
    auto& form = fixture.Build();
    ASSERT_TRUE(form.ApplicationEndRequested());
    form.EndedWithoutWindow();
    EXPECT_FALSE(
        fixture.machine.registry.HasKey(RegistryRoot::LocalMachine, "Software\\PloverTool"));
    EXPECT_FALSE(
        fixture.machine.registry.Value(RegistryRoot::LocalMachine, runKey, "PloverReboot"));
}

TEST(PromptRestart, YesCleansUpStartsTheRestartAndHidesTheWindow) {
    FormFixture fixture;
    auto& form = fixture.Build();
    fixture.machine.files.SetContent(Snapshot, "settings");
    fixture.snapshot.SettingsSnapshotPath = Snapshot;
    form.SetFirewallWasDisabled();
    fixture.host.answerYes = true;
    const size_t before = fixture.machine.LogLines().size();

    form.PromptRestart();
    EXPECT_EQ(fixture.host.questions,
              (Lines{"PloverTool requires your computer to be restarted. Do you want to restart "
                     "it now?"}));
    EXPECT_TRUE(form.RestartAccepted());
    EXPECT_TRUE(fixture.host.hidden);
    EXPECT_FALSE(fixture.machine.files.HasFile(Snapshot));
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok.reg"));
    const auto shell = fixture.machine.processes.ShellCalls();
    ASSERT_EQ(shell.size(), 1u);
    EXPECT_EQ(shell[0].file, "shutdown");
    EXPECT_EQ(shell[0].parameters, "/r /t 0");
    EXPECT_EQ(shell[0].directory, "");
    EXPECT_TRUE(shell[0].hidden);
    // The restart ends the process before any close handling: the firewall
    // the run switched off goes back on before the restart starts.
    EXPECT_FALSE(form.FirewallWasDisabled);
    EXPECT_EQ(fixture.machine.processes.CommandLines(),
              (Lines{"cmd.exe /cnetsh firewall set opmode ENABLE"}));
    EXPECT_EQ(LinesAfter(fixture.machine.LogLines(), before),
              (Lines{"yes for repair2 ", "delete winsok2.reg ", "delete winsok.reg ",
                     "firewall was temporary disabled enabled firewall", "PC restarted "}));
}

TEST(PromptRestart, ARestartThatDoesNotComeBringsTheWindowBackAndUndoesTheResume) {
    FormFixture fixture;
    const auto hklm = RegistryRoot::LocalMachine;
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    fixture.machine.registry.SetString(hklm, "Software\\PloverTool", "PloverReboot", "sart on logon");
    fixture.machine.registry.SetString(hklm, runKey, "PloverReboot", "\"C:\\P.exe\" /waitsuspend");
    auto& form = fixture.Build();
    form.ShowRepairInProgress();
    fixture.host.answerYes = true;
    form.PromptRestart();
    EXPECT_EQ(fixture.host.restartTimers, (std::vector<uint32_t>{60000}));
    ASSERT_TRUE(fixture.host.hidden);

    const size_t before = fixture.machine.LogLines().size();
    form.RestartWaitEnded();
    EXPECT_FALSE(fixture.host.hidden);
    EXPECT_TRUE(form.failPanel.visible);
    EXPECT_TRUE(form.Label7.visible);
    EXPECT_EQ(form.Label7.caption,
              "The computer did not restart, so the repair has not taken effect. Please save your "
              "work, restart the computer yourself and run the test again.");
    EXPECT_FALSE(form.tempFailImage.visible);
    EXPECT_TRUE(form.RunTestButton.visible && form.RunTestButton.enabled);
    EXPECT_TRUE(form.CloseButton.visible);
    EXPECT_FALSE(fixture.machine.registry.HasKey(hklm, "Software\\PloverTool"));
    EXPECT_FALSE(fixture.machine.registry.Value(hklm, runKey, "PloverReboot"));
    const Lines after = LinesAfter(fixture.machine.LogLines(), before);
    ASSERT_FALSE(after.empty());
    EXPECT_EQ(after.front(), "the restart did not come window shown again");

    // Once only; and never for a program that is ending anyway.
    form.RestartWaitEnded();
    const Lines lines = fixture.machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "the restart did not come window shown again"),
              1);
    FormFixture ending;
    auto& endingForm = ending.Build();
    ending.host.answerYes = true;
    endingForm.PromptRestart();
    endingForm.SessionEnded();
    endingForm.RestartWaitEnded();
    EXPECT_TRUE(ending.host.hidden);
}

TEST(RepairNotice, SaysThatRepairsNeedAnAdministratorOnALimitedAccount) {
    for (const bool administrator : {true, false}) {
        FormFixture fixture;
        fixture.machine.system.administrator = administrator;
        auto& form = fixture.Build();
        form.ShowRepairInProgress();
        EXPECT_EQ(form.Label7.caption,
                  administrator ? "Plover found a problem. Please wait while we attempt to repair "
                                  "your Internet Connection"
                                : "Plover found a problem. Repairs need an administrator: please "
                                  "sign in as an administrator and run the test again");
    }
}

TEST(PromptRestart, NoChangesNothing) {
    FormFixture fixture;
    auto& form = fixture.Build();
    form.ShowRepairInProgress();
    const size_t before = fixture.machine.LogLines().size();
    form.PromptRestart();
    EXPECT_EQ(fixture.host.questions.size(), 1u);
    EXPECT_FALSE(form.RestartAccepted());
    EXPECT_FALSE(fixture.host.hidden);
    EXPECT_TRUE(form.failPanel.visible);
    EXPECT_TRUE(fixture.machine.files.HasFile(Temp + "winsok2.reg"));
    EXPECT_TRUE(fixture.machine.processes.ShellCalls().empty());
    EXPECT_EQ(fixture.machine.LogLines().size(), before);
}

TEST(PromptRestart, ARunReadsTheAnswerAfterTheCall) {
    for (const bool yes : {true, false}) {
        FormFixture fixture;
        auto& form = fixture.Build();
        fixture.host.answerYes = yes;
        std::atomic<bool> seen{false};
        StageSlots slots;
        slots[0] = [&](ComputationalThread& thread) {
            thread.Synchronize(&RunDisplay::PromptRestart);
            seen = thread.Display().RestartAccepted();
            thread.FailStage(&RunDisplay::ShowNoInternetFailure);
        };
        form.SetStageSlots(slots);
        form.RunTestButtonClick();
        ASSERT_TRUE(fixture.FinishRun());
        EXPECT_EQ(seen, yes);
        EXPECT_EQ(fixture.host.hidden, yes);
    }
}

TEST(ContactDialog, OkClosesItAndItCanBeShownAgain) {
    TMessageForm dialog;
    EXPECT_EQ(dialog.Button1.caption, "OK");
    EXPECT_EQ(dialog.Button1.tabOrder, 0);
    EXPECT_EQ(dialog.contactInfoMemo.tabOrder, 1);
    EXPECT_TRUE(dialog.contactInfoMemo.readOnly);
    EXPECT_FALSE(dialog.contactInfoMemo.border);
    int closes = 0;
    dialog.OnCloseRequest = [&] { ++closes; };
    dialog.Button1Click();
    dialog.Button1Click();
    EXPECT_EQ(closes, 2);
}

TEST(ContactDialog, EmptySupportTextGivesAnEmptyMemo) {
    FormFixture fixture(
        testing::Block(testing::Without(testing::SampleRecords(), "contact_support")));
    auto& form = fixture.Build();
    form.FormShow();
    EXPECT_EQ(fixture.messageForm.contactInfoMemo.caption, "");
}

}  // namespace
}  // namespace plover
