#pragma once

#include <cstdint>
#include <string>

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
    virtual uint32_t TickCount() = 0;
    virtual LocalDateTime Now() = 0;
    // The user's regional short date and long time formats.
    virtual std::string FormatShortDate(const LocalDateTime& when) = 0;
    virtual std::string FormatLongTime(const LocalDateTime& when) = 0;
};

}  // namespace plover
