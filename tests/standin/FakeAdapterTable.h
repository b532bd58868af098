#pragma once

#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/AdapterTable.h"

namespace plover::standin {

// A scripted adapter table. The table in place answers every refresh; tables
// queued with ThenTables take its place one per size probe, the last one
// staying, so a test can say "no adapter, then one after the restart".
class FakeAdapterTable : public AdapterTable {
public:
    // The table's bytes per adapter, as the 32-bit IP_ADAPTER_INFO takes them.
    static constexpr uint32_t BytesPerAdapter = 640;

    AdapterTableAnswer ProbeSize(uint32_t statedSize) override;
    AdapterTableAnswer Read(uint32_t bufferSize) override;

    void SetTable(std::vector<AdapterEntry> adapters);
    void ThenTables(std::vector<std::vector<AdapterEntry>> tables);
    std::vector<AdapterEntry> Table() const;

    // Faults: the size probe or the read answer this code instead.
    void FailProbe(uint32_t result);
    void FailRead(uint32_t result);

    int ProbeCount() const;

private:
    // Called with the mutex held.
    AdapterTableAnswer Answer(uint32_t size, const std::optional<uint32_t>& failure) const;

    mutable std::mutex mutex_;
    std::vector<AdapterEntry> table_;
    std::deque<std::vector<AdapterEntry>> upcoming_;
    std::optional<uint32_t> probeFailure_;
    std::optional<uint32_t> readFailure_;
    int probes_ = 0;
};

// An adapter entry in one line: name, description, DHCP flag, gateway and the
// address/mask pairs.
AdapterEntry Adapter(std::string name, std::string description, bool dhcpEnabled,
                     std::string gateway, std::vector<AdapterAddress> addresses);

}  // namespace plover::standin
