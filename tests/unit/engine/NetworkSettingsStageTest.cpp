#include <gtest/gtest.h>

#include "engine/NetworkSettingsStage.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/engine/RecordingDisplay.h"
#include "tests/unit/support/WinsockCommands.h"

namespace plover {
namespace {

using enginetest::RecordingDisplay;
using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;
using testing::CatalogCommand;
using testing::CheckCommand;
using testing::IpResetCommand;
using testing::Temp;

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const std::string RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string KeyA = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";

const AdapterEntry Working =
    Adapter("{A}", "Ethernet", true, "192.168.1.1", {{"192.168.1.10", "255.255.255.0"}});
const AdapterEntry SelfAssigned =
    Adapter("{A}", "Ethernet", true, "", {{"169.254.7.7", "255.255.0.0"}});

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// A Windows XP SP2 machine with one connection whose adapter is {A}.
class NetworkSettingsStage : public ::testing::Test {
protected:
    NetworkSettingsStage() {
        machine.connections.AddConnection("Local Area Connection");
        machine.registry.CreateKey(HKLM, RunKey);
        machine.registry.SetMultiString(HKLM, KeyA, "IPAddress", {"0.0.0.0"});
        machine.processes.Program(CheckCommand).output = "error code 10107";
        machine.processes.Program(IpResetCommand).effect = [this] {
            machine.files.SetContent(Temp + "resetlog.txt", "<completed>");
        };
        machine.processes.Program(CatalogCommand).output = "Sucessfully reset the Winsock Catalog.";
    }

    // Runs stage 1 alone through the run frame and returns the stage number.
    int RunStage() {
        StageSlots slots;
        slots[0] = [this](ComputationalThread& thread) {
            RunNetworkSettingsStage(thread, settings);
            thread.Terminate();  // the later stages are not part of these tests
        };
        ComputationalThread thread(machine.Os(), display, synchronizer, slots, true);
        thread.Execute();
        return thread.StageNumber;
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    const WinsockRegTexts regTexts{"REGEDIT4 winsock2", "REGEDIT4 winsock"};
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    RecordingDisplay display;
    standin::FakeWindowThread synchronizer;
};

const Lines HardwarePass{"hardware check ", "adapters found  1",
                         "hardware network adapter step pass"};
const Lines IpCheckStart{"open key to save registri ", "IP settings check "};
const Lines RepairMethod1{"no valid ip address found -try to repair  repair method1"};
const Lines AfterRepair1{"no valid ip address found -after repair1  "};
const Lines WinsockCorrupted{"winsock answer:  error code 10107", "winsock is corrupted ",
                             "delete winsoktemp ", "check winsock result:  False"};
const Lines ResetEntries{
    "write in registri for reboot ",
    "winsock reset method:  registry catalogs replaced from the export texts",
    IpResetCommand + " ",
    "pos completed 1",
    "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock /f ",
    "cmd.exe /c reg delete HKLM\\SYSTEM\\CurrentControlSet\\Services\\WinSock2 /f ",
    "cmd.exe /c reg import " + Temp + "winsok2.reg ",
    "cmd.exe /c reg import " + Temp + "winsok.reg ",
    CatalogCommand + " ",
    "pos Sucessfully reset 1",
    "delete winsokans ",
};
// The harness asks the stop once the stage is over.
const Lines RunEnd{"synchronize step ", "run stopped asked during stage 1", "Exiting thread "};
const std::string NotRepaired = "no valid ip address found. The connection couldn't be repaired ";

TEST_F(NetworkSettingsStage, AdapterAndAddressPassAtOnce) {
    machine.adapters.SetTable({Working});
    EXPECT_EQ(RunStage(), 2);
    EXPECT_EQ(
        machine.LogLines(),
        Concat({HardwarePass, IpCheckStart, {"IP settings network adapter step pass"}, RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{10, 10, 1000, 10, 10, 1000}));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_TRUE(machine.connections.Events().empty());
    // The snapshot of the interface settings was written.
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath),
              "{A}\nEthernet\n\n\n0.0.0.0\n\n\n");
}

TEST_F(NetworkSettingsStage, NoAdapterEvenAfterRestartingTheConnections) {
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(machine.LogLines(), Concat({{"hardware check ", "adapters found  0",
                                           "no network adapter found try to repair",
                                           "adapters found  0", "no network adapter found "},
                                          RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowAdapterFailure", "StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));
    EXPECT_EQ(machine.connections.Switches(),
              (Lines{"disconnect Local Area Connection", "connect Local Area Connection"}));
    // The IP settings part is skipped: no snapshot.
    EXPECT_TRUE(snapshot.SettingsSnapshotPath.empty());
    EXPECT_EQ(machine.files.FilesIn(Temp), (Lines{"plovertoollog"}));
}

TEST_F(NetworkSettingsStage, AdapterAppearsAfterRestartingTheConnections) {
    machine.connections.onSwitch = [this](const std::string&, bool connected) {
        if (connected) machine.adapters.SetTable({Working});
    };
    EXPECT_EQ(RunStage(), 2);
    EXPECT_EQ(machine.LogLines(), Concat({{"hardware check ", "adapters found  0",
                                           "no network adapter found try to repair",
                                           "adapters found  1", "network adapter step repaired"},
                                          IpCheckStart,
                                          {"IP settings network adapter step pass"},
                                          RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000, 10, 10, 10, 10, 1000}));
    EXPECT_FALSE(snapshot.SettingsSnapshotPath.empty());
}

TEST_F(NetworkSettingsStage, AddressRepairedByTheRenewal) {
    machine.adapters.SetTable({SelfAssigned});
    machine.processes.Program("cmd.exe /c ipconfig /renew").effect = [this] {
        machine.adapters.SetTable({Working});
    };
    EXPECT_EQ(RunStage(), 2);
    EXPECT_EQ(
        machine.LogLines(),
        Concat({HardwarePass, IpCheckStart, RepairMethod1, {" IP settings repaired "}, RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"}));
    EXPECT_EQ(machine.processes.CommandLines().size(), 6u);
    Pauses expected{10, 10, 1000, 10, 10};
    expected.insert(expected.end(), 6, 10000);
    expected.insert(expected.end(), {10, 10});
    EXPECT_EQ(machine.clock.Pauses(), expected);
}

TEST_F(NetworkSettingsStage, UnsuitableSystemFailsWithoutTheRestartQuestion) {
    machine.SetVersion(5, 1, "Service Pack 1");
    machine.adapters.SetTable({SelfAssigned});
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(
        machine.LogLines(),
        Concat({HardwarePass, IpCheckStart, RepairMethod1, AfterRepair1, {NotRepaired}, RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowNoInternetFailure", "StageCompleted"}));
    // Only the renewal ran; no Winsock check.
    EXPECT_EQ(machine.processes.CommandLines().size(), 6u);
}

TEST_F(NetworkSettingsStage, ResumedRunFailsHoweverSuitableTheSystem) {
    machine.SetVersion(6, 0, "");
    display.wasRestarted = true;
    machine.adapters.SetTable({SelfAssigned});
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(
        machine.LogLines(),
        Concat({HardwarePass, IpCheckStart, RepairMethod1, AfterRepair1, {NotRepaired}, RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowNoInternetFailure", "StageCompleted"}));
}

TEST_F(NetworkSettingsStage, HealthyWinsockLeavesNothingToReset) {
    machine.adapters.SetTable({SelfAssigned});
    machine.processes.Program(CheckCommand).output = "";
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(
        machine.LogLines(),
        Concat({HardwarePass,
                IpCheckStart,
                RepairMethod1,
                AfterRepair1,
                {"OS is suitable for repair2  ", "winsock answer:  ", "winsock is not corrupted ",
                 "delete winsoktemp ", "check winsock result:  True",
                 "no valid ip address found. The connection couldn't be repaired good winsock"},
                RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowNoInternetFailure", "StageCompleted"}));
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
}

// A limited account: every check runs as before, no repair touches the
// machine, and no restart is offered for a reset that never ran.
TEST_F(NetworkSettingsStage, WithoutAdministratorRightsDiagnosesButRepairsNothing) {
    machine.adapters.SetTable({SelfAssigned});
    machine.system.administrator = false;
    display.answerYes = true;
    EXPECT_EQ(RunStage(), 7);
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines, Concat({HardwarePass,
                             IpCheckStart,
                             RepairMethod1,
                             {"repair skipped, it needs an administrator:  RenewAddresses"},
                             AfterRepair1,
                             {"restart repair skipped, it needs an administrator ", NotRepaired},
                             RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowNoInternetFailure", "StageCompleted"}));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_TRUE(machine.connections.Switches().empty());
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
}

TEST_F(NetworkSettingsStage, DeclinedRestartUndoesTheResumeAndFails) {
    machine.adapters.SetTable({SelfAssigned});
    display.answerYes = false;
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(machine.LogLines(),
              Concat({HardwarePass,
                      IpCheckStart,
                      RepairMethod1,
                      AfterRepair1,
                      {"OS is suitable for repair2  "},
                      WinsockCorrupted,
                      {"no valid ip address found -try to repair method2 "},
                      ResetEntries,
                      {"delete from start-up registry exist", "delete Software\\PloverTool key ",
                       "user choose do not restart PC ", NotRepaired},
                      RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"ShowRepairInProgress", "PromptRestart",
                                           "ShowNoInternetFailure", "StageCompleted"}));
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_FALSE(machine.registry.Value(HKLM, RunKey, "PloverReboot"));
}

TEST_F(NetworkSettingsStage, AcceptedRestartEndsTheRunWithoutAFailurePanel) {
    machine.adapters.SetTable({SelfAssigned});
    display.answerYes = true;
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(machine.LogLines(), Concat({HardwarePass,
                                          IpCheckStart,
                                          RepairMethod1,
                                          AfterRepair1,
                                          {"OS is suitable for repair2  "},
                                          WinsockCorrupted,
                                          {"no valid ip address found -try to repair method2 "},
                                          ResetEntries,
                                          {"PC restarted "},
                                          RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "PromptRestart", "StageCompleted"}));
    // The reset imported the texts the window chose at start-up.
    EXPECT_EQ(machine.files.Content(Temp + "winsok2.reg"), "REGEDIT4 winsock2");
    EXPECT_EQ(machine.files.Content(Temp + "winsok.reg"), "REGEDIT4 winsock");
    // The resume stays arranged for the next log-on.
    EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_EQ(machine.registry.StringValue(HKLM, RunKey, "PloverReboot"),
              "\"C:\\Program Files\\PloverTool\\PloverTool.exe\" /waitsuspend");
    const Lines commands = machine.processes.CommandLines();
    ASSERT_EQ(commands.size(), 6u + 1u + 7u);
    EXPECT_EQ(commands[6], CheckCommand);
    EXPECT_EQ(commands[7], "cmd.exe /c ipconfig /release");
    EXPECT_EQ(commands.back(), CatalogCommand);
    EXPECT_TRUE(machine.files.HasFile(Temp + "resetlog.txt"));
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsockans.txt"));
    EXPECT_FALSE(machine.files.HasFile(Temp + "winsoktemp"));
}

}  // namespace
}  // namespace plover
