#include "system/Winsock.h"

#include <string>

#include "system/CommandLineText.h"
#include "system/Log.h"
#include "system/ProgramRunner.h"
#include "system/ResumeState.h"
#include "system/WindowsVersion.h"

namespace plover {

namespace {

constexpr const char* CommandPrefix = "cmd.exe /c ";
constexpr uint32_t RefreshPauseMs = 10000;
constexpr uint32_t ResetStepPauseMs = 1000;
constexpr int PollAttempts = 100;
constexpr uint32_t PollPauseMs = 500;

const char* TrueFalse(bool value) { return value ? "True" : "False"; }

// The whole file, opened for reading while denying other writers; nothing
// when it does not open or cannot be read.
std::optional<std::string> ReadWholeFile(const Platform& os, const std::string& path) {
    auto file =
        os.files.Open(path, FileAccess::Read, FileShare::Read, FileDisposition::OpenExisting);
    if (!file) return std::nullopt;
    return file->ReadToEnd();
}

// Waits for a program's output file to show its marker: at most PollAttempts
// looks, each logging the marker's 1-based position (0 when absent) and
// pausing; a look at a file that does not open makes no pause.
void PollForMarker(const Platform& os, const std::string& path, const std::string& marker,
                   const char* logMessage) {
    for (int attempt = 0; attempt < PollAttempts; ++attempt) {
        const auto content = ReadWholeFile(os, path);
        if (!content) continue;
        const std::string& text = *content;
        const size_t found = text.find(marker);
        const size_t position = found == std::string::npos ? 0 : found + 1;
        WriteLog(os, logMessage, std::to_string(position));
        os.clock.Sleep(PollPauseMs);
        if (position > 0) return;
    }
}

}  // namespace

bool IsOsSuitableForRepair2(const Platform& os) {
    const int32_t code = GetWindowsVersionCode(os);
    if (code == WindowsVersion::WindowsVista) return true;
    if (code != WindowsVersion::WindowsXP) return false;
    const std::string servicePack = GetServicePackText(os);
    return servicePack == "Service Pack 2" ||
           servicePack.find("Service Pack 3") != std::string::npos;
}

bool CheckWinsock(const Platform& os) {
    bool result = false;
    const std::string answerPath = GetTempFolder(os) + WinsockAnswerFile;
    RunProgram(os, WinsockCheckCommand(GetTempFolder(os)));
    if (const auto answer = ReadWholeFile(os, answerPath)) {
        WriteLog(os, "winsock answer: ", *answer);
        const bool corrupted =
            answer->find(
                "Initialization Function InitHelperDll in IPMONTR.DLL failed to start "
                "with error code 10107") != std::string::npos ||
            answer->find("error code 10107") != std::string::npos;
        if (corrupted) {
            WriteLog(os, "winsock is corrupted", "");
        } else {
            WriteLog(os, "winsock is not corrupted", "");
        }
        result = !corrupted;
    }
    if (os.files.Exists(answerPath)) {
        WriteLog(os, "delete winsoktemp", "");
        os.files.Delete(answerPath);
    }
    WriteLog(os, "check winsock result: ", TrueFalse(result));
    return result;
}

void RefreshIpStack(const Platform& os) {
    static constexpr const char* Commands[] = {
        "ipconfig /renew",       "arp -d*", "netstat -R", "nbtstat -RR", "ipconfig /flushdns",
        "ipconfig /registerdns",
    };
    for (const char* command : Commands) {
        RunProgram(os, std::string(CommandPrefix) + command);
        os.clock.Sleep(RefreshPauseMs);
    }
}

void ResetWinsock(const Platform& os) {
    ScheduleResume(os);
    const std::string temp = GetTempFolder(os);
    const std::string answerPath = temp + CatalogResetAnswerFile;

    RunProgram(os, std::string(CommandPrefix) + "ipconfig /release");
    const std::string ipReset = IpResetCommand(temp);
    RunProgram(os, ipReset);
    WriteLog(os, ipReset, "");
    os.clock.Sleep(ResetStepPauseMs);
    PollForMarker(os, temp + IpResetLogFile, "<completed>", "pos completed");

    for (const std::string& step : WinsockResetSteps(temp)) {
        os.clock.Sleep(ResetStepPauseMs);
        RunProgram(os, step);
        WriteLog(os, step, "");
    }
    os.clock.Sleep(ResetStepPauseMs);
    PollForMarker(os, answerPath, "Sucessfully reset the Winsock Catalog.",
                  "pos Sucessfully reset");
    if (os.files.Exists(answerPath)) {
        WriteLog(os, "delete winsokans", "");
        os.files.Delete(answerPath);
    }
    os.clock.Sleep(ResetStepPauseMs);
}

std::string WinsockCheckCommand(const std::string& tempFolder) {
    // No blank between the switch and the command: the interpreter takes it.
    return "cmd.exe /cnetsh show > " + CommandLinePath(tempFolder + WinsockAnswerFile);
}

std::string IpResetCommand(const std::string& tempFolder) {
    return std::string(CommandPrefix) + "netsh int ip reset " +
           CommandLinePath(tempFolder + IpResetLogFile);
}

std::vector<std::string> WinsockResetSteps(const std::string& tempFolder) {
    const std::string prefix = CommandPrefix;
    return {
        prefix + "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f",
        prefix + "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f",
        prefix + "reg import " + CommandLinePath(tempFolder + Winsock2RegFile),
        prefix + "reg import " + CommandLinePath(tempFolder + WinsockRegFile),
        prefix + "netsh winsock reset catalog > " +
            CommandLinePath(tempFolder + CatalogResetAnswerFile),
    };
}

void DeleteWinsockRegFiles(const Platform& os) {
    const std::string temp = GetTempFolder(os);
    if (os.files.Exists(temp + Winsock2RegFile)) {
        os.files.Delete(temp + Winsock2RegFile);
        WriteLog(os, "delete winsok2.reg", "");
    }
    if (os.files.Exists(temp + WinsockRegFile)) {
        os.files.Delete(temp + WinsockRegFile);
        WriteLog(os, "delete winsok.reg", "");
    }
}

}  // namespace plover
