#include "system/ResumeState.h"

#include <string>
#include <string_view>

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
    // The marker is the value: the key also holds the journal of changes,
    // which is no sign of a restart.
    auto marker = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                                  MarkerKeyPath, false);
    if (!marker || !marker->ValueExists(MarkerValueName)) return false;
    const bool deleted = marker->DeleteValue(MarkerValueName);
    marker.reset();
    // The key goes too when nothing else is in it (a key with a subkey stays).
    os.registry.DeleteKey(RegistryRoot::LocalMachine, MarkerKeyPath);
    WriteLog(os, "delete Software\\PloverTool key", "");
    return deleted;
}

}  // namespace plover
