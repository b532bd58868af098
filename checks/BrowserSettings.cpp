#include "checks/BrowserSettings.h"

#include <optional>
#include <string_view>

#include "system/RegistryHelpers.h"

namespace plover {

namespace {

constexpr const char* InternetSettingsKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
constexpr const char* ProxyEnableValue = "ProxyEnable";
constexpr const char* ProxyServerValue = "ProxyServer";
constexpr std::string_view DwordZero{"\0\0\0\0", 4};
// Each call waits this long after closing the key, so the browser settings
// stage never hurries past a change it has just made.
constexpr uint32_t ClosingPauseMs = 1000;

std::unique_ptr<RegistryKey> OpenInternetSettings(const Platform& os) {
    return OpenRegistryKey(os, RegistryAccess::AllAccess, RegistryRoot::CurrentUser,
                           InternetSettingsKey, false);
}

// The value as a 32-bit integer; nothing when it is missing or of any other
// type or size.
std::optional<uint32_t> ReadDword(RegistryKey& key, const std::string& name) {
    const auto value = key.ReadValue(name);
    if (!value || value->type != RegistryValueType::Dword || value->data.size() != 4) {
        return std::nullopt;
    }
    uint32_t number = 0;
    for (size_t i = 0; i < 4; ++i) {
        number |= static_cast<uint32_t>(static_cast<unsigned char>(value->data[i])) << (8 * i);
    }
    return number;
}

}  // namespace

std::string EnabledProxyServer(const Platform& os) {
    auto key = OpenInternetSettings(os);
    if (!key) return {};
    const auto enabled = ReadDword(*key, ProxyEnableValue);
    if (!enabled || *enabled == 0) return {};
    const auto server = key->ReadValue(ProxyServerValue);
    if (!server || server->type != RegistryValueType::String) return {};
    // The stored text may carry its terminating NUL.
    return server->data.substr(0, server->data.find('\0'));
}

bool TBrowserSettings::IsProxyDisabled() {
    bool disabled = false;
    if (auto key = OpenInternetSettings(os_)) {
        disabled = ReadDword(*key, ProxyEnableValue) == 0u;
    }
    os_.clock.Sleep(ClosingPauseMs);
    return disabled;
}

ChangeId TBrowserSettings::DisableProxy(MachineChanges& changes) {
    // A failed write shows in the stage's second check.
    const ChangeId change =
        changes.WriteValue(ChangeKind::ProxySwitch, RegistryRoot::CurrentUser, InternetSettingsKey,
                           ProxyEnableValue, RegistryValueType::Dword, DwordZero);
    os_.clock.Sleep(ClosingPauseMs);
    return change;
}

}  // namespace plover
