#include <gtest/gtest.h>

#include "netsettings/NetworkSettings.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;
using Result = ConnectionCallResult;

const std::string KeyA = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
const std::string KeyB = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{B}";
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

const Lines RefreshCommands{
    "cmd.exe /c ipconfig /renew",    "cmd.exe /c arp -d*",
    "cmd.exe /c netstat -R",         "cmd.exe /c nbtstat -RR",
    "cmd.exe /c ipconfig /flushdns", "cmd.exe /c ipconfig /registerdns",
};

class AdapterRepairs : public ::testing::Test {
protected:
    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
};

TEST_F(AdapterRepairs, SwitchesEveryConnectionOnceAndReleasesAllBeforeShutdown) {
    // Two connections, one adapter record: both are switched.
    machine.adapters.SetTable({Adapter("{A}", "Ethernet", true, "", {{"10.0.0.2", "255.0.0.0"}})});
    machine.connections.AddConnection("LAN");
    machine.connections.AddConnection("Wireless");
    settings.DisableAdapters();
    EXPECT_FALSE(machine.connections.IsConnected("LAN"));
    EXPECT_FALSE(machine.connections.IsConnected("Wireless"));
    EXPECT_EQ(machine.connections.Events(), (Lines{
                                                "initialize",
                                                "create manager",
                                                "properties LAN",
                                                "disconnect LAN",
                                                "properties LAN",
                                                "release LAN",
                                                "properties Wireless",
                                                "disconnect Wireless",
                                                "properties Wireless",
                                                "release Wireless",
                                                "release enumeration",
                                                "release manager",
                                                "uninitialize",
                                            }));
    settings.EnableAdapters();
    EXPECT_TRUE(machine.connections.IsConnected("LAN"));
    EXPECT_TRUE(machine.connections.IsConnected("Wireless"));
    EXPECT_TRUE(machine.LogLines().empty());
}

TEST_F(AdapterRepairs, OnlyTheExactActionWordsSwitch) {
    machine.connections.AddConnection("LAN");
    settings.ControlConnections("Disable");
    settings.ControlConnections("");
    settings.ControlConnections("enable ");
    EXPECT_TRUE(machine.connections.Switches().empty());
    EXPECT_TRUE(machine.connections.IsConnected("LAN"));
}

TEST_F(AdapterRepairs, PropertyReadsDecideWhetherTheWalkGoesOn) {
    // Not plain success first: skipped. Error after the switch: the pass ends
    // after that connection. Error before: the pass ends at once.
    machine.connections.AddConnection("Skipped").propertyResults = {Result::OtherSuccess};
    machine.connections.AddConnection("Last").propertyResults = {Result::Success, Result::Error};
    machine.connections.AddConnection("Never");
    settings.DisableAdapters();
    EXPECT_EQ(machine.connections.Switches(), (Lines{"disconnect Last"}));

    FakeWindows other;
    TNetworkSettings otherSettings{other.Os(), snapshot, regTexts};
    other.connections.AddConnection("Broken").propertyResults = {Result::Error};
    other.connections.AddConnection("Never");
    otherSettings.DisableAdapters();
    EXPECT_TRUE(other.connections.Switches().empty());
    const Lines events = other.connections.Events();
    EXPECT_EQ(Lines(events.end() - 4, events.end()),
              (Lines{"release Broken", "release enumeration", "release manager", "uninitialize"}));
}

TEST_F(AdapterRepairs, WithoutAManagerNothingIsSwitchedButThePausesStay) {
    machine.connections.AddConnection("LAN");
    machine.connections.FailManager();
    settings.RestartAdapters();
    EXPECT_TRUE(machine.connections.IsConnected("LAN"));
    EXPECT_EQ(machine.connections.Events(),
              (Lines{"initialize", "uninitialize", "initialize", "uninitialize"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));

    FakeWindows other;
    TNetworkSettings otherSettings{other.Os(), snapshot, regTexts};
    other.connections.FailEnumeration();
    otherSettings.DisableAdapters();
    EXPECT_EQ(other.connections.Events(),
              (Lines{"initialize", "create manager", "release manager", "uninitialize"}));
}

TEST_F(AdapterRepairs, Windows2000SkipsTheConnectionsEntirely) {
    machine.SetVersion(5, 0, "Service Pack 4");
    machine.connections.AddConnection("LAN");
    settings.RestartAdapters();
    EXPECT_TRUE(machine.connections.Events().empty());
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));
}

TEST_F(AdapterRepairs, RestartDisconnectsThenConnects) {
    machine.connections.AddConnection("LAN");
    settings.RestartAdapters();
    EXPECT_EQ(machine.connections.Switches(), (Lines{"disconnect LAN", "connect LAN"}));
}

TEST_F(AdapterRepairs, SettingsSnapshotRepeatsAnAdapterPerRecord) {
    machine.adapters.SetTable({
        Adapter("{A}", "Ethernet", true, "",
                {{"10.0.0.2", "255.0.0.0"}, {"10.0.0.3", "255.0.0.0"}}),
        Adapter("{B}", "Wireless", true, "", {{"0.0.0.0", "0.0.0.0"}}),
    });
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"10.0.0.1"});
    machine.registry.SetString(HKLM, KeyA, "Domain", "");
    machine.registry.SetMultiString(HKLM, KeyA, "IPAddress", {"10.0.0.2", "10.0.0.3"});
    settings.RefreshAdapters();
    settings.SaveAdapterSettings();
    const std::string block = "{A}\nEthernet\n10.0.0.1\n\n10.0.0.2\n10.0.0.3\n\n\n";
    // {B} has no interface key: only its two header lines.
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath),
              block + block + "{B}\nWireless\n");
    EXPECT_EQ(snapshot.SettingsSnapshotPath,
              machine.TempFolder() + "Ploverregkey2026_12_08_04_05_27.txt");
}

TEST_F(AdapterRepairs, SettingsSnapshotOfAnEmptyInventoryIsAnEmptyFile) {
    settings.SaveAdapterSettings();
    ASSERT_FALSE(snapshot.SettingsSnapshotPath.empty());
    EXPECT_TRUE(machine.files.HasFile(snapshot.SettingsSnapshotPath));
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath), "");
}

TEST_F(AdapterRepairs, RenewalRunsTheRefreshCommandsTenSecondsApart) {
    settings.RenewAddresses();
    EXPECT_EQ(machine.processes.CommandLines(), RefreshCommands);
    EXPECT_EQ(machine.clock.Pauses(), Pauses(6, 10000));
    EXPECT_TRUE(machine.LogLines().empty());
}

class SwitchToDhcp : public AdapterRepairs {
protected:
    SwitchToDhcp() {
        machine.adapters.SetTable({
            Adapter("{A}", "Ethernet", false, "", {{"10.0.0.2", "255.0.0.0"}}),
            Adapter("{B}", "Wireless", false, "", {{"0.0.0.0", "0.0.0.0"}}),
        });
        machine.connections.AddConnection("LAN");
    }
};

TEST_F(SwitchToDhcp, TurnsKeysWithEnableDhcpOverAndFindsTheGateway) {
    machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"10.0.0.1"});
    machine.registry.SetMultiString(HKLM, KeyA, "IPAddress", {"10.0.0.2"});
    // {B} has no EnableDHCP: left alone, its static gateway stays.
    machine.registry.SetMultiString(HKLM, KeyB, "DefaultGateway", {"10.9.9.9"});
    // The renewal brings a gateway.
    machine.processes.Program("cmd.exe /c ipconfig /renew").effect = [&] {
        machine.adapters.SetTable(
            {Adapter("{A}", "Ethernet", true, "10.0.0.1", {{"10.0.0.2", "255.0.0.0"}})});
    };
    settings.SwitchToDhcp();

    const auto enable = machine.registry.Value(HKLM, KeyA, "EnableDHCP");
    ASSERT_TRUE(enable);
    EXPECT_EQ(enable->type, RegistryValueType::Dword);
    EXPECT_EQ(enable->data, std::string("\x01\x00\x00\x00", 4));
    EXPECT_FALSE(machine.registry.Value(HKLM, KeyA, "DefaultGateway"));
    EXPECT_TRUE(machine.registry.Value(HKLM, KeyA, "IPAddress"));
    EXPECT_FALSE(machine.registry.Value(HKLM, KeyB, "EnableDHCP"));
    EXPECT_TRUE(machine.registry.Value(HKLM, KeyB, "DefaultGateway"));

    EXPECT_EQ(machine.connections.Switches(), (Lines{"disconnect LAN", "connect LAN"}));
    EXPECT_EQ(machine.processes.CommandLines(), RefreshCommands);
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "enabledhcp on adapter {A}",
                                      "adapters count: 1",
                                      "enabledhcp  gateway found:  10.0.0.1",
                                      "enabledhcp gateway found True",
                                  }));
    Pauses expected{10, 10, 10, 10, 1000, 2000};
    expected.insert(expected.end(), 6, 10000);
    expected.insert(expected.end(), {10000, 1000, 10, 10, 10, 10, 1000});
    EXPECT_EQ(machine.clock.Pauses(), expected);
}

TEST_F(SwitchToDhcp, WithoutEnableDhcpNothingChangesAndTwentyAttemptsPass) {
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"10.0.0.1"});
    settings.SwitchToDhcp();
    EXPECT_TRUE(machine.registry.Value(HKLM, KeyA, "DefaultGateway"));
    EXPECT_FALSE(machine.registry.Value(HKLM, KeyA, "EnableDHCP"));
    EXPECT_EQ(machine.connections.Switches(), (Lines{"disconnect LAN", "connect LAN"}));
    EXPECT_EQ(machine.LogLines(), (Lines{"adapters count: 2", "enabledhcp gateway found False"}));
    const Pauses pauses = machine.clock.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 1000u), 1 + 1 + 20);
    // The twenty refreshes of two adapters with one record each.
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 10u), 4 * (1 + 1 + 20));
}

TEST_F(SwitchToDhcp, AKeyWithoutWriteAccessIsSkipped) {
    machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"10.0.0.1"});
    machine.registry.DenyWrites(HKLM);
    settings.SwitchToDhcp();
    EXPECT_EQ(machine.registry.Value(HKLM, KeyA, "EnableDHCP")->data,
              std::string("\x00\x00\x00\x00", 4));
    EXPECT_TRUE(machine.registry.Value(HKLM, KeyA, "DefaultGateway"));
    EXPECT_EQ(machine.LogLines().back(), "enabledhcp gateway found False");
}

TEST_F(SwitchToDhcp, PutBackWritesEachChangedValueAsItWasAndRestartsTheConnections) {
    // {A}: static, with two gateways; {B}: DHCP already, no static gateway.
    machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"10.0.0.1", "10.0.0.254"});
    machine.registry.SetDword(HKLM, KeyB, "EnableDHCP", 1);
    const auto gatewayBefore = machine.registry.Value(HKLM, KeyA, "DefaultGateway");
    settings.SwitchToDhcp();
    // A second switch before the first is settled changes nothing further.
    settings.SwitchToDhcp();
    EXPECT_TRUE(settings.DhcpSwitchPending());
    machine.clock.ClearPauses();
    machine.connections.AddConnection("Wireless");
    const size_t logged = machine.LogLines().size();

    settings.PutBackDhcpSwitch();
    EXPECT_FALSE(settings.DhcpSwitchPending());
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 0u);
    const auto gatewayAfter = machine.registry.Value(HKLM, KeyA, "DefaultGateway");
    ASSERT_TRUE(gatewayAfter);
    EXPECT_EQ(gatewayAfter->type, gatewayBefore->type);
    EXPECT_EQ(gatewayAfter->data, gatewayBefore->data);
    // {B} was not changed by the switch, so nothing of it is written back.
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyB, "EnableDHCP"), 1u);
    EXPECT_FALSE(machine.registry.Value(HKLM, KeyB, "DefaultGateway"));
    const Lines log = machine.LogLines();
    EXPECT_EQ(Lines(log.begin() + static_cast<std::ptrdiff_t>(logged), log.end()),
              (Lines{"put back interface settings {A}"}));
    const Lines switches = machine.connections.Switches();
    EXPECT_EQ(Lines(switches.end() - 4, switches.end()),
              (Lines{"disconnect LAN", "disconnect Wireless", "connect LAN", "connect Wireless"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));
    EXPECT_FALSE(snapshot.InterfaceValuesChanged);

    // Settled: a later put-back has nothing to do.
    settings.PutBackDhcpSwitch();
    EXPECT_EQ(machine.LogLines().size(), log.size());
}

TEST_F(SwitchToDhcp, AKeptSwitchStaysAndKeepsTheSnapshot) {
    machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
    settings.SwitchToDhcp();
    settings.KeepDhcpSwitch();
    EXPECT_FALSE(settings.DhcpSwitchPending());
    EXPECT_TRUE(snapshot.InterfaceValuesChanged);
    settings.PutBackDhcpSwitch();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 1u);

    // A switch that changed nothing leaves nothing to keep.
    SettingsSnapshot fresh;
    TNetworkSettings again{machine.Os(), fresh, regTexts};
    again.SwitchToDhcp();
    EXPECT_FALSE(again.DhcpSwitchPending());
    again.KeepDhcpSwitch();
    EXPECT_FALSE(fresh.InterfaceValuesChanged);
}

}  // namespace
}  // namespace plover
