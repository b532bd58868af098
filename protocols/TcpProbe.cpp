#include "protocols/TcpProbe.h"

#include "protocols/Ipv4Text.h"

namespace plover {

TcpAnswer TcpProbe::Ask(const std::string& address, uint16_t port, uint32_t timeLimitMilliseconds) {
    const auto target = ParseDottedIpv4(address);
    if (!target) return TcpAnswer::NoAnswer;
    return sockets_.ConnectTcp(*target, port, timeLimitMilliseconds, clock_.StopRequest());
}

const char* TcpProbe::Describe(TcpAnswer answer) {
    switch (answer) {
        case TcpAnswer::Accepted:
            return "accepted";
        case TcpAnswer::Refused:
            return "refused";
        case TcpAnswer::NoAnswer:
            break;
    }
    return "no answer";
}

}  // namespace plover
