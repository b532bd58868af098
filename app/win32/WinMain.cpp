// The program entry: the wizard with the diagnostic stages of this build.
#include <windows.h>

#include <exception>

#include "app/win32/CompositionRoot.h"
#include "engine/BrowserSettingsStage.h"
#include "engine/IspConnectionStage.h"
#include "engine/LocalConnectionStage.h"
#include "engine/NameResolutionStage.h"
#include "engine/NetworkSettingsStage.h"

namespace {

using namespace plover;

// The five stages of a run, built on the process-wide check objects.
StageSlots BuildStageSlots(win32::ProcessObjects& objects) {
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
        RunBrowserSettingsStage(thread, objects.BrowserSettings);
    };
    return slots;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return win32::RunWizard(instance, &BuildStageSlots);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "PloverTool", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxA(nullptr, "", "PloverTool", MB_OK | MB_ICONERROR);
    }
    return 0;
}
