#pragma once

#include <atomic>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace plover {

// A text that one thread may replace while another reads it. The window
// reads the snapshot path when it closes, and a close may come while the
// run's first stage is writing a new snapshot; a plain string read then
// could see half of the new value.
class SharedText {
public:
    SharedText() = default;
    SharedText(const SharedText&) = delete;
    SharedText& operator=(const SharedText&) = delete;

    SharedText& operator=(std::string text) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ = std::move(text);
        return *this;
    }
    // A copy taken under the lock.
    operator std::string() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    bool empty() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_.empty();
    }
    friend bool operator==(const SharedText& shared, std::string_view text) {
        return std::string(shared) == text;
    }
    friend bool operator!=(const SharedText& shared, std::string_view text) {
        return !(shared == text);
    }
    friend std::ostream& operator<<(std::ostream& out, const SharedText& shared) {
        return out << std::string(shared);
    }

private:
    mutable std::mutex mutex_;
    std::string text_;
};

// The path of the last settings snapshot this process wrote; empty until the
// first one. Written by the diagnostic thread, read by the window.
struct SettingsSnapshot {
    SharedText SettingsSnapshotPath;
    // Set when a run left an interface value changed since that snapshot
    // was written: the file is then the only record of the user's own
    // values, and is kept.
    std::atomic<bool> InterfaceValuesChanged{false};
};

// Deletes the snapshot file when it exists, unless a run left an interface
// value changed: then it stays, and the log names it. True when a deletion
// was made (whether or not the system allowed it).
bool DeleteSettingsSnapshot(const Platform& os, const SettingsSnapshot& snapshot);

// Marks the run as interrupted by a restart and arranges for the program to
// start again at the next log-on.
void ScheduleResume(const Platform& os);
// Undoes the log-on start that ScheduleResume arranged.
void RemoveResumeSchedule(const Platform& os);
// True when the resume marker existed; it is gone afterwards.
bool ClearResumeMarker(const Platform& os);

// One interface's TCP/IP values as the snapshot keeps them; empty when the
// interface key does not open.
std::string ReadInterfaceSettings(const Platform& os, const std::string& adapterName,
                                  const std::string& adapterDescription);
// Writes the text to a new time-stamped file in the temporary folder and
// remembers its path.
void WriteSettingsSnapshot(const Platform& os, SettingsSnapshot& snapshot, std::string_view text);
// "Ploverregkey" + yyyy_mm_dd_hh_mm_ss + ".txt"
std::string SnapshotFileName(const LocalDateTime& when);

}  // namespace plover
