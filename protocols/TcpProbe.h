#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/Sockets.h"

namespace plover {

// How long one attempt waits. A host on the same network or at the provider
// answers a connection attempt within a second; a first connection request
// that is lost is sent again after 3 s by Windows, so 4 s still takes the
// answer to that second request, and a silent address costs no more than
// that.
constexpr uint32_t TcpProbeTimeLimit = 4000;

// Is a host there, asked over TCP instead of by echo? Many networks drop
// echo requests, but a host behind them still answers a connection attempt:
// it takes the connection, or refuses it with a reset.
class TcpProbe {
public:
    TcpProbe(Sockets& sockets, Clock& clock) : sockets_(sockets), clock_(clock) {}
    TcpProbe(const TcpProbe&) = delete;
    TcpProbe& operator=(const TcpProbe&) = delete;

    // One connection attempt to a dotted IPv4 address, never longer than
    // the time limit, and over at once when the clock's stop request is
    // asked. Any other address text gets no attempt (no name is looked up)
    // and no answer.
    TcpAnswer Ask(const std::string& address, uint16_t port, uint32_t timeLimitMilliseconds);

    // "accepted", "refused" or "no answer", for the log.
    static const char* Describe(TcpAnswer answer);

private:
    Sockets& sockets_;
    Clock& clock_;
};

}  // namespace plover
