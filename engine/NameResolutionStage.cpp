#include "engine/NameResolutionStage.h"

#include "platform/UniqueResource.h"
#include "system/Log.h"

namespace plover {

namespace {

// True when the check passes after the repair; the stage is then over.
// False also when the run was stopped before the repair could start.
bool RepairedBy(ComputationalThread& thread, TNameResolution& NameResolution, const char* name,
                void (TNameResolution::*repair)()) {
    if (!thread.Repair(name, [&] { (NameResolution.*repair)(); })) return false;
    if (!NameResolution.CheckNameResolution()) return false;
    thread.Synchronize(&RunDisplay::ResumeStagesPanel);
    WriteLog(thread.Os(), "check name resolution step", "repaired");
    return true;
}

// A network that answers every page with its own sign-in page is not
// repaired by the hosts file or other DNS servers (it blocks outside ones
// until the user signs in): the run ends asking the user to sign in.
bool EndsOnSignInPage(ComputationalThread& thread, TNameResolution& NameResolution) {
    if (NameResolution.SignInPageHost().empty()) return false;
    if (thread.FailStage(&RunDisplay::ShowSignInMessage)) {
        WriteLog(thread.Os(), "check name resolution step - fail",
                 "sign-in page of the network, not repaired");
    }
    return true;
}

}  // namespace

void RunNameResolutionStage(ComputationalThread& thread, TNameResolution& NameResolution) {
    const Platform& os = thread.Os();
    // Repairs stay unless the stage fails after both (below); a stop keeps
    // them as they are.
    ScopeExit settle([&] { NameResolution.SettleRepairs(true); });
    if (NameResolution.CheckNameResolution()) {
        WriteLog(os, "check name resolution good", "");
        return;
    }
    if (thread.Terminated() || EndsOnSignInPage(thread, NameResolution)) return;
    thread.Synchronize(&RunDisplay::ShowRepairInProgress);
    WriteLog(os, "check name resolution step - fail", "try to repair");
    if (RepairedBy(thread, NameResolution, "ReplaceHostsFile",
                   &TNameResolution::ReplaceHostsFile)) {
        return;
    }
    if (thread.Terminated() || EndsOnSignInPage(thread, NameResolution)) return;
    WriteLog(os, "check name resolution-fail", "write dns from provider");
    if (RepairedBy(thread, NameResolution, "WriteProviderDns",
                   &TNameResolution::WriteProviderDns)) {
        return;
    }
    // Repairs that did not help are put back before the run ends.
    if (!thread.Terminated()) {
        thread.Undo("PutBackNameRepairs", [&] { NameResolution.SettleRepairs(false); });
    }
    if (thread.FailStage(&RunDisplay::ShowSupportMessage)) {
        WriteLog(os, "check name resolution step - fail", "could not be repaired");
    }
}

}  // namespace plover
