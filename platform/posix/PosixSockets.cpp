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

    WaitResult WaitReadable(uint32_t timeoutMilliseconds) override {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(timeoutMilliseconds);
        for (;;) {
            const auto left = duration_cast<milliseconds>(deadline - steady_clock::now()).count();
            pollfd entry{fd_.get(), POLLIN, 0};
            const int ready = ::poll(&entry, 1, left > 0 ? static_cast<int>(left) : 0);
            if (ready > 0) return {true, 0};
            if (ready == 0) return {false, 0};
            if (errno != EINTR) return {false, errno};
        }
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
