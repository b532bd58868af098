#include "system/WinsockCatalogRepair.h"

#include <string>

#include "system/CommandLineText.h"
#include "system/HeldFile.h"
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

// A program's output file, opened for reading while denying other writers,
// up to OutputFileReadLimit bytes; nothing when it does not open or cannot be
// read.
std::optional<std::string> ReadOutputFile(const Platform& os, const std::string& path) {
    auto file =
        os.files.Open(path, FileAccess::Read, FileShare::Read, FileDisposition::OpenExisting);
    if (!file) return std::nullopt;
    return file->ReadAtMost(OutputFileReadLimit);
}

// A "reg import" runs only on a file that holds exactly the program's text
// and stays so until reg.exe has ended.
void RunImport(const Platform& os, const ProgramCommand& import, const std::string& path,
               const std::string& text) {
    const auto held = WriteAndHoldFile(os.files, path, text);
    if (!held) {
        WriteLog(os, "reg import skipped, the file could not be secured: ", path);
        return;
    }
    RunProgram(os, import);
    WriteLog(os, import.line, "");
}

// Waits for a program's output file to show its marker: at most PollAttempts
// looks, each logging the marker's 1-based position (0 when absent) and
// pausing; a look at a file that does not open makes no pause.
void PollForMarker(const Platform& os, const std::string& path, const std::string& marker,
                   const char* logMessage) {
    for (int attempt = 0; attempt < PollAttempts; ++attempt) {
        const auto content = ReadOutputFile(os, path);
        if (!content) continue;
        const std::string& text = *content;
        const size_t found = text.find(marker);
        const size_t position = found == std::string::npos ? 0 : found + 1;
        WriteLog(os, logMessage, std::to_string(position));
        os.clock.Sleep(PollPauseMs);
        if (position > 0) return;
    }
}

// On Windows 7 and later the catalogs hold more than the Vista export texts
// (a 64-bit catalog, the AppId catalog, every layered and name-space
// provider): deleting and importing them would lose what the texts cannot
// put back. The system's own resets rebuild them instead.
void ResetWithSystemCommands(const Platform& os, const std::string& temp) {
    WriteLog(os, "winsock reset method: ", "netsh winsock reset, registry catalogs kept");
    for (const ProgramCommand& command : SystemResetCommands(os, temp)) {
        RunProgram(os, command);
        WriteLog(os, command.line, "");
        os.clock.Sleep(ResetStepPauseMs);
    }
}

}  // namespace

std::string NativeNetshPath(const Platform& os) {
    std::string system = os.system.SystemDirectory();
    // A 32-bit program's System32 is the 32-bit copy; Sysnative is the way
    // through to the 64-bit one, which alone resets the 64-bit catalog.
    if (os.system.RunsUnderWow64()) {
        const size_t slash = system.find_last_of('\\');
        system = (slash == std::string::npos ? std::string() : system.substr(0, slash + 1)) +
                 "Sysnative";
    }
    return system + "\\netsh.exe";
}

std::vector<ProgramCommand> SystemResetCommands(const Platform& os, const std::string& tempFolder) {
    const FolderCommands temp(tempFolder);
    const std::string netsh = CommandLinePath(NativeNetshPath(os));
    return {temp.Command(netsh + " int ip reset " + temp.File(IpResetLogFile)),
            {netsh + " winsock reset", ""}};
}

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
    if (const auto answer = ReadOutputFile(os, answerPath)) {
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

void ResetWinsock(const Platform& os, const WinsockRegTexts& regTexts) {
    ScheduleResume(os);
    const std::string temp = GetTempFolder(os);
    if (IsWindows7OrLater(os)) {
        ResetWithSystemCommands(os, temp);
        return;
    }
    WriteLog(os, "winsock reset method: ", "registry catalogs replaced from the export texts");
    const std::string answerPath = temp + CatalogResetAnswerFile;

    RunProgram(os, std::string(CommandPrefix) + "ipconfig /release");
    const ProgramCommand ipReset = IpResetCommand(temp);
    RunProgram(os, ipReset);
    WriteLog(os, ipReset.line, "");
    os.clock.Sleep(ResetStepPauseMs);
    PollForMarker(os, temp + IpResetLogFile, "<completed>", "pos completed");

    for (const WinsockResetStep& step : WinsockResetSteps(temp)) {
        os.clock.Sleep(ResetStepPauseMs);
        if (step.importFile) {
            RunImport(os, step.command, temp + step.importFile, regTexts.*step.importText);
            continue;
        }
        RunProgram(os, step.command);
        WriteLog(os, step.command.line, "");
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

void ImportWinsockKeys(const Platform& os, const WinsockRegTexts& regTexts) {
    const std::string temp = GetTempFolder(os);
    for (const WinsockResetStep& step : WinsockResetSteps(temp)) {
        if (step.importFile) {
            RunImport(os, step.command, temp + step.importFile, regTexts.*step.importText);
        }
    }
}

ProgramCommand WinsockCheckCommand(const std::string& tempFolder) {
    const FolderCommands temp(tempFolder);
    // No blank between the switch and the command: the interpreter takes it.
    return temp.Command("cmd.exe /cnetsh show > " + temp.File(WinsockAnswerFile));
}

ProgramCommand IpResetCommand(const std::string& tempFolder) {
    const FolderCommands temp(tempFolder);
    return temp.Command(std::string(CommandPrefix) + "netsh int ip reset " +
                        temp.File(IpResetLogFile));
}

std::vector<WinsockResetStep> WinsockResetSteps(const std::string& tempFolder) {
    const FolderCommands temp(tempFolder);
    const std::string prefix = CommandPrefix;
    const auto import = [&](const char* file, std::string WinsockRegTexts::*text) {
        return WinsockResetStep{temp.Command(prefix + "reg import " + temp.File(file)), file, text};
    };
    return {
        {{prefix + "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f", ""}},
        {{prefix + "reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f", ""}},
        import(Winsock2RegFile, &WinsockRegTexts::Winsock2RegText),
        import(WinsockRegFile, &WinsockRegTexts::WinsockRegText),
        {temp.Command(prefix + "netsh winsock reset catalog > " +
                      temp.File(CatalogResetAnswerFile))},
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
