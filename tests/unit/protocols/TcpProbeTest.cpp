// The TCP probe against the kernel on the loopback: a listener that takes
// the connection, a closed port that refuses it. A wait that nothing answers
// ends as soon as the run's stop is asked.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "platform/posix/PosixSockets.h"
#include "protocols/TcpProbe.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

// A TCP socket bound to a free port of 127.0.0.1, listening or not.
class LoopbackTcpPort {
public:
    explicit LoopbackTcpPort(bool listening) : fd_(::socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        if (listening) {
            ::listen(fd_, 4);
        } else {
            ::close(fd_);  // the port stays free: a connection to it is refused
            fd_ = -1;
        }
    }
    ~LoopbackTcpPort() {
        if (fd_ >= 0) ::close(fd_);
    }
    LoopbackTcpPort(const LoopbackTcpPort&) = delete;
    LoopbackTcpPort& operator=(const LoopbackTcpPort&) = delete;
    uint16_t Port() const { return port_; }

private:
    int fd_;
    uint16_t port_ = 0;
};

TEST(TcpProbe, AListenerAcceptsAndAClosedPortRefuses) {
    PosixSockets sockets;
    standin::FakeClock clock;
    TcpProbe probe(sockets, clock);
    const LoopbackTcpPort listener(true);
    const LoopbackTcpPort closed(false);
    EXPECT_EQ(probe.Ask("127.0.0.1", listener.Port(), 4000), TcpAnswer::Accepted);
    EXPECT_EQ(probe.Ask("127.0.0.1", closed.Port(), 4000), TcpAnswer::Refused);
    EXPECT_STREQ(TcpProbe::Describe(TcpAnswer::Refused), "refused");
}

TEST(TcpProbe, OnlyDottedAddressesAreAsked) {
    standin::FakeWindows machine;
    TcpProbe probe(machine.sockets, machine.clock);
    for (const char* address : {"", "router.home", "192.168.1.256"}) {
        EXPECT_EQ(probe.Ask(address, 80, 4000), TcpAnswer::NoAnswer);
    }
    EXPECT_TRUE(machine.sockets.TcpAttempts().empty());
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 0u);
}

TEST(SocketWait, ASilentWaitEndsWhenTheStopIsAsked) {
    PosixSockets sockets;
    int error = 0;
    auto socket = sockets.OpenUdp(error);
    ASSERT_TRUE(socket);
    ASSERT_EQ(socket->Connect({127, 0, 0, 1}, 9), 0);
    StopSignal stop;
    std::thread asker([&stop] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        stop.Request();
    });
    const auto start = std::chrono::steady_clock::now();
    const WaitResult wait = socket->WaitReadable(60000, &stop);
    const auto waited = std::chrono::steady_clock::now() - start;
    asker.join();
    EXPECT_FALSE(wait.readable);
    EXPECT_EQ(wait.error, 0);
    // Ended by the stop, long before its time-out.
    EXPECT_LT(waited, std::chrono::seconds(30));
    // Asked already: no wait at all.
    EXPECT_FALSE(socket->WaitReadable(60000, &stop).readable);
}

}  // namespace
}  // namespace plover
