// The Winsock check and reset on the real Win32 layer inside the "full" lab
// namespace: Wine's own cmd.exe, reg.exe, ipconfig and netsh (a silent
// stub), with the temporary folder as Wine gives it and one with blanks.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <optional>
#include <string>

#include "system/RegistryHelpers.h"
#include "system/ResumeState.h"
#include "system/WindowsVersion.h"
#include "system/WinsockCatalogRepair.h"
#include "tests/wine/lab/LabMachine.h"

namespace plover {
namespace {

using Lines = std::vector<std::string>;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const char* const TestKey = "SOFTWARE\\PloverToolResetTest";

// The prefix is Windows 7: seen as Vista, the reset takes the registry road
// of XP and Vista; everything else is the real system.
class VistaSystem : public SystemInfo {
public:
    explicit VistaSystem(SystemInfo& real) : real_(real) {}
    std::optional<OsVersionInfo> GetVersion() override { return TrueVersion(); }
    std::optional<OsVersionInfo> TrueVersion() override {
        return OsVersionInfo{6, 0, 6002, 2, "Service Pack 2"};
    }
    bool RunsUnderWow64() override { return real_.RunsUnderWow64(); }
    bool HasAdministratorRights() override { return real_.HasAdministratorRights(); }
    std::string TempPath() override { return real_.TempPath(); }
    std::string SystemDirectory() override { return real_.SystemDirectory(); }
    std::string EnvironmentVariable(const std::string& name) override {
        return real_.EnvironmentVariable(name);
    }
    std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
    std::string ExecutablePath() override { return real_.ExecutablePath(); }

private:
    SystemInfo& real_;
};

Platform WithSystem(const Platform& os, SystemInfo& system) {
    return Platform{os.clock,    os.debug,       os.files,   os.registry, os.processes, system,
                    os.adapters, os.connections, os.sockets, os.http,     os.firewall};
}

class WinsockResetLab : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        PLOVER_REQUIRE_LAB("full");
        const std::string base = GetTempFolder(machine.os);
        original_ = base;
        if (std::string(GetParam()).empty()) {
            temp = base;
        } else {
            temp = base + GetParam() + "\\";
            CreateDirectoryA(temp.c_str(), nullptr);
            SetEnvironmentVariableA("TMP", temp.c_str());
            SetEnvironmentVariableA("TEMP", temp.c_str());
        }
        ASSERT_EQ(GetTempFolder(machine.os), temp);
        machine.RestartLog();
        DeleteTestKeys();
    }
    void TearDown() override {
        if (original_.empty()) return;
        DeleteTestKeys();
        ClearResumeMarker(machine.os);
        for (const char* name : {Winsock2RegFile, WinsockRegFile, IpResetLogFile}) {
            machine.os.files.Delete(temp + name);
        }
        SetEnvironmentVariableA("TMP", original_.c_str());
        SetEnvironmentVariableA("TEMP", original_.c_str());
        if (temp != original_) {
            machine.os.files.Delete(temp + "PloverToollog");
            RemoveDirectoryA(temp.c_str());
        }
    }
    void DeleteTestKeys() {
        for (const char* sub : {"\\WinSock2", "\\WinSock", ""}) {
            machine.os.registry.DeleteKey(HKLM, std::string(TestKey) + sub);
        }
    }
    void WriteFile(const std::string& path, const std::string& content) {
        auto file = machine.os.files.Open(path, FileAccess::ReadWrite, FileShare::None,
                                          FileDisposition::CreateAlways);
        ASSERT_TRUE(file);
        ASSERT_TRUE(file->Write(content));
    }
    std::string TestValue(const std::string& sub) {
        return RegReadString(machine.os, HKLM, std::string(TestKey) + "\\" + sub, "Marker");
    }

    lab::LabMachine machine;
    std::string temp;

private:
    std::string original_;
};

TEST_P(WinsockResetLab, CheckFindsTheSilentAnswerHealthyAndRemovesIt) {
    EXPECT_TRUE(CheckWinsock(machine.os));
    EXPECT_EQ(machine.NewLogLines(), (Lines{"winsock answer:  ", "winsock is not corrupted ",
                                            "delete winsoktemp ", "check winsock result:  True"}));
    EXPECT_FALSE(machine.os.files.Exists(temp + WinsockAnswerFile));
}

TEST_P(WinsockResetLab, ResetRunsEveryCommandAndImportsTheProgramsExports) {
    const WinsockRegTexts texts{
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolResetTest\\WinSock2]\r\n"
        "\"Marker\"=\"two\"\r\n\r\n",
        "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolResetTest\\WinSock]\r\n"
        "\"Marker\"=\"one\"\r\n\r\n"};
    // What another program left in the folder is not what gets imported.
    WriteFile(temp + Winsock2RegFile,
              "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\PloverToolResetTest\\WinSock2]\r\n"
              "\"Marker\"=\"planted\"\r\n\r\n");
    VistaSystem vista(machine.real.Os().system);
    ResetWinsock(WithSystem(machine.os, vista), texts);

    EXPECT_EQ(TestValue("WinSock2"), "two");
    EXPECT_EQ(TestValue("WinSock"), "one");
    EXPECT_TRUE(
        machine.os.registry.OpenKey(HKLM, "Software\\PloverTool", RegistryAccess::Read, false));
    // The catalog answer (empty from the stub) was polled to its limit and removed.
    EXPECT_FALSE(machine.os.files.Exists(temp + CatalogResetAnswerFile));
    const auto pauses = machine.clock.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 500u), 100);
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 1000u), 8);

    // Every command line is logged as run, in order.
    Lines commands;
    for (const std::string& line : machine.NewLogLines()) {
        if (line.rfind("cmd.exe /c ", 0) == 0) commands.push_back(line);
    }
    Lines expected{IpResetCommand(temp).line + " "};
    for (const auto& step : WinsockResetSteps(temp)) expected.push_back(step.command.line + " ");
    EXPECT_EQ(commands, expected);
    EXPECT_EQ(machine.NewLogLines().back(), "delete winsokans ");
}

// Windows 7 and later: the system's own resets, and the catalog keys kept.
TEST_P(WinsockResetLab, FromWindows7TheSystemsNetshResetsAndNoKeyIsImported) {
    ASSERT_TRUE(IsWindows7OrLater(machine.os));
    ResetWinsock(machine.os, WinsockRegTexts{"REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\"
                                             "PloverToolResetTest\\WinSock2]\r\n\r\n",
                                             ""});
    EXPECT_EQ(TestValue("WinSock2"), "");
    EXPECT_FALSE(machine.os.files.Exists(temp + Winsock2RegFile));
    Lines logged;
    for (const auto& command : SystemResetCommands(machine.os, temp)) {
        logged.push_back(command.line + " ");
    }
    const Lines lines = machine.NewLogLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(Lines(lines.end() - 2, lines.end()), logged);
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        "winsock reset method:  netsh winsock reset, registry catalogs kept"),
              lines.end());
    EXPECT_EQ(logged.back().rfind(machine.os.system.SystemDirectory() + "\\netsh.exe", 0), 0u)
        << logged.back();
}

INSTANTIATE_TEST_SUITE_P(TempFolders, WinsockResetLab,
                         ::testing::Values("", "Plover Reset Test", "Plover&Reset(100%)!^"));

}  // namespace
}  // namespace plover
