// Any datagram handed to the DNS message parser either parses or raises the
// client's own error; a parsed message can be written out again.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocols/DnsErrors.h"
#include "protocols/DnsMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plover::TclDnsMessage message;
    try {
        message.Parse(data, size);
    } catch (const plover::EclDnsError&) {
        return 0;
    }
    std::vector<uint8_t> stream;
    try {
        message.Build(stream);
    } catch (const plover::EclDnsError&) {
        // A parsed name may hold bytes that cannot be written back (a dot
        // inside a label, say); refusing it is all that is asked.
    }
    return 0;
}
