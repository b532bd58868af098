#pragma once

#include "checks/FirewallOperations.h"
#include "checks/HostPinger.h"
#include "checks/LocalConnection.h"
#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"

namespace plover {

// Stage 2, "Checking local connection...": the loopback, the adapters' own
// addresses, a gateway in its adapter's subnet, and a gateway that answers;
// each with its repair and re-check. pinger is the window's PingHost, used
// for the gateway read from the registry.
void RunLocalConnectionStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                             TLocalConnection& LocalConnection,
                             TFirewallOperations& FirewallOperations, HostPinger& pinger);

}  // namespace plover
