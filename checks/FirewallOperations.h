#pragma once

#include <memory>

#include "platform/Platform.h"
#include "system/MachineChanges.h"

namespace plover {

// Switches the Windows Firewall off (letting echo requests in) for the local
// connection stage, and on again when the window closes. The state is read
// through the firewall manager objects; the switching goes through the
// process-wide seam of machine changes (netsh), which records it first.
class TFirewallOperations {
public:
    TFirewallOperations(const Platform& os, MachineChanges& changes);
    // With a seam of its own, for a part of the program used alone.
    explicit TFirewallOperations(const Platform& os);
    ~TFirewallOperations();
    TFirewallOperations(const TFirewallOperations&) = delete;
    TFirewallOperations& operator=(const TFirewallOperations&) = delete;

    // True when the firewall was on and has been switched off; echo
    // requests are let in unless they were already.
    bool DisableFirewall();
    // Puts back what DisableFirewall changed: the echo exception as it was,
    // the firewall on.
    void EnableFirewall();
    // The seam; the window settles a run's other changes through it at an
    // accepted restart and recovers an unfinished run's at start-up.
    MachineChanges& Changes() { return changes_; }

    // The profile in force, or null; expects the component library started.
    std::unique_ptr<FirewallProfile> GetFirewallProfile();
    static bool IsFirewallEnabled(FirewallProfile& profile);

private:
    struct OwnSeam;
    const Platform& os_;
    std::unique_ptr<OwnSeam> own_;
    MachineChanges& changes_;
};

}  // namespace plover
