#pragma once

#include <atomic>
#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "system/SharedText.h"

namespace plover {

// The path of the last settings snapshot this process wrote; empty until the
// first one. Written by the diagnostic thread, read by the window.
struct SettingsSnapshot {
    SharedText SettingsSnapshotPath;
    // Set when a run left a setting changed since that snapshot was written
    // (an interface value, the proxy switch): the file is then the only
    // record of the user's own values, and is kept.
    std::atomic<bool> InterfaceValuesChanged{false};
};

// Deletes the snapshot file when it exists, unless a run left an interface
// value changed or the journal of changes holds anything: then it stays, and
// the log names it. True when a deletion
// was made (whether or not the system allowed it).
bool DeleteSettingsSnapshot(const Platform& os, const SettingsSnapshot& snapshot);

// One interface's TCP/IP values as the snapshot keeps them; empty when the
// interface key does not open.
std::string ReadInterfaceSettings(const Platform& os, const std::string& adapterName,
                                  const std::string& adapterDescription);
// Writes the text to a new time-stamped file in the temporary folder and
// remembers its path.
void WriteSettingsSnapshot(const Platform& os, SettingsSnapshot& snapshot, std::string_view text);
// Adds the user's own value of a setting that a run changed for good
// beyond the interface keys (the proxy switch) to the end of the snapshot
// file, and keeps the file. Nothing when no snapshot was written.
void KeepSettingInSnapshot(const Platform& os, SettingsSnapshot& snapshot, std::string_view line);
// "Ploverregkey" + yyyy_mm_dd_hh_mm_ss + ".txt"
std::string SnapshotFileName(const LocalDateTime& when);

}  // namespace plover
