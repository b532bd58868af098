#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/StopSignal.h"

namespace plover {

// An IPv4 address in network order: "a.b.c.d" is {a, b, c, d}.
using Ipv4Address = std::array<uint8_t, 4>;

// The outcome of one socket call: the bytes moved, or the system's error code
// (WSAGetLastError on Windows, errno elsewhere); error 0 means success.
struct SocketResult {
    size_t bytes = 0;
    int error = 0;
};

struct WaitResult {
    bool readable = false;  // false with error 0: the time ran out, or the stop was asked
    int error = 0;
};

// What a TCP connection attempt met.
enum class TcpAnswer {
    Accepted,  // the peer took the connection
    Refused,   // a reset came back: something at that address, or on the way, said no
    NoAnswer,  // nothing came back in time (or the attempt could not be made, or was stopped)
};

// One open IPv4 socket; destroying it closes it.
class Socket {
public:
    Socket() = default;
    virtual ~Socket() = default;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    // IP_TTL of outgoing datagrams; returns 0 or the error code.
    virtual int SetTimeToLive(int ttl) = 0;
    virtual int Connect(const Ipv4Address& address, uint16_t port) = 0;
    virtual SocketResult SendTo(const uint8_t* data, size_t size, const Ipv4Address& address,
                                uint16_t port) = 0;
    virtual SocketResult Send(const uint8_t* data, size_t size) = 0;
    // Waits for a datagram; a stop request, when given, ends the wait as
    // soon as it is asked.
    virtual WaitResult WaitReadable(uint32_t timeoutMilliseconds, const StopSignal* stop) = 0;
    // Reads one datagram (a raw ICMP socket delivers it with its IP header).
    // A datagram longer than the buffer is an error ("message too long"),
    // never a silent cut, on every system.
    virtual SocketResult Receive(uint8_t* buffer, size_t capacity) = 0;
    // Shuts the socket down in both directions; failures are of no interest.
    virtual void Shutdown() = 0;
};

// The few socket services the echo and DNS clients and the TCP probe need.
class Sockets {
public:
    Sockets() = default;
    virtual ~Sockets() = default;
    Sockets(const Sockets&) = delete;
    Sockets& operator=(const Sockets&) = delete;

    // An IPv4 raw socket for ICMP (protocol 1). Null with error set on failure.
    virtual std::unique_ptr<Socket> OpenRawIcmp(int& error) = 0;
    // An IPv4 datagram socket (UDP).
    virtual std::unique_ptr<Socket> OpenUdp(int& error) = 0;
    // One TCP connection attempt, never longer than the time limit and
    // ended at once when the stop request is asked. An accepted connection
    // is closed again straight away.
    virtual TcpAnswer ConnectTcp(const Ipv4Address& address, uint16_t port,
                                 uint32_t timeLimitMilliseconds, const StopSignal* stop) = 0;
    // The system's host-name lookup; the first IPv4 address it gives.
    virtual std::optional<Ipv4Address> LookupHost(const std::string& name, int& error) = 0;
    // The system's own text for an error code.
    virtual std::string ErrorText(int code) = 0;
    // The id of the running process (echo requests carry its low 16 bits).
    virtual uint32_t CurrentProcessId() = 0;
};

}  // namespace plover
