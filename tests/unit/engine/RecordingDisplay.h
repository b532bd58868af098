#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/RunDisplay.h"
#include "tests/standin/FakeWindowThread.h"

namespace plover::enginetest {

// The window as a run sees it: records every display operation in order and
// answers the restart question as the test says.
class RecordingDisplay : public RunDisplay {
public:
    void StageCompleted() override { Record("StageCompleted"); }
    void ShowRepairInProgress() override { Record("ShowRepairInProgress"); }
    void ResumeStagesPanel() override { Record("ResumeStagesPanel"); }
    void ShowAdapterFailure() override { Record("ShowAdapterFailure"); }
    void ShowNoInternetFailure() override { Record("ShowNoInternetFailure"); }
    void ShowRouterMessage() override { Record("ShowRouterMessage"); }
    void ShowSupportMessage() override { Record("ShowSupportMessage"); }
    void ShowSignInMessage() override { Record("ShowSignInMessage"); }
    void ShowBrowserSettingsFailure() override { Record("ShowBrowserSettingsFailure"); }
    void PromptRestart() override {
        Record("PromptRestart");
        restartAccepted = answerYes;
    }

    bool RestartAccepted() const override { return restartAccepted; }
    bool WasRestarted() const override { return wasRestarted; }
    void SetFirewallWasDisabled() override { Record("SetFirewallWasDisabled"); }

    std::vector<std::string> Operations() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return operations_;
    }
    // The thread each operation ran on, in the same order.
    std::vector<std::thread::id> Threads() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return threads_;
    }

    // Called as each operation starts, before it is recorded.
    std::function<void()> onOperation;
    bool answerYes = false;  // the user's answer to the restart question
    bool wasRestarted = false;
    bool restartAccepted = false;

private:
    void Record(const char* operation) {
        if (onOperation) onOperation();
        std::lock_guard<std::mutex> lock(mutex_);
        operations_.emplace_back(operation);
        threads_.push_back(std::this_thread::get_id());
    }
    mutable std::mutex mutex_;
    std::vector<std::string> operations_;
    std::vector<std::thread::id> threads_;
};

}  // namespace plover::enginetest
