#pragma once

#include <cstdint>
#include <string>

#include "platform/StopSignal.h"

namespace plover {

// A local calendar date and time of day, as the user's clock shows it.
struct LocalDateTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;
};

// Every pause, tick count and local-time read of the program goes through here,
// so that tests can run a whole diagnosis on a virtual clock.
class Clock {
public:
    virtual ~Clock() = default;
    virtual void Sleep(uint32_t milliseconds) = 0;
    // A pause that ends as soon as stop is asked; true when it ran its whole
    // length.
    virtual bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) = 0;
    // The stop request that ends this clock's pauses early, and with them
    // every wait measured against it; none for a clock whose pauses always
    // run their length.
    virtual const StopSignal* StopRequest() const { return nullptr; }
    virtual uint32_t TickCount() = 0;
    virtual LocalDateTime Now() = 0;
    // The user's regional short date and long time formats.
    virtual std::string FormatShortDate(const LocalDateTime& when) = 0;
    virtual std::string FormatLongTime(const LocalDateTime& when) = 0;
};

// True when the clock's stop request has been asked.
inline bool StopRequested(const Clock& clock) {
    const StopSignal* stop = clock.StopRequest();
    return stop != nullptr && stop->Requested();
}

}  // namespace plover
