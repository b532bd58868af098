// The registry gateway lookups over Wine's real registry, with the interface
// keys of the "full" lab namespace's adapters (Wine makes none of its own).
#include <gtest/gtest.h>

#include "netsettings/NetworkSettings.h"
#include "system/RegistryHelpers.h"
#include "tests/wine/lab/LabMachine.h"

namespace plover {
namespace {

using Lines = std::vector<std::string>;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

std::string MultiString(const std::vector<std::string>& strings) {
    std::string data;
    for (const auto& s : strings) data += s + std::string(1, '\0');
    return data + std::string(1, '\0');
}

class GatewayLookupsLab : public ::testing::Test {
protected:
    void SetUp() override {
        PLOVER_REQUIRE_LAB("full");
        settings.RefreshAdapters();
        ASSERT_EQ(settings.Count(), 4);
        plv0 = InterfacesKeyPath + settings.Adapter(0).AdapterName;
        plv1 = InterfacesKeyPath + settings.Adapter(2).AdapterName;
        plv2 = InterfacesKeyPath + settings.Adapter(3).AdapterName;
        for (const auto* path : {&plv0, &plv1, &plv2}) {
            ASSERT_TRUE(machine.os.registry.OpenKey(HKLM, *path, RegistryAccess::AllAccess, true));
        }
    }
    void TearDown() override {
        for (const auto* path : {&plv0, &plv1, &plv2}) {
            if (!path->empty()) machine.os.registry.DeleteKey(HKLM, *path);
        }
    }
    void Set(const std::string& path, const char* name, RegistryValueType type,
             const std::string& data) {
        auto key = machine.os.registry.OpenKey(HKLM, path, RegistryAccess::AllAccess, false);
        ASSERT_TRUE(key);
        ASSERT_TRUE(key->WriteValue(name, type, data));
    }

    lab::LabMachine machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.os, snapshot, regTexts};
    std::string plv0, plv1, plv2;
};

TEST_F(GatewayLookupsLab, RegistryGatewayPassesOverMissingUnsetAndWrongTypedValues) {
    // plv0: no DHCP gateway; plv1: "0.0.0.0"; plv2: two entries, the whole
    // value is the answer.
    Set(plv1, "DhcpDefaultGateway", RegistryValueType::MultiString, MultiString({"0.0.0.0"}));
    Set(plv2, "DhcpDefaultGateway", RegistryValueType::MultiString,
        MultiString({"10.77.0.1", "10.77.0.2"}));
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "10.77.0.1\n10.77.0.2");
    EXPECT_EQ(machine.NewLogLines(), (Lines{
                                         "get gateway from registry ",
                                         "gateway from registry" + plv0 + " not exist",
                                         "gateway from registry" + plv0 + " not exist",
                                         "gateway from registry" + plv2 + " ret",
                                         "get gateway from registry:  10.77.0.1\n10.77.0.2",
                                     }));
    const auto pauses = machine.clock.Pauses();
    EXPECT_EQ(std::count(pauses.begin(), pauses.end(), 3000u), 2);

    // A plain string where a list belongs reads as no gateway.
    Set(plv2, "DhcpDefaultGateway", RegistryValueType::String, std::string("10.77.0.1") + '\0');
    EXPECT_EQ(settings.GetGatewayFromRegistry(), "");
}

TEST_F(GatewayLookupsLab, InterfaceKeyOfTheAdapterWithTheDefaultRoute) {
    EXPECT_EQ(settings.FindGatewayInterfaceKey(), plv0);
    EXPECT_EQ(machine.NewLogLines(),
              (Lines{"read registry key for gateway ", "adapter " + settings.Adapter(0).AdapterName,
                     "returned registry key for gateway:  " + plv0}));
}

}  // namespace
}  // namespace plover
