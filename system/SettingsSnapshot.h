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
    // Set when a run left an interface value changed since that snapshot
    // was written: the file is then the only record of the user's own
    // values, and is kept.
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
// "Ploverregkey" + yyyy_mm_dd_hh_mm_ss + ".txt"
std::string SnapshotFileName(const LocalDateTime& when);

}  // namespace plover
