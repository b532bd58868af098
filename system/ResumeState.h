#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"

namespace plover {

// The path of the last settings snapshot this process wrote; empty until the
// first one. Written by the diagnostic thread, read by the window while no
// run writes it.
struct SettingsSnapshot {
    std::string SettingsSnapshotPath;
};

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
void WriteSettingsSnapshot(const Platform& os, SettingsSnapshot& snapshot,
                           std::string_view text);
// "Ploverregkey" + yyyy_mm_dd_hh_mm_ss + ".txt"
std::string SnapshotFileName(const LocalDateTime& when);

}  // namespace plover
