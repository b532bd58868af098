#pragma once

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "engine/RunDisplay.h"
#include "platform/Platform.h"
#include "platform/StopSignal.h"
#include "platform/Synchronizer.h"

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
    // Asks the run to stop: its pauses and waits end at once (where they
    // run on a clock that follows Stop()), a repair under way finishes, no
    // further repair starts, no failure panel is shown, and the run ends
    // before its next stage.
    void Terminate() noexcept;
    bool Terminated() const noexcept { return stop_.Requested(); }
    const StopSignal& Stop() const noexcept { return stop_; }
    // True once Execute has returned.
    bool Finished() const noexcept { return finished_; }
    void WaitFor();

    // Called on the diagnostic thread as its very last act; the window uses it
    // to learn that a new run may start.
    std::function<void()> OnTerminate;
    // Called on the diagnostic thread as a repair (or a put-back) starts,
    // with true, and as it ends, with false; the window blocks the end of
    // the session in between.
    std::function<void(bool)> OnRepairStep;

    // The run itself; public so that a test can drive it on its own thread.
    void Execute();

    // Runs a window operation on the window's thread and waits for it. An
    // error the operation throws is logged with its name; the run goes on.
    void Synchronize(DisplayOperation operation);
    // Ends the run early on the given failure panel; true when it was shown.
    // A run asked to stop shows none: it ends without it.
    bool FailStage(DisplayOperation failurePanel);

    // Runs a repair to its end, pauses shortened by a stop but every action
    // done; false, running nothing, when the run has been asked to stop.
    // Without administrator rights every write of a repair would fail
    // silently: the repair is skipped and logged, and the run goes on
    // diagnosing.
    bool Repair(const char* name, const std::function<void()>& repair);
    // Runs a step that undoes a repair: to its end, stop or not.
    void Undo(const char* name, const std::function<void()>& undo);
    // The step under way (a repair, or else the stage), and whether it is a
    // repair that a stop lets finish.
    std::string StepUnderWay() const;
    bool RepairUnderWay() const;

    const Platform& Os() const noexcept { return os_; }
    RunDisplay& Display() noexcept { return display_; }

    std::atomic<int> StageNumber{1};

private:
    void ThreadMain() noexcept;
    void RunStage(int number);
    // Names a repair as the step under way; false when it is refused
    // because the run has been asked to stop.
    bool StartStep(const char* name, bool refusedWhenStopped);
    void EndStep() noexcept;

    const Platform& os_;
    RunDisplay& display_;
    Synchronizer& synchronizer_;
    StageSlots stages_;
    StopSignal stop_;
    std::atomic<bool> finished_{false};
    // The step under way, and where the run stood when the stop was asked
    // (for the log); a repair looks at the stop and names itself under the
    // same lock as Terminate.
    mutable std::mutex stepMutex_;
    std::string stage_;
    std::string step_;
    bool repairing_ = false;
    std::string stopAsked_;
    std::thread thread_;
};

}  // namespace plover
