#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace plover::testing {

// A UDP port on 127.0.0.1 that nobody used a moment ago.
uint16_t FreeUdpPort();

// A program of this machine run as a peer; ended (SIGTERM, then SIGKILL)
// and reaped when the object goes.
class ChildProcess {
public:
    explicit ChildProcess(const std::vector<std::string>& argv);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

// dnsmasq on 127.0.0.1 with a small lab zone:
//   www.lab.test    A 127.0.0.10
//   alias.lab.test  CNAME www.lab.test (answered with the A record after it)
//   v6only.lab.test AAAA only (an A question gets an empty answer)
//   any other name under lab.test: NXDOMAIN
class DnsmasqServer {
public:
    DnsmasqServer();
    bool Ready() const { return ready_; }
    uint16_t Port() const { return port_; }

private:
    uint16_t port_;
    ChildProcess process_;
    bool ready_ = false;
};

// Where a scripted server's replies leave from: its own socket, another port
// of 127.0.0.1, or its own port on another loopback address (127.0.0.2).
enum class ReplyFrom { ThisSocket, AnotherPort, AnotherAddress };

// A UDP server thread on 127.0.0.1 that answers each datagram with the
// datagrams its script returns (none: silence). Stops within 50 ms of
// destruction, and by itself after 30 s.
class ScriptedUdpServer {
public:
    using Script = std::function<std::vector<std::string>(const std::string& query)>;
    explicit ScriptedUdpServer(Script script, ReplyFrom from = ReplyFrom::ThisSocket);
    ~ScriptedUdpServer();
    ScriptedUdpServer(const ScriptedUdpServer&) = delete;
    ScriptedUdpServer& operator=(const ScriptedUdpServer&) = delete;
    uint16_t Port() const { return port_; }
    int Queries() const { return queries_; }

private:
    int fd_ = -1;
    int replyFd_ = -1;
    uint16_t port_ = 0;
    std::atomic<bool> stop_{false};
    std::atomic<int> queries_{0};
    std::thread thread_;
};

}  // namespace plover::testing
