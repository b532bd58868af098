#pragma once

#include "checks/HostPinger.h"
#include "netsettings/NetworkSettings.h"
#include "platform/Platform.h"

namespace plover {

// The four checks of the local connection stage. They read the adapter list
// as the last refresh left it and never refresh it: the stage decides when
// the inventory is rebuilt (by its repairs).
class TLocalConnection {
public:
    TLocalConnection(const Platform& os, TNetworkSettings& NetworkSettings, HostPinger& pinger)
        : os_(os), NetworkSettings_(NetworkSettings), pinger_(pinger) {}
    TLocalConnection(const TLocalConnection&) = delete;
    TLocalConnection& operator=(const TLocalConnection&) = delete;

    // True when 127.0.0.1 answered.
    bool PingLocalHost();
    // True when at least one usable adapter address answered; every usable
    // address is pinged.
    bool PingLocalAddress();
    // True when some record with a usable gateway has it in its address's
    // subnet; stops at the first such record.
    bool CheckSubnet();
    // True when at least one usable gateway answered; every record's gateway
    // is pinged.
    bool PingGateway();
    // True when a usable gateway answers a TCP connection attempt, taking it
    // or refusing it: a router that drops echo requests is still there.
    // Each gateway is asked once, on port 80 and then on port 53, and the
    // one that answers is logged.
    bool GatewayAnswersTcp();

private:
    const Platform& os_;
    TNetworkSettings& NetworkSettings_;
    HostPinger& pinger_;
};

}  // namespace plover
