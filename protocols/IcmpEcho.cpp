#include "protocols/IcmpEcho.h"

#include <algorithm>
#include <cstring>

namespace plover {

namespace {

constexpr uint8_t TypeEchoReply = 0;
constexpr uint8_t TypeDestinationUnreachable = 3;
constexpr uint8_t TypeEchoRequest = 8;
constexpr uint8_t TypeSourceQuench = 4;
constexpr uint8_t TypeRedirect = 5;
constexpr uint8_t TypeTimeExceeded = 11;
constexpr uint8_t TypeParameterProblem = 12;
constexpr uint8_t ProtocolIcmp = 1;
constexpr size_t MinimumIpHeader = 20;
constexpr size_t IcmpHeaderSize = 8;

bool IsErrorType(uint8_t type) {
    return type == TypeDestinationUnreachable || type == TypeSourceQuench ||
           type == TypeRedirect || type == TypeTimeExceeded || type == TypeParameterProblem;
}

uint16_t Little16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// The IPv4 header's length, or 0 when fewer than size bytes cannot hold it
// and an ICMP header after it.
size_t HeaderBefore(const uint8_t* datagram, size_t size) {
    if (size < MinimumIpHeader) return 0;
    const size_t length = static_cast<size_t>(datagram[0] & 15) * 4;
    if (length < MinimumIpHeader || size < length + IcmpHeaderSize) return 0;
    return length;
}

bool SameAddress(const uint8_t* at, const Ipv4Address& address) {
    return std::equal(address.begin(), address.end(), at);
}

bool CarriesIds(const uint8_t* icmp, uint16_t identifier, uint16_t sequence) {
    return Little16(&icmp[4]) == identifier && Little16(&icmp[6]) == sequence;
}

void PutLittle16(uint8_t* at, uint16_t value) {
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

uint32_t Little32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
           static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
}

}  // namespace

uint16_t InternetChecksum(const uint8_t* data, size_t size) {
    uint32_t sum = 0;
    size_t i = 0;
    for (; i + 1 < size; i += 2) {
        uint16_t word;
        std::memcpy(&word, data + i, 2);
        sum += word;
    }
    if (i < size) {
        uint16_t word = 0;
        std::memcpy(&word, data + i, 1);
        sum += word;
    }
    sum = (sum >> 16) + (sum & 0xffff);
    sum += sum >> 16;
    return static_cast<uint16_t>(~sum);
}

std::array<uint8_t, EchoRequestSize> BuildEchoRequest(uint16_t identifier, uint16_t sequence,
                                                      uint32_t timeStamp) {
    std::array<uint8_t, EchoRequestSize> request{};
    request[0] = TypeEchoRequest;
    request[1] = 0;
    PutLittle16(&request[4], identifier);
    PutLittle16(&request[6], sequence);
    PutLittle16(&request[8], static_cast<uint16_t>(timeStamp));
    PutLittle16(&request[10], static_cast<uint16_t>(timeStamp >> 16));
    std::fill(request.begin() + 20, request.end(), uint8_t{'E'});
    const uint16_t checksum = InternetChecksum(request.data(), request.size());
    std::memcpy(&request[2], &checksum, 2);
    return request;
}

TReplyStatus DecodeEchoReply(const uint8_t* datagram, size_t size, uint32_t tickCount) {
    // Every field is read from a zeroed buffer of the receive size, so bytes
    // that did not arrive read as zero and no read leaves the buffer: the IP
    // header is at most 60 bytes and the last field read ends 12 bytes later.
    std::array<uint8_t, EchoReceiveBufferSize> buffer{};
    std::memcpy(buffer.data(), datagram, std::min(size, buffer.size()));

    TReplyStatus status;
    status.Status = ReplyStatusKind::StatusError;
    const size_t headerLength = static_cast<size_t>(buffer[0] & 15) * 4;
    if (size < headerLength + 8)
        throw EIdIcmpException("Not enough bytes received", static_cast<int>(size));

    const uint8_t* icmp = &buffer[headerLength];
    switch (icmp[0]) {
        case TypeEchoReply:
        case TypeEchoRequest:  // the host's own request, seen on the loopback
            status.Status = ReplyStatusKind::StatusEcho;
            break;
        case TypeDestinationUnreachable:
            status.Status = ReplyStatusKind::StatusUnreachable;
            break;
        case TypeTimeExceeded:
            status.Status = ReplyStatusKind::StatusTtlExpired;
            break;
        default:
            throw EIdIcmpException("Non-echo type response received", icmp[0]);
    }
    status.ByteCount = static_cast<int>(size);
    status.SourceAddress = std::to_string(buffer[12]) + '.' + std::to_string(buffer[13]) + '.' +
                           std::to_string(buffer[14]) + '.' + std::to_string(buffer[15]);
    status.IcmpType = icmp[0];
    status.Sequence = static_cast<uint16_t>(icmp[6] | icmp[7] << 8);
    status.RoundTripMs = tickCount - Little32(&icmp[8]);
    status.Ttl = buffer[8];
    return status;
}

bool AnswersEchoRequest(const uint8_t* datagram, size_t size, const Ipv4Address& target,
                        uint16_t identifier, uint16_t sequence) {
    const size_t header = HeaderBefore(datagram, size);
    if (header == 0) return false;
    const uint8_t* icmp = datagram + header;
    if (icmp[0] == TypeEchoReply || icmp[0] == TypeEchoRequest) {
        return SameAddress(&datagram[12], target) && CarriesIds(icmp, identifier, sequence);
    }
    if (!IsErrorType(icmp[0])) return false;
    // RFC 792: the error carries the request's IP header and the first
    // eight bytes of its ICMP message.
    const uint8_t* quoted = icmp + IcmpHeaderSize;
    const size_t quotedHeader = HeaderBefore(quoted, size - header - IcmpHeaderSize);
    if (quotedHeader == 0) return false;
    const uint8_t* request = quoted + quotedHeader;
    return quoted[9] == ProtocolIcmp && SameAddress(&quoted[16], target) &&
           request[0] == TypeEchoRequest && CarriesIds(request, identifier, sequence);
}

TReplyStatus TimedOutReply(uint16_t nextSequence) {
    TReplyStatus status;
    status.ByteCount = 0;
    status.SourceAddress = "0.0.0.0";
    status.IcmpType = 0;
    status.Sequence = nextSequence;
    status.RoundTripMs = 0;
    status.Ttl = 0;
    status.Status = ReplyStatusKind::StatusTimedOut;
    return status;
}

}  // namespace plover
