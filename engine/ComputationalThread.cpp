#include "engine/ComputationalThread.h"

#include <exception>
#include <utility>

#include "platform/UniqueResource.h"
#include "system/Log.h"

namespace plover {

namespace {

// The display operations by name, for the log.
const char* OperationName(DisplayOperation operation) {
    static const std::pair<DisplayOperation, const char*> names[] = {
        {&RunDisplay::StageCompleted, "StageCompleted"},
        {&RunDisplay::ShowRepairInProgress, "ShowRepairInProgress"},
        {&RunDisplay::ResumeStagesPanel, "ResumeStagesPanel"},
        {&RunDisplay::ShowAdapterFailure, "ShowAdapterFailure"},
        {&RunDisplay::ShowNoInternetFailure, "ShowNoInternetFailure"},
        {&RunDisplay::ShowRouterMessage, "ShowRouterMessage"},
        {&RunDisplay::ShowSupportMessage, "ShowSupportMessage"},
        {&RunDisplay::ShowBrowserSettingsFailure, "ShowBrowserSettingsFailure"},
        {&RunDisplay::PromptRestart, "PromptRestart"},
    };
    for (const auto& [known, name] : names) {
        if (known == operation) return name;
    }
    return "window operation";
}

}  // namespace

ComputationalThread::ComputationalThread(const Platform& os, RunDisplay& display,
                                         Synchronizer& synchronizer, StageSlots stages,
                                         bool createSuspended)
    : os_(os), display_(display), synchronizer_(synchronizer), stages_(std::move(stages)) {
    if (!createSuspended) Start();
}

ComputationalThread::~ComputationalThread() {
    Terminate();
    WaitFor();
}

void ComputationalThread::Start() {
    if (!thread_.joinable() && !finished_) thread_ = std::thread([this] { ThreadMain(); });
}

void ComputationalThread::Terminate() noexcept {
    std::lock_guard<std::mutex> lock(stepMutex_);
    if (stop_.Requested()) return;
    try {
        const std::string& step = repairing_ ? step_ : stage_;
        stopAsked_ = step.empty() ? "asked before the first stage" : "asked during " + step;
    } catch (...) {
        // Only the log's note of where the run stood is lost.
    }
    stop_.Request();
}

void ComputationalThread::WaitFor() {
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void ComputationalThread::ThreadMain() noexcept {
    try {
        Execute();
    } catch (const std::exception& error) {
        // A stage is not supposed to throw; if one does, the run ends here
        // and the window keeps what it shows.
        WriteLog(os_, "run stopped by an unexpected error: ", error.what());
        WriteLog(os_, "Exiting thread", "");
    } catch (...) {
        WriteLog(os_, "run stopped by an unexpected error: ", "");
        WriteLog(os_, "Exiting thread", "");
    }
    finished_ = true;
    if (OnTerminate) {
        try {
            OnTerminate();
        } catch (...) {
        }
    }
}

void ComputationalThread::RunStage(int number) {
    {
        std::lock_guard<std::mutex> lock(stepMutex_);
        stage_ = "stage " + std::to_string(number);
    }
    const StageBody& body = stages_[static_cast<size_t>(number - 1)];
    if (body) body(*this);
}

void ComputationalThread::Execute() {
    os_.debug.Output("Starting thread");
    while (!Terminated()) {
        // A stage only ever sets the number to 6, so one iteration runs one stage.
        for (int number = 1; number <= 5; ++number) {
            if (StageNumber == number) RunStage(number);
        }
        ++StageNumber;
        Synchronize(&RunDisplay::StageCompleted);
        WriteLog(os_, "synchronize step", "");
        if (StageNumber > 5) break;
    }
    if (Terminated()) {
        std::lock_guard<std::mutex> lock(stepMutex_);
        WriteLog(os_, "run stopped", stopAsked_);
    }
    WriteLog(os_, "Exiting thread", "");
}

void ComputationalThread::Synchronize(DisplayOperation operation) {
    synchronizer_.Synchronize([this, operation] {
        try {
            (display_.*operation)();
        } catch (const std::exception& error) {
            WriteLog(os_, std::string("window operation failed: ") + OperationName(operation),
                     error.what());
        } catch (...) {
            WriteLog(os_, std::string("window operation failed: ") + OperationName(operation),
                     "unknown error");
        }
    });
}

bool ComputationalThread::FailStage(DisplayOperation failurePanel) {
    StageNumber = RunEnded;
    if (Terminated()) return false;
    Synchronize(failurePanel);
    return true;
}

bool ComputationalThread::StartStep(const char* name, bool refusedWhenStopped) {
    {
        std::lock_guard<std::mutex> lock(stepMutex_);
        if (refusedWhenStopped && stop_.Requested()) return false;
        step_ = name;
        repairing_ = true;
    }
    if (OnRepairStep) OnRepairStep(true);
    return true;
}

void ComputationalThread::EndStep() noexcept {
    {
        std::lock_guard<std::mutex> lock(stepMutex_);
        step_.clear();
        repairing_ = false;
    }
    try {
        if (OnRepairStep) OnRepairStep(false);
    } catch (...) {
        // The window's block outlives the step at most until the run ends.
    }
}

bool ComputationalThread::Repair(const char* name, const std::function<void()>& repair) {
    if (!StartStep(name, true)) return false;
    ScopeExit done([this] { EndStep(); });
    if (!os_.system.HasAdministratorRights()) {
        WriteLog(os_, "repair skipped, it needs an administrator: ", name);
        return true;
    }
    repair();
    return true;
}

void ComputationalThread::Undo(const char* name, const std::function<void()>& undo) {
    StartStep(name, false);
    ScopeExit done([this] { EndStep(); });
    undo();
}

std::string ComputationalThread::StepUnderWay() const {
    std::lock_guard<std::mutex> lock(stepMutex_);
    return repairing_ ? step_ : stage_;
}

bool ComputationalThread::RepairUnderWay() const {
    std::lock_guard<std::mutex> lock(stepMutex_);
    return repairing_;
}

}  // namespace plover
