#include <gtest/gtest.h>

#include <future>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "engine/ComputationalThread.h"
#include "tests/standin/FakeWindowThread.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/engine/RecordingDisplay.h"

namespace plover {
namespace {

using enginetest::RecordingDisplay;
using standin::FakeWindows;

class RunFrame : public ::testing::Test {
protected:
    FakeWindows machine;
    RecordingDisplay display;
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    std::vector<int> stagesRun;

    StageSlots RecordingStages() {
        StageSlots slots;
        for (int i = 0; i < 5; ++i) {
            slots[static_cast<size_t>(i)] = [this, i](ComputationalThread&) {
                stagesRun.push_back(i + 1);
            };
        }
        return slots;
    }

    void Run(ComputationalThread& thread) {
        thread.Start();
        thread.WaitFor();
    }

    std::vector<std::string> Repeat(const std::string& text, int times) {
        return std::vector<std::string>(static_cast<size_t>(times), text);
    }
};

TEST_F(RunFrame, APassingRunWalksAllFiveStagesAndShowsEveryCompletion) {
    bool notified = false;
    ComputationalThread thread(machine.Os(), display, window, RecordingStages(), true);
    thread.OnTerminate = [&] { notified = true; };
    Run(thread);

    EXPECT_EQ(stagesRun, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(display.Operations(), Repeat("StageCompleted", 5));
    auto expectedLog = Repeat("synchronize step ", 5);
    expectedLog.push_back("Exiting thread ");
    EXPECT_EQ(machine.LogLines(), expectedLog);
    EXPECT_EQ(thread.StageNumber, 6);
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(notified);
    // "Starting thread" goes to the debugger only.
    EXPECT_EQ(machine.debug.Outputs().front(), "Starting thread");
    EXPECT_EQ(machine.LogText().find("Starting thread"), std::string::npos);
    // Every display operation ran on the window's thread.
    for (const auto id : display.Threads()) EXPECT_EQ(id, window.Id());
}

TEST_F(RunFrame, AFailedStageEndsTheRunOnItsPanelAndNoLaterStageRuns) {
    auto stages = RecordingStages();
    stages[1] = [this](ComputationalThread& run) {
        stagesRun.push_back(2);
        run.FailStage(&RunDisplay::ShowRouterMessage);
        // The failure panel is up before the stage goes on.
        EXPECT_EQ(display.Operations().back(), "ShowRouterMessage");
    };
    ComputationalThread thread(machine.Os(), display, window, stages, true);
    Run(thread);

    EXPECT_EQ(stagesRun, (std::vector<int>{1, 2}));
    EXPECT_EQ(display.Operations(),
              (std::vector<std::string>{"StageCompleted", "ShowRouterMessage", "StageCompleted"}));
    EXPECT_EQ(
        machine.LogLines(),
        (std::vector<std::string>{"synchronize step ", "synchronize step ", "Exiting thread "}));
    EXPECT_EQ(thread.StageNumber, 7);
}

TEST_F(RunFrame, ATerminationRequestStopsBeforeTheNextStage) {
    {
        ComputationalThread thread(machine.Os(), display, window, RecordingStages(), true);
        thread.Terminate();
        Run(thread);
        EXPECT_TRUE(stagesRun.empty());
        EXPECT_TRUE(display.Operations().empty());
        EXPECT_EQ(machine.LogLines(),
                  (std::vector<std::string>{"run stopped asked before the first stage",
                                            "Exiting thread "}));
    }
    // Cancel during stage 2: that stage finishes its iteration, stage 3 never runs.
    auto stages = RecordingStages();
    stages[1] = [this](ComputationalThread& run) {
        stagesRun.push_back(2);
        run.Terminate();
    };
    ComputationalThread thread(machine.Os(), display, window, stages, true);
    Run(thread);
    EXPECT_EQ(stagesRun, (std::vector<int>{1, 2}));
    EXPECT_EQ(display.Operations(), Repeat("StageCompleted", 2));
    EXPECT_EQ(thread.StageNumber, 3);
}

TEST_F(RunFrame, AStageThatThrowsEndsTheRunWithoutTakingTheProgramDown) {
    bool notified = false;
    auto stages = RecordingStages();
    stages[2] = [](ComputationalThread&) { throw std::runtime_error("adapter table gone"); };
    ComputationalThread thread(machine.Os(), display, window, stages, true);
    thread.OnTerminate = [&] { notified = true; };
    Run(thread);

    EXPECT_EQ(stagesRun, (std::vector<int>{1, 2}));
    const auto lines = machine.LogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "run stopped by an unexpected error:  adapter table gone");
    EXPECT_EQ(lines.back(), "Exiting thread ");
    EXPECT_TRUE(thread.Finished());
    EXPECT_TRUE(notified);
}

TEST_F(RunFrame, SynchronizeBlocksTheRunUntilTheWindowHasActed) {
    auto stages = RecordingStages();
    stages[0] = [this](ComputationalThread& run) {
        run.Synchronize(&RunDisplay::ShowRepairInProgress);
        // Had Synchronize returned early, the window would not have recorded yet.
        EXPECT_EQ(display.Operations(), (std::vector<std::string>{"ShowRepairInProgress"}));
        run.Synchronize(&RunDisplay::ResumeStagesPanel);
        EXPECT_EQ(display.Operations().size(), 2u);
    };
    ComputationalThread thread(machine.Os(), display, window, stages, true);
    Run(thread);
    EXPECT_EQ(display.Operations()[2], "StageCompleted");
}

TEST_F(RunFrame, TheOwnerDestroyingARunningThreadStopsAndJoinsIt) {
    std::promise<void> entered;
    std::promise<void> release;
    auto released = release.get_future().share();
    auto stages = RecordingStages();
    stages[0] = [&](ComputationalThread&) {
        entered.set_value();
        released.wait();
    };
    std::thread releaser;
    {
        ComputationalThread thread(machine.Os(), display, window, stages, false);
        entered.get_future().wait();
        // Lets stage 1 end only once the destructor has asked the run to stop.
        releaser = std::thread([&] {
            for (int i = 0; i < 5000 && !thread.Terminated(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            release.set_value();
        });
    }  // joins: stage 1 finishes, termination stops the rest
    releaser.join();
    EXPECT_TRUE(stagesRun.empty());
    EXPECT_EQ(display.Operations(), (std::vector<std::string>{"StageCompleted"}));
    EXPECT_EQ(machine.LogLines().back(), "Exiting thread ");
}

TEST_F(RunFrame, AfterAStopNoRepairStartsAndNoFailurePanelIsShownButUndoingFinishes) {
    auto stages = RecordingStages();
    bool undone = false;
    stages[0] = [&](ComputationalThread& run) {
        EXPECT_TRUE(run.Repair("SwitchToDhcp", [&] {
            EXPECT_TRUE(run.RepairUnderWay());
            EXPECT_EQ(run.StepUnderWay(), "SwitchToDhcp");
            run.Terminate();  // the repair under way still finishes
        }));
        EXPECT_EQ(run.StepUnderWay(), "stage 1");
        EXPECT_FALSE(run.Repair("DisableFirewall", [] { ADD_FAILURE() << "repair after a stop"; }));
        run.Undo("PutBackDhcpSwitch", [&] { undone = true; });
        EXPECT_FALSE(run.FailStage(&RunDisplay::ShowRouterMessage));
    };
    ComputationalThread thread(machine.Os(), display, window, stages, true);
    Run(thread);
    EXPECT_TRUE(undone);
    EXPECT_EQ(display.Operations(), (std::vector<std::string>{"StageCompleted"}));
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"synchronize step ",
                                                            "run stopped asked during SwitchToDhcp",
                                                            "Exiting thread "}));
}

class ThrowingDisplay : public RecordingDisplay {
public:
    void ShowRepairInProgress() override { throw std::runtime_error("no screen"); }
};

TEST_F(RunFrame, AWindowOperationThatThrowsIsLoggedByNameAndTheRunGoesOn) {
    ThrowingDisplay throwing;
    auto stages = RecordingStages();
    stages[0] = [](ComputationalThread& run) {
        run.Synchronize(&RunDisplay::ShowRepairInProgress);
    };
    ComputationalThread thread(machine.Os(), throwing, window, stages, true);
    Run(thread);
    const auto lines = machine.LogLines();
    EXPECT_EQ(lines.front(), "window operation failed: ShowRepairInProgress no screen");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "synchronize step "), 5);
    EXPECT_EQ(thread.StageNumber, 6);
}

}  // namespace
}  // namespace plover
