// The echo client under Wine inside the router lab of tests/lab/labs.sh,
// run by its icmp-wine lab (Wine and its server inside the lab's client
// namespace). Elsewhere these tests skip themselves.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/PingService.h"
#include "platform/win32/Win32Platform.h"

namespace plover {
namespace {

TEST(IcmpInLabUnderWine, RouterEchoesProhibitedIsUnreachableBlackholeTimesOut) {
    if (std::getenv("PLOVER_ICMP_LAB") == nullptr) GTEST_SKIP() << "runs only inside the lab";
    win32::Win32Platform platform;
    TIdIcmpClient client(platform.Os().sockets, platform.Os().clock);
    client.ReceiveTimeout = 2000;
    client.Host = "10.200.0.1";
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
    client.Host = "10.202.0.9";
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);
    EXPECT_EQ(client.LastReply.SourceAddress, "10.200.0.1");
    client.ReceiveTimeout = 300;
    client.Host = "10.201.0.9";
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusTimedOut);
    EXPECT_EQ(client.LastReply.Sequence, 3);
}

TEST(IcmpInLabUnderWine, PingHostFailsOnAnUnreachableNetwork) {
    if (std::getenv("PLOVER_ICMP_LAB") == nullptr) GTEST_SKIP() << "runs only inside the lab";
    win32::Win32Platform platform;
    PingService service(platform.Os());
    EXPECT_TRUE(service.PingHost("10.200.0.1"));
    EXPECT_FALSE(service.PingHost("10.203.0.1"));
    EXPECT_EQ(service.IdIcmpClient.LastReply.Status, ReplyStatusKind::StatusUnreachable);
}

}  // namespace
}  // namespace plover
