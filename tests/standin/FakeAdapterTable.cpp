#include "tests/standin/FakeAdapterTable.h"

namespace plover::standin {

namespace {
uint32_t SizeOf(const std::vector<AdapterEntry>& table) {
    return static_cast<uint32_t>(table.size()) * FakeAdapterTable::BytesPerAdapter;
}
}  // namespace

// What the table answers a caller whose buffer holds size bytes.
AdapterTableAnswer FakeAdapterTable::Answer(uint32_t size,
                                            const std::optional<uint32_t>& failure) const {
    AdapterTableAnswer answer;
    if (failure) {
        answer.result = *failure;
    } else if (table_.empty()) {
        answer.result = AdapterTableResult::NoData;
    } else if (size < SizeOf(table_)) {
        answer.result = AdapterTableResult::BufferOverflow;
        answer.requiredSize = SizeOf(table_);
    } else {
        answer.result = AdapterTableResult::Success;
        answer.adapters = table_;
    }
    return answer;
}

AdapterTableAnswer FakeAdapterTable::ProbeSize(uint32_t statedSize) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++probes_;
    if (!upcoming_.empty()) {
        table_ = std::move(upcoming_.front());
        upcoming_.pop_front();
    }
    return Answer(statedSize, probeFailure_);
}

AdapterTableAnswer FakeAdapterTable::Read(uint32_t bufferSize) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Answer(bufferSize, readFailure_);
}

void FakeAdapterTable::SetTable(std::vector<AdapterEntry> adapters) {
    std::lock_guard<std::mutex> lock(mutex_);
    table_ = std::move(adapters);
}

void FakeAdapterTable::ThenTables(std::vector<std::vector<AdapterEntry>> tables) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto& table : tables) upcoming_.push_back(std::move(table));
}

std::vector<AdapterEntry> FakeAdapterTable::Table() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return table_;
}

void FakeAdapterTable::FailProbe(uint32_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    probeFailure_ = result;
}

void FakeAdapterTable::FailRead(uint32_t result) {
    std::lock_guard<std::mutex> lock(mutex_);
    readFailure_ = result;
}

int FakeAdapterTable::ProbeCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return probes_;
}

AdapterEntry Adapter(std::string name, std::string description, bool dhcpEnabled,
                     std::string gateway, std::vector<AdapterAddress> addresses) {
    AdapterEntry entry;
    entry.name = std::move(name);
    entry.description = std::move(description);
    entry.dhcpEnabled = dhcpEnabled;
    entry.gateway = std::move(gateway);
    entry.addresses = std::move(addresses);
    return entry;
}

}  // namespace plover::standin
