#include <gtest/gtest.h>

#include "system/CommandLineText.h"
#include "system/WinsockCatalogRepair.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/support/WinsockCommands.h"

namespace plover {
namespace {

using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;
using testing::CatalogCommand;
using testing::CheckCommand;
using testing::IpResetCommand;
using testing::Temp;

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const std::string LongTemp = "C:\\Documents and Settings\\user\\Local Settings\\Temp\\";

TEST(IsOsSuitableForRepair2, VistaAlwaysXpFromServicePack2) {
    FakeWindows machine;
    const auto suitable = [&](uint32_t major, uint32_t minor, const char* servicePack) {
        machine.SetVersion(major, minor, servicePack);
        return IsOsSuitableForRepair2(machine.Os());
    };
    EXPECT_TRUE(suitable(5, 1, "Service Pack 2"));
    EXPECT_TRUE(suitable(5, 1, "Service Pack 3"));
    EXPECT_TRUE(suitable(5, 2, "Windows Service Pack 3, v.5512"));
    EXPECT_FALSE(suitable(5, 1, "Service Pack 1"));
    EXPECT_FALSE(suitable(5, 1, ""));
    EXPECT_FALSE(suitable(5, 1, "service pack 2"));
    EXPECT_FALSE(suitable(5, 1, "Service Pack 2a"));
    EXPECT_TRUE(suitable(6, 0, ""));
    EXPECT_TRUE(suitable(6, 1, "Service Pack 1"));
    EXPECT_FALSE(suitable(5, 0, "Service Pack 4"));
    EXPECT_FALSE(suitable(10, 0, "Service Pack 3"));
    machine.system.version.reset();
    EXPECT_FALSE(IsOsSuitableForRepair2(machine.Os()));
}

class CheckWinsockTest : public ::testing::Test {
protected:
    bool CheckWith(const std::string& answer) {
        machine.processes.Program(CheckCommand).output = answer;
        return CheckWinsock(machine.Os());
    }
    FakeWindows machine;
};

TEST_F(CheckWinsockTest, HealthyAnswerIsLoggedAndTheFileRemoved) {
    EXPECT_TRUE(CheckWith("The following helper DLLs are installed.\r\n"));
    EXPECT_EQ(machine.processes.CommandLines(), (Lines{CheckCommand}));
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "winsock answer:  The following helper DLLs are installed.",
                                      "",
                                      "winsock is not corrupted ",
                                      "delete winsoktemp ",
                                      "check winsock result:  True",
                                  }));
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsoktemp"));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

TEST_F(CheckWinsockTest, EitherErrorTextMeansCorrupted) {
    EXPECT_FALSE(
        CheckWith("Initialization Function InitHelperDll in IPMONTR.DLL failed to "
                  "start with error code 10107"));
    EXPECT_FALSE(CheckWith("helper failed: error code 10107\r\n"));
    EXPECT_TRUE(CheckWith("Error Code 10107"));  // the search is case-sensitive
    EXPECT_TRUE(CheckWith(""));                  // an empty answer is healthy
    const Lines lines = machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "winsock is corrupted "), 2);
    EXPECT_EQ(lines.back(), "check winsock result:  True");
}

TEST_F(CheckWinsockTest, MissingOrLockedAnswerCountsAsCorrupted) {
    machine.processes.Program(CheckCommand).missing = true;
    EXPECT_FALSE(CheckWinsock(machine.Os()));
    EXPECT_EQ(machine.LogLines(), (Lines{"check winsock result:  False"}));

    FakeWindows other;
    auto holder = other.files.HoldOpen(Temp + "winsoktemp", FileShare::None);
    other.processes.Program(CheckCommand).missing = true;
    EXPECT_FALSE(CheckWinsock(other.Os()));
    EXPECT_EQ(other.LogLines(), (Lines{"delete winsoktemp ", "check winsock result:  False"}));
}

TEST_F(CheckWinsockTest, ATempPathWithBlanksIsQuoted) {
    machine.system.tempPath = LongTemp;
    machine.files.AddFolder(LongTemp);
    const std::string command = "cmd.exe /cnetsh show > \"" + LongTemp + "winsoktemp\"";
    machine.processes.Program(command).output = "error code 10107";
    EXPECT_FALSE(CheckWinsock(machine.Os()));
    EXPECT_EQ(machine.processes.CommandLines(), (Lines{command}));
    EXPECT_EQ(machine.LogLines()[1], "winsock is corrupted ");
}

TEST(RefreshIpStack, SixCommandsInOrderEachFollowedByTenSeconds) {
    FakeWindows machine;
    RefreshIpStack(machine.Os());
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{"cmd.exe /c ipconfig /renew", "cmd.exe /c arp -d*", "cmd.exe /c netstat -R",
                     "cmd.exe /c nbtstat -RR", "cmd.exe /c ipconfig /flushdns",
                     "cmd.exe /c ipconfig /registerdns"}));
    EXPECT_EQ(machine.clock.Pauses(), Pauses(6, 10000));
    EXPECT_TRUE(machine.LogLines().empty());
}

class ResetWinsockTest : public ::testing::Test {
protected:
    ResetWinsockTest() {
        machine.registry.CreateKey(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    }
    // netsh writes its log file itself (an argument, not a redirection).
    void IpResetWrites(const std::string& command, const std::string& path,
                       const std::string& text) {
        machine.processes.Program(command).effect = [this, path, text] {
            machine.files.SetContent(path, text);
        };
    }
    FakeWindows machine;
    const WinsockRegTexts regTexts{"REGEDIT4\r\n\r\n[two]\r\n", "REGEDIT4\r\n\r\n[one]\r\n"};
};

TEST_F(ResetWinsockTest, RunsEveryStepInOrderWithItsPausesAndEntries) {
    machine.files.SetContent(Temp + "winsoktemp", "left over");
    IpResetWrites(IpResetCommand, Temp + "resetlog.txt", "abc<completed>");
    machine.processes.Program(CatalogCommand).output = "Sucessfully reset the Winsock Catalog.";
    ResetWinsock(machine.Os(), regTexts);

    const Lines steps{
        "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f",
        "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f",
        "cmd.exe /c reg import " + Temp + "winsok2.reg",
        "cmd.exe /c reg import " + Temp + "winsok.reg",
        CatalogCommand,
    };
    Lines commands{"cmd.exe /c ipconfig /release", IpResetCommand};
    commands.insert(commands.end(), steps.begin(), steps.end());
    EXPECT_EQ(machine.processes.CommandLines(), commands);

    Lines log{"write in registri for reboot ",
              "winsock reset method:  registry catalogs replaced from the export texts",
              IpResetCommand + " ", "pos completed 4"};
    for (const auto& step : steps) log.push_back(step + " ");
    log.insert(log.end(), {"pos Sucessfully reset 1", "delete winsokans "});
    EXPECT_EQ(machine.LogLines(), log);

    EXPECT_EQ(machine.clock.Pauses(),
              (Pauses{1000, 500, 1000, 1000, 1000, 1000, 1000, 1000, 500, 1000}));
    // The resume is arranged first.
    EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_EQ(machine.registry.StringValue(
                  HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run", "PloverReboot"),
              "\"C:\\Program Files\\PloverTool\\PloverTool.exe\" /waitsuspend");
    // The reset log stays, the catalog answer goes; the reset never touches
    // the check's file.
    EXPECT_TRUE(machine.files.HasFile(Temp + "resetlog.txt"));
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsockans.txt"));
    EXPECT_TRUE(machine.files.HasFile(Temp + "winsoktemp"));
}

TEST_F(ResetWinsockTest, FromWindows7TheSystemsOwnResetsRunAndTheCatalogKeysStay) {
    // Shimmed to 6.2 as any program without a newer manifest sees Windows 10.
    machine.SetVersion(6, 2, "");
    machine.system.trueVersion = OsVersionInfo{10, 0, 19045, 2, ""};
    machine.system.systemDirectory = "C:\\Windows\\system32";
    machine.system.wow64 = true;
    machine.registry.SetString(HKLM, "SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters",
                               "Current_Protocol_Catalog", "Protocol_Catalog9");
    ResetWinsock(machine.Os(), regTexts);

    const std::string netsh = "C:\\Windows\\Sysnative\\netsh.exe";
    const Lines commands{netsh + " int ip reset " + Temp + "resetlog.txt", netsh + " winsock reset"};
    EXPECT_EQ(machine.processes.CommandLines(), commands);
    const Lines lines = machine.LogLines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[2], "winsock reset method:  netsh winsock reset, registry catalogs kept");
    EXPECT_EQ(lines[3], commands[0] + " ");
    EXPECT_EQ(lines[4], commands[1] + " ");
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 1000}));
    EXPECT_EQ(machine.registry.StringValue(HKLM,
                                           "SYSTEM\\CurrentControlSet\\Services\\WinSock2\\Parameters",
                                           "Current_Protocol_Catalog"),
              "Protocol_Catalog9");
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsok2.reg"));
    // The resume is arranged as on Vista: the version code decides that.
    EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
}

TEST(NativeNetshPath, SysnativeOnlyForA32BitProgramOn64BitWindows) {
    FakeWindows machine;
    machine.system.systemDirectory = "C:\\Windows\\system32";
    EXPECT_EQ(NativeNetshPath(machine.Os()), "C:\\Windows\\system32\\netsh.exe");
    machine.system.wow64 = true;
    EXPECT_EQ(NativeNetshPath(machine.Os()), "C:\\Windows\\Sysnative\\netsh.exe");
    machine.system.systemDirectory = "D:\\Win Dows\\System32";
    const auto commands = SystemResetCommands(machine.Os(), LongTemp);
    EXPECT_EQ(commands.back().line, "\"D:\\Win Dows\\Sysnative\\netsh.exe\" winsock reset");
    EXPECT_EQ(commands.front().line, "\"D:\\Win Dows\\Sysnative\\netsh.exe\" int ip reset \"" +
                                         LongTemp + "resetlog.txt\"");
}

TEST_F(ResetWinsockTest, PollsAreBoundedAndAMissingFileCostsNoTime) {
    // No reset log at all; the catalog answer never shows its marker.
    machine.processes.Program(CatalogCommand).output =
        "The requested operation requires elevation.";
    ResetWinsock(machine.Os(), regTexts);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos completed 0"), 0);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos Sucessfully reset 0"), 100);
    const Pauses pauses = machine.clock.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 500u), 100);
    EXPECT_EQ(pauses.size(), 8u + 100u);
    EXPECT_EQ(lines.back(), "delete winsokans ");
}

TEST_F(ResetWinsockTest, AResetLogWithoutTheMarkerIsReadAHundredTimes) {
    IpResetWrites(IpResetCommand, Temp + "resetlog.txt", "resetting...");
    ResetWinsock(machine.Os(), regTexts);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos completed 0"), 100);
    // The catalog answer is there but empty: its poll runs out as well.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos Sucessfully reset 0"), 100);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 8u * 1000u + 200u * 500u);
}

TEST_F(ResetWinsockTest, ATempPathWithBlanksIsQuotedInEveryFileArgument) {
    machine.system.tempPath = LongTemp;
    machine.files.AddFolder(LongTemp);
    const std::string ipReset = "cmd.exe /c netsh int ip reset \"" + LongTemp + "resetlog.txt\"";
    const std::string catalog =
        "cmd.exe /c netsh winsock reset catalog > \"" + LongTemp + "winsockans.txt\"";
    IpResetWrites(ipReset, LongTemp + "resetlog.txt", "<completed>");
    machine.processes.Program(catalog).output = "Sucessfully reset the Winsock Catalog.";
    ResetWinsock(machine.Os(), regTexts);
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{
                  "cmd.exe /c ipconfig /release",
                  ipReset,
                  "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f",
                  "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f",
                  "cmd.exe /c reg import \"" + LongTemp + "winsok2.reg\"",
                  "cmd.exe /c reg import \"" + LongTemp + "winsok.reg\"",
                  catalog,
              }));
    EXPECT_EQ(machine.processes.WorkingFolders(), Lines(7, ""));
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines[2], ipReset + " ");
    EXPECT_EQ(lines[3], "pos completed 1");
    EXPECT_EQ(lines[9], "pos Sucessfully reset 1");
    EXPECT_FALSE(machine.files.HasFile(LongTemp + "winsockans.txt"));
}

// The export files lie in a folder every program of the user may write, and
// the import runs with administrator rights: it must take the program's own
// bytes, whatever the folder held before.
TEST_F(ResetWinsockTest, EachImportTakesTheProgramsTextHeldAgainstOtherWriters) {
    const std::string reg2 = Temp + "winsok2.reg";
    const std::string reg1 = Temp + "winsok.reg";
    machine.files.SetContent(reg2, "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\injected]\r\n");
    machine.files.SetContent(reg1, "");
    std::vector<std::string> imported;
    for (const std::string& path : {reg2, reg1}) {
        machine.processes.Program("cmd.exe /c reg import " + path).effect = [&, path] {
            // Another program of the user tries its luck while reg.exe runs.
            EXPECT_FALSE(machine.files.Open(path, FileAccess::ReadWrite, FileShare::ReadWrite,
                                            FileDisposition::OpenAlways));
            EXPECT_FALSE(machine.files.Delete(path));
            auto reader = machine.files.Open(path, FileAccess::Read, FileShare::ReadWrite,
                                             FileDisposition::OpenExisting);
            imported.push_back(reader ? reader->ReadToEnd().value_or("<unread>") : "<closed>");
        };
    }
    ResetWinsock(machine.Os(), regTexts);
    EXPECT_EQ(imported, (Lines{regTexts.Winsock2RegText, regTexts.WinsockRegText}));
    // Held only while reg.exe ran.
    EXPECT_TRUE(machine.files.Delete(reg2));
    EXPECT_TRUE(machine.files.Delete(reg1));
}

// How a hold fails is the hold's own test; here: the reset skips that one
// import, says so, and goes on with every other step and pause.
TEST_F(ResetWinsockTest, AnImportWhoseFileCannotBeSecuredIsSkippedAndTheResetGoesOn) {
    const std::string reg2 = Temp + "winsok2.reg";
    const std::string import2 = "cmd.exe /c reg import " + reg2;
    const std::string import1 = "cmd.exe /c reg import " + Temp + "winsok.reg";
    auto other = machine.files.HoldOpen(reg2, FileShare::ReadWrite);
    machine.processes.Program(CatalogCommand).output = "Sucessfully reset the Winsock Catalog.";
    ResetWinsock(machine.Os(), regTexts);
    const Lines commands = machine.processes.CommandLines();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), import2), 0);
    EXPECT_EQ(std::count(commands.begin(), commands.end(), import1), 1);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines[5], "reg import skipped, the file could not be secured:  " + reg2);
    EXPECT_EQ(lines[6], import1 + " ");
    EXPECT_EQ(machine.clock.Pauses(),
              (Pauses{1000, 1000, 1000, 1000, 1000, 1000, 1000, 500, 1000}));
}

// cmd.exe acts on & | < > ^ ( ) anywhere outside quotes and expands % and !
// inside them too: a folder named so must not run commands of its own.
TEST_F(ResetWinsockTest, ATempPathWithCommandCharactersStaysOutOfEveryCommandLine) {
    const std::string odd = "C:\\Users\\Tom & Jerry (100%)\\AppData\\Local\\Temp\\";
    machine.system.tempPath = odd;
    machine.files.AddFolder(odd);
    IpResetWrites("cmd.exe /c netsh int ip reset resetlog.txt", odd + "resetlog.txt",
                  "<completed>");
    machine.processes.Program("cmd.exe /c netsh winsock reset catalog > winsockans.txt").output =
        "Sucessfully reset the Winsock Catalog.";
    std::vector<std::string> imported;
    for (const char* name : {"winsok2.reg", "winsok.reg"}) {
        machine.processes.Program(std::string("cmd.exe /c reg import ") + name).effect = [&, name] {
            imported.push_back(machine.files.Content(odd + name));
        };
    }
    ResetWinsock(machine.Os(), regTexts);
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{
                  "cmd.exe /c ipconfig /release",
                  "cmd.exe /c netsh int ip reset resetlog.txt",
                  "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f",
                  "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f",
                  "cmd.exe /c reg import winsok2.reg",
                  "cmd.exe /c reg import winsok.reg",
                  "cmd.exe /c netsh winsock reset catalog > winsockans.txt",
              }));
    // Those that name a file run in the folder; the others where they always did.
    EXPECT_EQ(machine.processes.WorkingFolders(), (Lines{"", odd, "", "", odd, odd, odd}));
    EXPECT_EQ(imported, (Lines{regTexts.Winsock2RegText, regTexts.WinsockRegText}));
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines[2], "cmd.exe /c netsh int ip reset resetlog.txt ");
    EXPECT_EQ(lines[3], "pos completed 1");
    EXPECT_EQ(lines[9], "pos Sucessfully reset 1");
    EXPECT_FALSE(machine.files.HasFile(odd + "winsockans.txt"));
}

TEST(FolderCommands, OnlyFoldersWithCommandCharactersAreNamedBare) {
    for (const char c : std::string("&|<>^()%!")) {
        const std::string folder = std::string("C:\\Temp\\a") + c + "b\\";
        const FolderCommands commands(folder);
        EXPECT_EQ(commands.File("winsoktemp"), "winsoktemp") << c;
        EXPECT_EQ(commands.Command("x").workingFolder, folder) << c;
    }
    for (const std::string& folder : {Temp, LongTemp, std::string("C:\\T-e_m.p~1#$@'{}[]+\\")}) {
        const FolderCommands commands(folder);
        EXPECT_EQ(commands.File("winsoktemp"), CommandLinePath(folder + "winsoktemp"));
        EXPECT_EQ(commands.Command("x").line, "x");
        EXPECT_EQ(commands.Command("x").workingFolder, "");
    }
}

// A huge or binary file where a program's answer belongs costs one bounded
// read: what lies beyond the bound is not looked at.
TEST_F(CheckWinsockTest, AHugeAnswerIsReadOnlyUpToTheBound) {
    std::string huge(3 * OutputFileReadLimit, '\0');
    for (size_t i = 0; i < huge.size(); i += 7) huge[i] = static_cast<char>(i);
    EXPECT_TRUE(CheckWith(huge + "error code 10107"));
    EXPECT_EQ(machine.files.LargestRead(Temp + "winsoktemp"), OutputFileReadLimit);
    EXPECT_EQ(machine.LogLines().back(), "check winsock result:  True");
}

TEST_F(ResetWinsockTest, HugeOutputFilesAreReadOnlyUpToTheBound) {
    const std::string huge(2 * OutputFileReadLimit, 'x');
    IpResetWrites(IpResetCommand, Temp + "resetlog.txt", "<completed>" + huge);
    machine.processes.Program(CatalogCommand).output = huge;
    ResetWinsock(machine.Os(), regTexts);
    EXPECT_EQ(machine.files.LargestRead(Temp + "resetlog.txt"), OutputFileReadLimit);
    EXPECT_EQ(machine.files.LargestRead(Temp + "winsockans.txt"), OutputFileReadLimit);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos completed 1"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "pos Sucessfully reset 0"), 100);
}

TEST(DeleteWinsockRegFiles, RemovesWhatExistsAndLogsEach) {
    FakeWindows machine;
    machine.files.SetContent(Temp + "winsok2.reg", "REGEDIT4");
    machine.files.SetContent(Temp + "winsok.reg", "REGEDIT4");
    DeleteWinsockRegFiles(machine.Os());
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsok2.reg"));
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsok.reg"));
    machine.files.SetContent(Temp + "winsok.reg", "REGEDIT4");
    DeleteWinsockRegFiles(machine.Os());
    DeleteWinsockRegFiles(machine.Os());
    EXPECT_EQ(machine.LogLines(),
              (Lines{"delete winsok2.reg ", "delete winsok.reg ", "delete winsok.reg "}));
}

}  // namespace
}  // namespace plover
