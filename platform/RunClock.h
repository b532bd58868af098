#pragma once

#include <atomic>

#include "platform/Clock.h"
#include "platform/StopSignal.h"

namespace plover {

// The clock of a run's objects. Once the run under way is asked to stop,
// their pauses end at once, and so does every wait that asks this clock for
// its stop request (an echo, a DNS reply, a page, a TCP connect). The
// window's own pauses keep the plain clock.
class RunClock : public Clock {
public:
    explicit RunClock(Clock& base) : base_(base) {}
    RunClock(const RunClock&) = delete;
    RunClock& operator=(const RunClock&) = delete;

    // The stop request of the run under way; null between runs, when the
    // pauses run their length.
    void Follow(const StopSignal* stop) noexcept { stop_ = stop; }

    void Sleep(uint32_t milliseconds) override {
        if (const StopSignal* stop = stop_) {
            base_.SleepUnlessStopped(milliseconds, *stop);
        } else {
            base_.Sleep(milliseconds);
        }
    }
    bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) override {
        return base_.SleepUnlessStopped(milliseconds, stop);
    }
    const StopSignal* StopRequest() const override { return stop_; }
    uint32_t TickCount() override { return base_.TickCount(); }
    LocalDateTime Now() override { return base_.Now(); }
    std::string FormatShortDate(const LocalDateTime& when) override {
        return base_.FormatShortDate(when);
    }
    std::string FormatLongTime(const LocalDateTime& when) override {
        return base_.FormatLongTime(when);
    }

private:
    Clock& base_;
    std::atomic<const StopSignal*> stop_{nullptr};
};

}  // namespace plover
