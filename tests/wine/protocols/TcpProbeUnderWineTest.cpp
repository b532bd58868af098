// The TCP probe over Winsock under Wine, against real peers on the loopback:
// a listener in this process that takes the connection, a closed port that
// refuses it; and the socket waits that a run's stop ends.
#include <gtest/gtest.h>
#include <winsock2.h>

#include <thread>

#include "platform/RunClock.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/WinsockSockets.h"
#include "protocols/TcpProbe.h"
#include "tests/wine/protocols/UnixPeer.h"

namespace plover {
namespace {

// A listening TCP socket on a free port of 127.0.0.1.
class Listener {
public:
    Listener() {
        ::WSAStartup(MAKEWORD(2, 2), &data_);
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listening_ = ::listen(socket_, 4) == 0;
    }
    ~Listener() {
        ::closesocket(socket_);
        ::WSACleanup();
    }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;
    bool Listening() const { return listening_; }
    uint16_t Port() const { return port_; }

private:
    WSADATA data_;
    SOCKET socket_ = INVALID_SOCKET;
    uint16_t port_ = 0;
    bool listening_ = false;
};

TEST(TcpProbeUnderWine, AListenerAcceptsAndAClosedPortRefuses) {
    WinsockSockets sockets;
    win32::Win32Clock clock;
    TcpProbe probe(sockets, clock);
    const Listener listener;
    ASSERT_TRUE(listener.Listening());
    EXPECT_EQ(probe.Ask("127.0.0.1", listener.Port(), TcpProbeTimeLimit), TcpAnswer::Accepted);
    const int closed = winetest::FreePort(SOCK_STREAM);
    EXPECT_EQ(probe.Ask("127.0.0.1", static_cast<uint16_t>(closed), TcpProbeTimeLimit),
              TcpAnswer::Refused);
}

TEST(TcpProbeUnderWine, AWaitForADatagramEndsWhenTheRunIsAskedToStop) {
    WinsockSockets sockets;
    int error = 0;
    auto socket = sockets.OpenUdp(error);
    ASSERT_TRUE(socket);
    ASSERT_EQ(
        socket->Connect({127, 0, 0, 1}, static_cast<uint16_t>(winetest::FreePort(SOCK_DGRAM))), 0);
    win32::Win32Clock real;
    RunClock clock(real);
    StopSignal stop;
    clock.Follow(&stop);
    std::thread asker([&stop] {
        ::Sleep(200);
        stop.Request();
    });
    const DWORD start = ::GetTickCount();
    const WaitResult wait = socket->WaitReadable(60000, clock.StopRequest());
    const DWORD waited = ::GetTickCount() - start;
    asker.join();
    EXPECT_FALSE(wait.readable);
    EXPECT_EQ(wait.error, 0);
    // Ended by the stop, long before its time-out; and the run's pauses too.
    EXPECT_LT(waited, 30000u);
    EXPECT_FALSE(clock.SleepUnlessStopped(60000, stop));
}

}  // namespace
}  // namespace plover
