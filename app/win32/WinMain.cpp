// The program entry: the wizard with the diagnostic stages of this build.
#include <windows.h>

#include <exception>

#include "app/ProgramStages.h"
#include "app/win32/CompositionRoot.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return plover::win32::RunWizard(instance, &plover::BuildStageSlots);
    } catch (const std::exception& error) {
        MessageBoxA(nullptr, error.what(), "PloverTool", MB_OK | MB_ICONERROR);
    } catch (...) {
        MessageBoxA(nullptr, "", "PloverTool", MB_OK | MB_ICONERROR);
    }
    return 0;
}
