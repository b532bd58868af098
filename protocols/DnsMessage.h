#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocols/ByteReader.h"
#include "protocols/ByteWriter.h"
#include "protocols/DnsRecords.h"

namespace plover {

enum class TclDnsOpCode { ocQuery, ocIQuery, ocStatus };

// RFC 1035 section 4.1.1.
class TclDnsMessageHeader {
public:
    uint16_t ID = 0;
    bool IsQuery = false;
    TclDnsOpCode OpCode = TclDnsOpCode::ocQuery;
    bool IsAuthoritativeAnswer = false;
    bool IsTruncated = false;
    bool IsRecursionDesired = false;
    bool IsRecursionAvailable = false;
    uint8_t ResponseCode = 0;  // 0 to 15
    uint16_t QueryCount = 0;
    uint16_t AnswerCount = 0;
    uint16_t NameServerCount = 0;
    uint16_t AdditionalCount = 0;

    // ID from the low 16 bits of the millisecond tick count; all else cleared.
    void Clear(uint32_t tickCount);
    void Build(ByteWriter& writer) const;
    void Parse(ByteReader& reader);
};

// The classic UDP limit of RFC 1035 section 4.2.1, both ways.
constexpr size_t DnsDatagramSize = 512;

class TclDnsMessage {
public:
    TclDnsMessageHeader Header;
    TclDnsRecordList Queries;
    TclDnsRecordList Answers;
    TclDnsRecordList NameServers;  // the authority section
    TclDnsRecordList AdditionalRecords;
    // False when the last Parse met damage: a record that runs past the
    // received bytes (or a count larger than the records present), a
    // malformed name, or record data that did not read. The parse ends at a
    // record that does not read whole, and keeps every record before it.
    bool IsSound = true;

    void Clear(uint32_t tickCount);
    // Appends the message to stream; names go out uncompressed. A message
    // that does not fit 512 bytes raises EclDnsError.
    void Build(std::vector<uint8_t>& stream);
    // Reads one message of at most 512 bytes, as far as its bytes are sound
    // (see IsSound). More than 512 bytes, or fewer than a header, raise
    // EclDnsError ("The size of the datagram is invalid", -1); no read ever
    // leaves the given bytes.
    void Parse(const uint8_t* stream, size_t size);
};

}  // namespace plover
