// The repairs touch only the line under repair: the DHCP switch leaves an
// adapter beside it alone, the connection pass leaves off what was off and
// never dials or hangs up a dialled line, and what they change is in the
// journal until settled.
#include <gtest/gtest.h>

#include <algorithm>

#include "netsettings/NetworkSettings.h"
#include "system/RegistryHelpers.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;

const std::string KeyLine = std::string(InterfacesKeyPath) + "{L}";
const std::string KeyHostOnly = std::string(InterfacesKeyPath) + "{H}";
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

struct LineUnderRepair : ::testing::Test {
    LineUnderRepair() {
        machine.registry.SetDword(HKLM, KeyLine, "EnableDHCP", 0);
        machine.registry.SetMultiString(HKLM, KeyLine, "DefaultGateway", {"192.168.1.1"});
        machine.registry.SetMultiString(HKLM, KeyLine, "IPAddress", {"192.168.1.10"});
        machine.registry.SetDword(HKLM, KeyHostOnly, "EnableDHCP", 0);
        machine.registry.SetMultiString(HKLM, KeyHostOnly, "DefaultGateway", {});
        machine.registry.SetMultiString(HKLM, KeyHostOnly, "IPAddress", {"192.168.56.1"});
        machine.adapters.SetTable(
            {Adapter("{L}", "Ethernet", false, "192.168.1.1", {{"192.168.1.10", "255.255.255.0"}}),
             Adapter("{H}", "Host-Only", false, "", {{"192.168.56.1", "255.255.255.0"}})});
        machine.connections.AddConnection("Local Area Connection");
    }
    std::string HostOnlyBytes(const std::string& name) const {
        const auto value = machine.registry.Value(HKLM, KeyHostOnly, name);
        return value ? std::to_string(static_cast<int>(value->type)) + ":" + value->data : "-";
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    MachineChanges changes{machine.Os(), snapshot, regTexts};
    TNetworkSettings settings{machine.Os(), snapshot, regTexts, changes};
};

TEST_F(LineUnderRepair, TheSwitchChangesOnlyTheAdapterThatCarriesTheGateway) {
    const std::string dhcpBefore = HostOnlyBytes("EnableDHCP");
    const std::string gatewayBefore = HostOnlyBytes("DefaultGateway");
    EXPECT_EQ(settings.LineUnderRepair(), (Lines{"{L}"}));
    settings.SwitchToDhcp();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 1u);
    EXPECT_FALSE(machine.registry.Value(HKLM, KeyLine, "DefaultGateway"));
    EXPECT_EQ(HostOnlyBytes("EnableDHCP"), dhcpBefore);
    EXPECT_EQ(HostOnlyBytes("DefaultGateway"), gatewayBefore);
    EXPECT_TRUE(settings.DhcpSwitchPending());
    EXPECT_TRUE(JournalHoldsEntries(machine.Os()));

    // Kept: the line stays switched, the host-only adapter as it was.
    settings.RefreshAdapters();  // as the stage's check reads them
    settings.KeepDhcpSwitch();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 1u);
    EXPECT_EQ(HostOnlyBytes("EnableDHCP"), dhcpBefore);
    EXPECT_TRUE(snapshot.InterfaceValuesChanged);
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));
}

TEST_F(LineUnderRepair, ADhcpAdapterIsOnTheLineAndWithoutAnyGatewayEveryAdapterIs) {
    machine.adapters.SetTable(
        {Adapter("{L}", "Wireless", true, "", {{"0.0.0.0", "0.0.0.0"}}),
         Adapter("{H}", "Host-Only", false, "", {{"192.168.56.1", "255.255.255.0"}})});
    EXPECT_EQ(settings.LineUnderRepair(), (Lines{"{L}"}));
    // The line's static gateway was lost from the adapter but not the key.
    machine.adapters.SetTable(
        {Adapter("{L}", "Ethernet", false, "", {{"192.168.1.10", "255.255.255.0"}}),
         Adapter("{H}", "Host-Only", false, "", {{"192.168.56.1", "255.255.255.0"}})});
    EXPECT_EQ(settings.LineUnderRepair(), (Lines{"{L}"}));
    machine.registry.SetMultiString(HKLM, KeyLine, "DefaultGateway", {});
    EXPECT_EQ(settings.LineUnderRepair(), (Lines{"{L}", "{H}"}));
}

TEST_F(LineUnderRepair, WhenNoAdapterHadAGatewayOnlyTheOneThatGotOneKeepsTheSwitch) {
    machine.registry.SetMultiString(HKLM, KeyLine, "DefaultGateway", {});
    machine.adapters.SetTable(
        {Adapter("{L}", "Ethernet", false, "", {{"192.168.1.10", "255.255.255.0"}}),
         Adapter("{H}", "Host-Only", false, "", {{"192.168.56.1", "255.255.255.0"}})});
    const std::string dhcpBefore = HostOnlyBytes("EnableDHCP");
    settings.SwitchToDhcp();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyHostOnly, "EnableDHCP"), 1u);
    // DHCP gave the line its gateway: the host-only adapter goes back.
    machine.adapters.SetTable(
        {Adapter("{L}", "Ethernet", true, "192.168.1.1", {{"192.168.1.20", "255.255.255.0"}}),
         Adapter("{H}", "Host-Only", true, "", {{"169.254.3.3", "255.255.0.0"}})});
    settings.RefreshAdapters();  // as the stage's check reads them
    settings.KeepDhcpSwitch();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 1u);
    EXPECT_EQ(HostOnlyBytes("EnableDHCP"), dhcpBefore);
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines.back(), "put back interface settings {H}");
}

TEST_F(LineUnderRepair, APutBackRestoresTheLineAndTheJournalEmpties) {
    const auto gateway = machine.registry.Value(HKLM, KeyLine, "DefaultGateway");
    settings.SwitchToDhcp();
    settings.SwitchToDhcp();  // a second switch finds nothing more to record
    settings.PutBackDhcpSwitch();
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 0u);
    EXPECT_EQ(machine.registry.Value(HKLM, KeyLine, "DefaultGateway")->data, gateway->data);
    EXPECT_FALSE(settings.DhcpSwitchPending());
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
    const Lines lines = machine.LogLines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "put back interface settings {L}"), 1);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "enabledhcp on adapter {L}"), 2);
}

TEST_F(LineUnderRepair, ASwitchCutOffByTheProcessEndIsPutBackAtTheNextStart) {
    const auto gateway = machine.registry.Value(HKLM, KeyLine, "DefaultGateway");
    // The process ends right as the connection goes off, in mid-switch.
    struct ProcessEnded {};
    machine.connections.onSwitch = [](const std::string&, bool on) {
        if (!on) throw ProcessEnded{};
    };
    EXPECT_THROW(settings.SwitchToDhcp(), ProcessEnded);
    machine.connections.onSwitch = nullptr;
    EXPECT_FALSE(machine.connections.IsConnected("Local Area Connection"));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 1u);

    MachineChanges next{machine.Os(), snapshot, regTexts};
    EXPECT_EQ(next.RecoverUnfinishedRun(), 3);
    EXPECT_TRUE(machine.connections.IsConnected("Local Area Connection"));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyLine, "EnableDHCP"), 0u);
    EXPECT_EQ(machine.registry.Value(HKLM, KeyLine, "DefaultGateway")->data, gateway->data);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
}

TEST_F(LineUnderRepair, TheConnectionPassLeavesOffWhatWasOffAndNeverDials) {
    machine.connections.AddConnection("Switched off").connected = false;
    machine.connections.AddConnection("Office VPN").media = ConnectionMedia::Dialled;
    auto& modem = machine.connections.AddConnection("Modem");
    modem.media = ConnectionMedia::Dialled;
    modem.connected = false;
    settings.RestartAdapters();
    EXPECT_EQ(machine.connections.Switches(),
              (Lines{"disconnect Local Area Connection", "connect Local Area Connection"}));
    EXPECT_FALSE(machine.connections.IsConnected("Switched off"));
    EXPECT_TRUE(machine.connections.IsConnected("Office VPN"));
    EXPECT_FALSE(machine.connections.IsConnected("Modem"));
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));

    // An "enable" pass with nothing switched off by this program switches
    // nothing on.
    settings.EnableAdapters();
    EXPECT_EQ(machine.connections.Switches().size(), 2u);
}

}  // namespace
}  // namespace plover
