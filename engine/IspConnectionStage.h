#pragma once

#include "checks/IspSettings.h"
#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"

namespace plover {

// Stage 3, "Checking ISP connection...": a probe address beyond the local
// network answers, at once or after the interfaces were switched to DHCP.
void RunIspConnectionStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                           TISPSettings& ISPSettings);

}  // namespace plover
