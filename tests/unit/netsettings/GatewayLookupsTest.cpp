#include <gtest/gtest.h>

#include <algorithm>

#include "netsettings/NetworkSettings.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

const std::string KeyA = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A}";
const std::string KeyB = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{B}";
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

class GatewayLookups : public ::testing::Test {
protected:
    // Two adapters whose table shows no gateway, so the registry decides.
    GatewayLookups() {
        machine.adapters.SetTable({
            Adapter("{A}", "Ethernet", true, "", {{"192.168.1.10", "255.255.255.0"}}),
            Adapter("{B}", "Wireless", true, "0.0.0.0", {{"10.0.0.5", "255.0.0.0"}}),
        });
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
};

TEST_F(GatewayLookups, RegistryGatewayIsEmptyWhenNoKeyHasADhcpGateway) {
    machine.registry.CreateKey(HKLM, KeyA);
    machine.registry.CreateKey(HKLM, KeyB);
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "");
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "get gateway from registry ",
                                      "gateway from registry" + KeyA + " not exist",
                                      "gateway from registry" + KeyB + " not exist",
                                      "get gateway from registry:  ",
                                  }));
    // The refresh, then 3 s for each key that opens.
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{10, 10, 10, 10, 3000, 3000}));
}

TEST_F(GatewayLookups, RegistryGatewaySkipsMissingKeysAndUnusableValues) {
    // {A} has no key at all: skipped silently and without a pause.
    machine.registry.SetMultiString(HKLM, KeyB, "DhcpDefaultGateway", {"0.0.0.0"});
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "");
    EXPECT_EQ(machine.LogLines(),
              (Lines{"get gateway from registry ", "get gateway from registry:  "}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{10, 10, 10, 10}));
}

TEST_F(GatewayLookups, RegistryGatewayTakesTheFirstUsableWholeValue) {
    machine.registry.SetMultiString(HKLM, KeyA, "DhcpDefaultGateway",
                                    {"192.168.1.1", "192.168.1.2"});
    machine.registry.SetMultiString(HKLM, KeyB, "DhcpDefaultGateway", {"10.0.0.1"});
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "192.168.1.1\n192.168.1.2");
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "get gateway from registry ",
                                      "gateway from registry" + KeyA + " ret",
                                      "get gateway from registry:  192.168.1.1\n192.168.1.2",
                                  }));
}

TEST_F(GatewayLookups, RegistryGatewayOfTheWrongTypeOrEmptyIsPassedOver) {
    machine.registry.SetString(HKLM, KeyA, "DhcpDefaultGateway", "192.168.1.1");
    machine.registry.SetMultiString(HKLM, KeyB, "DhcpDefaultGateway", {});
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "");
    machine.registry.SetDword(HKLM, KeyA, "DhcpDefaultGateway", 7);
    machine.registry.SetRaw(HKLM, KeyB, "DhcpDefaultGateway", RegistryValueType::MultiString, "");
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "");
}

TEST_F(GatewayLookups, InterfaceKeyOfTheFirstRecordWithAUsableTableGateway) {
    machine.adapters.SetTable({
        Adapter("{A}", "Ethernet", true, "", {{"192.168.1.10", "255.255.255.0"}}),
        Adapter("{B}", "Wireless", true, "10.0.0.1", {{"10.0.0.5", "255.0.0.0"}}),
    });
    machine.registry.CreateKey(HKLM, KeyA);
    EXPECT_EQ(settings.FindGatewayInterfaceKey(), KeyB);
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "read registry key for gateway ",
                                      "adapter {A}",
                                      "open reg key name " + KeyA,
                                      "gateway values not exist ",
                                      "reading dhcp default gateway from registry ",
                                      "dhcp default gateway not exist ",
                                      "adapter {B}",
                                      "returned registry key for gateway:  " + KeyB,
                                  }));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{10, 10, 10, 10, 100}));
}

TEST_F(GatewayLookups, InterfaceKeyFromStaticOrDhcpGatewayOfTheLastRecord) {
    machine.adapters.SetTable(
        {Adapter("{A}", "Ethernet", true, "", {{"192.168.1.10", "255.255.255.0"}})});
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"0.0.0.0"});
    machine.registry.SetMultiString(HKLM, KeyA, "DhcpDefaultGateway", {"192.168.1.1"});
    EXPECT_EQ(settings.FindGatewayInterfaceKey(), KeyA);
    EXPECT_EQ(machine.LogLines(), (Lines{
                                      "read registry key for gateway ",
                                      "adapter {A}",
                                      "open reg key name " + KeyA,
                                      "reading gateway from registry ",
                                      "reading dhcp default gateway from registry ",
                                      "reading default gateway from registry ",
                                      "reading dhcp default gateway from registry 192.168.1.1",
                                      "returned registry key for gateway:  " + KeyA,
                                  }));

    FakeWindows other;
    TNetworkSettings otherSettings{other.Os(), snapshot, regTexts};
    other.adapters.SetTable(machine.adapters.Table());
    other.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"192.168.1.254"});
    EXPECT_EQ(otherSettings.FindGatewayInterfaceKey(), KeyA);
    EXPECT_EQ(other.LogLines(), (Lines{
                                    "read registry key for gateway ",
                                    "adapter {A}",
                                    "open reg key name " + KeyA,
                                    "reading gateway from registry ",
                                    "reading gateway from registry 192.168.1.254",
                                    "returned registry key for gateway:  " + KeyA,
                                }));
}

TEST_F(GatewayLookups, InterfaceKeyGivesUpAfterAHundredAttempts) {
    // {A}'s static gateway is found, but {B} comes last and has none, so each
    // attempt ends on "retry"; keys that do not open leave the result alone.
    machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {"192.168.1.1"});
    machine.registry.SetString(HKLM, KeyB, "DhcpDefaultGateway", "10.0.0.1");
    EXPECT_EQ(settings.FindGatewayInterfaceKey(), "retry");
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines.back(), "returned registry key for gateway:  retry");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "adapter {A}"), 100);
    // The wrong-typed value reads as empty, which is no gateway.
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "reading dhcp default gateway from registry "),
              200);
    const Pauses pauses = machine.clock.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 100u), 100);
    EXPECT_EQ(pauses.size(), 104u);  // the one refresh and the hundred attempts

    FakeWindows bare;
    TNetworkSettings bareSettings{bare.Os(), snapshot, regTexts};
    bare.adapters.SetTable(machine.adapters.Table());
    EXPECT_EQ(bareSettings.FindGatewayInterfaceKey(), "retry");
    const Lines bareLines = bare.LogLines();
    EXPECT_EQ(std::count(bareLines.begin(), bareLines.end(), "not opened reg key name " + KeyB),
              100);
}

}  // namespace
}  // namespace plover
