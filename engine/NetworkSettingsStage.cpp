#include "engine/NetworkSettingsStage.h"

#include "engine/RestartRepair.h"
#include "system/Log.h"

namespace plover {

namespace {

constexpr uint32_t AfterPassMs = 1000;

// True when an adapter is there, at once or after the connections were
// restarted; otherwise the stage has failed.
bool CheckAdapterHardware(ComputationalThread& thread, TNetworkSettings& NetworkSettings) {
    const Platform& os = thread.Os();
    WriteLog(os, "hardware check", "");
    if (NetworkSettings.FindAdapters()) {
        WriteLog(os, "hardware network adapter step", "pass");
        os.clock.Sleep(AfterPassMs);
        return true;
    }
    if (thread.Terminated()) return false;
    WriteLog(os, "no network adapter found", "try to repair");
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    if (!thread.Repair("RestartAdapters", [&] { NetworkSettings.RestartAdapters(); })) {
        return false;
    }
    if (NetworkSettings.FindAdapters()) {
        WriteLog(os, "network adapter step", "repaired");
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        return true;
    }
    WriteLog(os, "no network adapter found", "");
    thread.FailStage(&RunDisplay::ShowAdapterFailure);
    return false;
}

void CheckIpSettings(ComputationalThread& thread, TNetworkSettings& NetworkSettings) {
    const Platform& os = thread.Os();
    NetworkSettings.SaveAdapterSettings();
    WriteLog(os, "IP settings check", "");
    if (NetworkSettings.HasValidAddress()) {
        WriteLog(os, "IP settings network adapter step", "pass");
        os.clock.Sleep(AfterPassMs);
        return;
    }
    if (thread.Terminated()) return;
    WriteLog(os, "no valid ip address found -try to repair ", "repair method1");
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    if (!thread.Repair("RenewAddresses", [&] { NetworkSettings.RenewAddresses(); })) return;
    if (NetworkSettings.HasValidAddress()) {
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, " IP settings repaired", "");
        return;
    }
    WriteLog(os, "no valid ip address found -after repair1 ", "");
    RunRestartRepair(thread, NetworkSettings, RestartRepairForm::NetworkSettings);
}

}  // namespace

void RunNetworkSettingsStage(ComputationalThread& thread, TNetworkSettings& NetworkSettings) {
    if (CheckAdapterHardware(thread, NetworkSettings)) CheckIpSettings(thread, NetworkSettings);
}

}  // namespace plover
