// Any datagram handed to the DNS message parser either parses as far as it
// is sound or raises the client's own error; an address record gives an
// address exactly when its data is four bytes; a parsed message can be
// written out again.
#include <vector>

#include "protocols/DnsErrors.h"
#include "protocols/DnsMessage.h"
#include "tests/fuzz/entries/FuzzEntries.h"

namespace plover::fuzz {

namespace {

void CheckRecords(const TclDnsMessage& message) {
    for (const TclDnsRecordList* list :
         {&message.Answers, &message.NameServers, &message.AdditionalRecords}) {
        for (size_t i = 0; i < list->GetCount(); ++i) {
            const TclDnsRecord& record = list->GetItems(i);
            Require(record.DataIsValid || !message.IsSound,
                    "a sound message holds only records whose data parsed");
            const auto* a = dynamic_cast<const TclDnsARecord*>(&record);
            if (!a) continue;
            Require(a->DataIsValid == (a->DataLength == 4),
                    "an address record is valid exactly when its data is four bytes");
            Require(a->IPAddress.empty() != a->DataIsValid,
                    "an address record has an address exactly when it is valid");
        }
    }
}

}  // namespace

void DnsParseEntry(const uint8_t* data, size_t size) {
    TclDnsMessage message;
    try {
        message.Parse(data, size);
    } catch (const EclDnsError&) {
        Require(size < 12 || size > DnsDatagramSize,
                "a datagram with a whole header parses as far as it is sound");
        return;
    }
    CheckRecords(message);
    std::vector<uint8_t> stream;
    try {
        message.Build(stream);
    } catch (const EclDnsError&) {
        // A parsed name may hold bytes that cannot be written back (a dot
        // inside a label, say); refusing it is all that is asked.
    }
}

}  // namespace plover::fuzz
