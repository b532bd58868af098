#pragma once

#include "checks/BrowserSettings.h"
#include "engine/ComputationalThread.h"

namespace plover {

// Stage 5, "Checking browser settings...": the user's browser proxy is off,
// at once or after it was switched off.
void RunBrowserSettingsStage(ComputationalThread& thread, TBrowserSettings& BrowserSettings);

}  // namespace plover
