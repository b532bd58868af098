#pragma once

#include "platform/Clock.h"

namespace plover::win32 {

class Win32Clock : public Clock {
public:
    void Sleep(uint32_t milliseconds) override;
    bool SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) override;
    uint32_t TickCount() override;
    LocalDateTime Now() override;
    std::string FormatShortDate(const LocalDateTime& when) override;
    std::string FormatLongTime(const LocalDateTime& when) override;
};

}  // namespace plover::win32
