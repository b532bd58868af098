// Any datagram handed to the echo decoder either classifies or raises.
#include "protocols/IcmpEcho.h"
#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {

void IcmpDecodeEntry(const uint8_t* data, size_t size) {
    if (size > EchoReceiveBufferSize) return;  // the socket refuses these
    try {
        DecodeEchoReply(data, size, 12345);
    } catch (const EIdIcmpException&) {
    }
}

}  // namespace plover::fuzz
