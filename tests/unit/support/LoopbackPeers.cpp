#include "tests/unit/support/LoopbackPeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

namespace plover::testing {

namespace {

sockaddr_in Loopback(uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

// True once something else holds the port.
bool UdpPortTaken(uint16_t port) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in address = Loopback(port);
    const bool taken =
        ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
        errno == EADDRINUSE;
    ::close(fd);
    return taken;
}

std::string FindProgram(const std::string& name) {
    for (const char* folder : {"/usr/sbin/", "/usr/bin/", "/sbin/", "/bin/"}) {
        const std::string path = folder + name;
        if (::access(path.c_str(), X_OK) == 0) return path;
    }
    return name;
}

}  // namespace

uint16_t FreeUdpPort() {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address = Loopback(0);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

ChildProcess::ChildProcess(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_ = ::fork();
    if (pid_ == 0) {
        ::execv(args[0], args.data());
        ::_exit(127);
    }
}

ChildProcess::~ChildProcess() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGTERM);
    for (int i = 0; i < 100; ++i) {
        if (::waitpid(pid_, nullptr, WNOHANG) == pid_) return;
        ::usleep(20000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
}

DnsmasqServer::DnsmasqServer()
    : port_(FreeUdpPort()),
      process_({FindProgram("dnsmasq"), "--keep-in-foreground", "--no-resolv", "--no-hosts",
                "--bind-interfaces", "--listen-address=127.0.0.1",
                "--port=" + std::to_string(port_), "--pid-file=", "--log-facility=/dev/null",
                "--local=/lab.test/", "--host-record=www.lab.test,127.0.0.10",
                "--cname=alias.lab.test,www.lab.test", "--host-record=v6only.lab.test,::1"}) {
    for (int i = 0; i < 250 && process_.Running(); ++i) {
        if (UdpPortTaken(port_)) {
            ready_ = true;
            return;
        }
        ::usleep(20000);
    }
}

ScriptedUdpServer::ScriptedUdpServer(Script script, ReplyFrom from) {
    fd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = Loopback(0);
    ::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    replyFd_ = fd_;
    if (from != ReplyFrom::ThisSocket) {
        replyFd_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in source = Loopback(0);
        if (from == ReplyFrom::AnotherAddress) {
            source.sin_port = htons(port_);
            source.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1);
        }
        ::bind(replyFd_, reinterpret_cast<const sockaddr*>(&source), sizeof source);
    }
    thread_ = std::thread([this, script = std::move(script)] {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!stop_ && std::chrono::steady_clock::now() < end) {
            pollfd entry{fd_, POLLIN, 0};
            if (::poll(&entry, 1, 50) <= 0) continue;
            char buffer[2048];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t count = ::recvfrom(fd_, buffer, sizeof buffer, 0,
                                             reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (count < 0) continue;
            ++queries_;
            for (const auto& reply : script(std::string(buffer, static_cast<size_t>(count)))) {
                ::sendto(replyFd_, reply.data(), reply.size(), 0,
                         reinterpret_cast<sockaddr*>(&from), fromLength);
            }
        }
    });
}

ScriptedUdpServer::~ScriptedUdpServer() {
    stop_ = true;
    thread_.join();
    if (replyFd_ != fd_) ::close(replyFd_);
    ::close(fd_);
}

}  // namespace plover::testing
