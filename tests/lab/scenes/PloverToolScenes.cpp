// The wizard with scripted stages, for the lab's screenshots of screens the
// stages that are built so far do not reach on a healthy lab network. The
// window, its view and the run frame are the product's own; only the stage
// bodies are scripted. The scene is the first command-line word.
#include <windows.h>

#include <string>

#include "app/win32/CompositionRoot.h"
#include "system/Log.h"

namespace {

using namespace plover;

void Pause(ComputationalThread& thread, uint32_t milliseconds) {
    thread.Os().clock.Sleep(milliseconds);
}

// A stage that shows the repair notice, tells the lab so, and keeps it up.
void Repairing(ComputationalThread& thread) {
    Pause(thread, 1500);
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(thread.Os(), "scene", "repair notice shown");
    Pause(thread, 2500);
}

StageBody Passing(uint32_t milliseconds) {
    return [milliseconds](ComputationalThread& thread) { Pause(thread, milliseconds); };
}

StageBody Failing(DisplayOperation failure) {
    return [failure](ComputationalThread& thread) {
        Repairing(thread);
        thread.FailStage(failure);
    };
}

StageSlots Scene(const std::string& scene) {
    StageSlots slots;
    for (auto& slot : slots) slot = Passing(400);
    if (scene == "repair") {
        slots[1] = [](ComputationalThread& thread) {
            Repairing(thread);
            thread.Synchronize(&RunDisplay::ResumeStagesPanel);
            WriteLog(thread.Os(), "scene", "repaired");
        };
    } else if (scene == "adapter") {
        slots[0] = Failing(&RunDisplay::ShowAdapterFailure);
    } else if (scene == "nointernet") {
        slots[0] = Failing(&RunDisplay::ShowNoInternetFailure);
    } else if (scene == "router") {
        slots[1] = Failing(&RunDisplay::ShowRouterMessage);
    } else if (scene == "support") {
        slots[2] = Failing(&RunDisplay::ShowSupportMessage);
    } else if (scene == "browser") {
        slots[4] = Failing(&RunDisplay::ShowBrowserSettingsFailure);
    } else if (scene == "restart") {
        slots[0] = [](ComputationalThread& thread) {
            Repairing(thread);
            thread.Synchronize(&RunDisplay::PromptRestart);
            if (thread.Display().RestartAccepted()) {
                thread.StageNumber = ComputationalThread::RunEnded;
                return;
            }
            thread.FailStage(&RunDisplay::ShowNoInternetFailure);
        };
    } else if (scene == "slow") {
        // A long first stage: Cancel comes back to the welcome screen while
        // the stage still runs.
        slots[0] = [](ComputationalThread& thread) {
            WriteLog(thread.Os(), "scene", "slow stage started");
            Pause(thread, 6000);
            WriteLog(thread.Os(), "scene", "slow stage ended");
        };
    }
    return slots;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
    std::string scene = commandLine ? commandLine : "";
    while (!scene.empty() && scene.back() == ' ') scene.pop_back();
    return win32::RunWizard(instance, [&](win32::ProcessObjects&) { return Scene(scene); });
}
