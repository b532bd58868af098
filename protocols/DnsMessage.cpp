#include "protocols/DnsMessage.h"

#include <array>

#include "protocols/DnsErrors.h"

namespace plover {

namespace {

constexpr uint16_t FlagResponse = 1u << 15;
constexpr uint16_t FlagIQuery = 1u << 11;
constexpr uint16_t FlagStatus = 1u << 12;
constexpr uint16_t FlagAuthoritative = 1u << 10;
constexpr uint16_t FlagTruncated = 1u << 9;
constexpr uint16_t FlagRecursionDesired = 1u << 8;
constexpr uint16_t FlagRecursionAvailable = 1u << 7;

uint16_t Fetch16(ByteReader& reader) {
    uint16_t value = 0;
    if (!reader.ReadU16(value)) RaiseDatagramInvalid();
    return value;
}

// Reads the name and type at the reader's position without moving it, so the
// record of the matching class can read itself from there.
std::unique_ptr<TclDnsRecord> CreateRecordAt(ByteReader& reader) {
    const size_t start = reader.Pos();
    TclDnsRecord::ReadDomainName(reader);
    auto record = CreateRecordByType(Fetch16(reader));
    reader.Seek(start);
    return record;
}

// One record read whole and added to list, or nothing added when it does not
// fit what was received or its name is malformed.
TclDnsRecord* ReadRecord(ByteReader& reader, TclDnsRecordList& list, bool question) {
    try {
        auto record = CreateRecordAt(reader);
        if (question) {
            record->ParseQuery(reader);
        } else {
            record->Parse(reader);
        }
        return &list.Add(std::move(record));
    } catch (const EclDnsError&) {
        return nullptr;
    }
}

}  // namespace

void TclDnsMessageHeader::Clear(uint32_t tickCount) {
    *this = TclDnsMessageHeader();
    ID = static_cast<uint16_t>(tickCount);
}

void TclDnsMessageHeader::Build(ByteWriter& writer) const {
    uint16_t flags = ResponseCode & 0x0F;
    if (!IsQuery) flags |= FlagResponse;
    if (OpCode == TclDnsOpCode::ocIQuery) flags |= FlagIQuery;
    if (OpCode == TclDnsOpCode::ocStatus) flags |= FlagStatus;
    if (IsAuthoritativeAnswer) flags |= FlagAuthoritative;
    if (IsTruncated) flags |= FlagTruncated;
    if (IsRecursionDesired) flags |= FlagRecursionDesired;
    if (IsRecursionAvailable) flags |= FlagRecursionAvailable;
    for (uint16_t value : {ID, flags, QueryCount, AnswerCount, NameServerCount, AdditionalCount}) {
        if (!writer.PutU16(value)) RaiseDatagramInvalid();
    }
}

void TclDnsMessageHeader::Parse(ByteReader& reader) {
    ID = Fetch16(reader);
    const uint16_t flags = Fetch16(reader);
    IsQuery = (flags & FlagResponse) == 0;
    switch ((flags >> 11) & 3) {
        case 1:
            OpCode = TclDnsOpCode::ocIQuery;
            break;
        case 2:
            OpCode = TclDnsOpCode::ocStatus;
            break;
        default:
            OpCode = TclDnsOpCode::ocQuery;
    }
    IsAuthoritativeAnswer = (flags & FlagAuthoritative) != 0;
    IsTruncated = (flags & FlagTruncated) != 0;
    IsRecursionDesired = (flags & FlagRecursionDesired) != 0;
    IsRecursionAvailable = (flags & FlagRecursionAvailable) != 0;
    ResponseCode = static_cast<uint8_t>(flags & 0x0F);
    QueryCount = Fetch16(reader);
    AnswerCount = Fetch16(reader);
    NameServerCount = Fetch16(reader);
    AdditionalCount = Fetch16(reader);
}

void TclDnsMessage::Clear(uint32_t tickCount) {
    Header.Clear(tickCount);
    Queries.Clear();
    Answers.Clear();
    NameServers.Clear();
    AdditionalRecords.Clear();
    IsSound = true;
}

void TclDnsMessage::Build(std::vector<uint8_t>& stream) {
    Header.QueryCount = static_cast<uint16_t>(Queries.GetCount());
    Header.AnswerCount = static_cast<uint16_t>(Answers.GetCount());
    Header.NameServerCount = static_cast<uint16_t>(NameServers.GetCount());
    Header.AdditionalCount = static_cast<uint16_t>(AdditionalRecords.GetCount());
    std::array<uint8_t, DnsDatagramSize> buffer{};
    ByteWriter writer(buffer.data(), buffer.size());
    Header.Build(writer);
    for (const TclDnsRecordList* list : {&Queries, &Answers, &NameServers, &AdditionalRecords}) {
        for (size_t i = 0; i < list->GetCount(); ++i) list->GetItems(i).Build(writer);
    }
    stream.insert(stream.end(), buffer.begin(), buffer.begin() + writer.Pos());
}

void TclDnsMessage::Parse(const uint8_t* stream, size_t size) {
    if (size > DnsDatagramSize) RaiseDatagramInvalid();
    Clear(0);
    ByteReader reader(stream, size);
    Header.Parse(reader);
    struct Section {
        uint16_t count;
        TclDnsRecordList* list;
        bool question;
    };
    const Section sections[] = {{Header.QueryCount, &Queries, true},
                                {Header.AnswerCount, &Answers, false},
                                {Header.NameServerCount, &NameServers, false},
                                {Header.AdditionalCount, &AdditionalRecords, false}};
    for (const Section& section : sections) {
        for (uint16_t i = 0; i < section.count; ++i) {
            const TclDnsRecord* record = ReadRecord(reader, *section.list, section.question);
            // Nothing after a record that does not read whole has a known
            // start: the message ends there.
            if (!record) {
                IsSound = false;
                return;
            }
            if (!record->DataIsValid) IsSound = false;
        }
    }
}

}  // namespace plover
