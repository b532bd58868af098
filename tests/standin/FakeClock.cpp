#include "tests/standin/FakeClock.h"

#include <cstdio>

namespace plover::standin {

namespace {
// Howard Hinnant's civil calendar conversions.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}
}  // namespace

FakeClock::FakeClock(LocalDateTime start) { SetNow(start); }

void FakeClock::SetNow(const LocalDateTime& when) {
    std::lock_guard<std::mutex> lock(mutex_);
    startDays_ = DaysFromCivil(when.year, static_cast<unsigned>(when.month),
                               static_cast<unsigned>(when.day));
    startMilliseconds_ =
        ((static_cast<uint64_t>(when.hour) * 60 + when.minute) * 60 + when.second) * 1000 +
        static_cast<uint64_t>(when.milliseconds);
    elapsed_ = 0;
}

void FakeClock::Sleep(uint32_t milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    pauses_.push_back(milliseconds);
    elapsed_ += milliseconds;
}

bool FakeClock::SleepUnlessStopped(uint32_t milliseconds, const StopSignal& stop) {
    std::function<void(uint32_t)> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        hook = onStoppablePause_;
    }
    if (hook) hook(milliseconds);
    if (stop.Requested()) {
        std::lock_guard<std::mutex> lock(mutex_);
        cutPauses_.push_back(milliseconds);
        return false;
    }
    Sleep(milliseconds);
    return true;
}

void FakeClock::OnStoppablePause(std::function<void(uint32_t milliseconds)> hook) {
    std::lock_guard<std::mutex> lock(mutex_);
    onStoppablePause_ = std::move(hook);
}

std::vector<uint32_t> FakeClock::CutPauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return cutPauses_;
}

void FakeClock::Advance(uint64_t milliseconds) {
    std::lock_guard<std::mutex> lock(mutex_);
    elapsed_ += milliseconds;
}

uint32_t FakeClock::TickCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<uint32_t>(elapsed_);
}

uint64_t FakeClock::ElapsedMilliseconds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return elapsed_;
}

LocalDateTime FakeClock::Now() {
    std::lock_guard<std::mutex> lock(mutex_);
    const uint64_t total = startMilliseconds_ + elapsed_;
    const uint64_t dayMs = 24ull * 3600 * 1000;
    LocalDateTime now;
    CivilFromDays(startDays_ + static_cast<int64_t>(total / dayMs), now.year, now.month, now.day);
    uint64_t rest = total % dayMs;
    now.milliseconds = static_cast<int>(rest % 1000);
    rest /= 1000;
    now.second = static_cast<int>(rest % 60);
    rest /= 60;
    now.minute = static_cast<int>(rest % 60);
    now.hour = static_cast<int>(rest / 60);
    return now;
}

std::string FakeClock::FormatShortDate(const LocalDateTime& when) {
    char text[32];
    std::snprintf(text, sizeof text, "%d/%d/%04d", when.month, when.day, when.year);
    return text;
}

std::string FakeClock::FormatLongTime(const LocalDateTime& when) {
    const int hour12 = when.hour % 12 == 0 ? 12 : when.hour % 12;
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d:%02d %s", hour12, when.minute, when.second,
                  when.hour < 12 ? "AM" : "PM");
    return text;
}

std::vector<uint32_t> FakeClock::Pauses() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return pauses_;
}

void FakeClock::ClearPauses() {
    std::lock_guard<std::mutex> lock(mutex_);
    pauses_.clear();
}

}  // namespace plover::standin
