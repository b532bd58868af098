#pragma once

#include <memory>

#include "platform/Platform.h"

namespace plover {

// Switches the Windows Firewall off (letting echo requests in) for the local
// connection stage, and on again when the window closes. The state is read
// through the firewall manager objects; the switching is done by netsh.
class TFirewallOperations {
public:
    explicit TFirewallOperations(const Platform& os) : os_(os) {}
    TFirewallOperations(const TFirewallOperations&) = delete;
    TFirewallOperations& operator=(const TFirewallOperations&) = delete;

    // True when the firewall was on and both commands have been run.
    bool DisableFirewall();
    void EnableFirewall();

    // The profile in force, or null; expects the component library started.
    std::unique_ptr<FirewallProfile> GetFirewallProfile();
    static bool IsFirewallEnabled(FirewallProfile& profile);

private:
    const Platform& os_;
};

}  // namespace plover
