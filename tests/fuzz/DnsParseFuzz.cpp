// Any datagram handed to the DNS message parser either parses as far as it
// is sound or raises the client's own error; an address record gives an
// address exactly when its data is four bytes; a parsed message can be
// written out again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "protocols/DnsErrors.h"
#include "protocols/DnsMessage.h"

namespace {

void CheckRecords(const plover::TclDnsMessage& message) {
    for (const plover::TclDnsRecordList* list :
         {&message.Answers, &message.NameServers, &message.AdditionalRecords}) {
        for (size_t i = 0; i < list->GetCount(); ++i) {
            const plover::TclDnsRecord& record = list->GetItems(i);
            if (!record.DataIsValid && message.IsSound) std::abort();
            const auto* a = dynamic_cast<const plover::TclDnsARecord*>(&record);
            if (!a) continue;
            if (a->DataIsValid != (a->DataLength == 4)) std::abort();
            if (a->IPAddress.empty() == a->DataIsValid) std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    plover::TclDnsMessage message;
    try {
        message.Parse(data, size);
    } catch (const plover::EclDnsError&) {
        if (size >= 12 && size <= plover::DnsDatagramSize) std::abort();
        return 0;
    }
    CheckRecords(message);
    std::vector<uint8_t> stream;
    try {
        message.Build(stream);
    } catch (const plover::EclDnsError&) {
        // A parsed name may hold bytes that cannot be written back (a dot
        // inside a label, say); refusing it is all that is asked.
    }
    return 0;
}
