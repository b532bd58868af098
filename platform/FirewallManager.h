#pragma once

#include <memory>
#include <optional>

namespace plover {

// How the component library came up for the calling thread.
enum class ComStart {
    Started,      // initialised here; shut it down when done
    ChangedMode,  // the thread already runs another threading model; usable, do not shut down
    Failed,
};

// The firewall profile that is in force (domain or standard); releasing it is
// its destruction.
class FirewallProfile {
public:
    virtual ~FirewallProfile() = default;
    FirewallProfile() = default;
    FirewallProfile(const FirewallProfile&) = delete;
    FirewallProfile& operator=(const FirewallProfile&) = delete;

    // The profile's "firewall enabled" switch; nothing when it cannot be read.
    virtual std::optional<bool> FirewallEnabled() = 0;
    // Whether the profile lets echo requests in; nothing when it cannot be
    // read.
    virtual std::optional<bool> EchoRequestsAllowed() = 0;
};

// The Windows Firewall manager objects, used with their own component-library
// start per call.
class FirewallManager {
public:
    virtual ~FirewallManager() = default;
    FirewallManager() = default;
    FirewallManager(const FirewallManager&) = delete;
    FirewallManager& operator=(const FirewallManager&) = delete;

    // Apartment threading with OLE1 DDE switched off.
    virtual ComStart StartComponentLibrary() = 0;
    virtual void StopComponentLibrary() = 0;
    // Manager, local policy, current profile; the manager and the policy are
    // released before this returns. Null on the first failure.
    virtual std::unique_ptr<FirewallProfile> CurrentProfile() = 0;
};

}  // namespace plover
