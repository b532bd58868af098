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

TEST(Closing, InTheMiddleOfARunDoesNotWaitForIt) {
    FormFixture fixture;
    auto& form = fixture.Build();
    std::atomic<bool> release{false};
    std::atomic<int> laterStages{0};
    StageSlots slots;
    slots[0] = [&](ComputationalThread&) {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    };
    for (size_t i = 1; i < 5; ++i) slots[i] = [&](ComputationalThread&) { ++laterStages; };
    form.SetStageSlots(slots);
    form.RunTestButtonClick();
    form.CloseButtonClick();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(form.RunActive());
    release = true;
    ASSERT_TRUE(fixture.FinishRun());
    EXPECT_EQ(laterStages, 0);
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
    // The restart ends the process: the firewall stays as the run left it.
    EXPECT_TRUE(form.FirewallWasDisabled);
    EXPECT_TRUE(fixture.machine.processes.CommandLines().empty());
    EXPECT_EQ(
        LinesAfter(fixture.machine.LogLines(), before),
        (Lines{"yes for repair2 ", "delete winsok2.reg ", "delete winsok.reg ", "PC restarted "}));
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
