#include <gtest/gtest.h>

#include "netsettings/NetworkSettings.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using Pauses = std::vector<uint32_t>;

class AdapterInventory : public ::testing::Test {
protected:
    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
};

TEST_F(AdapterInventory, OneRecordPerAddressInTableOrderWithPausesPerRecordAndAdapter) {
    machine.adapters.SetTable({
        Adapter("{A}", "Ethernet", true, "192.168.1.1",
                {{"192.168.1.10", "255.255.255.0"}, {"10.1.2.3", "255.0.0.0"}}),
        Adapter("{B}", "Wireless", false, "0.0.0.0", {{"169.254.3.7", "255.255.0.0"}}),
        Adapter("{C}", "Modem", false, "", {{"0.0.0.0", "0.0.0.0"}}),
    });
    EXPECT_TRUE(settings.FindAdapters());
    ASSERT_EQ(settings.Count(), 4);

    const AdapterDetails& first = settings.Adapter(0);
    EXPECT_EQ(first.AdapterName, "{A}");
    EXPECT_EQ(first.Description, "Ethernet");
    EXPECT_EQ(first.IpAddress, "192.168.1.10");
    EXPECT_EQ(first.IpMask, "255.255.255.0");
    EXPECT_EQ(first.Gateway, "192.168.1.1");
    EXPECT_TRUE(first.DhcpEnabled);
    EXPECT_TRUE(first.IpValid);
    EXPECT_TRUE(first.GatewayValid);

    const AdapterDetails& second = settings.Adapter(1);
    EXPECT_EQ(second.AdapterName, "{A}");
    EXPECT_EQ(second.Description, "Ethernet");
    EXPECT_EQ(second.Gateway, "192.168.1.1");
    EXPECT_EQ(second.IpAddress, "10.1.2.3");
    EXPECT_EQ(second.IpMask, "255.0.0.0");

    EXPECT_FALSE(settings.Adapter(2).IpValid);
    EXPECT_FALSE(settings.Adapter(2).GatewayValid);
    EXPECT_FALSE(settings.Adapter(2).DhcpEnabled);
    EXPECT_FALSE(settings.Adapter(3).IpValid);
    EXPECT_FALSE(settings.Adapter(3).GatewayValid);

    // 10 ms after each record, another 10 ms after each adapter.
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{10, 10, 10, 10, 10, 10, 10}));
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"adapters found  4"}));
    EXPECT_TRUE(settings.HasValidAddress());
}

TEST_F(AdapterInventory, NoAdapterLogsZeroAndFindsNoAddress) {
    EXPECT_FALSE(settings.FindAdapters());
    EXPECT_FALSE(settings.HasValidAddress());
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"adapters found  0"}));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

TEST_F(AdapterInventory, OnlyUnusableAddressesGiveNoValidAddress) {
    machine.adapters.SetTable({
        Adapter("{A}", "Ethernet", true, "", {{"169.254.1.1", "255.255.0.0"}}),
        Adapter("{B}", "Wireless", true, "", {{"0.0.0.0", "0.0.0.0"}}),
    });
    EXPECT_FALSE(settings.HasValidAddress());
    EXPECT_EQ(settings.Count(), 2);
    // HasValidAddress writes nothing to the log.
    EXPECT_TRUE(machine.LogLines().empty());
}

TEST_F(AdapterInventory, EveryRefreshReplacesTheListEvenWithAnEmptyOne) {
    settings.RefreshAdapters();
    EXPECT_EQ(settings.Count(), 0);
    machine.adapters.SetTable({Adapter("{A}", "Ethernet", true, "", {{"10.0.0.2", "255.0.0.0"}})});
    settings.RefreshAdapters();
    EXPECT_EQ(settings.Count(), 1);
    machine.adapters.SetTable({});
    settings.RefreshAdapters();
    EXPECT_EQ(settings.Count(), 0);
}

TEST_F(AdapterInventory, AnyFailureOfTheTableLeavesAnEmptyList) {
    machine.adapters.SetTable({Adapter("{A}", "Ethernet", true, "", {{"10.0.0.2", "255.0.0.0"}})});
    ASSERT_TRUE(settings.FindAdapters());

    // The size probe answers anything but "buffer too small".
    machine.adapters.FailProbe(AdapterTableResult::Success);
    EXPECT_FALSE(settings.FindAdapters());

    // The read fails: out of memory, or the table grew in between.
    FakeWindows other;
    TNetworkSettings otherSettings{other.Os(), snapshot, regTexts};
    other.adapters.SetTable({Adapter("{A}", "Ethernet", true, "", {{"10.0.0.2", "255.0.0.0"}})});
    other.adapters.FailRead(AdapterTableResult::OutOfMemory);
    EXPECT_FALSE(otherSettings.FindAdapters());
    other.adapters.FailRead(AdapterTableResult::BufferOverflow);
    EXPECT_FALSE(otherSettings.HasValidAddress());
    EXPECT_EQ(otherSettings.Count(), 0);
}

}  // namespace
}  // namespace plover
