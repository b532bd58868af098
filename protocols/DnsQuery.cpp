#include "protocols/DnsQuery.h"

#include "protocols/DnsErrors.h"
#include "protocols/DnsUdpConnection.h"

namespace plover {

namespace {

constexpr int QueryBatchSize = 512;

void CheckResponseCode(uint8_t code) {
    switch (code) {
        case 0:
            return;
        case 1:
            throw EclDnsError(cDnsFormatError, code);
        case 2:
            throw EclDnsError(cDnsServerFailure, code);
        case 3:
            throw EclDnsError(cDnsNameError, code);
        case 4:
            throw EclDnsError(cDnsNotImplemented, code);
        case 5:
            throw EclDnsError(cDnsRefused, code);
        default:
            throw EclDnsError(cDnsUnspecifiedError, code);
    }
}

}  // namespace

std::optional<TclHostInfo> TclDnsQuery::ResolveIP(const std::string& hostName) {
    // Both messages start afresh, each with the tick count as its ID.
    const uint32_t now = clock_.TickCount();
    Query.Clear(now);
    Response.Clear(now);
    Hosts.clear();
    NameServerNames.clear();
    Aliases.clear();

    Query.Header.IsQuery = true;
    Query.Header.IsRecursionDesired = IsRecursiveDesired;
    auto question = std::make_unique<TclDnsARecord>();
    question->Name = hostName;
    Query.Queries.Add(std::move(question));

    Resolve();

    for (size_t i = 0; i < Response.Answers.GetCount(); ++i) {
        auto* a = dynamic_cast<TclDnsARecord*>(&Response.Answers.GetItems(i));
        if (a && a->DataIsValid) Hosts.push_back({a->IPAddress, a->Name});
    }
    // A damaged reply whose whole records hold an address answers with them;
    // one that holds none fails as a malformed reply, with nothing listed.
    if (Hosts.empty() && !Response.IsSound) RaiseDatagramInvalid();
    for (size_t i = 0; i < Response.NameServers.GetCount(); ++i) {
        auto* ns = dynamic_cast<TclDnsNSRecord*>(&Response.NameServers.GetItems(i));
        if (ns && ns->DataIsValid) NameServerNames.push_back(ns->NameServer);
    }
    for (const TclDnsRecordList* list : {&Response.Answers, &Response.AdditionalRecords}) {
        for (size_t i = 0; i < list->GetCount(); ++i) {
            if (auto* cname = dynamic_cast<TclDnsCNAMERecord*>(&list->GetItems(i))) {
                Aliases.push_back(cname->Name);
            }
        }
    }
    if (Hosts.empty()) return std::nullopt;
    return Hosts.front();
}

void TclDnsQuery::Resolve() { Resolve(Query, Response); }

void TclDnsQuery::Resolve(TclDnsMessage& query, TclDnsMessage& response) {
    TclUdpClientConnection connection(sockets_, clock_);
    connection.SetBatchSize(QueryBatchSize);
    connection.TimeOut = TimeOut;
    connection.Open(DnsServer, Port);

    std::vector<uint8_t> sent;
    query.Build(sent);
    connection.WriteData(sent);
    // RFC 1035 section 7.3: a reply carries the ID of its query. Another ID
    // is a stale reply or a forged one, and it answers nothing; the wait for
    // the right one goes on within the same time-out. A datagram too short
    // to carry an ID is no reply to this query either.
    const uint16_t id = query.Header.ID;
    const std::vector<uint8_t> received =
        connection.ReadData([id](const std::vector<uint8_t>& datagram) {
            return datagram.size() >= 2 && (datagram[0] << 8 | datagram[1]) == id;
        });

    response.Parse(received.data(), received.size());
    // Our own question reflected back, or any other message that is not an
    // answer, says nothing about the name.
    if (response.Header.IsQuery) RaiseDatagramInvalid();
    CheckResponseCode(response.Header.ResponseCode);
}

}  // namespace plover
