#include <gtest/gtest.h>

#include <cstdlib>

#include "netsettings/NetworkSettings.h"
#include "platform/win32/Win32AdapterTable.h"
#include "platform/win32/Win32NetworkConnections.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

// Runs only inside the namespaces that tests/lab/inventory-lab.sh builds,
// which names its layout in PLOVER_INVENTORY_LAB:
//   "full":  plv0 10.77.0.10/24 and 10.77.0.11/24, default route via 10.77.0.1;
//            plv1 169.254.9.9/16; plv2 up, no address
//   "empty": loopback only
class AdapterInventoryLab : public ::testing::Test {
protected:
    static bool InLayout(const std::string& layout) {
        const char* current = std::getenv("PLOVER_INVENTORY_LAB");
        return current && layout == current;
    }

    standin::FakeWindows machine;
    win32::Win32AdapterTable adapters;
    win32::Win32NetworkConnections connections;
    const Platform os{machine.clock,     machine.debug,  machine.files, machine.registry,
                      machine.processes, machine.system, adapters,      connections};
    SettingsSnapshot snapshot;
    TNetworkSettings settings{os, snapshot};
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
    if (!InLayout("full")) GTEST_SKIP() << "needs the full namespace of tests/lab/inventory-lab.sh";
    ASSERT_TRUE(settings.FindAdapters());
    for (const AdapterDetails& record : settings.Adapters()) {
        GTEST_LOG_(INFO) << record.AdapterName << " | " << record.Description << " | "
                         << record.IpAddress << " / " << record.IpMask << " gw " << record.Gateway
                         << " dhcp " << record.DhcpEnabled;
    }
    EXPECT_EQ(machine.LogLines(),
              (std::vector<std::string>{"adapters found  " + std::to_string(settings.Count())}));

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
    // 10 ms per record and per adapter.
    const auto pauses = machine.clock.Pauses();
    EXPECT_EQ(pauses.size(), 2u * (settings.Adapters().size() + 3u));
}

// Loopback alone is no adapter: the size probe answers "no data".
TEST_F(AdapterInventoryLab, LoopbackOnlyGivesAnEmptyInventory) {
    if (!InLayout("empty"))
        GTEST_SKIP() << "needs the bare namespace of tests/lab/inventory-lab.sh";
    EXPECT_EQ(adapters.ProbeSize(4).result, AdapterTableResult::NoData);
    EXPECT_FALSE(settings.FindAdapters());
    EXPECT_FALSE(settings.HasValidAddress());
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"adapters found  0"}));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

}  // namespace
}  // namespace plover
