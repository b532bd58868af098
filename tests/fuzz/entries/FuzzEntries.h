#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <stdexcept>

namespace plover::fuzz {

// What a parser promised and an input broke. The fuzzer lets it escape, so
// libFuzzer keeps the input as a crash; the corpus replay reports it as a
// failure that names the file.
class BrokenPromise : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void Require(bool holds, const char* promise) {
    if (!holds) throw BrokenPromise(promise);
}

// One entry per parser that reads bytes from outside: any bytes at all, and
// each checks what its parser promises about them.
void DnsParseEntry(const uint8_t* data, size_t size);
void IcmpDecodeEntry(const uint8_t* data, size_t size);
void HostsReadEntry(const uint8_t* data, size_t size);
void BrandingReadEntry(const uint8_t* data, size_t size);

struct FuzzTarget {
    const char* name;  // the fuzzer's program and its corpus folder
    void (*entry)(const uint8_t* data, size_t size);
};

constexpr std::array<FuzzTarget, 4> FuzzTargets = {{
    {"dns_parse_fuzz", DnsParseEntry},
    {"icmp_decode_fuzz", IcmpDecodeEntry},
    {"hosts_read_fuzz", HostsReadEntry},
    {"branding_read_fuzz", BrandingReadEntry},
}};

}  // namespace plover::fuzz
