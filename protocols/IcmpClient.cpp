#include "protocols/IcmpClient.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/UniqueResource.h"
#include "protocols/Ipv4Text.h"
#include "protocols/SocketError.h"

namespace plover {

namespace {

bool IsLocalhost(const std::string& host) {
    static const std::string name = "LOCALHOST";
    return host.size() == name.size() &&
           std::equal(host.begin(), host.end(), name.begin(), [](char a, char b) {
               return std::toupper(static_cast<unsigned char>(a)) == b;
           });
}

}  // namespace

Ipv4Address TIdIcmpClient::ResolveHost() {
    if (IsLocalhost(Host)) return {127, 0, 0, 1};
    if (auto address = ParseDottedIpv4(Host)) return *address;
    int error = 0;
    if (auto address = sockets_.LookupHost(Host, error)) return *address;
    throw ESocketError(sockets_.ErrorText(error), error);
}

void TIdIcmpClient::PingOnce() {
    const auto identifier = static_cast<uint16_t>(sockets_.CurrentProcessId());
    const uint16_t sequence = sequence_;
    const auto request = BuildEchoRequest(identifier, sequence, clock_.TickCount());
    ++sequence_;

    int error = 0;
    auto socket = sockets_.OpenRawIcmp(error);
    if (!socket) throw ESocketError(sockets_.ErrorText(error), error);
    // The time to live is set again each time the socket is taken in hand.
    const auto takeInHand = [&socket] { socket->SetTimeToLive(TimeToLive); };
    ScopeExit closing([&] {
        takeInHand();
        socket.reset();
    });

    const Ipv4Address target = ResolveHost();
    takeInHand();
    const SocketResult sent = socket->SendTo(request.data(), request.size(), target, 0);
    if (sent.error != 0) throw ESocketError(sockets_.ErrorText(sent.error), sent.error);
    if (sent.bytes != request.size()) throw ESocketError("Fewer bytes sent than requested", 0);

    std::array<uint8_t, EchoReceiveBufferSize> buffer{};
    size_t received = 0;
    // Datagrams that answer another exchange are passed over; the wait for
    // this one's answer goes on until its time-out, counted from the send.
    const uint32_t limit = static_cast<uint32_t>(std::max(ReceiveTimeout, 0));
    const uint32_t started = clock_.TickCount();
    uint32_t left = limit;
    for (;;) {
        takeInHand();
        // A run asked to stop waits for no reply: the ping counts as unanswered.
        const WaitResult wait = socket->WaitReadable(left, clock_.StopRequest());
        if (wait.error != 0) throw ESocketError(sockets_.ErrorText(wait.error), wait.error);
        if (!wait.readable) break;
        buffer.fill(0);
        const SocketResult read = socket->Receive(buffer.data(), buffer.size());
        if (read.error != 0) throw ESocketError(sockets_.ErrorText(read.error), read.error);
        if (AnswersEchoRequest(buffer.data(), read.bytes, target, identifier, sequence)) {
            received = read.bytes;
            break;
        }
        const uint32_t spent = clock_.TickCount() - started;
        if (spent >= limit) break;
        left = limit - spent;
    }

    const TReplyStatus status = received == 0
                                    ? TimedOutReply(sequence_)
                                    : DecodeEchoReply(buffer.data(), received, clock_.TickCount());
    if (OnReply) OnReply(*this, status);
    LastReply = status;
}

}  // namespace plover
