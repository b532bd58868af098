#include "platform/posix/PosixSockets.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#include "platform/UniqueResource.h"

namespace plover {

namespace {

struct FdTraits {
    using Type = int;
    static Type Empty() { return -1; }
    static void Close(Type fd) { ::close(fd); }
};
using UniqueFd = UniqueResource<FdTraits>;

sockaddr_in ToSockaddr(const Ipv4Address& address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::memcpy(&to.sin_addr, address.data(), 4);
    return to;
}

// A wait that may be stopped looks at the stop request this often.
constexpr auto StopLookInterval = std::chrono::milliseconds(50);

// Polls one descriptor for events until the deadline or the stop request;
// the poll's answer (0: the time ran out or the stop was asked), or -1 with
// errno set.
int PollUntil(int fd, short events, std::chrono::steady_clock::time_point deadline,
              const StopSignal* stop, short& revents) {
    using namespace std::chrono;
    for (;;) {
        if (stop && stop->Requested()) return 0;
        auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        if (left.count() < 0) left = milliseconds(0);
        if (stop && left > StopLookInterval) left = StopLookInterval;
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, static_cast<int>(left.count()));
        if (ready > 0) {
            revents = entry.revents;
            return ready;
        }
        if (ready < 0 && errno != EINTR) return -1;
        if (ready == 0 && steady_clock::now() >= deadline) return 0;
    }
}

SocketResult FromCount(ssize_t count) {
    if (count < 0) return {0, errno};
    return {static_cast<size_t>(count), 0};
}

class PosixSocket : public Socket {
public:
    explicit PosixSocket(UniqueFd fd) : fd_(std::move(fd)) {}

    int SetTimeToLive(int ttl) override {
        return ::setsockopt(fd_.get(), IPPROTO_IP, IP_TTL, &ttl, sizeof ttl) == 0 ? 0 : errno;
    }

    int Connect(const Ipv4Address& address, uint16_t port) override {
        const sockaddr_in to = ToSockaddr(address, port);
        return ::connect(fd_.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0 ? 0
                                                                                            : errno;
    }

    SocketResult SendTo(const uint8_t* data, size_t size, const Ipv4Address& address,
                        uint16_t port) override {
        const sockaddr_in to = ToSockaddr(address, port);
        return FromCount(::sendto(fd_.get(), data, size, MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&to), sizeof to));
    }

    SocketResult Send(const uint8_t* data, size_t size) override {
        return FromCount(::send(fd_.get(), data, size, MSG_NOSIGNAL));
    }

    WaitResult WaitReadable(uint32_t timeoutMilliseconds, const StopSignal* stop) override {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMilliseconds);
        short revents = 0;
        const int ready = PollUntil(fd_.get(), POLLIN, deadline, stop, revents);
        if (ready < 0) return {false, errno};
        return {ready > 0, 0};
    }

    SocketResult Receive(uint8_t* buffer, size_t capacity) override {
        // MSG_TRUNC makes the kernel report the datagram's real length, so an
        // over-long datagram is refused here as it is by Winsock.
        const ssize_t count = ::recv(fd_.get(), buffer, capacity, MSG_TRUNC);
        if (count >= 0 && static_cast<size_t>(count) > capacity) return {capacity, EMSGSIZE};
        return FromCount(count);
    }

    void Shutdown() override { ::shutdown(fd_.get(), SHUT_RDWR); }

private:
    UniqueFd fd_;
};

std::unique_ptr<Socket> Open(int type, int protocol, int& error) {
    UniqueFd fd(::socket(AF_INET, type | SOCK_CLOEXEC, protocol));
    if (!fd) {
        error = errno;
        return nullptr;
    }
    error = 0;
    return std::make_unique<PosixSocket>(std::move(fd));
}

}  // namespace

std::unique_ptr<Socket> PosixSockets::OpenRawIcmp(int& error) {
    return Open(SOCK_RAW, IPPROTO_ICMP, error);
}

std::unique_ptr<Socket> PosixSockets::OpenUdp(int& error) {
    return Open(SOCK_DGRAM, IPPROTO_UDP, error);
}

TcpAnswer PosixSockets::ConnectTcp(const Ipv4Address& address, uint16_t port,
                                   uint32_t timeLimitMilliseconds, const StopSignal* stop) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMilliseconds);
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP));
    if (!fd) return TcpAnswer::NoAnswer;
    const sockaddr_in to = ToSockaddr(address, port);
    if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        return TcpAnswer::Accepted;
    }
    if (errno == ECONNREFUSED) return TcpAnswer::Refused;
    if (errno != EINPROGRESS) return TcpAnswer::NoAnswer;
    short revents = 0;
    if (PollUntil(fd.get(), POLLOUT, deadline, stop, revents) <= 0) return TcpAnswer::NoAnswer;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return TcpAnswer::NoAnswer;
    }
    if (error == 0) return TcpAnswer::Accepted;
    return error == ECONNREFUSED ? TcpAnswer::Refused : TcpAnswer::NoAnswer;
}

std::optional<Ipv4Address> PosixSockets::LookupHost(const std::string& name, int& error) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(name.c_str(), nullptr, &hints, &found);
    if (status != 0 || found == nullptr) {
        error = status == EAI_SYSTEM ? errno : EHOSTUNREACH;
        return std::nullopt;
    }
    Ipv4Address address{};
    std::memcpy(address.data(), &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, 4);
    ::freeaddrinfo(found);
    error = 0;
    return address;
}

std::string PosixSockets::ErrorText(int code) { return std::strerror(code); }

uint32_t PosixSockets::CurrentProcessId() { return static_cast<uint32_t>(::getpid()); }

}  // namespace plover
