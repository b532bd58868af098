#include "platform/win32/Win32Clock.h"

#include <windows.h>

namespace plover::win32 {

namespace {
SYSTEMTIME ToSystemTime(const LocalDateTime& when) {
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(when.year);
    st.wMonth = static_cast<WORD>(when.month);
    st.wDay = static_cast<WORD>(when.day);
    st.wHour = static_cast<WORD>(when.hour);
    st.wMinute = static_cast<WORD>(when.minute);
    st.wSecond = static_cast<WORD>(when.second);
    st.wMilliseconds = static_cast<WORD>(when.milliseconds);
    return st;
}
}  // namespace

void Win32Clock::Sleep(uint32_t milliseconds) { ::Sleep(milliseconds); }

bool Win32Clock::SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) {
    return !stop.WaitFor(milliseconds);
}

uint32_t Win32Clock::TickCount() { return ::GetTickCount(); }

LocalDateTime Win32Clock::Now() {
    SYSTEMTIME st{};
    ::GetLocalTime(&st);
    return LocalDateTime{st.wYear,   st.wMonth,  st.wDay,         st.wHour,
                         st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string Win32Clock::FormatShortDate(const LocalDateTime& when) {
    const SYSTEMTIME st = ToSystemTime(when);
    char text[128] = {};
    if (::GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, text, sizeof text) == 0)
        return {};
    return text;
}

std::string Win32Clock::FormatLongTime(const LocalDateTime& when) {
    const SYSTEMTIME st = ToSystemTime(when);
    char text[128] = {};
    if (::GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, text, sizeof text) == 0) return {};
    return text;
}

}  // namespace plover::win32
