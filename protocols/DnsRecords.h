#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "protocols/ByteReader.h"
#include "protocols/ByteWriter.h"

namespace plover {

enum class TclDnsRecordClass { rcInternet, rcChaos, rcHesiod };

uint16_t RecordClassCode(TclDnsRecordClass recordClass);
TclDnsRecordClass RecordClassFromCode(uint16_t code);

// One question or resource record (RFC 1035 section 4.1.2 and 4.1.3).
class TclDnsRecord {
public:
    explicit TclDnsRecord(uint16_t recordType = 0) : RecordType(recordType) {}
    virtual ~TclDnsRecord() = default;
    TclDnsRecord(const TclDnsRecord&) = delete;
    TclDnsRecord& operator=(const TclDnsRecord&) = delete;

    std::string Name;
    uint16_t RecordType;
    TclDnsRecordClass RecordClass = TclDnsRecordClass::rcInternet;
    uint32_t TTL = 0;
    uint16_t DataLength = 0;
    // False when the record data did not read as its type's data (a name
    // that leaves the data, an address that is not four bytes); the fields
    // of the data then stay empty, and the record is known by its name, type
    // and class alone.
    bool DataIsValid = true;

    // Writes name, type and class: the program sends questions only, so
    // records of the other sections go out without TTL and data as well.
    void Build(ByteWriter& writer) const;
    // Reads a question (name, type, class) or a whole resource record. A
    // record that does not fit the reader or whose name is malformed raises
    // EclDnsError; data that does not read only clears DataIsValid, since
    // DataLength still tells where the next record starts.
    void ParseQuery(ByteReader& reader);
    void Parse(ByteReader& reader);

    // A name with compression (RFC 1035 section 4.1.4). Pointers must point
    // before the part being read, so every walk ends; a name longer than 255
    // bytes on the wire or leaving the reader's bounds is a malformed message.
    static std::string ReadDomainName(ByteReader& reader);
    // A name without compression: each label behind its length byte, then a
    // zero byte. A single trailing dot names the root; an empty or over-long
    // label, or a name that does not fit, is refused.
    static void WriteDomainName(ByteWriter& writer, const std::string& name);

protected:
    // Reads the record data; the reader ends at the end of the data. Raises
    // EclDnsError, leaving the data fields untouched, when the data does not
    // read.
    virtual void InternalParse(ByteReader& data);
};

class TclDnsARecord : public TclDnsRecord {
public:
    TclDnsARecord() : TclDnsRecord(1) {}
    std::string IPAddress;

protected:
    void InternalParse(ByteReader& data) override;
};

class TclDnsNSRecord : public TclDnsRecord {
public:
    TclDnsNSRecord() : TclDnsRecord(2) {}
    std::string NameServer;

protected:
    void InternalParse(ByteReader& data) override;
};

class TclDnsCNAMERecord : public TclDnsRecord {
public:
    TclDnsCNAMERecord() : TclDnsRecord(5) {}
    std::string PrimaryName;

protected:
    void InternalParse(ByteReader& data) override;
};

class TclDnsSOARecord : public TclDnsRecord {
public:
    TclDnsSOARecord() : TclDnsRecord(6) {}
    std::string PrimaryNameServer;
    std::string ResponsibleMailbox;
    uint32_t SerialNumber = 0;
    uint32_t RefreshInterval = 0;
    uint32_t RetryInterval = 0;
    uint32_t ExpirationLimit = 0;
    uint32_t MinimumTTL = 0;

protected:
    void InternalParse(ByteReader& data) override;
};

class TclDnsPTRRecord : public TclDnsRecord {
public:
    TclDnsPTRRecord() : TclDnsRecord(12) {}
    std::string DomainName;

protected:
    void InternalParse(ByteReader& data) override;
};

class TclDnsMXRecord : public TclDnsRecord {
public:
    TclDnsMXRecord() : TclDnsRecord(15) {}
    uint16_t Preference = 0;
    std::string MailServer;

protected:
    void InternalParse(ByteReader& data) override;
};

// The record class for a type code; a plain record for unknown types.
std::unique_ptr<TclDnsRecord> CreateRecordByType(uint16_t recordType);

// Owns its records.
class TclDnsRecordList {
public:
    TclDnsRecord& Add(std::unique_ptr<TclDnsRecord> record);
    void Clear() { items_.clear(); }
    void Delete(size_t index);
    size_t GetCount() const { return items_.size(); }
    TclDnsRecord& GetItems(size_t index) const { return *items_.at(index); }
    // The first record whose owner name equals name, ignoring case.
    TclDnsRecord* ItemByName(const std::string& name) const;

private:
    std::vector<std::unique_ptr<TclDnsRecord>> items_;
};

}  // namespace plover
