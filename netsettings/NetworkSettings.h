#pragma once

#include <string>
#include <vector>

#include "netsettings/AdapterDetails.h"
#include "platform/Platform.h"
#include "system/SettingsSnapshot.h"
#include "system/WinsockCatalogRepair.h"

namespace plover {

// The machine's IPv4 adapter addresses and the repairs that act on the
// adapters. One object lives for the whole process; it is used by one
// diagnostic run at a time, on that run's thread.
class TNetworkSettings {
public:
    // The snapshot holder is the process-wide one that the window reads to
    // delete the file later; the export texts are the ones the window chose
    // at start-up.
    TNetworkSettings(const Platform& os, SettingsSnapshot& snapshot,
                     const WinsockRegTexts& regTexts)
        : os_(os), snapshot_(snapshot), regTexts_(regTexts) {}
    TNetworkSettings(const TNetworkSettings&) = delete;
    TNetworkSettings& operator=(const TNetworkSettings&) = delete;

    // Inventory (AdapterInventory.cpp).
    void RefreshAdapters();
    bool FindAdapters();
    bool HasValidAddress();
    // The list as the last refresh left it; a refresh replaces it as a whole.
    const std::vector<AdapterDetails>& Adapters() const { return Adapters_; }
    int Count() const { return static_cast<int>(Adapters_.size()); }
    const AdapterDetails& Adapter(int index) const { return Adapters_.at(index); }

    // Subnet check (SubnetCheck.cpp).
    bool IsSameSubnet(const std::string& ip, const std::string& gateway, const std::string& mask);

    // Gateways in the interface keys (GatewayLookups.cpp).
    std::string GetGatewayFromRegistry();
    // The interface key path of an adapter with a usable gateway, or "retry".
    std::string FindGatewayInterfaceKey();

    // Repairs (AdapterRepairs.cpp).
    void ControlConnections(const std::string& action);
    void EnableAdapters();
    void DisableAdapters();
    void RestartAdapters();
    void SaveAdapterSettings();
    void RenewAddresses();
    void ResetIpStack();
    // The texts ResetIpStack imports, for the reset run directly.
    const WinsockRegTexts& RegTexts() const { return regTexts_; }
    // Every interface to DHCP. Each value it changes is remembered as it was
    // just before, until the stage keeps the switch or puts it back.
    void SwitchToDhcp();
    // The switch made its stage pass: it stays, and the settings snapshot
    // is kept as the record of the user's own values.
    void KeepDhcpSwitch();
    // The switch did not make its stage pass (or the run stopped first):
    // every value it changed is written back as it was, and the connections
    // are restarted so that it takes effect. Nothing when none is pending.
    void PutBackDhcpSwitch();
    bool DhcpSwitchPending() const { return !dhcpSwitch_.empty(); }
    // A repair outside the switch left an interface value changed (the
    // partner's DNS servers): the settings snapshot is kept.
    void NoteInterfaceValuesChanged() { snapshot_.InterfaceValuesChanged = true; }

private:
    // An interface value as SwitchToDhcp found it before changing it.
    struct ValueBeforeSwitch {
        std::string adapterName;
        std::string name;
        RegistryValue value;
    };
    void RememberBeforeSwitch(const std::string& adapterName, const std::string& name,
                              RegistryValue value);

    const Platform& os_;
    SettingsSnapshot& snapshot_;
    const WinsockRegTexts& regTexts_;
    std::vector<AdapterDetails> Adapters_;
    // Not kept and not put back yet.
    std::vector<ValueBeforeSwitch> dhcpSwitch_;
};

// The marker FindGatewayInterfaceKey answers when no key was found.
constexpr const char* GatewayKeyRetry = "retry";

}  // namespace plover
