#include <string>
#include <string_view>

#include "netsettings/NetworkSettings.h"
#include "system/Log.h"
#include "system/RegistryHelpers.h"
#include "system/SettingsSnapshot.h"
#include "system/WindowsVersion.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

namespace {

constexpr uint32_t AfterDisableMs = 1000;
constexpr uint32_t AfterEnableMs = 2000;
constexpr uint32_t AfterRenewMs = 10000;
constexpr uint32_t AfterQueryPassMs = 1000;
constexpr int GatewayAttempts = 20;
constexpr uint32_t GatewayAttemptPauseMs = 1000;
// The 32-bit value 1 as the registry stores it (little-endian).
constexpr std::string_view DwordOne{"\x01\x00\x00\x00", 4};
constexpr const char* EnableDhcpValue = "EnableDHCP";
constexpr const char* StaticGatewayValue = "DefaultGateway";

// One pass over the connections; false when a property read failed with an
// error code, which ends the pass.
bool SwitchConnection(NetworkConnection& connection, const std::string& action) {
    const ConnectionCallResult before = connection.ReadProperties();
    if (before == ConnectionCallResult::Error) return false;
    if (before != ConnectionCallResult::Success) return true;
    if (action == "disable") {
        connection.Disconnect();
    } else if (action == "enable") {
        connection.Connect();
    }
    return connection.ReadProperties() != ConnectionCallResult::Error;
}

}  // namespace

void TNetworkSettings::ControlConnections(const std::string& action) {
    if (GetWindowsVersionCode(os_) == WindowsVersion::Windows2000) return;
    // The manager holds the thread's component library initialisation; the
    // enumeration and each connection are released before it.
    const auto manager = os_.connections.CreateManager();
    if (!manager) return;
    const auto connections = manager->EnumConnections();
    if (!connections) return;
    while (auto connection = connections->Next()) {
        if (!SwitchConnection(*connection, action)) break;
    }
}

void TNetworkSettings::EnableAdapters() { ControlConnections("enable"); }

void TNetworkSettings::DisableAdapters() { ControlConnections("disable"); }

void TNetworkSettings::RestartAdapters() {
    DisableAdapters();
    os_.clock.Sleep(AfterDisableMs);
    EnableAdapters();
    os_.clock.Sleep(AfterEnableMs);
}

void TNetworkSettings::SaveAdapterSettings() {
    std::string text;
    for (const AdapterDetails& record : Adapters_) {
        text += record.AdapterName;
        text += '\n';
        text += record.Description;
        text += '\n';
        text += ReadInterfaceSettings(os_, record.AdapterName, record.Description);
    }
    WriteSettingsSnapshot(os_, snapshot_, text);
}

void TNetworkSettings::RenewAddresses() { RefreshIpStack(os_); }

void TNetworkSettings::ResetIpStack() { ResetWinsock(os_, regTexts_); }

void TNetworkSettings::SwitchToDhcp() {
    RefreshAdapters();
    for (const AdapterDetails& record : Adapters_) {
        auto key = OpenInterfaceKey(os_, InterfaceKeyPath(record.AdapterName));
        if (!key || !key->ValueExists(EnableDhcpValue)) continue;
        // Only what the switch really changes is remembered, so that putting
        // it back touches nothing else.
        if (auto before = key->ReadValue(EnableDhcpValue)) {
            if (before->type != RegistryValueType::Dword || before->data != DwordOne) {
                RememberBeforeSwitch(record.AdapterName, EnableDhcpValue, std::move(*before));
            }
        }
        key->WriteValue(EnableDhcpValue, RegistryValueType::Dword, DwordOne);
        if (auto gateway = key->ReadValue(StaticGatewayValue)) {
            RememberBeforeSwitch(record.AdapterName, StaticGatewayValue, std::move(*gateway));
        }
        key->DeleteValue(StaticGatewayValue);
    }
    DisableAdapters();
    os_.clock.Sleep(AfterDisableMs);
    EnableAdapters();
    os_.clock.Sleep(AfterEnableMs);
    RenewAddresses();
    os_.clock.Sleep(AfterRenewMs);
    ControlConnections("");
    os_.clock.Sleep(AfterQueryPassMs);
    RefreshAdapters();
    WriteLog(os_, "adapters count:", std::to_string(Adapters_.size()));

    bool found = false;
    for (int attemptsLeft = GatewayAttempts; !found && attemptsLeft > 0; --attemptsLeft) {
        RefreshAdapters();
        for (const AdapterDetails& record : Adapters_) {
            if (record.GatewayValid) {
                WriteLog(os_, "enabledhcp ", "gateway found:  " + record.Gateway);
                found = true;
                break;
            }
        }
        os_.clock.Sleep(GatewayAttemptPauseMs);
    }
    WriteLog(os_, "enabledhcp gateway found", TrueFalse(found));
}

void TNetworkSettings::RememberBeforeSwitch(const std::string& adapterName, const std::string& name,
                                            RegistryValue value) {
    // A second switch before the first was settled finds the first one's
    // values: the user's own are the ones seen first.
    for (const ValueBeforeSwitch& known : dhcpSwitch_) {
        if (known.adapterName == adapterName && known.name == name) return;
    }
    dhcpSwitch_.push_back({adapterName, name, std::move(value)});
}

void TNetworkSettings::KeepDhcpSwitch() {
    if (dhcpSwitch_.empty()) return;
    dhcpSwitch_.clear();
    NoteInterfaceValuesChanged();
}

void TNetworkSettings::PutBackDhcpSwitch() {
    if (dhcpSwitch_.empty()) return;
    const std::vector<ValueBeforeSwitch> values = std::move(dhcpSwitch_);
    dhcpSwitch_.clear();
    std::string adapter;
    for (const ValueBeforeSwitch& before : values) {
        if (before.adapterName != adapter) {
            adapter = before.adapterName;
            WriteLog(os_, "put back interface settings", adapter);
        }
        auto key = OpenInterfaceKey(os_, InterfaceKeyPath(adapter));
        if (key) key->WriteValue(before.name, before.value.type, before.value.data);
    }
    // As after the switch: the connections take the settings up again.
    RestartAdapters();
}

}  // namespace plover
