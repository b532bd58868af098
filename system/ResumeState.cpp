#include "system/ResumeState.h"

#include <cstdio>

#include "system/Log.h"
#include "system/RegistryHelpers.h"
#include "system/WindowsVersion.h"

namespace plover {

namespace {

constexpr const char* MarkerKeyPath = "Software\\PloverTool";
constexpr const char* MarkerValueName = "PloverReboot";
constexpr const char* RunKeyPath = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* RunValueName = "PloverReboot";

bool UsesTaskScheduler(const Platform& os) {
    const int32_t code = GetWindowsVersionCode(os);
    return code == WindowsVersion::Unknown || code == WindowsVersion::WindowsVista;
}

std::string WithoutTrailingBackslash(std::string path) {
    while (!path.empty() && path.back() == '\\') path.pop_back();
    return path;
}

// The program's folder, up to and including the last backslash.
std::string ProgramFolder(const Platform& os) {
    const std::string exe = os.system.ExecutablePath();
    const size_t slash = exe.find_last_of('\\');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash + 1);
}

std::string StringData(std::string_view text) {
    std::string data(text);
    data.push_back('\0');
    return data;
}

}  // namespace

void ScheduleResume(const Platform& os) {
    if (auto marker = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                                      MarkerKeyPath, true)) {
        marker->WriteValue(MarkerValueName, RegistryValueType::String, StringData("sart on logon"));
    }
    const std::string currentDirectory = WithoutTrailingBackslash(os.system.CurrentDirectory());
    if (UsesTaskScheduler(os)) {
        const std::string parameters = std::string("/create /tn \"PloverTool\" /tr:\"") +
                                       currentDirectory +
                                       "\\PloverTool.exe /waitsuspend\" /sc onlogon";
        WriteLog(os, "reboot command params: ", parameters);
        const std::string folder = ProgramFolder(os);
        WriteLog(os, "application exe: ", folder);
        os.processes.ShellOpen("schtasks", parameters, folder, true);
        return;
    }
    if (auto run = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                                   RunKeyPath, false)) {
        WriteLog(os, "write in registri for reboot", "");
        run->WriteValue(RunValueName, RegistryValueType::String,
                        StringData(currentDirectory + "\\PloverTool.exe /waitsuspend"));
    }
}

void RemoveResumeSchedule(const Platform& os) {
    if (UsesTaskScheduler(os)) {
        os.processes.ShellOpen("schtasks", "/delete /tn \"PloverTool\" /f", ProgramFolder(os),
                               true);
        return;
    }
    auto run = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                               RunKeyPath, false);
    if (run && run->ValueExists(RunValueName)) {
        WriteLog(os, "delete from start-up", "registry exist");
        run->DeleteValue(RunValueName);
    }
}

bool ClearResumeMarker(const Platform& os) {
    if (!OpenRegistryKey(os, RegistryAccess::Read, RegistryRoot::LocalMachine, MarkerKeyPath,
                         false)) {
        return false;
    }
    const bool deleted = os.registry.DeleteKey(RegistryRoot::LocalMachine, MarkerKeyPath);
    WriteLog(os, "delete Software\\PloverTool key", "");
    return deleted;
}

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

bool DeleteSettingsSnapshot(const Platform& os, const SettingsSnapshot& snapshot) {
    const std::string path = snapshot.SettingsSnapshotPath;
    if (path.empty() || !os.files.Exists(path)) return false;
    if (snapshot.InterfaceValuesChanged) {
        WriteLog(os, "settings snapshot kept", path);
        return false;
    }
    os.files.Delete(path);
    return true;
}

}  // namespace plover
