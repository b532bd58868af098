#include "checks/FirewallOperations.h"

#include "system/ProgramRunner.h"
#include "system/WindowsVersion.h"

namespace plover {

namespace {

constexpr const char* CommandShell = "cmd.exe /c";
constexpr const char* SwitchOff = "netsh firewall set opmode DISABLE";
constexpr const char* AllowEchoRequests = "netsh firewall set icmpsetting 8 ENABLE";
constexpr const char* SwitchOn = "netsh firewall set opmode ENABLE";
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
    RunProgram(os_, std::string(CommandShell) + SwitchOff);
    RunProgram(os_, std::string(CommandShell) + AllowEchoRequests);
    return true;
}

void TFirewallOperations::EnableFirewall() {
    if (GetWindowsVersionCode(os_) == WindowsVersion::Windows2000) return;
    ComponentLibraryScope library(os_.firewall);
    if (!library.Usable()) return;
    auto profile = GetFirewallProfile();
    if (!profile) return;
    // Switched on whatever the current state: the run may have left it off
    // in a way the profile does not show yet.
    RunProgram(os_, std::string(CommandShell) + SwitchOn);
    os_.clock.Sleep(SettlePauseMilliseconds);
}

}  // namespace plover
