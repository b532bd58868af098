// Any datagram is matched against a request, reading only its own bytes,
// and handed to the echo decoder either classifies or raises.
#include "protocols/IcmpEcho.h"
#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {

void IcmpDecodeEntry(const uint8_t* data, size_t size) {
    if (size > EchoReceiveBufferSize) return;  // the socket refuses these
    AnswersEchoRequest(data, size, {10, 0, 0, 5}, 0x5678, 0);
    try {
        DecodeEchoReply(data, size, 12345);
    } catch (const EIdIcmpException&) {
    }
}

}  // namespace plover::fuzz
