#include "engine/IspConnectionStage.h"

#include "engine/DhcpSwitchPutBack.h"
#include "system/Log.h"

namespace plover {

namespace {

constexpr uint32_t AfterPassMs = 2000;

}  // namespace

void RunIspConnectionStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                           TISPSettings& ISPSettings) {
    const Platform& os = thread.Os();
    // A network that drops echo requests may still let a connection out:
    // then it works, and nothing is changed.
    if (ISPSettings.CheckIsp() || ISPSettings.IspAnswersTcp()) {
        os.clock.Sleep(AfterPassMs);
        return;
    }
    if (thread.Terminated()) return;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "checking ISP connection step", "error - try to repair");
    if (!thread.Repair("SwitchToDhcp", [&] { NetworkSettings.SwitchToDhcp(); })) return;
    // The switch is judged by the same signs of life as the line before it.
    if (ISPSettings.CheckIsp() || ISPSettings.IspAnswersTcp()) {
        NetworkSettings.KeepDhcpSwitch();
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, "checking ISP connection step - pass", "repaired");
        return;
    }
    PutBackDhcpSwitch(thread, NetworkSettings);
    if (thread.FailStage(&RunDisplay::ShowSupportMessage)) {
        WriteLog(os, "checking ISP connection step - fail", "couldn.t be repaired");
    }
}

}  // namespace plover
