#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace plover {

// The answers of the adapter table as the IP helper gives them.
namespace AdapterTableResult {
constexpr uint32_t Success = 0;           // NO_ERROR
constexpr uint32_t OutOfMemory = 8;       // ERROR_NOT_ENOUGH_MEMORY
constexpr uint32_t BufferOverflow = 111;  // ERROR_BUFFER_OVERFLOW: the size needed is reported
constexpr uint32_t NoData = 232;          // ERROR_NO_DATA: no adapter at all
}  // namespace AdapterTableResult

// One IPv4 address of an adapter with the mask paired with it, dotted texts.
struct AdapterAddress {
    std::string address;
    std::string mask;
};

// One adapter of the table, reduced to what the inventory reads.
struct AdapterEntry {
    std::string name;  // the interface GUID text in braces on Windows
    std::string description;
    bool dhcpEnabled = false;
    // In the table's order; never empty: an adapter without an address
    // reports "0.0.0.0" as its first entry.
    std::vector<AdapterAddress> addresses;
    std::string gateway;  // first entry of the gateway list
};

struct AdapterTableAnswer {
    uint32_t result = AdapterTableResult::NoData;
    uint32_t requiredSize = 0;           // with BufferOverflow
    std::vector<AdapterEntry> adapters;  // with Success, in the system's adapter order
};

// The system's adapter table, asked the way GetAdaptersInfo is asked: first
// for the buffer size it needs, then for the table in a buffer of a given size.
class AdapterTable {
public:
    virtual ~AdapterTable() = default;
    AdapterTable() = default;
    AdapterTable(const AdapterTable&) = delete;
    AdapterTable& operator=(const AdapterTable&) = delete;

    // Asks with a stated buffer size; a machine with an adapter answers
    // BufferOverflow and the size it needs when the stated size is too small.
    virtual AdapterTableAnswer ProbeSize(uint32_t statedSize) = 0;
    // Reads the table into a zero-filled buffer of bufferSize bytes.
    virtual AdapterTableAnswer Read(uint32_t bufferSize) = 0;
};

}  // namespace plover
