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
    const auto request = BuildEchoRequest(static_cast<uint16_t>(sockets_.CurrentProcessId()),
                                          sequence_, clock_.TickCount());
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
    takeInHand();
    // A run asked to stop waits for no reply: the ping counts as unanswered.
    const WaitResult wait = socket->WaitReadable(static_cast<uint32_t>(std::max(ReceiveTimeout, 0)),
                                                 clock_.StopRequest());
    if (wait.error != 0) throw ESocketError(sockets_.ErrorText(wait.error), wait.error);
    if (wait.readable) {
        const SocketResult read = socket->Receive(buffer.data(), buffer.size());
        if (read.error != 0) throw ESocketError(sockets_.ErrorText(read.error), read.error);
        received = read.bytes;
    }

    const TReplyStatus status = received == 0
                                    ? TimedOutReply(sequence_)
                                    : DecodeEchoReply(buffer.data(), received, clock_.TickCount());
    if (OnReply) OnReply(*this, status);
    LastReply = status;
}

}  // namespace plover
