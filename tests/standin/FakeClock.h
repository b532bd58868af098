#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/Clock.h"

namespace plover::standin {

// A virtual clock: Sleep returns at once, moves time on and is recorded, so a
// run with all its pauses takes no real time and its pauses can be asserted.
class FakeClock : public Clock {
public:
    explicit FakeClock(LocalDateTime start = {2026, 12, 8, 4, 5, 27, 0});

    void Sleep(uint32_t milliseconds) override;
    // Recorded as Sleep is, unless the stop is asked by the time it starts:
    // then it takes no time and goes to CutPauses instead.
    bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) override;
    uint32_t TickCount() override;
    LocalDateTime Now() override;
    // United States English: 12/8/2026 and 4:05:27 AM.
    std::string FormatShortDate(const LocalDateTime& when) override;
    std::string FormatLongTime(const LocalDateTime& when) override;

    // Moves time on without a recorded pause (time spent inside a program).
    void Advance(uint64_t milliseconds);
    void SetNow(const LocalDateTime& when);
    std::vector<uint32_t> Pauses() const;
    void ClearPauses();
    uint64_t ElapsedMilliseconds() const;
    // Runs as each pause that a stop may cut begins, with its length; a test
    // asks the stop there to cut that very pause.
    void OnStoppablePause(std::function<void(uint32_t milliseconds)> hook);
    // The pauses a stop cut short, each with the length it asked for.
    std::vector<uint32_t> CutPauses() const;

private:
    mutable std::mutex mutex_;
    int64_t startDays_ = 0;           // days since 1970-01-01 of the start date
    uint64_t startMilliseconds_ = 0;  // time of day at the start
    uint64_t elapsed_ = 0;
    std::vector<uint32_t> pauses_;
    std::vector<uint32_t> cutPauses_;
    std::function<void(uint32_t)> onStoppablePause_;
};

}  // namespace plover::standin
