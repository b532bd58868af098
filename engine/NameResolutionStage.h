#pragma once

#include "checks/NameResolution.h"
#include "engine/ComputationalThread.h"

namespace plover {

// Stage 4, "Checking name resolution...": the probe hosts resolve and show
// their pages, or the hosts file is replaced, then the partner's DNS servers
// written, each followed by the check again.
void RunNameResolutionStage(ComputationalThread& thread, TNameResolution& NameResolution);

}  // namespace plover
