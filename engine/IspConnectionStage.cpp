#include "engine/IspConnectionStage.h"

#include "system/Log.h"

namespace plover {

namespace {

constexpr uint32_t AfterPassMs = 2000;

}  // namespace

void RunIspConnectionStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                           TISPSettings& ISPSettings) {
    const Platform& os = thread.Os();
    if (ISPSettings.CheckIsp()) {
        os.clock.Sleep(AfterPassMs);
        return;
    }
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "checking ISP connection step", "error - try to repair");
    NetworkSettings.SwitchToDhcp();
    if (ISPSettings.CheckIsp()) {
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, "checking ISP connection step - pass", "repaired");
        return;
    }
    thread.FailStage(&RunDisplay::ShowSupportMessage);
    WriteLog(os, "checking ISP connection step - fail", "couldn.t be repaired");
}

}  // namespace plover
