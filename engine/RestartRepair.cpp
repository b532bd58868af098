#include "engine/RestartRepair.h"

#include "engine/DhcpSwitchPutBack.h"
#include "system/Log.h"
#include "system/ResumeState.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

namespace {

constexpr const char* NotRepaired =
    "no valid ip address found. The connection couldn't be repaired";

}  // namespace

void RunRestartRepair(ComputationalThread& thread, TNetworkSettings& NetworkSettings,
                      RestartRepairForm form) {
    const Platform& os = thread.Os();
    const bool stage1 = form == RestartRepairForm::NetworkSettings;
    const DisplayOperation failurePanel =
        stage1 ? &RunDisplay::ShowNoInternetFailure : &RunDisplay::ShowRouterMessage;
    // A DHCP switch that led here stays only when the computer restarts
    // with it.
    const auto endWithoutRestart = [&] {
        PutBackDhcpSwitch(thread, NetworkSettings);
        return thread.FailStage(failurePanel);
    };

    if (thread.Terminated()) {
        endWithoutRestart();
        return;
    }
    // A limited account could neither reset nor arrange the resume: no
    // restart is offered for a repair that did not happen.
    if (!os.system.HasAdministratorRights()) {
        WriteLog(os, "restart repair skipped, it needs an administrator", "");
        if (stage1) WriteLog(os, NotRepaired, "");
        endWithoutRestart();
        return;
    }
    if (!IsOsSuitableForRepair2(os) || thread.Display().WasRestarted()) {
        if (stage1) WriteLog(os, NotRepaired, "");
        endWithoutRestart();
        return;
    }
    if (stage1) WriteLog(os, "OS is suitable for repair2 ", "");
    if (form == RestartRepairForm::LocalAddress) {
        WriteLog(os, "ping on ipaddress - error", "try to repair");
    }
    if (CheckWinsock(os)) {
        if (stage1) WriteLog(os, NotRepaired, "good winsock");
        endWithoutRestart();
        return;
    }
    switch (form) {
        case RestartRepairForm::NetworkSettings:
            WriteLog(os, "no valid ip address found -try to repair method2", "");
            break;
        case RestartRepairForm::Loopback:
            WriteLog(os, "ping on 127.0.0.1 - error", "try to repair");
            thread.Synchronize(&RunDisplay::ShowRepairInProgress);
            WriteLog(os, "checking local connection step", "start repair2");
            break;
        case RestartRepairForm::LocalAddress:
            WriteLog(os, "checking local connection step", "start repair2");
            break;
    }
    bool reset = false;
    thread.Repair(stage1 ? "ResetIpStack" : "ResetWinsock", [&] {
        // A reset cut off between the keys' delete and their import is
        // finished at the next start; one that ends is meant to last.
        MachineChanges& changes = NetworkSettings.Changes();
        const ChangeId keys = changes.Record({ChangeKind::WinsockKeys, {}, {}, {}, false, {}});
        if (keys == NoChange) return;
        if (stage1) {
            NetworkSettings.ResetIpStack();
        } else {
            ResetWinsock(os, NetworkSettings.RegTexts());
        }
        // The IP reset returned every interface to DHCP: the snapshot is
        // the only record of the user's own values.
        NetworkSettings.NoteInterfaceValuesChanged();
        changes.Keep(keys);
        reset = true;
    });
    if (!reset) {
        endWithoutRestart();
        return;
    }
    // Stopped while the reset ran: nobody is asked to restart, and the
    // program is not started again at the next log-on.
    const bool stopped = thread.Terminated();
    if (!stopped) thread.Synchronize(&RunDisplay::PromptRestart);
    if (stopped || !thread.Display().RestartAccepted()) {
        RemoveResumeSchedule(os);
        ClearResumeMarker(os);
        if (!stopped) {
            WriteLog(os, "user choose do not restart PC", "");
            if (stage1) WriteLog(os, NotRepaired, "");
        }
        endWithoutRestart();
        return;
    }
    NetworkSettings.KeepDhcpSwitch();
    thread.StageNumber = ComputationalThread::RunEnded;
    WriteLog(os, "PC restarted", "");
}

}  // namespace plover
