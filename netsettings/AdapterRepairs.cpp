#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

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

}  // namespace

void TNetworkSettings::ControlConnections(const std::string& action) {
    if (GetWindowsVersionCode(os_) == WindowsVersion::Windows2000) return;
    // What this pass switches on: the connections the last "disable" pass
    // switched off, by name.
    std::vector<ChangeId> toSwitchOn;
    if (action == "enable") toSwitchOn = std::move(connectionsOff_);
    if (action == "disable" || action == "enable") connectionsOff_.clear();
    // The manager holds the thread's component library initialisation; the
    // enumeration and each connection are released before it.
    const auto manager = os_.connections.CreateManager();
    if (!manager) return;
    const auto connections = manager->EnumConnections();
    if (!connections) return;
    while (auto connection = connections->Next()) {
        // A property read failed with an error code ends the pass.
        const ConnectionCallResult before = connection->ReadProperties();
        if (before == ConnectionCallResult::Error) break;
        if (before != ConnectionCallResult::Success) continue;
        const ConnectionProperties properties = connection->Properties();
        if (action == "disable" && properties.status == ConnectionStatus::Connected &&
            properties.media == ConnectionMedia::Lan) {
            const ChangeId id = changes_.SwitchConnectionOff(*connection);
            if (id != NoChange) connectionsOff_.push_back(id);
        } else if (action == "enable") {
            for (auto it = toSwitchOn.begin(); it != toSwitchOn.end(); ++it) {
                const auto entry = changes_.Entry(*it);
                if (!entry || entry->path != properties.name) continue;
                changes_.SwitchConnectionBackOn(*it, *connection);
                toSwitchOn.erase(it);
                break;
            }
        }
        if (connection->ReadProperties() == ConnectionCallResult::Error) break;
    }
    // One the enumeration no longer listed stays in the journal, to be put
    // back by name at the close or the next start.
    if (action == "enable") {
        connectionsOff_.insert(connectionsOff_.end(), toSwitchOn.begin(), toSwitchOn.end());
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

std::vector<std::string> TNetworkSettings::LineUnderRepair() {
    RefreshAdapters();
    std::vector<std::string> line;
    std::vector<std::string> all;
    const auto add = [](std::vector<std::string>& names, const std::string& name) {
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    };
    for (const AdapterDetails& record : Adapters_) {
        add(all, record.AdapterName);
        const std::string path = InterfaceKeyPath(record.AdapterName);
        auto key = OpenInterfaceKey(os_, path);
        const bool gatewayInKey =
            key && key->ValueExists(StaticGatewayValue) &&
            !RegReadMultiString(os_, RegistryRoot::LocalMachine, path, StaticGatewayValue).empty();
        if (record.GatewayValid || record.DhcpEnabled || gatewayInKey) {
            add(line, record.AdapterName);
        }
    }
    // No adapter carries a gateway or asks for one: the one that should is
    // not known, and every adapter is under repair.
    return line.empty() ? all : line;
}

bool TNetworkSettings::DhcpSwitchPending() const {
    for (const ChangeId id : dhcpSwitch_) {
        if (changes_.Entry(id)) return true;
    }
    return false;
}

void TNetworkSettings::SwitchToDhcp() {
    for (const std::string& adapter : LineUnderRepair()) {
        const std::string path = InterfaceKeyPath(adapter);
        auto key = OpenInterfaceKey(os_, path);
        if (!key || !key->ValueExists(EnableDhcpValue)) continue;
        key.reset();
        WriteLog(os_, "enabledhcp on adapter", adapter);
        // Only what the switch really changes is recorded, so that putting
        // it back touches nothing else; a second switch before the first was
        // settled finds nothing left to change, and the user's own values
        // stay the ones recorded.
        for (const ChangeId id :
             {changes_.WriteValue(ChangeKind::InterfaceValue, RegistryRoot::LocalMachine, path,
                                  EnableDhcpValue, RegistryValueType::Dword, DwordOne),
              changes_.DeleteValue(ChangeKind::InterfaceValue, RegistryRoot::LocalMachine, path,
                                   StaticGatewayValue)}) {
            if (id != NoChange) dhcpSwitch_.push_back(id);
        }
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

void TNetworkSettings::KeepDhcpSwitch() {
    const std::vector<ChangeId> ids = std::move(dhcpSwitch_);
    dhcpSwitch_.clear();
    // What stays is the switch of the adapters that now carry a gateway.
    // Another adapter the switch changed (every one is switched when none
    // carried a gateway before) goes back as it was. The list is the one
    // the stage's check just read.
    std::vector<std::string> carrying;
    for (const AdapterDetails& record : Adapters_) {
        if (record.GatewayValid) carrying.push_back(record.AdapterName);
    }
    std::vector<ChangeId> keep;
    std::vector<ChangeId> putBack;
    for (const ChangeId id : ids) {
        const auto entry = changes_.Entry(id);
        if (!entry) continue;
        const std::string adapter = entry->path.substr(entry->path.find_last_of('\\') + 1);
        const bool onLine = carrying.empty() ||
                            std::find(carrying.begin(), carrying.end(), adapter) != carrying.end();
        (onLine ? keep : putBack).push_back(id);
    }
    changes_.Settle(keep, true);
    if (putBack.empty()) return;
    changes_.Settle(putBack, false);
    RestartAdapters();
}

void TNetworkSettings::PutBackDhcpSwitch() {
    if (!DhcpSwitchPending()) {
        dhcpSwitch_.clear();
        return;
    }
    const std::vector<ChangeId> ids = std::move(dhcpSwitch_);
    dhcpSwitch_.clear();
    changes_.Settle(ids, false);
    // As after the switch: the connections take the settings up again.
    RestartAdapters();
}

}  // namespace plover
