#pragma once

#include <string>

namespace plover {

// One IPv4 address of one adapter. An adapter with several addresses gives
// several records that share everything but the address and mask.
struct AdapterDetails {
    std::string AdapterName;  // interface GUID text, also its TCP/IP interface key name
    std::string Description;  // "adapter name" in the log
    std::string IpAddress;
    std::string IpMask;
    std::string Gateway;  // the adapter's first default gateway
    bool DhcpEnabled = false;
    bool IpValid = false;       // IsUsableAddress(IpAddress), fixed when built
    bool GatewayValid = false;  // IsUsableGateway(Gateway), fixed when built
};

}  // namespace plover
