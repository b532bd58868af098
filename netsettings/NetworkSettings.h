#pragma once

#include <memory>
#include <string>
#include <vector>

#include "netsettings/AdapterDetails.h"
#include "platform/Platform.h"
#include "system/MachineChanges.h"
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
    // at start-up; the changes are the process-wide seam every change of
    // the machine goes through.
    TNetworkSettings(const Platform& os, SettingsSnapshot& snapshot,
                     const WinsockRegTexts& regTexts, MachineChanges& changes)
        : os_(os), snapshot_(snapshot), regTexts_(regTexts), changes_(changes) {}
    // With a seam of its own, for a part of the program used alone.
    TNetworkSettings(const Platform& os, SettingsSnapshot& snapshot,
                     const WinsockRegTexts& regTexts)
        : os_(os),
          snapshot_(snapshot),
          regTexts_(regTexts),
          ownChanges_(std::make_unique<MachineChanges>(os, snapshot, regTexts)),
          changes_(*ownChanges_) {}
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

    // Repairs (AdapterRepairs.cpp). The connection pass: "disable" switches
    // off the network-card connections that are connected, "enable"
    // switches on again those the pass switched off, "" only reads them.
    // Dialled lines (phone, VPN) are never dialled nor hung up.
    void ControlConnections(const std::string& action);
    void EnableAdapters();
    void DisableAdapters();
    void RestartAdapters();
    void SaveAdapterSettings();
    void RenewAddresses();
    void ResetIpStack();
    // The texts ResetIpStack imports, for the reset run directly.
    const WinsockRegTexts& RegTexts() const { return regTexts_; }
    // The line under repair to DHCP: the adapters that carry, or should
    // carry, the default gateway (every adapter when none does). An adapter
    // with a static address and no gateway beside the line is left alone.
    // Each value it changes goes through the journal first, and stays
    // there until the stage keeps the switch or puts it back.
    void SwitchToDhcp();
    // The interface key names SwitchToDhcp would switch now.
    std::vector<std::string> LineUnderRepair();
    // The switch made its stage pass: it stays on the adapters that now
    // carry a gateway, and the settings snapshot is kept as the record of
    // the user's own values; another adapter it changed is put back.
    void KeepDhcpSwitch();
    // The switch did not make its stage pass (or the run stopped first):
    // every value it changed is written back as it was, and the connections
    // are restarted so that it takes effect. Nothing when none is pending.
    void PutBackDhcpSwitch();
    bool DhcpSwitchPending() const;
    // A repair outside the switch left an interface value changed (the
    // partner's DNS servers, the stack reset): the settings snapshot is kept.
    void NoteInterfaceValuesChanged() { snapshot_.InterfaceValuesChanged = true; }
    // The seam the repairs change the machine through.
    MachineChanges& Changes() { return changes_; }

private:
    const Platform& os_;
    SettingsSnapshot& snapshot_;
    const WinsockRegTexts& regTexts_;
    std::unique_ptr<MachineChanges> ownChanges_;
    MachineChanges& changes_;
    std::vector<AdapterDetails> Adapters_;
    // The switch's journal entries, not kept and not put back yet (another
    // thread may settle them at an accepted restart).
    std::vector<ChangeId> dhcpSwitch_;
    // Connections the last "disable" pass switched off.
    std::vector<ChangeId> connectionsOff_;
};

// The marker FindGatewayInterfaceKey answers when no key was found.
constexpr const char* GatewayKeyRetry = "retry";

}  // namespace plover
