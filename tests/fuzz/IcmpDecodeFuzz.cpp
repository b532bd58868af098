// Any datagram handed to the echo decoder either classifies or raises.
#include <cstddef>
#include <cstdint>

#include "protocols/IcmpEcho.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > plover::EchoReceiveBufferSize) return 0;  // the socket refuses these
    try {
        plover::DecodeEchoReply(data, size, 12345);
    } catch (const plover::EIdIcmpException&) {
    }
    return 0;
}
