#pragma once

#include <windows.h>

#include <functional>

#include "app/PloverMainForm.h"
#include "checks/BrowserSettings.h"
#include "checks/FirewallOperations.h"
#include "checks/IspSettings.h"
#include "checks/LocalConnection.h"
#include "checks/NameResolution.h"
#include "engine/ComputationalThread.h"
#include "netsettings/NetworkSettings.h"
#include "platform/Platform.h"

namespace plover::win32 {

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

// What the entry point hands the wizard: the stage bodies of every run, built
// once the window and the process-wide objects exist.
using StageSlotsFactory = std::function<StageSlots(ProcessObjects& objects)>;

// The composition root: builds the real platform, the process-wide objects,
// the main window and the contact dialog, and runs the message loop until the
// window closes. A run still going then is not waited for: the process ends
// at once.
int RunWizard(HINSTANCE instance, const StageSlotsFactory& stages);

}  // namespace plover::win32
