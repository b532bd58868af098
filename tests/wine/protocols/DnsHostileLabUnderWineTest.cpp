// The DNS client over Winsock under Wine against the lab's hostile
// responders (tests/lab/labs.sh hostile-dns): one responder per
// kind of bad reply, each on its own lab address. Every lookup must end in
// an error, a clean "no address" or, where whole address records come before
// the damage, the sound address, within its time-out. Elsewhere these tests
// skip themselves.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "platform/win32/Win32Platform.h"
#include "protocols/DnsErrors.h"
#include "protocols/DnsQuery.h"

namespace plover {
namespace {

constexpr const char* LookedUpName = "www.lab.test";
constexpr const char* SoundAddress = "10.78.0.80";  // the lab's answer for the name
constexpr int LookupTimeOut = 2000;
constexpr int Margin = 3000;  // a hang check, not a speed check

const std::string DatagramInvalid = std::string(cDnsDatagramInvalid) + " (-1)";
const std::string Timeout = std::string(cTimeoutOccured) + " (-1)";

// What the behaviour gives for each kind (the address, "none", or "error
// text (code)"): a reply the parser cannot trust is
// the datagram error; a reply that is not from the server, or not for this
// query, is never seen and the lookup times out.
const std::map<std::string, std::string>& ExpectedOutcomes() {
    static const std::map<std::string, std::string> outcomes = {
        {"short-datagram", DatagramInvalid},
        {"counts-beyond", SoundAddress},
        {"compression-loop", DatagramInvalid},
        {"forward-pointer", DatagramInvalid},
        {"pointer-out-of-range", DatagramInvalid},
        {"reserved-label-bits", DatagramInvalid},
        {"rdlength-past-end", DatagramInvalid},
        {"answer-flood", SoundAddress},
        {"wrong-id", Timeout},
        {"other-address", Timeout},
        {"other-port", Timeout},
        {"unknown-types", "none"},
        {"truncated", SoundAddress},
        {"silence", Timeout},
    };
    return outcomes;
}

// PLOVER_HOSTILE_DNS_LAB: "kind=address,kind=address,...".
std::map<std::string, std::string> LabResponders() {
    std::map<std::string, std::string> responders;
    const char* text = std::getenv("PLOVER_HOSTILE_DNS_LAB");
    if (!text) return responders;
    std::stringstream list(text);
    std::string item;
    while (std::getline(list, item, ',')) {
        const size_t equals = item.find('=');
        if (equals != std::string::npos)
            responders[item.substr(0, equals)] = item.substr(equals + 1);
    }
    return responders;
}

// One lookup as the name check makes it: a new component, its outcome as
// the table shows it.
std::string LookUp(const std::string& server) {
    win32::Win32Platform platform;
    TclDnsQuery dns(platform.Os().sockets, platform.Os().clock);
    dns.DnsServer = server;
    dns.TimeOut = LookupTimeOut;
    try {
        const auto host = dns.ResolveIP(LookedUpName);
        return host ? host->IPAddress : "none";
    } catch (const EclError& e) {
        return std::string(e.what()) + " (" + std::to_string(e.ErrorCode()) + ")";
    }
}

class HostileDnsUnderWine : public ::testing::TestWithParam<std::string> {};

TEST_P(HostileDnsUnderWine, EndsSoundlyWithinItsTimeOut) {
    const auto responders = LabResponders();
    if (responders.empty()) GTEST_SKIP() << "runs only inside the hostile DNS lab";
    const std::string& kind = GetParam();
    const auto server = responders.find(kind);
    ASSERT_NE(server, responders.end()) << "the lab has no responder for " << kind;

    const auto start = std::chrono::steady_clock::now();
    const std::string outcome = LookUp(server->second);
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    EXPECT_EQ(outcome, ExpectedOutcomes().at(kind));
    EXPECT_LE(elapsed, LookupTimeOut + Margin);

    if (const char* table = std::getenv("PLOVER_HOSTILE_DNS_TABLE")) {
        std::ofstream(table, std::ios::app) << kind << '\t' << outcome << '\t' << elapsed << '\n';
    }
}

std::vector<std::string> Kinds() {
    std::vector<std::string> kinds;
    for (const auto& entry : ExpectedOutcomes()) kinds.push_back(entry.first);
    return kinds;
}

INSTANTIATE_TEST_SUITE_P(Kinds, HostileDnsUnderWine, ::testing::ValuesIn(Kinds()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name;
                             for (char c : info.param) name += c == '-' ? '_' : c;
                             return name;
                         });

}  // namespace
}  // namespace plover
