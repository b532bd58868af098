#include <gtest/gtest.h>

#include "app/PingService.h"
#include "platform/posix/PosixSockets.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/support/LabNamespace.h"

namespace plover {
namespace {

using Answer = standin::FakeSockets::EchoAnswer;
using standin::FakeWindows;
using Lines = std::vector<std::string>;

TEST(PingHost, FirstAnswerMeansOneRequestOneLineNoPause) {
    FakeWindows machine;
    machine.sockets.AnswerEcho("127.0.0.1");
    PingService service(machine.Os());
    EXPECT_TRUE(service.PingHost("127.0.0.1"));
    EXPECT_TRUE(service.PingReplied);
    EXPECT_EQ(machine.sockets.EchoRequestsTo("127.0.0.1"), 1);
    EXPECT_EQ(machine.LogLines(), (Lines{"ping host: 127.0.0.1 ping rezult:0"}));
    EXPECT_TRUE(machine.clock.Pauses().empty());
    EXPECT_EQ(service.IdIcmpClient.ReceiveTimeout, 8000);
}

TEST(PingHost, SilentHostCostsTwoWaitsAndOnePauseAndLogsBothResults) {
    FakeWindows machine;
    PingService service(machine.Os());
    EXPECT_FALSE(service.PingHost("10.1.1.1"));
    EXPECT_EQ(machine.sockets.EchoRequestsTo("10.1.1.1"), 2);
    EXPECT_EQ(machine.LogLines(),
              (Lines{"ping host: 10.1.1.1 ping rezult:2", "ping host: 10.1.1.1 ping rezult: 2"}));
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{2000}));
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 18000u);
}

TEST(PingHost, UnreachableAnswersFailBothAttempts) {
    FakeWindows machine;
    machine.sockets.ScriptEcho("192.168.1.1", {Answer::Unreachable()});
    PingService service(machine.Os());
    EXPECT_FALSE(service.PingHost("192.168.1.1"));
    EXPECT_EQ(machine.LogLines(), (Lines{"ping host: 192.168.1.1 ping rezult:3",
                                         "ping host: 192.168.1.1 ping rezult: 3"}));
}

TEST(PingHost, RaisingClientLogsCatchAndKeepsTheStoredKind) {
    FakeWindows machine;
    machine.sockets.FailSocketCreation(10050);
    PingService service(machine.Os());
    // A kind left over from an earlier ping is reset to 3 first.
    service.IdIcmpClient.LastReply.Status = ReplyStatusKind::StatusEcho;
    EXPECT_FALSE(service.PingHost("10.0.0.1"));
    EXPECT_EQ(machine.LogLines(),
              (Lines{"ping host: 10.0.0.1 catch", "ping host: 10.0.0.1 ping rezult:3",
                     "ping host: 10.0.0.1 catch", "ping host: 10.0.0.1 ping rezult: 3"}));
    EXPECT_FALSE(service.PingReplied);
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{2000}));
}

TEST(PingHost, SecondAttemptCanSucceedAndARaiseKeepsTheFirstKind) {
    FakeWindows machine;
    machine.sockets.ScriptEcho("10.0.0.2", {Answer::Silence(), Answer::Reply()});
    machine.sockets.ScriptEcho("10.0.0.3", {Answer::Silence(), Answer::SendFails(10051)});
    PingService service(machine.Os());
    EXPECT_TRUE(service.PingHost("10.0.0.2"));
    EXPECT_FALSE(service.PingHost("10.0.0.3"));
    EXPECT_EQ(machine.LogLines(),
              (Lines{"ping host: 10.0.0.2 ping rezult:2", "ping host: 10.0.0.2 ping rezult: 0",
                     "ping host: 10.0.0.3 ping rezult:2", "ping host: 10.0.0.3 catch",
                     "ping host: 10.0.0.3 ping rezult: 2"}));
}

TEST(PingHost, AnUnwiredReplyEventCannotHoldTheWaitForever) {
    FakeWindows machine;
    machine.sockets.AnswerEcho("10.0.0.4");
    PingService service(machine.Os());
    service.IdIcmpClient.OnReply = nullptr;
    EXPECT_TRUE(service.PingHost("10.0.0.4"));
    EXPECT_FALSE(service.PingReplied);
    EXPECT_EQ(machine.clock.Pauses(), std::vector<uint32_t>(800, 10));
}

// The whole service over real raw sockets, inside the router lab.
TEST(PingHostInLab, RealAnswersAndSilence) {
    if (!testing::RunningAsRoot()) GTEST_SKIP() << "namespaces need root";
    testing::IcmpLab lab("ping");
    ASSERT_TRUE(lab.Up());
    FakeWindows machine;
    lab.RunInClient([&] {
        PosixSockets sockets;
        const Platform os{machine.clock,     machine.debug,  machine.files,    machine.registry,
                          machine.processes, machine.system, machine.adapters, machine.connections,
                          sockets,           machine.http,   machine.firewall};
        PingService service(os);
        EXPECT_TRUE(service.PingHost("10.200.0.1"));
        EXPECT_FALSE(service.PingHost("10.202.0.1"));
        service.IdIcmpClient.ReceiveTimeout = 200;
        EXPECT_FALSE(service.PingHost("10.201.0.1"));
    });
    EXPECT_EQ(machine.LogLines(),
              (Lines{"ping host: 10.200.0.1 ping rezult:0", "ping host: 10.202.0.1 ping rezult:3",
                     "ping host: 10.202.0.1 ping rezult: 3", "ping host: 10.201.0.1 ping rezult:2",
                     "ping host: 10.201.0.1 ping rezult: 2"}));
}

}  // namespace
}  // namespace plover
