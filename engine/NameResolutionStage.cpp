#include "engine/NameResolutionStage.h"

#include "system/Log.h"

namespace plover {

namespace {

// True when the check passes after the repair; the stage is then over.
bool RepairedBy(ComputationalThread& thread, TNameResolution& NameResolution,
                void (TNameResolution::*repair)()) {
    (NameResolution.*repair)();
    if (!NameResolution.CheckNameResolution()) return false;
    thread.Synchronize(&RunDisplay::ResumeStagesPanel);
    WriteLog(thread.Os(), "check name resolution step", "repaired");
    return true;
}

}  // namespace

void RunNameResolutionStage(ComputationalThread& thread, TNameResolution& NameResolution) {
    const Platform& os = thread.Os();
    if (NameResolution.CheckNameResolution()) {
        WriteLog(os, "check name resolution good", "");
        return;
    }
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "check name resolution step - fail", "try to repair");
    if (RepairedBy(thread, NameResolution, &TNameResolution::ReplaceHostsFile)) return;
    WriteLog(os, "check name resolution-fail", "write dns from provider");
    if (RepairedBy(thread, NameResolution, &TNameResolution::WriteProviderDns)) return;
    thread.FailStage(&RunDisplay::ShowSupportMessage);
    WriteLog(os, "check name resolution step - fail", "could not be repaired");
}

}  // namespace plover
