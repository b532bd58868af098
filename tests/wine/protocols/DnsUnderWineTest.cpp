// The DNS client over Winsock under Wine: against dnsmasq on the loopback,
// and against a Winsock responder in this process for what no server sends.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/win32/Win32Platform.h"
#include "protocols/DnsErrors.h"
#include "protocols/DnsQuery.h"
#include "tests/wine/protocols/UnixPeer.h"

namespace plover {
namespace {

using winetest::FreePort;
using winetest::UnixPeer;

class DnsUnderWine : public ::testing::Test {
protected:
    win32::Win32Platform platform;
    TclDnsQuery dns{platform.Os().sockets, platform.Os().clock};
};

TEST_F(DnsUnderWine, AnswersOfARealServer) {
    const int port = FreePort(SOCK_DGRAM);
    UnixPeer server("dnsmasq",
                    "/usr/sbin/dnsmasq --keep-in-foreground --no-resolv --no-hosts "
                    "--bind-interfaces --listen-address=127.0.0.1 --port=" +
                        std::to_string(port) +
                        " --pid-file= --log-facility=/dev/null --local=/lab.test/ "
                        "--host-record=www.lab.test,127.0.0.10 --cname=alias.lab.test,www.lab.test",
                    30);
    ASSERT_TRUE(server.Started());
    dns.DnsServer = "127.0.0.1";
    dns.Port = port;
    dns.TimeOut = 500;
    // The server needs a moment to start: ask again while the port refuses.
    std::optional<TclHostInfo> host;
    for (int i = 0; i < 20 && !host; ++i) {
        try {
            host = dns.ResolveIP("www.lab.test");
        } catch (const EclSocketError&) {
            ::Sleep(100);
        }
    }
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "127.0.0.10");
    const auto alias = dns.ResolveIP("alias.lab.test");
    ASSERT_TRUE(alias);
    EXPECT_EQ(dns.Aliases, (std::vector<std::string>{"alias.lab.test"}));
    try {
        dns.ResolveIP("nope.lab.test");
        ADD_FAILURE() << "an unknown name resolved";
    } catch (const EclDnsError& e) {
        EXPECT_STREQ(e.what(), "No such name");
        EXPECT_EQ(e.ErrorCode(), 3);
    }
}

// Answers every datagram with a reply of the given size, or not at all.
class Responder {
public:
    explicit Responder(int replySize) {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        socket_ = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        ::getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, replySize] {
            for (int i = 0; i < 200 && !stop_; ++i) {
                fd_set readable;
                FD_ZERO(&readable);
                FD_SET(socket_, &readable);
                timeval limit{0, 50000};
                if (::select(0, &readable, nullptr, nullptr, &limit) <= 0) continue;
                char query[512];
                sockaddr_in from{};
                int fromLength = sizeof from;
                const int count = ::recvfrom(socket_, query, sizeof query, 0,
                                             reinterpret_cast<sockaddr*>(&from), &fromLength);
                if (count < 12 || replySize < 0) continue;
                std::string reply(query, static_cast<size_t>(count));
                reply[2] = static_cast<char>(0x81);
                reply[3] = static_cast<char>(0x80);
                reply.resize(static_cast<size_t>(replySize), '\0');
                ::sendto(socket_, reply.data(), static_cast<int>(reply.size()), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
            }
        });
    }
    ~Responder() {
        stop_ = true;
        thread_.join();
        ::closesocket(socket_);
        ::WSACleanup();
    }
    int Port() const { return port_; }

private:
    SOCKET socket_;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

TEST_F(DnsUnderWine, SilenceTimesOutAndAnOverLongDatagramIsRefused) {
    dns.DnsServer = "127.0.0.1";
    dns.TimeOut = 300;
    {
        Responder silent(-1);
        dns.Port = silent.Port();
        try {
            dns.ResolveIP("www.lab.test");
            ADD_FAILURE() << "silence answered";
        } catch (const EclSocketError& e) {
            EXPECT_STREQ(e.what(), "Timeout error occured");
        }
    }
    {
        Responder overLong(600);
        dns.Port = overLong.Port();
        try {
            dns.ResolveIP("www.lab.test");
            ADD_FAILURE() << "a 600-byte datagram was taken";
        } catch (const EclSocketError& e) {
            EXPECT_EQ(e.ErrorCode(), WSAEMSGSIZE);
            EXPECT_STRNE(e.what(), "");
        }
    }
    {
        Responder fits(40);  // the question and four zero bytes: no records
        dns.Port = fits.Port();
        EXPECT_FALSE(dns.ResolveIP("www.lab.test"));
    }
}

}  // namespace
}  // namespace plover
