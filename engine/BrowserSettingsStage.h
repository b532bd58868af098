#pragma once

#include "checks/BrowserSettings.h"
#include "checks/NameResolution.h"
#include "engine/ComputationalThread.h"

namespace plover {

// Stage 5, "Checking browser settings...": the user's browser proxy is off,
// or it shows a probe page (the user's working proxy, left on), or it is
// switched off.
void RunBrowserSettingsStage(ComputationalThread& thread, TBrowserSettings& BrowserSettings,
                             TNameResolution& NameResolution, MachineChanges& changes);

}  // namespace plover
