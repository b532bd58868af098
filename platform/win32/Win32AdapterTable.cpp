#include "platform/win32/Win32AdapterTable.h"

// clang-format off
#include <windows.h>
#include <iphlpapi.h>
// clang-format on

#include <cstring>
#include <new>
#include <vector>

namespace plover::win32 {

namespace {

// The block the size probe hands over; only its stated size matters.
constexpr size_t ProbeScratchBytes = 640;

// A fixed-size character field of the table up to its terminating zero.
template <size_t N>
std::string FieldText(const char (&field)[N]) {
    return std::string(field, strnlen(field, N));
}

AdapterEntry EntryOf(const IP_ADAPTER_INFO& adapter) {
    AdapterEntry entry;
    entry.name = FieldText(adapter.AdapterName);
    entry.description = FieldText(adapter.Description);
    entry.dhcpEnabled = adapter.DhcpEnabled != 0;
    for (const IP_ADDR_STRING* address = &adapter.IpAddressList; address != nullptr;
         address = address->Next) {
        entry.addresses.push_back(
            {FieldText(address->IpAddress.String), FieldText(address->IpMask.String)});
    }
    entry.gateway = FieldText(adapter.GatewayList.IpAddress.String);
    return entry;
}

}  // namespace

AdapterTableAnswer Win32AdapterTable::ProbeSize(uint32_t statedSize) {
    alignas(IP_ADAPTER_INFO) unsigned char scratch[ProbeScratchBytes > sizeof(IP_ADAPTER_INFO)
                                                       ? ProbeScratchBytes
                                                       : sizeof(IP_ADAPTER_INFO)] = {};
    // Never state more than the scratch block holds.
    ULONG size = statedSize < sizeof scratch ? statedSize : static_cast<ULONG>(sizeof scratch);
    AdapterTableAnswer answer;
    answer.result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(scratch), &size);
    if (answer.result == AdapterTableResult::BufferOverflow) answer.requiredSize = size;
    if (answer.result == AdapterTableResult::Success) {
        for (auto* adapter = reinterpret_cast<IP_ADAPTER_INFO*>(scratch); adapter != nullptr;
             adapter = adapter->Next) {
            answer.adapters.push_back(EntryOf(*adapter));
        }
    }
    return answer;
}

AdapterTableAnswer Win32AdapterTable::Read(uint32_t bufferSize) {
    AdapterTableAnswer answer;
    // Whole records keep the chain's alignment; zero-filled as the table expects.
    std::vector<IP_ADAPTER_INFO> buffer;
    try {
        buffer.resize((bufferSize + sizeof(IP_ADAPTER_INFO) - 1) / sizeof(IP_ADAPTER_INFO));
    } catch (const std::bad_alloc&) {
        answer.result = AdapterTableResult::OutOfMemory;
        return answer;
    }
    if (buffer.empty()) {
        answer.result = AdapterTableResult::BufferOverflow;
        return answer;
    }
    ULONG size = bufferSize;
    answer.result = GetAdaptersInfo(buffer.data(), &size);
    if (answer.result == AdapterTableResult::BufferOverflow) answer.requiredSize = size;
    if (answer.result != AdapterTableResult::Success) return answer;
    for (const IP_ADAPTER_INFO* adapter = buffer.data(); adapter != nullptr;
         adapter = adapter->Next) {
        answer.adapters.push_back(EntryOf(*adapter));
    }
    return answer;
}

}  // namespace plover::win32
