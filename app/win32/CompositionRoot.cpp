#include "app/win32/CompositionRoot.h"

#include <commctrl.h>

#include "app/MessageForm.h"
#include "app/win32/ContactDialogView.h"
#include "app/win32/MainWindowView.h"
#include "app/win32/SingleInstance.h"
#include "checks/FirewallOperations.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Synchronizer.h"
#include "system/SettingsSnapshot.h"

namespace plover::win32 {

namespace {

void RunMessageLoop(MainWindowView& view) {
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (view.PreTranslate(message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

int RunWizard(HINSTANCE instance, const StageSlotsFactory& stages) {
    // Before anything that reads or changes the machine.
    const SingleInstance oneCopy;
    if (!oneCopy.IsFirstCopy()) {
        SingleInstance::ShowFirstCopy(MainWindowView::ClassName);
        return 0;
    }
    // Loads the version 6 controls the manifest asks for, so buttons take the
    // system's visual style on Windows XP too.
    INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    Win32Platform platform;
    const Platform& os = platform.Os();

    // Process-wide objects: they live until the process ends.
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    // Every change a run makes to the machine, recorded before it is made;
    // on the plain clock, so that a stop never shortens a put-back. The
    // firewall is switched on again by the window's own thread, on that
    // clock too.
    MachineChanges changes(os, snapshot, regTexts);
    TFirewallOperations FirewallOperations(os, changes);

    TMessageForm MessageForm;
    Win32Synchronizer synchronizer;
    ContactDialogView contactView(instance, MessageForm);
    MainWindowView view(instance, synchronizer, contactView);
    TPloverMainForm PloverMainForm(
        MainFormParts{os, view, synchronizer, FirewallOperations, snapshot, regTexts, MessageForm});
    // The run's objects see the system through the window's run clock, so a
    // stop cuts their pauses and waits short. The checks that ping or fetch
    // pages hold the window, whose echo client and page component they use;
    // like the others they outlive every run.
    const Platform& runOs = PloverMainForm.RunOs();
    TNetworkSettings NetworkSettings(runOs, snapshot, regTexts, changes);
    TBrowserSettings BrowserSettings(runOs);
    TLocalConnection LocalConnection(runOs, NetworkSettings, PloverMainForm);
    TISPSettings ISPSettings(runOs, PloverMainForm);
    TNameResolution NameResolution(runOs, NetworkSettings, PloverMainForm, PloverMainForm,
                                   PloverMainForm.ProviderDnsServers);
    ProcessObjects objects{runOs,       PloverMainForm,     NetworkSettings, LocalConnection,
                           ISPSettings, FirewallOperations, BrowserSettings, NameResolution};
    PloverMainForm.SetStageSlots(stages(objects));

    // A branding block that lacks what start-up needs ends the program
    // silently: the window is never shown.
    if (!PloverMainForm.ApplicationEndRequested() && view.Create(PloverMainForm)) {
        view.Show();
        RunMessageLoop(view);
    } else {
        PloverMainForm.EndedWithoutWindow();
    }
    // A run still going here is one a close or the session's end stopped
    // waiting for: it is not joined, the process ends here, before any
    // object the run uses is destroyed.
    if (PloverMainForm.RunActive()) ExitProcess(0);
    return 0;
}

}  // namespace plover::win32
