// The echo client and the ping service over Winsock raw sockets under Wine,
// against the Linux kernel's loopback.
#include <gtest/gtest.h>

#include "app/PingService.h"
#include "platform/win32/Win32Platform.h"
#include "protocols/IcmpClient.h"
#include "system/Log.h"

namespace plover {
namespace {

TEST(IcmpUnderWine, RawEchoToTheLoopbackCompletesWithAnEcho) {
    win32::Win32Platform platform;
    TIdIcmpClient client(platform.Os().sockets, platform.Os().clock);
    std::vector<TReplyStatus> replies;
    client.OnReply = [&](TIdIcmpClient&, const TReplyStatus& status) { replies.push_back(status); };
    client.Host = "127.0.0.1";
    client.ReceiveTimeout = 3000;
    client.PingOnce();
    client.Host = "localhost";
    client.PingOnce();
    ASSERT_EQ(replies.size(), 2u);
    for (const auto& reply : replies) {
        EXPECT_EQ(reply.Status, ReplyStatusKind::StatusEcho);
        EXPECT_TRUE(reply.IcmpType == 0 || reply.IcmpType == 8) << int(reply.IcmpType);
        EXPECT_EQ(reply.SourceAddress, "127.0.0.1");
        EXPECT_EQ(reply.ByteCount, 72);
        EXPECT_LT(reply.RoundTripMs, 3000u);
    }
    EXPECT_EQ(replies[1].Sequence, 1);
}

TEST(IcmpUnderWine, PingHostAnswersOnTheFirstAttemptAndLogsIt) {
    win32::Win32Platform platform;
    const Platform& os = platform.Os();
    PingService service(os);
    EXPECT_TRUE(service.PingHost("127.0.0.1"));
    EXPECT_TRUE(service.PingReplied);
    EXPECT_EQ(service.IdIcmpClient.LastReply.Status, ReplyStatusKind::StatusEcho);
}

}  // namespace
}  // namespace plover
