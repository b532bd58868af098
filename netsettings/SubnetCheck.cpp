#include <array>
#include <string>

#include "netsettings/AddressRules.h"
#include "netsettings/NetworkSettings.h"
#include "system/Log.h"

namespace plover {

namespace {

// The four octets of an address value in dotted order.
std::array<uint32_t, 4> Octets(uint32_t value) {
    return {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF, (value >> 24) & 0xFF};
}

// "192, 168, 1, 10"
std::string OctetList(uint32_t value) {
    const auto octets = Octets(value);
    return std::to_string(octets[0]) + ", " + std::to_string(octets[1]) + ", " +
           std::to_string(octets[2]) + ", " + std::to_string(octets[3]);
}

}  // namespace

bool TNetworkSettings::IsSameSubnet(const std::string& ip, const std::string& gateway,
                                    const std::string& mask) {
    WriteLog(os_, "start check subnet: ", "");
    if (ip.empty() || gateway.empty() || mask.empty()) {
        WriteLog(os_, "return false one NULL: " + ip + " " + gateway, mask);
        return false;
    }
    const uint32_t ipValue = InetAddr(ip);
    const uint32_t gatewayValue = InetAddr(gateway);
    const uint32_t maskValue = InetAddr(mask);
    const uint32_t ipNet = ipValue & maskValue;
    const uint32_t gatewayNet = gatewayValue & maskValue;

    WriteLog(os_, "ip S_addr: ", std::to_string(ipValue));
    WriteLog(os_, "gateway gw_addr: ", std::to_string(gatewayValue));
    WriteLog(os_, "mask mask_addr: ", std::to_string(maskValue));
    WriteLog(os_, "ip : ", OctetList(ipValue));
    WriteLog(os_, "GW : ", OctetList(gatewayValue));
    WriteLog(os_, "Mask : ", OctetList(maskValue));
    WriteLog(os_, "ip0.d32 : ", std::to_string(ipValue));
    WriteLog(os_, "gw.d32 : ", std::to_string(gatewayValue));
    WriteLog(os_, "mask.d32 : ", std::to_string(maskValue));
    WriteLog(os_, "ip0.d32& mask0.d32 : ", std::to_string(ipNet));
    WriteLog(os_, "gw.d32&mask0.d32 : ", std::to_string(gatewayNet));

    // Each octet passes when the two network parts agree there, or when they
    // have no bit in common; every position is examined and logged.
    const auto ipOctets = Octets(ipNet);
    const auto gatewayOctets = Octets(gatewayNet);
    bool result = true;
    for (int position = 3; position >= 0; --position) {
        const uint32_t a = ipOctets[position];
        const uint32_t b = gatewayOctets[position];
        WriteLog(os_, "d8: ", std::to_string(a));
        WriteLog(os_, "d8: ", std::to_string(b));
        const bool equal = a == b;
        const bool disjoint = (a & b) == 0;
        result = result && (equal || disjoint);
        WriteLog(os_, std::string("d8: ") + TrueFalse(equal), TrueFalse(disjoint));
    }
    return result;
}

}  // namespace plover
