// The program entry: the wizard with the diagnostic stages of this build.
#include <windows.h>

#include <exception>

#include "app/win32/CompositionRoot.h"
#include "engine/NetworkSettingsStage.h"

namespace {

using namespace plover;

// The five stages of a run, built on the process-wide check objects. A stage
// whose body is not part of this build yet is an empty slot, which the run
// passes.
StageSlots BuildStageSlots(win32::ProcessObjects& objects) {
    StageSlots slots;
    TNetworkSettings& NetworkSettings = objects.NetworkSettings;
    slots[0] = [&NetworkSettings](ComputationalThread& thread) {
        RunNetworkSettingsStage(thread, NetworkSettings);
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
