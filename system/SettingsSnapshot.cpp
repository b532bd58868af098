#include "system/SettingsSnapshot.h"

#include <cstdio>

#include "system/Log.h"
#include "system/MachineChanges.h"
#include "system/RegistryHelpers.h"
#include "system/WindowsVersion.h"

namespace plover {

std::string ReadInterfaceSettings(const Platform& os, const std::string& adapterName,
                                  const std::string& /*adapterDescription*/) {
    const std::string path = InterfaceKeyPath(adapterName);
    auto key = OpenInterfaceKey(os, path);
    if (!key) return {};
    WriteLog(os, "open key to save registri", "");
    const auto multi = [&](const char* name) {
        return key->ValueExists(name)
                   ? RegReadMultiString(os, RegistryRoot::LocalMachine, path, name)
                   : std::string();
    };
    const auto single = [&](const char* name) {
        return key->ValueExists(name) ? RegReadString(os, RegistryRoot::LocalMachine, path, name)
                                      : std::string();
    };
    return multi("DefaultGateway") + "\n" + single("Domain") + "\n" + multi("IPAddress") + "\n" +
           single("NameServer") + "\n\n";
}

std::string SnapshotFileName(const LocalDateTime& when) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d_%02d_%02d_%02d_%02d_%02d", when.year, when.month,
                  when.day, when.hour, when.minute, when.second);
    return std::string("Ploverregkey") + stamp + ".txt";
}

void WriteSettingsSnapshot(const Platform& os, SettingsSnapshot& snapshot, std::string_view text) {
    const std::string path = GetTempFolder(os) + SnapshotFileName(os.clock.Now());
    snapshot.SettingsSnapshotPath = path;
    snapshot.InterfaceValuesChanged = false;
    auto file = os.files.Open(path, FileAccess::ReadWrite, FileShare::ReadWrite,
                              FileDisposition::CreateAlways);
    if (file) file->Write(text);
}

void KeepSettingInSnapshot(const Platform& os, SettingsSnapshot& snapshot, std::string_view line) {
    const std::string path = snapshot.SettingsSnapshotPath;
    if (path.empty()) return;
    snapshot.InterfaceValuesChanged = true;
    auto file = os.files.Open(path, FileAccess::ReadWrite, FileShare::ReadWrite,
                              FileDisposition::OpenAlways);
    if (file && file->SeekToEnd()) file->Write(std::string(line) + "\n");
}

bool DeleteSettingsSnapshot(const Platform& os, const SettingsSnapshot& snapshot) {
    const std::string path = snapshot.SettingsSnapshotPath;
    if (path.empty() || !os.files.Exists(path)) return false;
    // An unsettled change may still be put back from the values it records.
    if (snapshot.InterfaceValuesChanged || JournalHoldsEntries(os)) {
        WriteLog(os, "settings snapshot kept", path);
        return false;
    }
    os.files.Delete(path);
    return true;
}

}  // namespace plover
