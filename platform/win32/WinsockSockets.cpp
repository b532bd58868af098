#include "platform/win32/WinsockSockets.h"

// clang-format off
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
// clang-format on

#include <cstring>

#include "platform/win32/Win32Handles.h"

namespace plover {

namespace {

using win32::UniqueSocket;

// One reference to the Winsock library for as long as the object lives.
class WinsockSession {
public:
    WinsockSession() {
        WSADATA data;
        error_ = ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~WinsockSession() {
        if (error_ == 0) ::WSACleanup();
    }
    WinsockSession(const WinsockSession&) = delete;
    WinsockSession& operator=(const WinsockSession&) = delete;
    int Error() const { return error_; }

private:
    int error_;
};

sockaddr_in ToSockaddr(const Ipv4Address& address, uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::memcpy(&to.sin_addr, address.data(), 4);
    return to;
}

// A wait that may be stopped looks at the stop request this often.
constexpr DWORD StopLookInterval = 50;

// Selects one socket for reading, or for a connect's end (writable or
// failed), until the time is up or the stop request is asked: select's
// answer (0: the time ran out or the stop was asked), or SOCKET_ERROR.
// Tick counts are read as differences, so their wrap does no harm.
int SelectUntil(SOCKET socket, bool forConnect, DWORD timeoutMilliseconds, const StopSignal* stop) {
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (stop && stop->Requested()) return 0;
        const DWORD elapsed = ::GetTickCount() - start;
        DWORD left = elapsed < timeoutMilliseconds ? timeoutMilliseconds - elapsed : 0;
        if (stop && left > StopLookInterval) left = StopLookInterval;
        fd_set wanted;
        fd_set failed;
        FD_ZERO(&wanted);
        FD_ZERO(&failed);
        FD_SET(socket, &wanted);
        FD_SET(socket, &failed);
        timeval limit{static_cast<long>(left / 1000), static_cast<long>(left % 1000) * 1000};
        const int ready = forConnect ? ::select(0, nullptr, &wanted, &failed, &limit)
                                     : ::select(0, &wanted, nullptr, nullptr, &limit);
        if (ready != 0) return ready;
        if (::GetTickCount() - start >= timeoutMilliseconds) return 0;
    }
}

SocketResult FromCount(int count) {
    if (count == SOCKET_ERROR) return {0, ::WSAGetLastError()};
    return {static_cast<size_t>(count), 0};
}

class WinsockSocket : public Socket {
public:
    WinsockSocket(std::unique_ptr<WinsockSession> session, UniqueSocket socket)
        : session_(std::move(session)), socket_(std::move(socket)) {}

    int SetTimeToLive(int ttl) override {
        const DWORD value = static_cast<DWORD>(ttl);
        return ::setsockopt(socket_.get(), IPPROTO_IP, IP_TTL,
                            reinterpret_cast<const char*>(&value), sizeof value) == 0
                   ? 0
                   : ::WSAGetLastError();
    }

    int Connect(const Ipv4Address& address, uint16_t port) override {
        const sockaddr_in to = ToSockaddr(address, port);
        return ::connect(socket_.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0
                   ? 0
                   : ::WSAGetLastError();
    }

    SocketResult SendTo(const uint8_t* data, size_t size, const Ipv4Address& address,
                        uint16_t port) override {
        const sockaddr_in to = ToSockaddr(address, port);
        return FromCount(::sendto(socket_.get(), reinterpret_cast<const char*>(data),
                                  static_cast<int>(size), 0, reinterpret_cast<const sockaddr*>(&to),
                                  sizeof to));
    }

    SocketResult Send(const uint8_t* data, size_t size) override {
        return FromCount(
            ::send(socket_.get(), reinterpret_cast<const char*>(data), static_cast<int>(size), 0));
    }

    WaitResult WaitReadable(uint32_t timeoutMilliseconds, const StopSignal* stop) override {
        const int ready = SelectUntil(socket_.get(), false, timeoutMilliseconds, stop);
        if (ready == SOCKET_ERROR) return {false, ::WSAGetLastError()};
        return {ready > 0, 0};
    }

    // Winsock refuses a datagram longer than the buffer with WSAEMSGSIZE.
    SocketResult Receive(uint8_t* buffer, size_t capacity) override {
        return FromCount(
            ::recv(socket_.get(), reinterpret_cast<char*>(buffer), static_cast<int>(capacity), 0));
    }

    void Shutdown() override { ::shutdown(socket_.get(), SD_BOTH); }

private:
    std::unique_ptr<WinsockSession> session_;  // outlives the socket: declared first
    UniqueSocket socket_;
};

std::unique_ptr<Socket> Open(int type, int protocol, int& error) {
    auto session = std::make_unique<WinsockSession>();
    if (session->Error() != 0) {
        error = session->Error();
        return nullptr;
    }
    UniqueSocket socket(::socket(AF_INET, type, protocol));
    if (!socket) {
        error = ::WSAGetLastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<WinsockSocket>(std::move(session), std::move(socket));
}

}  // namespace

std::unique_ptr<Socket> WinsockSockets::OpenRawIcmp(int& error) {
    return Open(SOCK_RAW, IPPROTO_ICMP, error);
}

std::unique_ptr<Socket> WinsockSockets::OpenUdp(int& error) {
    return Open(SOCK_DGRAM, IPPROTO_UDP, error);
}

TcpAnswer WinsockSockets::ConnectTcp(const Ipv4Address& address, uint16_t port,
                                     uint32_t timeLimitMilliseconds, const StopSignal* stop) {
    WinsockSession session;
    if (session.Error() != 0) return TcpAnswer::NoAnswer;
    UniqueSocket socket(::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP));
    if (!socket) return TcpAnswer::NoAnswer;
    u_long nonBlocking = 1;
    if (::ioctlsocket(socket.get(), FIONBIO, &nonBlocking) != 0) return TcpAnswer::NoAnswer;
    const sockaddr_in to = ToSockaddr(address, port);
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        return TcpAnswer::Accepted;
    }
    const int started = ::WSAGetLastError();
    if (started == WSAECONNREFUSED) return TcpAnswer::Refused;
    if (started != WSAEWOULDBLOCK) return TcpAnswer::NoAnswer;
    // The connect's end shows as writable (accepted) or failed (its error
    // in SO_ERROR); the error is read either way.
    if (SelectUntil(socket.get(), true, timeLimitMilliseconds, stop) <= 0) {
        return TcpAnswer::NoAnswer;
    }
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length) != 0) {
        return TcpAnswer::NoAnswer;
    }
    if (error == 0) return TcpAnswer::Accepted;
    return error == WSAECONNREFUSED ? TcpAnswer::Refused : TcpAnswer::NoAnswer;
}

std::optional<Ipv4Address> WinsockSockets::LookupHost(const std::string& name, int& error) {
    WinsockSession session;
    if (session.Error() != 0) {
        error = session.Error();
        return std::nullopt;
    }
    // gethostbyname is there on every Windows the program supports.
    const hostent* entry = ::gethostbyname(name.c_str());
    if (entry == nullptr || entry->h_addrtype != AF_INET || entry->h_addr_list[0] == nullptr) {
        error = entry == nullptr ? ::WSAGetLastError() : WSANO_DATA;
        return std::nullopt;
    }
    Ipv4Address address{};
    std::memcpy(address.data(), entry->h_addr_list[0], 4);
    error = 0;
    return address;
}

std::string WinsockSockets::ErrorText(int code) {
    char* text = nullptr;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(code), 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) ::LocalFree(text);
    const auto notBlank = message.find_last_not_of(" \t\r\n");
    message.erase(notBlank == std::string::npos ? 0 : notBlank + 1);
    const auto first = message.find_first_not_of(" \t\r\n");
    // Some systems have no text for every Winsock code.
    if (first == std::string::npos) return "Socket error " + std::to_string(code);
    return message.substr(first);
}

uint32_t WinsockSockets::CurrentProcessId() { return ::GetCurrentProcessId(); }

}  // namespace plover
