#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <thread>

#include "engine/RunDisplay.h"
#include "engine/Synchronizer.h"
#include "platform/Platform.h"

namespace plover {

class ComputationalThread;

// The body of one stage; it reports through the thread it runs on.
using StageBody = std::function<void(ComputationalThread&)>;
using StageSlots = std::array<StageBody, 5>;

// The one background thread of a diagnostic run: stage 1 to 5, one per
// iteration, each reporting to the window through Synchronize.
class ComputationalThread {
public:
    // Stage number after a stage that ended the run early.
    static constexpr int RunEnded = 6;

    ComputationalThread(const Platform& os, RunDisplay& display, Synchronizer& synchronizer,
                        StageSlots stages, bool createSuspended);
    // Asks the run to stop and waits for it: a thread never outlives its owner.
    ~ComputationalThread();

    ComputationalThread(const ComputationalThread&) = delete;
    ComputationalThread& operator=(const ComputationalThread&) = delete;

    // Starts a thread created suspended.
    void Start();
    // Asks the run to stop at its next stop point (before the next stage).
    void Terminate() noexcept { terminated_ = true; }
    bool Terminated() const noexcept { return terminated_; }
    // True once Execute has returned.
    bool Finished() const noexcept { return finished_; }
    void WaitFor();

    // Called on the diagnostic thread as its very last act; the window uses it
    // to learn that a new run may start.
    std::function<void()> OnTerminate;

    // The run itself; public so that a test can drive it on its own thread.
    void Execute();

    // Runs a window operation on the window's thread and waits for it.
    void Synchronize(DisplayOperation operation);
    // Ends the run early on the given failure panel.
    void FailStage(DisplayOperation failurePanel);

    const Platform& Os() const noexcept { return os_; }
    RunDisplay& Display() noexcept { return display_; }

    std::atomic<int> StageNumber{1};

private:
    void ThreadMain() noexcept;
    void RunStage(int number);

    const Platform& os_;
    RunDisplay& display_;
    Synchronizer& synchronizer_;
    StageSlots stages_;
    std::atomic<bool> terminated_{false};
    std::atomic<bool> finished_{false};
    std::thread thread_;
};

}  // namespace plover
