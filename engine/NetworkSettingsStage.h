#pragma once

#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"

namespace plover {

// Stage 1, "Checking network settings...": is there an adapter, and does one
// hold a usable address; each check with its repair, the address check
// falling back on the restart repair.
void RunNetworkSettingsStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings);

}  // namespace plover
