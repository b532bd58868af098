#include "engine/ComputationalThread.h"

#include <exception>

#include "system/Log.h"

namespace plover {

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
    WriteLog(os_, "Exiting thread", "");
}

void ComputationalThread::Synchronize(DisplayOperation operation) {
    synchronizer_.Synchronize([this, operation] { (display_.*operation)(); });
}

void ComputationalThread::FailStage(DisplayOperation failurePanel) {
    StageNumber = RunEnded;
    Synchronize(failurePanel);
}

}  // namespace plover
