#include "checks/LocalConnection.h"

#include <algorithm>
#include <string>
#include <vector>

#include "protocols/TcpProbe.h"
#include "system/Log.h"

namespace plover {

namespace {

constexpr const char* LoopbackAddress = "127.0.0.1";
// A home router's own web page, then its DNS forwarder.
constexpr uint16_t GatewayTcpPorts[] = {80, 53};

}  // namespace

bool TLocalConnection::PingLocalHost() {
    WriteLog(os_, "checking local host", "ping on 127.0.0.1");
    return pinger_.PingHost(LoopbackAddress);
}

bool TLocalConnection::PingLocalAddress() {
    WriteLog(os_, "checking local IP address", "ping on IP address");
    bool answered = false;
    for (const AdapterDetails& record : NetworkSettings_.Adapters()) {
        if (!record.IpValid) continue;
        // No early exit: every address gets its line in the log.
        if (pinger_.PingHost(record.IpAddress)) answered = true;
    }
    return answered;
}

bool TLocalConnection::CheckSubnet() {
    WriteLog(os_, "checking if ip and gateway thre are under the same subnet", "");
    for (const AdapterDetails& record : NetworkSettings_.Adapters()) {
        WriteLog(os_, record.IpAddress, record.Gateway + " " + record.IpMask);
        if (record.GatewayValid &&
            NetworkSettings_.IsSameSubnet(record.IpAddress, record.Gateway, record.IpMask)) {
            WriteLog(os_, "checking if ip and gateway there are under the same subnet", "yes");
            return true;
        }
    }
    return false;
}

bool TLocalConnection::PingGateway() {
    WriteLog(os_, "checking gateway", "ping on gateway");
    bool answered = false;
    for (const AdapterDetails& record : NetworkSettings_.Adapters()) {
        if (!record.GatewayValid) continue;
        WriteLog(os_, "adapter name: " + record.Description, "ping gateway:  " + record.Gateway);
        if (pinger_.PingHost(record.Gateway)) answered = true;
    }
    return answered;
}

bool TLocalConnection::GatewayAnswersTcp() {
    TcpProbe probe(os_.sockets, os_.clock);
    std::vector<std::string> asked;
    for (const AdapterDetails& record : NetworkSettings_.Adapters()) {
        if (!record.GatewayValid) continue;
        if (std::find(asked.begin(), asked.end(), record.Gateway) != asked.end()) continue;
        asked.push_back(record.Gateway);
        for (const uint16_t port : GatewayTcpPorts) {
            const TcpAnswer answer = probe.Ask(record.Gateway, port, TcpProbeTimeLimit);
            const std::string target = record.Gateway + ":" + std::to_string(port) + " ";
            // A refusal comes from the gateway itself: nothing else sits
            // between this computer and its own router.
            if (answer != TcpAnswer::NoAnswer) {
                WriteLog(os_, "gateway answers over TCP", target + TcpProbe::Describe(answer));
                return true;
            }
            WriteLog(os_, "tcp probe", target + TcpProbe::Describe(answer));
        }
    }
    return false;
}

}  // namespace plover
