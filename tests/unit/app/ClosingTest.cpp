#include <gtest/gtest.h>

#include <algorithm>

#include "netsettings/NetworkSettings.h"
#include "system/RegistryHelpers.h"
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
    ASSERT_TRUE(fixture.firewall.DisableFirewall());
    form.SetFirewallWasDisabled();
    const size_t before = fixture.machine.LogLines().size();
    const size_t commandsBefore = fixture.machine.processes.CommandLines().size();

    form.CloseButtonClick();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(form.ApplicationEndRequested());
    EXPECT_FALSE(fixture.machine.files.HasFile(Snapshot));
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok2.reg"));
    EXPECT_FALSE(fixture.machine.files.HasFile(Temp + "winsok.reg"));
    EXPECT_TRUE(fixture.machine.firewall.enabled);
    EXPECT_FALSE(fixture.machine.firewall.echoAllowed);
    EXPECT_FALSE(form.FirewallWasDisabled);
    EXPECT_EQ(LinesAfter(fixture.machine.processes.CommandLines(), commandsBefore),
              (Lines{"cmd.exe /cnetsh firewall set icmpsetting 8 DISABLE",
                     "cmd.exe /cnetsh firewall set opmode ENABLE"}));
    // The snapshot goes only once the journal is empty: the firewall first.
    EXPECT_EQ(
        LinesAfter(fixture.machine.LogLines(), before),
        (Lines{"put back firewall echo exception disabled", "put back firewall enabled firewall",
               "firewall was temporary disabled enabled firewall", "delete PloverRegKey... file ",
               "delete winsok2.reg ", "delete winsok.reg ", "close Plover tool "}));

    // A second close query (the close box after the button) does not switch it again.
    bool canClose = false;
    form.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_EQ(fixture.machine.processes.CommandLines().size(), commandsBefore + 2);
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
StageSlots HeldUntilStopped(std::atomic<bool>& entered, std::atomic<int>& laterStages,
                            TFirewallOperations& firewall) {
    StageSlots slots;
    slots[0] = [&entered, &firewall](ComputationalThread& thread) {
        if (firewall.DisableFirewall()) thread.Display().SetFirewallWasDisabled();
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
    form.SetStageSlots(HeldUntilStopped(entered, laterStages, fixture.firewall));
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

// A stage body that holds the run, inside a repair or in a wait of its own,
// until released.
StageSlots HeldUntilReleased(const char* repair, std::atomic<bool>& entered,
                             std::atomic<bool>& release) {
    StageSlots slots;
    slots[0] = [repair, &entered, &release](ComputationalThread& thread) {
        const auto hold = [&] {
            entered = true;
            while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        };
        if (repair) {
            thread.Repair(repair, hold);
        } else {
            hold();
        }
    };
    return slots;
}

TEST(Closing, TheBoundWaitsForARepairUnderWayAndTheSessionEndIsBlockedMeanwhile) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    form.SetStageSlots(HeldUntilReleased("SwitchToDhcp", entered, release));
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    fixture.host.HandlePendingMessages();
    EXPECT_TRUE(form.SessionEndBlocked());
    EXPECT_EQ(fixture.host.sessionEndBlocks, (Lines{"Finishing a network repair"}));
    form.CloseButtonClick();
    EXPECT_EQ(form.stopNotice.caption, "Finishing a repair before closing. Please wait...");
    form.CloseWaitEnded();
    // The repair goes on; the bound looks again in a second.
    EXPECT_FALSE(fixture.host.closed);
    EXPECT_FALSE(form.CloseCutShort());
    EXPECT_EQ(fixture.host.closeTimers, (std::vector<uint32_t>{30000, 1000}));
    EXPECT_EQ(fixture.machine.LogLines().back(),
              "close waits for the repair under way SwitchToDhcp");
    release = true;
    ASSERT_TRUE(fixture.host.RunUntil([&] { return fixture.host.closed; }));
    EXPECT_FALSE(form.RunActive());
    EXPECT_FALSE(form.SessionEndBlocked());
    EXPECT_FALSE(fixture.host.sessionEndBlocked);
    EXPECT_EQ(fixture.machine.LogLines().back(), "close Plover tool ");
}

TEST(Closing, ARunStuckInAWaitIsLeftAndTheStepNamed) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    form.SetStageSlots(HeldUntilReleased(nullptr, entered, release));
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    form.CloseButtonClick();
    EXPECT_EQ(form.stopNotice.caption, "Stopping the test before closing. Please wait...");
    form.CloseWaitEnded();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(form.CloseCutShort());
    EXPECT_TRUE(form.RunActive());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "closed before the run ended, during stage 1"),
              lines.end());
    EXPECT_EQ(lines.back(), "close Plover tool ");
    release = true;
    ASSERT_TRUE(fixture.FinishRun());
}

TEST(SessionEnd, WithoutTheBlockBeforeVistaARepairStillFinishesFirst) {
    FormFixture fixture;
    fixture.host.sessionEndBlockAvailable = false;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<bool> release{false};
    form.SetStageSlots(HeldUntilReleased("WriteProviderDns", entered, release));
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    fixture.host.HandlePendingMessages();
    EXPECT_FALSE(form.SessionEndBlocked());
    // The bound runs out during the repair, which is then let finish.
    fixture.host.onMessageWait = [&] {
        form.CloseWaitEnded();
        release = true;
    };
    form.SessionEnding();
    form.SessionEnded();
    EXPECT_FALSE(form.RunActive());
    EXPECT_FALSE(form.CloseCutShort());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "close waits for the repair under way WriteProviderDns"),
              lines.end());
    EXPECT_EQ(lines.back(), "close Plover tool ");
}

TEST(SessionEnd, StopsTheRunWaitsForItAndCleansUp) {
    // With no run: the clean-up at once, firewall on again.
    {
        FormFixture fixture;
        auto& form = fixture.Build();
        ASSERT_TRUE(fixture.firewall.DisableFirewall());
        form.SetFirewallWasDisabled();
        form.SessionEnding();
        form.SessionEnded();
        EXPECT_TRUE(fixture.machine.firewall.enabled);
        EXPECT_EQ(fixture.host.messageWaits, 0);
        EXPECT_EQ(fixture.machine.LogLines().back(), "close Plover tool ");
    }
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> entered{false};
    std::atomic<int> laterStages{0};
    form.SetStageSlots(HeldUntilStopped(entered, laterStages, fixture.firewall));
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
        entered = true;
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        thread.Repair("WriteProviderDns", [] {});
    };
    form.SetStageSlots(slots);
    form.RunTestButtonClick();
    while (!entered) std::this_thread::yield();
    // Windows would end the program: the bound runs out while it waits.
    fixture.host.onMessageWait = [&] { form.CloseWaitEnded(); };
    form.SessionEnded();
    EXPECT_TRUE(form.RunActive());
    const Lines lines = fixture.machine.LogLines();
    EXPECT_EQ(lines[lines.size() - 4], "closed before the run ended, during stage 1");
    EXPECT_EQ(lines.back(), "close Plover tool ");
    release = true;
    ASSERT_TRUE(fixture.FinishRun());
}

TEST(StartUp, ASwitchLeftByAProgramThatWasEndedIsPutBackBeforeTheWindowOffersAnything) {
    FormFixture fixture;
    auto& machine = fixture.machine;
    const std::string key = std::string(InterfacesKeyPath) + "{A}";
    machine.registry.SetDword(RegistryRoot::LocalMachine, key, "EnableDHCP", 0);
    machine.registry.SetMultiString(RegistryRoot::LocalMachine, key, "DefaultGateway",
                                    {"192.168.1.1"});
    machine.adapters.SetTable({standin::Adapter("{A}", "Ethernet", false, "192.168.1.1",
                                                {{"192.168.1.10", "255.255.255.0"}})});
    machine.connections.AddConnection("Local Area Connection");
    const auto gateway = machine.registry.Value(RegistryRoot::LocalMachine, key, "DefaultGateway");
    {
        // The first process is ended in mid-switch, after the renewal.
        struct ProcessEnded {};
        machine.processes.Program("cmd.exe /c ipconfig /renew").effect = [] {
            throw ProcessEnded{};
        };
        SettingsSnapshot snapshot;
        TNetworkSettings first(machine.Os(), snapshot, fixture.regTexts);
        EXPECT_THROW(first.SwitchToDhcp(), ProcessEnded);
        machine.processes.Program("cmd.exe /c ipconfig /renew").effect = nullptr;
    }
    ASSERT_EQ(machine.registry.DwordValue(RegistryRoot::LocalMachine, key, "EnableDHCP"), 1u);
    const size_t before = machine.LogLines().size();

    auto& form = fixture.Build();
    EXPECT_EQ(machine.registry.DwordValue(RegistryRoot::LocalMachine, key, "EnableDHCP"), 0u);
    EXPECT_EQ(machine.registry.Value(RegistryRoot::LocalMachine, key, "DefaultGateway")->data,
              gateway->data);
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));
    EXPECT_FALSE(form.RunActive());
    Lines recovery;
    for (const std::string& line : LinesAfter(machine.LogLines(), before)) {
        if (line.rfind("journal", 0) == 0 || line.rfind("put back", 0) == 0) {
            recovery.push_back(line);
        }
    }
    EXPECT_EQ(recovery, (Lines{"journal of a run that did not end found, entries: 2",
                               "put back interface settings {A}", "journal cleared "}));
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
    ASSERT_TRUE(fixture.firewall.DisableFirewall());
    form.SetFirewallWasDisabled();
    fixture.host.answerYes = true;
    const size_t before = fixture.machine.LogLines().size();
    const size_t commandsBefore = fixture.machine.processes.CommandLines().size();

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
    EXPECT_EQ(LinesAfter(fixture.machine.processes.CommandLines(), commandsBefore),
              (Lines{"cmd.exe /cnetsh firewall set icmpsetting 8 DISABLE",
                     "cmd.exe /cnetsh firewall set opmode ENABLE"}));
    EXPECT_EQ(
        LinesAfter(fixture.machine.LogLines(), before),
        (Lines{"yes for repair2 ", "delete winsok2.reg ", "delete winsok.reg ",
               "put back firewall echo exception disabled", "put back firewall enabled firewall",
               "firewall was temporary disabled enabled firewall", "PC restarted "}));
}

TEST(PromptRestart, YesKeepsAPendingSwitchAndItsSnapshotBeforeTheRestart) {
    FormFixture fixture;
    auto& form = fixture.Build();
    const std::string key = std::string(InterfacesKeyPath) + "{A}";
    fixture.machine.registry.SetDword(RegistryRoot::LocalMachine, key, "EnableDHCP", 0);
    fixture.machine.files.SetContent(Snapshot, "settings");
    fixture.snapshot.SettingsSnapshotPath = Snapshot;
    // The switch the restart repair came after, not settled yet.
    fixture.changes.WriteValue(ChangeKind::InterfaceValue, RegistryRoot::LocalMachine, key,
                               "EnableDHCP", RegistryValueType::Dword,
                               std::string("\x01\0\0\0", 4));
    fixture.host.answerYes = true;
    form.PromptRestart();
    // The restart may end the process at once: nothing is left for the next
    // start to put back, and the record of the user's values stays.
    EXPECT_FALSE(JournalHoldsEntries(fixture.machine.Os()));
    EXPECT_TRUE(fixture.machine.files.HasFile(Snapshot));
    EXPECT_EQ(fixture.machine.registry.DwordValue(RegistryRoot::LocalMachine, key, "EnableDHCP"),
              1u);
    MachineChanges nextStart(fixture.machine.Os(), fixture.snapshot, fixture.regTexts);
    EXPECT_EQ(nextStart.RecoverUnfinishedRun(), 0);
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
