#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Sockets.h"
#include "protocols/ProtocolError.h"

namespace plover {

// The outcome of one ping.
enum class ReplyStatusKind : uint8_t {
    StatusEcho = 0,         // an echo came back
    StatusError = 1,        // only while a datagram is being decoded
    StatusTimedOut = 2,     // nothing arrived in time
    StatusUnreachable = 3,  // destination unreachable
    StatusTtlExpired = 4,   // time to live exceeded
};

struct TReplyStatus {
    int ByteCount = 0;  // IP header included; 0 on time-out
    std::string SourceAddress = "0.0.0.0";
    uint8_t IcmpType = 0;
    uint16_t Sequence = 0;
    uint32_t RoundTripMs = 0;
    uint8_t Ttl = 0;
    ReplyStatusKind Status = ReplyStatusKind::StatusError;
};

// A reply that cannot be an answer to an echo request; its code is the size
// of a datagram too short to hold one, or the ICMP type it carried.
class EIdIcmpException : public ProtocolError {
public:
    using ProtocolError::ProtocolError;
};

constexpr size_t EchoRequestSize = 52;
constexpr size_t EchoReceiveBufferSize = 1024;

// RFC 1071: 16-bit words summed as they lie in memory, carries folded twice,
// one's complement. Stored back in the same byte order, the result is a
// valid checksum on a machine of either byte order.
uint16_t InternetChecksum(const uint8_t* data, size_t size);

// Type 8 code 0 (RFC 792), then identifier, sequence and time stamp in
// little-endian order, 8 zero bytes and 32 bytes of 'E'.
std::array<uint8_t, EchoRequestSize> BuildEchoRequest(uint16_t identifier, uint16_t sequence,
                                                      uint32_t timeStamp);

// Classifies one received datagram (IPv4 header first) as read into the
// zeroed receive buffer; tickCount is the clock at decoding. Throws
// EIdIcmpException for a datagram too short for an ICMP header or of a type
// that does not answer an echo request.
TReplyStatus DecodeEchoReply(const uint8_t* datagram, size_t size, uint32_t tickCount);

// True when the datagram (IPv4 header first) answers the echo request sent
// to target with this identifier and sequence: an echo reply (or, on the
// loopback, the request itself) from target that carries both, or an ICMP
// error from anywhere that quotes that very request. A raw socket also
// reads other programs' pings, requests from outside and errors caused by
// other traffic; none of them says anything about this request.
bool AnswersEchoRequest(const uint8_t* datagram, size_t size, const Ipv4Address& target,
                        uint16_t identifier, uint16_t sequence);

// The status of a ping that got no datagram in time.
TReplyStatus TimedOutReply(uint16_t nextSequence);

}  // namespace plover
