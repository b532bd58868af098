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

// The command line that starts this very program again, whatever its name
// and folder: its own full path, quoted against blanks.
std::string ResumeCommandLine(const std::string& exe) {
    return "\"" + exe + "\" /waitsuspend";
}

// The task's command as schtasks reads one argument: its quotes escaped.
std::string TaskArgument(const std::string& commandLine) {
    std::string argument = "\"";
    for (const char c : commandLine) {
        if (c == '"') argument += '\\';
        argument += c;
    }
    return argument + "\"";
}

}  // namespace

std::string ResumeTaskParameters(const std::string& exe) {
    // Highest privileges, or Windows will not start a program whose manifest
    // asks for administrator rights at log-on; /f, or an older task of the
    // name makes schtasks wait on a question nobody sees.
    return "/create /tn \"PloverTool\" /tr " + TaskArgument(ResumeCommandLine(exe)) +
           " /sc onlogon /rl highest /f";
}

void ScheduleResume(const Platform& os) {
    // A marker without a start at log-on would make some later start,
    // maybe weeks away, a "resumed" run.
    const std::string exe = os.system.ExecutablePath();
    if (exe.empty()) {
        WriteLog(os, "no start at log-on, the program's own path is unknown", "");
        return;
    }
    if (auto marker = OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::LocalMachine,
                                      MarkerKeyPath, true)) {
        marker->WriteValue(MarkerValueName, RegistryValueType::String, StringData("sart on logon"));
    }
    if (UsesTaskScheduler(os)) {
        const std::string parameters = ResumeTaskParameters(exe);
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
                        StringData(ResumeCommandLine(exe)));
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
