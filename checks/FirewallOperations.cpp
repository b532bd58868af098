#include "checks/FirewallOperations.h"

#include "system/WindowsVersion.h"

namespace plover {

namespace {

constexpr uint32_t SettlePauseMilliseconds = 2000;

// Starts the component library for this thread and stops it again on the way
// out, but only when this call was the one that started it.
class ComponentLibraryScope {
public:
    explicit ComponentLibraryScope(FirewallManager& manager)
        : manager_(manager), start_(manager.StartComponentLibrary()) {}
    ~ComponentLibraryScope() {
        if (start_ == ComStart::Started) manager_.StopComponentLibrary();
    }
    ComponentLibraryScope(const ComponentLibraryScope&) = delete;
    ComponentLibraryScope& operator=(const ComponentLibraryScope&) = delete;

    bool Usable() const { return start_ != ComStart::Failed; }

private:
    FirewallManager& manager_;
    ComStart start_;
};

}  // namespace

struct TFirewallOperations::OwnSeam {
    explicit OwnSeam(const Platform& os) : changes(os, snapshot, regTexts) {}
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    MachineChanges changes;
};

TFirewallOperations::TFirewallOperations(const Platform& os, MachineChanges& changes)
    : os_(os), changes_(changes) {}

TFirewallOperations::TFirewallOperations(const Platform& os)
    : os_(os), own_(std::make_unique<OwnSeam>(os)), changes_(own_->changes) {}

TFirewallOperations::~TFirewallOperations() = default;

std::unique_ptr<FirewallProfile> TFirewallOperations::GetFirewallProfile() {
    return os_.firewall.CurrentProfile();
}

bool TFirewallOperations::IsFirewallEnabled(FirewallProfile& profile) {
    const auto enabled = profile.FirewallEnabled();
    return enabled.has_value() && *enabled;
}

bool TFirewallOperations::DisableFirewall() {
    if (GetWindowsVersionCode(os_) == WindowsVersion::Windows2000) return false;
    ComponentLibraryScope library(os_.firewall);
    if (!library.Usable()) return false;
    // Declared after the library scope so the profile is released before the
    // library shuts down.
    auto profile = GetFirewallProfile();
    if (!profile || !IsFirewallEnabled(*profile)) return false;
    // Unreadable counts as kept out, as the firewall ships.
    const bool echoAllowed = profile->EchoRequestsAllowed().value_or(false);
    if (changes_.SwitchFirewallOff() == NoChange) return false;
    changes_.AllowEchoRequests(echoAllowed);
    return true;
}

void TFirewallOperations::EnableFirewall() {
    if (GetWindowsVersionCode(os_) == WindowsVersion::Windows2000) return;
    ComponentLibraryScope library(os_.firewall);
    if (!library.Usable()) return;
    auto profile = GetFirewallProfile();
    if (!profile) return;
    bool recorded = false;
    for (const ChangeId id : changes_.Unsettled()) {
        const auto entry = changes_.Entry(id);
        recorded = recorded || (entry && entry->kind == ChangeKind::FirewallOff);
    }
    if (!recorded) return;
    // Switched on whatever the current state shows: the run may have left
    // it off in a way the profile does not show yet. The echo exception
    // goes first, being the newer change.
    changes_.SettleAll(ChangeKind::EchoException, false);
    changes_.SettleAll(ChangeKind::FirewallOff, false);
    os_.clock.Sleep(SettlePauseMilliseconds);
}

}  // namespace plover
