#include "protocols/DnsRecords.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <limits>
#include <optional>

#include "protocols/DnsErrors.h"

namespace plover {

namespace {

constexpr size_t MaxNameWireLength = 255;  // RFC 1035 section 2.3.4
constexpr size_t MaxLabelLength = 63;

template <typename T>
T Fetch(ByteReader& reader, bool (ByteReader::*read)(T&)) {
    T value{};
    if (!(reader.*read)(value)) RaiseDatagramInvalid();
    return value;
}

uint16_t FetchU16(ByteReader& reader) { return Fetch(reader, &ByteReader::ReadU16); }
uint32_t FetchU32(ByteReader& reader) { return Fetch(reader, &ByteReader::ReadU32); }

void WriteLabel(ByteWriter& writer, std::string_view label) {
    if (label.empty() || label.size() > MaxLabelLength) RaiseDatagramInvalid();
    if (!writer.PutU8(static_cast<uint8_t>(label.size())) || !writer.PutText(label)) {
        RaiseDatagramInvalid();
    }
}

}  // namespace

uint16_t RecordClassCode(TclDnsRecordClass recordClass) {
    switch (recordClass) {
        case TclDnsRecordClass::rcChaos:
            return 3;
        case TclDnsRecordClass::rcHesiod:
            return 4;
        case TclDnsRecordClass::rcInternet:
            break;
    }
    return 1;
}

TclDnsRecordClass RecordClassFromCode(uint16_t code) {
    if (code == 3) return TclDnsRecordClass::rcChaos;
    if (code == 4) return TclDnsRecordClass::rcHesiod;
    return TclDnsRecordClass::rcInternet;
}

std::string TclDnsRecord::ReadDomainName(ByteReader& reader) {
    std::string name;
    size_t wireLength = 1;  // the terminating zero byte
    std::optional<size_t> resume;
    size_t jumpLimit = std::numeric_limits<size_t>::max();
    for (;;) {
        const size_t at = reader.Pos();
        uint8_t length = 0;
        if (!reader.ReadU8(length)) RaiseDatagramInvalid();
        if (length >= 0xC0) {
            uint8_t low = 0;
            if (!reader.ReadU8(low)) RaiseDatagramInvalid();
            const size_t target = static_cast<size_t>(length & 0x3F) << 8 | low;
            // Strictly backwards of everything read so far: no cycle, no
            // endless walk.
            if (target >= std::min(at, jumpLimit)) RaiseDatagramInvalid();
            if (!resume) resume = reader.Pos();
            jumpLimit = target;
            reader.Seek(target);
            continue;
        }
        if (length == 0) break;
        // RFC 1035 section 4.1.4: the top bits 01 and 10 are reserved; such
        // a byte is neither a label length (at most 63) nor a pointer.
        if (length > MaxLabelLength) RaiseDatagramInvalid();
        std::string label;
        if (!reader.ReadText(length, label)) RaiseDatagramInvalid();
        wireLength += length + 1u;
        if (wireLength > MaxNameWireLength) RaiseDatagramInvalid();
        if (!name.empty()) name += '.';
        name += label;
    }
    if (resume) reader.Seek(*resume);
    return name;
}

void TclDnsRecord::WriteDomainName(ByteWriter& writer, const std::string& name) {
    std::string_view rest = name;
    if (!rest.empty() && rest.back() == '.') rest.remove_suffix(1);
    if (rest.size() + 2 > MaxNameWireLength) RaiseDatagramInvalid();
    while (!rest.empty()) {
        const size_t dot = rest.find('.');
        WriteLabel(writer, rest.substr(0, dot));
        if (dot == std::string_view::npos) break;
        rest.remove_prefix(dot + 1);
        if (rest.empty()) RaiseDatagramInvalid();  // "a..": an empty label
    }
    if (!writer.PutU8(0)) RaiseDatagramInvalid();
}

void TclDnsRecord::Build(ByteWriter& writer) const {
    WriteDomainName(writer, Name);
    if (!writer.PutU16(RecordType) || !writer.PutU16(RecordClassCode(RecordClass))) {
        RaiseDatagramInvalid();
    }
}

void TclDnsRecord::ParseQuery(ByteReader& reader) {
    Name = ReadDomainName(reader);
    RecordType = FetchU16(reader);
    RecordClass = RecordClassFromCode(FetchU16(reader));
}

void TclDnsRecord::Parse(ByteReader& reader) {
    ParseQuery(reader);
    TTL = FetchU32(reader);
    DataLength = FetchU16(reader);
    const size_t dataStart = reader.Pos();
    if (reader.Remaining() < DataLength) RaiseDatagramInvalid();
    const size_t dataEnd = dataStart + DataLength;
    // The record data is read through a view that ends where the data ends,
    // so a record cannot read into the next one; names inside may still
    // point back into the whole message before it.
    ByteReader data = reader.Prefix(dataEnd);
    data.Seek(dataStart);
    try {
        InternalParse(data);
        DataIsValid = true;
    } catch (const EclDnsError&) {
        DataIsValid = false;
    }
    reader.Seek(dataEnd);
}

void TclDnsRecord::InternalParse(ByteReader&) {}

void TclDnsARecord::InternalParse(ByteReader& data) {
    // RFC 1035 section 3.4.1: the data is one 32-bit address, nothing else.
    if (data.Remaining() != 4) RaiseDatagramInvalid();
    uint8_t b[4];
    for (auto& byte : b) byte = Fetch(data, &ByteReader::ReadU8);
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
    IPAddress = text;
}

void TclDnsNSRecord::InternalParse(ByteReader& data) { NameServer = ReadDomainName(data); }

void TclDnsCNAMERecord::InternalParse(ByteReader& data) { PrimaryName = ReadDomainName(data); }

void TclDnsSOARecord::InternalParse(ByteReader& data) {
    std::string primary = ReadDomainName(data);
    std::string mailbox = ReadDomainName(data);
    uint32_t numbers[5];
    for (auto& number : numbers) number = FetchU32(data);
    PrimaryNameServer = std::move(primary);
    ResponsibleMailbox = std::move(mailbox);
    SerialNumber = numbers[0];
    RefreshInterval = numbers[1];
    RetryInterval = numbers[2];
    ExpirationLimit = numbers[3];
    MinimumTTL = numbers[4];
}

void TclDnsPTRRecord::InternalParse(ByteReader& data) { DomainName = ReadDomainName(data); }

void TclDnsMXRecord::InternalParse(ByteReader& data) {
    const uint16_t preference = FetchU16(data);
    MailServer = ReadDomainName(data);
    Preference = preference;
}

std::unique_ptr<TclDnsRecord> CreateRecordByType(uint16_t recordType) {
    switch (recordType) {
        case 1:
            return std::make_unique<TclDnsARecord>();
        case 2:
            return std::make_unique<TclDnsNSRecord>();
        case 5:
            return std::make_unique<TclDnsCNAMERecord>();
        case 6:
            return std::make_unique<TclDnsSOARecord>();
        case 12:
            return std::make_unique<TclDnsPTRRecord>();
        case 15:
            return std::make_unique<TclDnsMXRecord>();
        default:
            return std::make_unique<TclDnsRecord>(recordType);
    }
}

TclDnsRecord& TclDnsRecordList::Add(std::unique_ptr<TclDnsRecord> record) {
    items_.push_back(std::move(record));
    return *items_.back();
}

void TclDnsRecordList::Delete(size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

TclDnsRecord* TclDnsRecordList::ItemByName(const std::string& name) const {
    const auto same = [&name](const std::string& other) {
        return other.size() == name.size() &&
               std::equal(other.begin(), other.end(), name.begin(), [](char a, char b) {
                   return std::tolower(static_cast<unsigned char>(a)) ==
                          std::tolower(static_cast<unsigned char>(b));
               });
    };
    for (const auto& item : items_) {
        if (same(item->Name)) return item.get();
    }
    return nullptr;
}

}  // namespace plover
