#pragma once

#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"

namespace plover {

// A DHCP switch that did not make its stage pass, or whose stage was
// stopped first, is put back before the run ends; putting back is never
// cut short.
inline void PutBackDhcpSwitch(ComputationalThread& thread, TNetworkSettings& NetworkSettings) {
    if (!NetworkSettings.DhcpSwitchPending()) return;
    thread.Undo("PutBackDhcpSwitch", [&] { NetworkSettings.PutBackDhcpSwitch(); });
}

}  // namespace plover
