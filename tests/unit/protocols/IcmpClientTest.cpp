#include <gtest/gtest.h>

#include "platform/posix/PosixSockets.h"
#include "protocols/IcmpClient.h"
#include "protocols/SocketError.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/support/Hex.h"
#include "tests/unit/support/LabNamespace.h"

namespace plover {
namespace {

using Answer = standin::FakeSockets::EchoAnswer;
using standin::FakeWindows;
using testing::FromHex;

struct Recorder {
    std::vector<TReplyStatus> replies;
    void Attach(TIdIcmpClient& client) {
        client.OnReply = [this](TIdIcmpClient&, const TReplyStatus& status) {
            replies.push_back(status);
        };
    }
};

std::string SentIcmp(const FakeWindows& machine, size_t index) {
    return machine.sockets.Sent().at(index).bytes;
}

TEST(IcmpClient, EachRequestCarriesTheNextSequenceAndTheClockAsStamp) {
    FakeWindows machine;
    machine.sockets.AnswerEcho("10.0.0.1");
    TIdIcmpClient client(machine.sockets, machine.clock);
    client.Host = "10.0.0.1";
    machine.clock.Advance(0x01020304);
    client.PingOnce();
    client.PingOnce();
    ASSERT_EQ(machine.sockets.Sent().size(), 2u);
    const auto first = machine.sockets.Sent()[0];
    EXPECT_TRUE(first.icmp);
    EXPECT_EQ(first.address, "10.0.0.1");
    EXPECT_EQ(first.port, 0);
    // Identifier: the low half of the process id 0x12345678.
    ASSERT_EQ(first.bytes.size(), 52u);
    EXPECT_EQ(first.bytes.substr(0, 2), FromHex("0800"));
    EXPECT_EQ(first.bytes.substr(4, 8), FromHex("7856 0000 04030201"));
    EXPECT_EQ(SentIcmp(machine, 1).substr(6, 2), FromHex("0100"));
    EXPECT_EQ(client.SequenceCounter(), 2);
    EXPECT_EQ(client.LastReply.Sequence, 1);
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
}

TEST(IcmpClient, SilenceCompletesAsTimedOutAfterTheReceiveTimeout) {
    FakeWindows machine;
    TIdIcmpClient client(machine.sockets, machine.clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "10.9.9.9";
    client.ReceiveTimeout = 8000;
    client.PingOnce();
    client.PingOnce();
    client.PingOnce();
    ASSERT_EQ(recorder.replies.size(), 3u);
    const TReplyStatus& last = recorder.replies.back();
    EXPECT_EQ(last.Status, ReplyStatusKind::StatusTimedOut);
    EXPECT_EQ(last.SourceAddress, "0.0.0.0");
    EXPECT_EQ(last.Sequence, 3);  // the requests built so far
    EXPECT_EQ(last.ByteCount, 0);
    EXPECT_EQ(last.Ttl, 0);
    EXPECT_EQ(client.LastReply.Sequence, 3);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 24000u);
}

TEST(IcmpClient, ErrorAnswersAreCompletedPings) {
    FakeWindows machine;
    machine.sockets.ScriptEcho("10.0.0.7", {Answer::Unreachable(), Answer::TtlExpired()});
    TIdIcmpClient client(machine.sockets, machine.clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "10.0.0.7";
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);
    EXPECT_EQ(client.LastReply.IcmpType, 3);
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusTtlExpired);
    EXPECT_EQ(recorder.replies.size(), 2u);
}

TEST(IcmpClient, RaisesWithoutReplyEventAndKeepsTheLastReply) {
    FakeWindows machine;
    const std::string header = FromHex("4500003c 00000000 40010000 0a000005 7f000001");
    machine.sockets.ScriptEcho(
        "10.0.0.5",
        {Answer::Reply(), Answer::Datagram(header + FromHex("05000000 0000 0000")),
         Answer::Datagram(header + FromHex("0000000000 00")), Answer::SendFails(10065)});
    TIdIcmpClient client(machine.sockets, machine.clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "10.0.0.5";
    client.PingOnce();
    const TReplyStatus before = client.LastReply;

    try {
        client.PingOnce();
        ADD_FAILURE() << "a redirect was accepted";
    } catch (const EIdIcmpException& e) {
        EXPECT_STREQ(e.what(), "Non-echo type response received");
    }
    try {
        client.PingOnce();
        ADD_FAILURE() << "a short datagram was accepted";
    } catch (const EIdIcmpException& e) {
        EXPECT_STREQ(e.what(), "Not enough bytes received");
    }
    try {
        client.PingOnce();
        ADD_FAILURE() << "a failed send was accepted";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.ErrorCode(), 10065);
        EXPECT_STREQ(e.what(), "socket error 10065");
    }
    EXPECT_EQ(recorder.replies.size(), 1u);
    EXPECT_EQ(client.LastReply.Sequence, before.Sequence);
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
    EXPECT_EQ(client.SequenceCounter(), 4);
}

TEST(IcmpClient, NoSocketRaisesTheSystemError) {
    FakeWindows machine;
    machine.sockets.FailSocketCreation(10013);
    TIdIcmpClient client(machine.sockets, machine.clock);
    client.Host = "127.0.0.1";
    try {
        client.PingOnce();
        ADD_FAILURE() << "pinged without a socket";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.ErrorCode(), 10013);
    }
    EXPECT_TRUE(machine.sockets.Sent().empty());
}

TEST(IcmpClient, HostResolutionRule) {
    FakeWindows machine;
    machine.sockets.SetHostAddress("gateway.lan", "192.168.1.1");
    TIdIcmpClient client(machine.sockets, machine.clock);
    client.ReceiveTimeout = 10;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"LocalHost", "127.0.0.1"},  {"localhost", "127.0.0.1"},     {"10.0.0.255", "10.0.0.255"},
        {"010.000.0.1", "10.0.0.1"}, {"gateway.lan", "192.168.1.1"},
    };
    for (const auto& [host, address] : cases) {
        client.Host = host;
        client.PingOnce();
        EXPECT_EQ(machine.sockets.Sent().back().address, address) << host;
    }
    // Not four numbers of 0 to 255: a name for the lookup, which fails.
    for (const std::string host : {"256.1.1.1", "1.2.3", "1.2.3.4.5", "", "1.2.3.-4"}) {
        client.Host = host;
        EXPECT_THROW(client.PingOnce(), ESocketError) << host;
    }
    EXPECT_EQ(machine.sockets.Sent().size(), cases.size());
}

// The kernel of this machine answers on the loopback; on a raw socket the
// first datagram read is the request itself, or the kernel's reply.
TEST(IcmpClientOnLoopback, RealKernelAnswersAnEcho) {
    if (!testing::RunningAsRoot()) GTEST_SKIP() << "raw sockets need root";
    PosixSockets sockets;
    standin::FakeClock clock;
    TIdIcmpClient client(sockets, clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "LOCALHOST";
    client.ReceiveTimeout = 2000;
    client.PingOnce();
    ASSERT_EQ(recorder.replies.size(), 1u);
    const TReplyStatus& reply = recorder.replies[0];
    EXPECT_EQ(reply.Status, ReplyStatusKind::StatusEcho);
    EXPECT_TRUE(reply.IcmpType == 0 || reply.IcmpType == 8) << int(reply.IcmpType);
    EXPECT_EQ(reply.SourceAddress, "127.0.0.1");
    EXPECT_EQ(reply.ByteCount, 72);  // 20-byte IP header and the 52-byte message
    EXPECT_EQ(reply.Sequence, 0);
    EXPECT_EQ(reply.Ttl, 128);
}

TEST(IcmpClientInLab, RouterEchoesBlackholeTimesOutProhibitedIsUnreachable) {
    if (!testing::RunningAsRoot()) GTEST_SKIP() << "namespaces need root";
    testing::IcmpLab lab("icmp");
    ASSERT_TRUE(lab.Up());
    lab.RunInClient([] {
        PosixSockets sockets;
        standin::FakeClock clock;
        TIdIcmpClient client(sockets, clock);
        client.ReceiveTimeout = 2000;

        client.Host = "10.200.0.1";
        client.PingOnce();
        EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
        // The request as the client sees it leave, or the router's reply.
        EXPECT_TRUE(client.LastReply.SourceAddress == "10.200.0.2" ||
                    client.LastReply.SourceAddress == "10.200.0.1")
            << client.LastReply.SourceAddress;

        client.Host = "10.202.0.9";
        client.PingOnce();
        EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);
        EXPECT_EQ(client.LastReply.SourceAddress, "10.200.0.1");

        client.Host = "10.203.0.9";
        client.PingOnce();
        EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);

        client.ReceiveTimeout = 300;
        client.Host = "10.201.0.9";
        client.PingOnce();
        EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusTimedOut);
        EXPECT_EQ(client.LastReply.SourceAddress, "0.0.0.0");
        EXPECT_EQ(client.LastReply.Sequence, 4);
    });
}

}  // namespace
}  // namespace plover
