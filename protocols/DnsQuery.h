#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "platform/Sockets.h"
#include "protocols/DnsMessage.h"

namespace plover {

struct TclHostInfo {
    std::string IPAddress;
    std::string Name;
};
using TclHostList = std::vector<TclHostInfo>;

// A stub resolver: one question over UDP to one server, one reply (RFC 1035
// section 4.2.1). Every failure is raised as EclSocketError or EclDnsError;
// each lookup starts by clearing the state of the last one.
class TclDnsQuery {
public:
    TclDnsQuery(Sockets& sockets, Clock& clock) : sockets_(sockets), clock_(clock) {}
    TclDnsQuery(const TclDnsQuery&) = delete;
    TclDnsQuery& operator=(const TclDnsQuery&) = delete;

    std::string DnsServer;  // a dotted IPv4 address
    int TimeOut = 5000;     // milliseconds
    int Port = 53;
    bool IsRecursiveDesired = true;

    TclDnsMessage Query;
    TclDnsMessage Response;
    TclHostList Hosts;
    std::vector<std::string> NameServerNames;
    std::vector<std::string> Aliases;

    // The first address record of the answer, or none. A reply damaged
    // after whole address records still answers with those; a damaged reply
    // without one raises "The size of the datagram is invalid".
    std::optional<TclHostInfo> ResolveIP(const std::string& hostName);
    // The UDP exchange of Query for Response.
    void Resolve();
    void Resolve(TclDnsMessage& query, TclDnsMessage& response);

private:
    Sockets& sockets_;
    Clock& clock_;
};

}  // namespace plover
