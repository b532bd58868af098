#include "app/ProgramStages.h"

#include "engine/BrowserSettingsStage.h"
#include "engine/IspConnectionStage.h"
#include "engine/LocalConnectionStage.h"
#include "engine/NameResolutionStage.h"
#include "engine/NetworkSettingsStage.h"

namespace plover {

StageSlots BuildStageSlots(ProcessObjects& objects) {
    StageSlots slots;
    slots[0] = [&objects](ComputationalThread& thread) {
        RunNetworkSettingsStage(thread, objects.NetworkSettings);
    };
    slots[1] = [&objects](ComputationalThread& thread) {
        RunLocalConnectionStage(thread, objects.NetworkSettings, objects.LocalConnection,
                                objects.FirewallOperations, objects.PloverMainForm);
    };
    slots[2] = [&objects](ComputationalThread& thread) {
        RunIspConnectionStage(thread, objects.NetworkSettings, objects.ISPSettings);
    };
    slots[3] = [&objects](ComputationalThread& thread) {
        RunNameResolutionStage(thread, objects.NameResolution);
    };
    slots[4] = [&objects](ComputationalThread& thread) {
        RunBrowserSettingsStage(thread, objects.BrowserSettings, objects.NameResolution,
                                objects.NetworkSettings.Changes());
    };
    return slots;
}

}  // namespace plover
