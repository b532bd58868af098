#include "checks/IspSettings.h"

#include <string>

#include "protocols/TcpProbe.h"
#include "system/Log.h"

namespace plover {

bool TISPSettings::CheckIsp() {
    WriteLog(os_, "ISP check", "");
    // Both are pinged, so the log always shows how each probe fared.
    const bool primary = pinger_.PingHost(IspProbeAddress);
    const bool second = pinger_.PingHost(SecondIspProbeAddress);
    return primary || second;
}

bool TISPSettings::IspAnswersTcp() {
    constexpr uint16_t DnsPort = 53;
    TcpProbe probe(os_.sockets, os_.clock);
    for (const char* address : {IspProbeAddress, SecondIspProbeAddress}) {
        const TcpAnswer answer = probe.Ask(address, DnsPort, TcpProbeTimeLimit);
        const std::string target = std::string(address) + ":" + std::to_string(DnsPort) + " ";
        if (answer == TcpAnswer::Accepted) {
            WriteLog(os_, "ISP answers over TCP", target + TcpProbe::Describe(answer));
            return true;
        }
        WriteLog(os_, "tcp probe", target + TcpProbe::Describe(answer));
    }
    return false;
}

}  // namespace plover
