#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/Clock.h"
#include "platform/Sockets.h"
#include "protocols/IcmpEcho.h"

namespace plover {

// Sends one ICMP echo request over a raw IPv4 socket and classifies the first
// datagram that comes back. It never retries: the caller decides that.
class TIdIcmpClient {
public:
    using TOnReplyEvent =
        std::function<void(TIdIcmpClient& ASender, const TReplyStatus& AReplyStatus)>;

    TIdIcmpClient(Sockets& sockets, Clock& clock) : sockets_(sockets), clock_(clock) {}
    TIdIcmpClient(const TIdIcmpClient&) = delete;
    TIdIcmpClient& operator=(const TIdIcmpClient&) = delete;

    std::string Host;           // a dotted IPv4 address or a host name
    int ReceiveTimeout = 5000;  // milliseconds
    TOnReplyEvent OnReply;
    TReplyStatus LastReply;  // the status of the last completed ping

    // One complete ping to Host. Raises ESocketError when the socket layer
    // fails and EIdIcmpException for an answer that is too short or of
    // another ICMP type; OnReply and LastReply are then left alone.
    void PingOnce();

    // The sequence number the next request will carry.
    uint16_t SequenceCounter() const { return sequence_; }

    static constexpr int TimeToLive = 128;

private:
    Ipv4Address ResolveHost();

    Sockets& sockets_;
    Clock& clock_;
    uint16_t sequence_ = 0;
};

}  // namespace plover
