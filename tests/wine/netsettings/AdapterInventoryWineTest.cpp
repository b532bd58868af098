// The adapter inventory and the connection switching on the real Win32
// layer, inside the lab namespaces of tests/lab/labs.sh netsettings:
//   "full": plv0 10.77.0.10/24 and 10.77.0.11/24, default route via 10.77.0.1;
//           plv1 169.254.9.9/16; plv2 up, without an address
//   "bare": loopback only
#include <gtest/gtest.h>

#include "netsettings/NetworkSettings.h"
#include "tests/wine/lab/LabMachine.h"

namespace plover {
namespace {

using Lines = std::vector<std::string>;

class AdapterInventoryLab : public ::testing::Test {
protected:
    lab::LabMachine machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.os, snapshot, regTexts};
};

std::vector<const AdapterDetails*> RecordsOf(const TNetworkSettings& settings,
                                             const std::string& description) {
    std::vector<const AdapterDetails*> records;
    for (const AdapterDetails& record : settings.Adapters()) {
        if (record.Description == description) records.push_back(&record);
    }
    return records;
}

TEST_F(AdapterInventoryLab, RecordsMatchTheNamespacesInterfaces) {
    PLOVER_REQUIRE_LAB("full");
    ASSERT_TRUE(settings.FindAdapters());
    for (const AdapterDetails& record : settings.Adapters()) {
        GTEST_LOG_(INFO) << record.AdapterName << " | " << record.Description << " | "
                         << record.IpAddress << " / " << record.IpMask << " gw " << record.Gateway
                         << " dhcp " << record.DhcpEnabled;
    }
    ASSERT_EQ(settings.Count(), 4);
    EXPECT_EQ(machine.NewLogLines(), (Lines{"adapters found  4"}));

    const auto plain = RecordsOf(settings, "plv0");
    ASSERT_EQ(plain.size(), 2u);
    EXPECT_EQ(plain[0]->IpAddress, "10.77.0.10");
    EXPECT_EQ(plain[1]->IpAddress, "10.77.0.11");
    for (const AdapterDetails* record : plain) {
        EXPECT_EQ(record->IpMask, "255.255.255.0");
        EXPECT_EQ(record->Gateway, "10.77.0.1");
        EXPECT_EQ(record->AdapterName, plain[0]->AdapterName);
        EXPECT_EQ(record->AdapterName.front(), '{');
        EXPECT_TRUE(record->IpValid);
        EXPECT_TRUE(record->GatewayValid);
    }

    const auto selfAssigned = RecordsOf(settings, "plv1");
    ASSERT_EQ(selfAssigned.size(), 1u);
    EXPECT_EQ(selfAssigned[0]->IpAddress, "169.254.9.9");
    EXPECT_EQ(selfAssigned[0]->IpMask, "255.255.0.0");
    EXPECT_FALSE(selfAssigned[0]->IpValid);
    // Only the adapter that carries the default route has a gateway.
    EXPECT_EQ(selfAssigned[0]->Gateway, "0.0.0.0");
    EXPECT_FALSE(selfAssigned[0]->GatewayValid);

    const auto bare = RecordsOf(settings, "plv2");
    ASSERT_EQ(bare.size(), 1u);
    EXPECT_EQ(bare[0]->IpAddress, "0.0.0.0");
    EXPECT_FALSE(bare[0]->IpValid);
    EXPECT_FALSE(bare[0]->GatewayValid);

    EXPECT_TRUE(settings.HasValidAddress());
    // Each refresh: 10 ms per record (4) and per adapter (3).
    EXPECT_EQ(machine.clock.Pauses(), std::vector<uint32_t>(2 * 7, 10));
}

// Loopback alone is no adapter: the size probe answers "no data".
TEST_F(AdapterInventoryLab, LoopbackOnlyGivesAnEmptyInventory) {
    PLOVER_REQUIRE_LAB("bare");
    EXPECT_EQ(machine.os.adapters.ProbeSize(4).result, AdapterTableResult::NoData);
    EXPECT_FALSE(settings.FindAdapters());
    EXPECT_FALSE(settings.HasValidAddress());
    EXPECT_EQ(machine.NewLogLines(), (Lines{"adapters found  0"}));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

// Wine registers no connection manager: the repairs switch nothing, keep
// their pauses, and leave the thread's component library as they found it.
TEST_F(AdapterInventoryLab, WithoutAConnectionManagerTheRestartOnlyPauses) {
    PLOVER_REQUIRE_LAB("full");
    ASSERT_FALSE(machine.os.connections.CreateManager());
    settings.RestartAdapters();
    settings.ControlConnections("");
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{1000, 2000}));
    EXPECT_TRUE(machine.NewLogLines().empty());
    ASSERT_FALSE(machine.os.connections.CreateManager());
}

}  // namespace
}  // namespace plover
