#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "platform/posix/PosixSockets.h"
#include "protocols/IcmpClient.h"
#include "protocols/Ipv4Text.h"
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

// An ICMP message behind a 20-byte IPv4 header from source.
std::string From(const std::string& source, const std::string& icmp) {
    const Ipv4Address from = *ParseDottedIpv4(source);
    std::string header = FromHex("4500004c 00000000 40010000 00000000 0a000063");
    std::copy(from.begin(), from.end(), header.begin() + 12);
    return header + icmp;
}

// An echo message of this type with identifier and sequence, little-endian.
std::string Echo(uint8_t type, uint16_t identifier, uint16_t sequence) {
    const auto request = BuildEchoRequest(identifier, sequence, 0);
    std::string icmp(request.begin(), request.end());
    icmp[0] = static_cast<char>(type);
    return icmp;
}

// An ICMP error quoting a datagram of protocol to destination whose first
// eight bytes are given.
std::string ErrorQuoting(uint8_t type, uint8_t protocol, const std::string& destination,
                         const std::string& first8) {
    std::string quoted = From("10.0.0.99", "");
    quoted[9] = static_cast<char>(protocol);
    const Ipv4Address to = *ParseDottedIpv4(destination);
    std::copy(to.begin(), to.end(), quoted.begin() + 16);
    std::string icmp = FromHex("00030000 00000000") + quoted + first8;
    icmp[0] = static_cast<char>(type);
    return icmp;
}

// What a raw socket reads besides this ping's answer: another program's
// pings, requests from outside, errors of other traffic, scraps.
std::vector<std::string> Strays() {
    const std::string ours = Echo(8, 0x5678, 0).substr(0, 8);
    return {
        From("10.0.0.5", Echo(0, 0x1111, 0)),   // another program's reply
        From("10.0.0.6", Echo(0, 0x5678, 0)),   // our numbers from another host
        From("10.0.0.5", Echo(0, 0x5678, 9)),   // an older exchange
        From("10.0.0.77", Echo(8, 0x4242, 7)),  // a request from outside
        From("10.0.0.5", ErrorQuoting(3, 17, "10.0.0.5", FromHex("d4310035 00200000"))),
        From("10.0.0.1", ErrorQuoting(11, 1, "10.0.0.8", ours)),  // our numbers, another host
        From("10.0.0.5", FromHex("05000000 0000 00")),            // too short
        From("10.0.0.1", FromHex("05010000 0a000001")),           // a redirect quoting nothing
        From("10.0.0.5", FromHex("0e000000 78560000")),           // a time-stamp reply
    };
}

TEST(IcmpClient, DatagramsOfOtherExchangesArePassedOverWithinTheTimeout) {
    FakeWindows machine;
    machine.sockets.ScriptEcho(
        "10.0.0.5", {Answer::Reply().After(Strays()), Answer::Silence().After(Strays()),
                     Answer::Unreachable().After(Strays()),
                     Answer::Datagram(From("10.0.0.1", ErrorQuoting(5, 1, "10.0.0.5",
                                                                    Echo(8, 0x5678, 3).substr(0, 8))))
                         .After(Strays())});
    TIdIcmpClient client(machine.sockets, machine.clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "10.0.0.5";
    client.ReceiveTimeout = 8000;

    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
    EXPECT_EQ(client.LastReply.SourceAddress, "10.0.0.5");
    EXPECT_EQ(client.LastReply.Sequence, 0);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 0u);

    // Nothing of its own: the ping times out after its one time-out.
    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusTimedOut);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 8000u);

    client.PingOnce();
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);
    EXPECT_EQ(client.LastReply.SourceAddress, "10.0.0.5");

    // A redirect that quotes this very request is an answer, of a kind the
    // client does not take: raised, with no reply event.
    try {
        client.PingOnce();
        ADD_FAILURE() << "a redirect was accepted";
    } catch (const EIdIcmpException& e) {
        EXPECT_STREQ(e.what(), "Non-echo type response received");
    }
    EXPECT_EQ(recorder.replies.size(), 3u);
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusUnreachable);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 8000u);
}

TEST(IcmpClient, AFailedSendRaisesWithoutReplyEventAndKeepsTheLastReply) {
    FakeWindows machine;
    machine.sockets.ScriptEcho("10.0.0.5", {Answer::Reply(), Answer::SendFails(10065)});
    TIdIcmpClient client(machine.sockets, machine.clock);
    Recorder recorder;
    recorder.Attach(client);
    client.Host = "10.0.0.5";
    client.PingOnce();
    try {
        client.PingOnce();
        ADD_FAILURE() << "a failed send was accepted";
    } catch (const ESocketError& e) {
        EXPECT_EQ(e.ErrorCode(), 10065);
        EXPECT_STREQ(e.what(), "socket error 10065");
    }
    EXPECT_EQ(recorder.replies.size(), 1u);
    EXPECT_EQ(client.LastReply.Sequence, 0);
    EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusEcho);
    EXPECT_EQ(client.SequenceCounter(), 2);
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

// While the client waits for a host that never answers, another program
// pings this computer and an echo reply carrying the client's own numbers
// arrives from elsewhere: the kernel delivers all of it to the raw socket,
// and none of it is the answer.
TEST(IcmpClientInLab, ForeignEchoTrafficDuringTheWaitLeavesTheTimeOut) {
    if (!testing::RunningAsRoot()) GTEST_SKIP() << "namespaces need root";
    testing::IcmpLab lab("icmpstray");
    ASSERT_TRUE(lab.Up());
    lab.RunInClient([] {
        PosixSockets sockets;
        const auto ours = static_cast<uint16_t>(sockets.CurrentProcessId());
        std::atomic<bool> done{false};
        std::thread noise([&] {
            int error = 0;
            auto raw = sockets.OpenRawIcmp(error);
            if (!raw) return;
            auto request = BuildEchoRequest(static_cast<uint16_t>(ours ^ 0x8000), 0, 0);
            auto reply = BuildEchoRequest(ours, 0, 0);
            reply[0] = 0;
            reply[2] = reply[3] = 0;
            const uint16_t sum = InternetChecksum(reply.data(), reply.size());
            std::memcpy(&reply[2], &sum, 2);
            // Bounded: at most 40 rounds of 25 ms.
            for (int round = 0; round < 40 && !done; ++round) {
                raw->SendTo(request.data(), request.size(), {127, 0, 0, 1}, 0);
                raw->SendTo(reply.data(), reply.size(), {127, 0, 0, 1}, 0);
                std::this_thread::sleep_for(std::chrono::milliseconds(25));
            }
        });
        standin::FakeClock clock;
        TIdIcmpClient client(sockets, clock);
        client.ReceiveTimeout = 500;
        client.Host = "10.201.0.9";
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        client.PingOnce();
        done = true;
        noise.join();
        EXPECT_EQ(client.LastReply.Status, ReplyStatusKind::StatusTimedOut);
        EXPECT_EQ(client.LastReply.SourceAddress, "0.0.0.0");
    });
}

}  // namespace
}  // namespace plover
