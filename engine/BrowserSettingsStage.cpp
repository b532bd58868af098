#include "engine/BrowserSettingsStage.h"

#include "system/Log.h"

namespace plover {

namespace {

constexpr uint32_t AfterPassMs = 2000;
// Gives the user a moment to read the repair notice before the setting
// changes under the browser.
constexpr uint32_t BeforeRepairMs = 3000;
constexpr const char* StepPassed = "checking browser settings step - pass";

}  // namespace

void RunBrowserSettingsStage(ComputationalThread& thread, TBrowserSettings& BrowserSettings,
                             TNameResolution& NameResolution, MachineChanges& changes) {
    const Platform& os = thread.Os();
    if (BrowserSettings.IsProxyDisabled()) {
        WriteLog(os, StepPassed, "");
        os.clock.Sleep(AfterPassMs);
        return;
    }
    // A proxy that brings a probe page is the way this user's browser
    // reaches the web: switching it off would cut the browser off.
    const std::string proxy = EnabledProxyServer(os);
    if (!proxy.empty() && NameResolution.ProxyShowsProbePage(proxy)) {
        WriteLog(os, StepPassed, "proxy works, left on");
        os.clock.Sleep(AfterPassMs);
        return;
    }
    if (thread.Terminated()) return;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "checking Browser settings - fail", "try to repair");
    os.clock.Sleep(BeforeRepairMs);
    ChangeId switchedOff = NoChange;
    if (!thread.Repair("DisableProxy", [&] { switchedOff = BrowserSettings.DisableProxy(changes); })) {
        return;
    }
    const bool disabled = BrowserSettings.IsProxyDisabled();
    // The proxy that did not work stays off; a switch that did not take is put back.
    changes.Settle(switchedOff, disabled);
    if (disabled) {
        thread.Synchronize(&RunDisplay::ResumeStagesPanel);
        WriteLog(os, StepPassed, "repaired");
        return;
    }
    if (thread.FailStage(&RunDisplay::ShowBrowserSettingsFailure)) {
        WriteLog(os, "checking browser settings step - fail", "");
    }
}

}  // namespace plover
