#include <string>

#include "netsettings/AddressRules.h"
#include "netsettings/NetworkSettings.h"
#include "system/Log.h"

namespace plover {

namespace {

// The size probe states a buffer far too small for any adapter, so every
// machine with one answers with the size it needs.
constexpr uint32_t ProbeStatedSize = 4;
constexpr uint32_t PausePerRecordMs = 10;
constexpr uint32_t PausePerAdapterMs = 10;

AdapterTableAnswer ReadAdapterTable(AdapterTable& table) {
    const AdapterTableAnswer probe = table.ProbeSize(ProbeStatedSize);
    if (probe.result != AdapterTableResult::BufferOverflow) return {};
    AdapterTableAnswer answer = table.Read(probe.requiredSize);
    if (answer.result != AdapterTableResult::Success) return {};
    return answer;
}

}  // namespace

void TNetworkSettings::RefreshAdapters() {
    std::vector<AdapterDetails> fresh;
    const AdapterTableAnswer table = ReadAdapterTable(os_.adapters);
    for (const AdapterEntry& adapter : table.adapters) {
        for (const AdapterAddress& address : adapter.addresses) {
            AdapterDetails record;
            record.AdapterName = adapter.name;
            record.Description = adapter.description;
            record.IpAddress = address.address;
            record.IpMask = address.mask;
            record.Gateway = adapter.gateway;
            record.DhcpEnabled = adapter.dhcpEnabled;
            record.IpValid = IsUsableAddress(record.IpAddress);
            record.GatewayValid = IsUsableGateway(record.Gateway);
            fresh.push_back(std::move(record));
            os_.clock.Sleep(PausePerRecordMs);
        }
        os_.clock.Sleep(PausePerAdapterMs);
    }
    Adapters_ = std::move(fresh);
}

bool TNetworkSettings::FindAdapters() {
    RefreshAdapters();
    WriteLog(os_, "adapters found ", std::to_string(Adapters_.size()));
    return !Adapters_.empty();
}

bool TNetworkSettings::HasValidAddress() {
    RefreshAdapters();
    for (const AdapterDetails& record : Adapters_) {
        if (record.IpValid) return true;
    }
    return false;
}

}  // namespace plover
