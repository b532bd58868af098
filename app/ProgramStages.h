#pragma once

#include "app/PloverMainForm.h"
#include "checks/BrowserSettings.h"
#include "checks/FirewallOperations.h"
#include "checks/IspSettings.h"
#include "checks/LocalConnection.h"
#include "checks/NameResolution.h"
#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"
#include "platform/Platform.h"

namespace plover {

// The objects that live for the whole process; the stages use them.
struct ProcessObjects {
    const Platform& os;
    TPloverMainForm& PloverMainForm;
    TNetworkSettings& NetworkSettings;
    TLocalConnection& LocalConnection;
    TISPSettings& ISPSettings;
    TFirewallOperations& FirewallOperations;
    TBrowserSettings& BrowserSettings;
    TNameResolution& NameResolution;
};

// The five stages of every run of the shipped program, built on the
// process-wide objects. The entry point hands them to the wizard; the
// benchmark runs the very same bodies on the in-memory machine.
StageSlots BuildStageSlots(ProcessObjects& objects);

}  // namespace plover
