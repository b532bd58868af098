#include <gtest/gtest.h>

#include "app/PingService.h"
#include "checks/IspSettings.h"
#include "checks/LocalConnection.h"
#include "tests/standin/FakeWindows.h"
#include "tests/support/LogLines.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using testing::WithSubnetTestsCollapsed;
using Lines = std::vector<std::string>;

// The checks over the real ping service, echo answered per address.
class ConnectivityChecks : public ::testing::Test {
protected:
    // The inventory the checks read, as the last refresh left it.
    void Inventory(std::vector<AdapterEntry> table) {
        machine.adapters.SetTable(std::move(table));
        settings.RefreshAdapters();
        machine.clock.ClearPauses();
    }
    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    PingService ping{machine.Os()};
    TLocalConnection local{machine.Os(), settings, ping};
    TISPSettings isp{machine.Os(), ping};
};

TEST_F(ConnectivityChecks, EveryQualifyingRecordIsPingedEvenAfterASuccess) {
    Inventory({Adapter("{A}", "Ethernet", true, "10.0.0.1",
                       {{"10.0.0.2", "255.0.0.0"}, {"169.254.1.1", "255.255.0.0"}}),
               Adapter("{B}", "Wireless", true, "0.0.0.0", {{"10.1.0.2", "255.255.0.0"}}),
               Adapter("{C}", "Modem", true, "10.2.0.1", {{"10.2.0.2", "255.255.0.0"}})});
    machine.sockets.AnswerEcho("10.0.0.2");
    machine.sockets.AnswerEcho("10.2.0.1");
    EXPECT_TRUE(local.PingLocalAddress());
    EXPECT_TRUE(local.PingGateway());
    EXPECT_EQ(
        machine.LogLines(),
        (Lines{
            "checking local IP address ping on IP address", "ping host: 10.0.0.2 ping rezult:0",
            "ping host: 10.1.0.2 ping rezult:2", "ping host: 10.1.0.2 ping rezult: 2",
            "ping host: 10.2.0.2 ping rezult:2", "ping host: 10.2.0.2 ping rezult: 2",
            "checking gateway ping on gateway",
            // {A} has two records: its gateway is pinged twice.
            "adapter name: Ethernet ping gateway:  10.0.0.1", "ping host: 10.0.0.1 ping rezult:2",
            "ping host: 10.0.0.1 ping rezult: 2", "adapter name: Ethernet ping gateway:  10.0.0.1",
            "ping host: 10.0.0.1 ping rezult:2", "ping host: 10.0.0.1 ping rezult: 2",
            "adapter name: Modem ping gateway:  10.2.0.1", "ping host: 10.2.0.1 ping rezult:0"}));
    EXPECT_EQ(machine.sockets.EchoRequestsTo("169.254.1.1"), 0);
}

TEST_F(ConnectivityChecks, SubnetTestSkipsUnusableGatewaysAndStopsAtTheFirstPass) {
    Inventory({Adapter("{A}", "Ethernet", true, "0.0.0.0", {{"10.0.0.2", "255.0.0.0"}}),
               Adapter("{B}", "Wireless", true, "192.168.3.1", {{"192.168.1.10", "255.255.255.0"}}),
               Adapter("{C}", "Modem", true, "10.2.0.1", {{"10.2.0.2", "255.255.0.0"}}),
               Adapter("{D}", "Spare", true, "10.3.0.1", {{"10.3.0.2", "255.255.0.0"}})});
    EXPECT_TRUE(local.CheckSubnet());
    EXPECT_EQ(WithSubnetTestsCollapsed(machine.LogLines()),
              (Lines{"checking if ip and gateway thre are under the same subnet ",
                     "10.0.0.2 0.0.0.0 255.0.0.0", "192.168.1.10 192.168.3.1 255.255.255.0",
                     "<subnet test>", "10.2.0.2 10.2.0.1 255.255.0.0", "<subnet test>",
                     "checking if ip and gateway there are under the same subnet yes"}));
    EXPECT_TRUE(machine.sockets.Sent().empty());
}

TEST_F(ConnectivityChecks, EmptyInventoryAnswersNoAfterTheFirstEntry) {
    machine.sockets.AnswerEcho("127.0.0.1");
    EXPECT_TRUE(local.PingLocalHost());
    EXPECT_FALSE(local.PingLocalAddress());
    EXPECT_FALSE(local.CheckSubnet());
    EXPECT_FALSE(local.PingGateway());
    EXPECT_EQ(machine.LogLines(),
              (Lines{"checking local host ping on 127.0.0.1", "ping host: 127.0.0.1 ping rezult:0",
                     "checking local IP address ping on IP address",
                     "checking if ip and gateway thre are under the same subnet ",
                     "checking gateway ping on gateway"}));
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

TEST_F(ConnectivityChecks, BothIspProbesArePingedWhateverTheFirstAnswers) {
    machine.sockets.AnswerEcho(IspProbeAddress);
    EXPECT_TRUE(isp.CheckIsp());
    machine.sockets.ScriptEcho(IspProbeAddress, {});
    machine.sockets.AnswerEcho("4.2.2.2");
    EXPECT_TRUE(isp.CheckIsp());
    machine.sockets.ScriptEcho("4.2.2.2", {});
    EXPECT_FALSE(isp.CheckIsp());
    EXPECT_EQ(machine.LogLines(),
              (Lines{"ISP check ", "ping host: 198.41.0.4 ping rezult:0",
                     "ping host: 4.2.2.2 ping rezult:2", "ping host: 4.2.2.2 ping rezult: 2",
                     "ISP check ", "ping host: 198.41.0.4 ping rezult:2",
                     "ping host: 198.41.0.4 ping rezult: 2", "ping host: 4.2.2.2 ping rezult:0",
                     "ISP check ", "ping host: 198.41.0.4 ping rezult:2",
                     "ping host: 198.41.0.4 ping rezult: 2", "ping host: 4.2.2.2 ping rezult:2",
                     "ping host: 4.2.2.2 ping rezult: 2"}));
}

}  // namespace
}  // namespace plover
