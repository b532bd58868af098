#include <gtest/gtest.h>

#include "app/PingService.h"
#include "engine/LocalConnectionStage.h"
#include "tests/standin/FakeWindows.h"
#include "tests/support/LogLines.h"
#include "tests/unit/engine/RecordingDisplay.h"

namespace plover {
namespace {

using enginetest::RecordingDisplay;
using standin::Adapter;
using standin::FakeWindows;
using testing::WithSubnetTestsCollapsed;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const std::string KeyA = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
const std::string Address = "192.168.1.10";
const std::string Gateway = "192.168.1.1";
const std::string SwitchOff = "cmd.exe /cnetsh firewall set opmode DISABLE";
const std::string AllowEcho = "cmd.exe /cnetsh firewall set icmpsetting 8 ENABLE";

template <typename T>
std::vector<T> Concat(std::initializer_list<std::vector<T>> parts) {
    std::vector<T> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Pauses FailedPing{2000};
// SwitchToDhcp on one adapter whose gateway is there at the first look.
const Pauses DhcpSwitch =
    Concat<uint32_t>({{10, 10, 1000, 2000}, Pauses(6, 10000), {10000, 1000, 10, 10, 10, 10, 1000}});
const Lines Start{"start checking local connection step "};
const Lines LoopbackPass{"checking local connection step  ping on 127.0.0.1 -pass"};
const Lines AddressPass{"checking local connection step ping pass on local IP address - pass"};
const Lines SubnetPass{
    "checking local connection step check subnet",
    "checking local connection step Default gateway is on the same subnet as IP address -pass"};
const Lines GatewayRepair{"checking local connection step ping gatewaw- disable firewall",
                          "checking local connection step  ping gatewaw fail"};
// The harness asks the stop once the stage is over, so no later stage runs.
const Lines RunEnd{"synchronize step ", "run stopped asked during stage 2", "Exiting thread "};

// An XP SP2 machine with one adapter {A} whose address, gateway and loopback
// answer unless a test says otherwise; stage 1 has left the inventory built.
class LocalConnectionStage : public ::testing::Test {
protected:
    LocalConnectionStage() {
        machine.connections.AddConnection("Local Area Connection");
        machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
        machine.sockets.AnswerEcho("127.0.0.1");
        machine.sockets.AnswerEcho(Address);
        machine.sockets.AnswerEcho(Gateway);
        Inventory(Gateway);
    }
    void Inventory(const std::string& gateway) {
        machine.adapters.SetTable(
            {Adapter("{A}", "Ethernet", false, gateway, {{Address, "255.255.255.0"}})});
        settings.RefreshAdapters();
        machine.clock.ClearPauses();
    }
    void OnRenewal(std::function<void()> effect) {
        machine.processes.Program("cmd.exe /c ipconfig /renew").effect = std::move(effect);
    }

    // Runs stage 2 alone through the run frame and returns the stage number.
    int RunStage() {
        StageSlots slots;
        slots[1] = [this](ComputationalThread& thread) {
            RunLocalConnectionStage(thread, settings, local, firewall, ping);
            thread.Terminate();
        };
        ComputationalThread thread(machine.Os(), display, synchronizer, slots, true);
        thread.StageNumber = 2;
        thread.Execute();
        return thread.StageNumber;
    }
    // The entries the stage itself writes, without those of its checks and repairs.
    Lines StageEntries() const {
        Lines own;
        for (const std::string& line : machine.LogLines()) {
            for (const char* prefix :
                 {"start checking local", "checking local connection step",
                  "gateway from registry ", "synchronize", "run stopped", "Exiting"}) {
                if (line.rfind(prefix, 0) == 0) own.push_back(line);
            }
        }
        return own;
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    PingService ping{machine.Os()};
    TLocalConnection local{machine.Os(), settings, ping};
    TFirewallOperations firewall{machine.Os()};
    RecordingDisplay display;
    standin::FakeWindowThread synchronizer;
};

TEST_F(LocalConnectionStage, EverythingInOrder) {
    EXPECT_EQ(RunStage(), 3);
    EXPECT_EQ(WithSubnetTestsCollapsed(machine.LogLines()),
              Concat<std::string>(
                  {Start,
                   {"checking local host ping on 127.0.0.1", "ping host: 127.0.0.1 ping rezult:0"},
                   LoopbackPass,
                   {"checking local IP address ping on IP address",
                    "ping host: 192.168.1.10 ping rezult:0"},
                   AddressPass,
                   {SubnetPass[0], "checking if ip and gateway thre are under the same subnet ",
                    "192.168.1.10 192.168.1.1 255.255.255.0", "<subnet test>",
                    "checking if ip and gateway there are under the same subnet yes", SubnetPass[1],
                    "checking gateway ping on gateway",
                    "adapter name: Ethernet ping gateway:  192.168.1.1",
                    "ping host: 192.168.1.1 ping rezult:0"},
                   RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 1000, 1000, 1000}));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
}

TEST_F(LocalConnectionStage, SilentLoopbackOnAnUnsuitableSystemGoesStraightToTheRouterMessage) {
    machine.SetVersion(5, 1, "Service Pack 1");
    machine.sockets.ScriptEcho("127.0.0.1", {});
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(StageEntries(), Concat<std::string>({Start, RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"ShowRouterMessage", "StageCompleted"}));
    EXPECT_EQ(machine.sockets.EchoRequestsTo(Address), 0);
    EXPECT_EQ(machine.clock.Pauses(), FailedPing);
}

TEST_F(LocalConnectionStage, AddressesAnsweringOnlyAfterTheDhcpSwitchAreRepaired) {
    machine.sockets.ScriptEcho(Address, {});
    OnRenewal([this] { machine.sockets.AnswerEcho(Address); });
    EXPECT_EQ(RunStage(), 3);
    EXPECT_EQ(
        StageEntries(),
        Concat<std::string>({Start,
                             LoopbackPass,
                             {"checking local connection step - invalid IP address  try to repair",
                              "checking local connection step - pass IP address was repaired"},
                             SubnetPass,
                             RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(),
              Concat<uint32_t>({{1000}, FailedPing, DhcpSwitch, {1000, 1000, 1000}}));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 1u);
}

TEST_F(LocalConnectionStage, AddressesSilentAfterTheSwitchFallBackOnTheRestartRepair) {
    machine.sockets.ScriptEcho(Address, {});
    // A healthy catalog: the restart repair has nothing to reset.
    machine.processes.Program("cmd.exe /cnetsh show > " + machine.TempFolder() + "winsoktemp");
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(
        StageEntries(),
        Concat<std::string>({Start,
                             LoopbackPass,
                             {"checking local connection step - invalid IP address  try to repair"},
                             RunEnd}));
    const Lines log = machine.LogLines();
    EXPECT_EQ(Lines(log.end() - 9, log.end()),
              Concat<std::string>(
                  {{"ping on ipaddress - error try to repair",
                    "winsock answer:  ", "winsock is not corrupted ", "delete winsoktemp ",
                    "check winsock result:  True", "put back interface settings {A}"},
                   RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowRouterMessage", "StageCompleted"}));
    // The switch helped nothing and the computer does not restart with it.
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 0u);
}

TEST_F(LocalConnectionStage, SubnetFailingTwiceEndsOnTheNoInternetPanelWithoutAGatewayPing) {
    Inventory("192.168.3.1");
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(
        StageEntries(),
        Concat<std::string>(
            {Start,
             LoopbackPass,
             AddressPass,
             {SubnetPass[0],
              "checking local connection step Default gateway exists and is on the same subnet as "
              "IP address - fail",
              "checking local connection step - fail Default gateway is not on the same subnet as "
              "IP address"},
             RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowNoInternetFailure", "StageCompleted"}));
    EXPECT_EQ(machine.sockets.EchoRequestsTo("192.168.3.1"), 0);
}

TEST_F(LocalConnectionStage, GatewayAnsweringOnlyWithTheFirewallOffPassesWithoutANotice) {
    machine.sockets.ScriptEcho(Gateway, {});
    machine.processes.Program(SwitchOff).effect = [this] {
        machine.firewall.enabled = false;
        machine.sockets.AnswerEcho(Gateway);
    };
    EXPECT_EQ(RunStage(), 3);
    EXPECT_EQ(StageEntries(),
              Concat<std::string>(
                  {Start, LoopbackPass, AddressPass, SubnetPass, {GatewayRepair[0]}, RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"SetFirewallWasDisabled", "StageCompleted"}));
    EXPECT_EQ(machine.processes.CommandLines(), (Lines{SwitchOff, AllowEcho}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 1000, 1000, 2000, 1000}));
}

TEST_F(LocalConnectionStage, GatewayFromTheRegistryAnsweringRepairsTheStage) {
    machine.sockets.ScriptEcho(Gateway, {});
    machine.registry.SetMultiString(HKLM, KeyA, "DhcpDefaultGateway", {"192.168.1.254"});
    machine.sockets.AnswerEcho("192.168.1.254");
    EXPECT_EQ(RunStage(), 3);
    EXPECT_EQ(
        StageEntries(),
        Concat<std::string>({Start,
                             LoopbackPass,
                             AddressPass,
                             SubnetPass,
                             GatewayRepair,
                             {"gateway from registry 192.168.1.254",
                              "checking local connection step - fail ping on gateway - repaired"},
                             RunEnd}));
    // The second switch-off finds the firewall off already: one mark, two commands.
    EXPECT_EQ(display.Operations(), (Lines{"SetFirewallWasDisabled", "ShowRepairInProgress",
                                           "ResumeStagesPanel", "StageCompleted"}));
    const Lines commands = machine.processes.CommandLines();
    EXPECT_EQ(std::count(commands.begin(), commands.end(), SwitchOff), 1);
    EXPECT_EQ(machine.clock.Pauses(), Concat<uint32_t>({{1000, 1000, 1000},
                                                        FailedPing,
                                                        FailedPing,
                                                        DhcpSwitch,
                                                        {5000},
                                                        FailedPing,
                                                        {10, 10}}));
}

TEST_F(LocalConnectionStage, NoGatewayAnywhereEndsOnTheRouterMessage) {
    machine.sockets.ScriptEcho(Gateway, {});
    // The name lookup answers an empty name with this computer's own address,
    // which answers: an empty registry gateway must not pass for a gateway.
    machine.sockets.SetHostAddress("", Address);
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(StageEntries(),
              Concat<std::string>({Start,
                                   LoopbackPass,
                                   AddressPass,
                                   SubnetPass,
                                   GatewayRepair,
                                   {"gateway from registry ",
                                    "checking local connection step - fail ping on gateway - fail"},
                                   RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"SetFirewallWasDisabled", "ShowRepairInProgress",
                                           "ShowRouterMessage", "StageCompleted"}));
    EXPECT_EQ(machine.sockets.EchoRequestsTo(Address), 1);
}

TEST_F(LocalConnectionStage, AGatewayDroppingEchoButAnsweringTcpPassesAndTheFirewallStays) {
    // One adapter with two addresses: its gateway is asked once, on port 80
    // and then 53, where a refusal shows it is there.
    machine.adapters.SetTable(
        {Adapter("{A}", "Ethernet", false, Gateway,
                 {{Address, "255.255.255.0"}, {"192.168.1.11", "255.255.255.0"}})});
    settings.RefreshAdapters();
    machine.clock.ClearPauses();
    machine.sockets.AnswerEcho("192.168.1.11");
    machine.sockets.ScriptEcho(Gateway, {});
    machine.sockets.ScriptTcp(Gateway, 53, TcpAnswer::Refused);
    EXPECT_EQ(RunStage(), 3);
    EXPECT_EQ(machine.sockets.TcpAttempts(), (Lines{"192.168.1.1:80", "192.168.1.1:53"}));
    const Lines log = machine.LogLines();
    EXPECT_EQ(Lines(log.end() - 5, log.end() - 3),
              (Lines{"tcp probe 192.168.1.1:80 no answer",
                     "gateway answers over TCP 192.168.1.1:53 refused"}));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses().back(), 1000u);
}

TEST_F(LocalConnectionStage, AGatewayTakingConnectionsOnlyAfterTheSwitchKeepsTheSwitch) {
    // Echo stays dropped throughout: only the switch makes the router take a
    // connection, and the re-check must count that as it did before.
    machine.sockets.ScriptEcho(Gateway, {});
    OnRenewal([this] { machine.sockets.ScriptTcp(Gateway, 80, TcpAnswer::Accepted); });
    EXPECT_EQ(RunStage(), 3);
    const Lines entries = StageEntries();
    EXPECT_EQ(Lines(entries.end() - 4, entries.end() - 3),
              (Lines{"checking local connection step - fail ping on gateway - repaired"}));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 1u);
    EXPECT_FALSE(settings.DhcpSwitchPending());
}

}  // namespace
}  // namespace plover
