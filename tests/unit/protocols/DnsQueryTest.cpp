#include <gtest/gtest.h>

#include <cerrno>

#include "platform/posix/PosixSockets.h"
#include "protocols/DnsErrors.h"
#include "protocols/DnsQuery.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/support/Hex.h"
#include "tests/unit/support/LoopbackPeers.h"

namespace plover {
namespace {

using standin::FakeWindows;
using testing::DnsmasqServer;
using testing::FromHex;
using testing::ReplyFrom;
using testing::ScriptedUdpServer;
using testing::ToHex;

// The reply to a query: its ID and question kept, then the given flags,
// counts and records.
std::string Reply(const std::string& query, const std::string& flags, const std::string& counts,
                  const std::string& records = "") {
    return query.substr(0, 2) + FromHex(flags) + FromHex("0001") + FromHex(counts) +
           query.substr(12) + FromHex(records);
}

template <typename Error>
void ExpectError(const std::function<void()>& lookup, const std::string& message, int code) {
    try {
        lookup();
        ADD_FAILURE() << "no error, expected: " << message;
    } catch (const Error& e) {
        EXPECT_EQ(e.what(), message);
        EXPECT_EQ(e.ErrorCode(), code);
    }
}

TEST(DnsQuery, SendsOneQuestionWithTheTickAsIdAndReadsTheAnswer) {
    FakeWindows machine;
    machine.clock.Advance(0x5abcd);
    machine.sockets.ScriptDnsServer("10.0.0.53", 53, [](const std::string& query) {
        return Reply(query, "8180", "0001 0000 0000", "c00c 0001 0001 00000e10 0004 0a000007");
    });
    TclDnsQuery dns(machine.sockets, machine.clock);
    dns.DnsServer = "10.0.0.53";
    const auto host = dns.ResolveIP("plovers.lab");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "10.0.0.7");
    EXPECT_EQ(host->Name, "plovers.lab");
    const auto sent = machine.sockets.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_FALSE(sent[0].icmp);
    EXPECT_EQ(sent[0].port, 53);
    EXPECT_EQ(ToHex(sent[0].bytes),
              ToHex(FromHex("abcd 0100 0001 0000 0000 0000 07706c6f76657273036c616200 0001 0001")));

    dns.IsRecursiveDesired = false;
    dns.Port = 5353;
    machine.sockets.ScriptDnsServer("10.0.0.53", 5353, [](const std::string& query) {
        return Reply(query, "8180", "0000 0000 0000");
    });
    EXPECT_FALSE(dns.ResolveIP("x"));
    EXPECT_EQ(machine.sockets.Sent().back().bytes.substr(2, 2), FromHex("0000"));
}

TEST(DnsQuery, ResultListsFromAnswersAuthorityAndAdditional) {
    FakeWindows machine;
    machine.sockets.ScriptDnsServer("10.0.0.53", 53, [](const std::string& query) {
        return Reply(query, "8180", "0003 0001 0001",
                     "c00c 0005 0001 00000000 0004 01620000"       // CNAME b
                     "0162 00 0001 0001 00000000 0004 0a000001"    // b A 10.0.0.1
                     "0163 00 0001 0001 00000000 0004 0a000002"    // c A 10.0.0.2
                     "00 0002 0001 00000000 0004 026e7300"         // NS ns
                     "0164 00 0005 0001 00000000 0004 01650000");  // d CNAME e
    });
    TclDnsQuery dns(machine.sockets, machine.clock);
    dns.DnsServer = "10.0.0.53";
    const auto host = dns.ResolveIP("a");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "10.0.0.1");
    ASSERT_EQ(dns.Hosts.size(), 2u);
    EXPECT_EQ(dns.Hosts[1].Name, "c");
    EXPECT_EQ(dns.NameServerNames, (std::vector<std::string>{"ns"}));
    EXPECT_EQ(dns.Aliases, (std::vector<std::string>{"a", "d"}));
}

TEST(DnsQuery, ResponseCodesBecomeErrorsAndTheNextLookupStartsClean) {
    FakeWindows machine;
    int code = 0;
    machine.sockets.ScriptDnsServer("10.0.0.53", 53, [&code](const std::string& query) {
        std::string flags = "818";
        flags += "0123456789abcdef"[code];
        return Reply(query, flags, "0001 0000 0000", "c00c 0001 0001 00000000 0004 0a000001");
    });
    TclDnsQuery dns(machine.sockets, machine.clock);
    dns.DnsServer = "10.0.0.53";
    ASSERT_TRUE(dns.ResolveIP("a"));
    const std::pair<int, const char*> cases[] = {{1, "Format error"},      {2, "Server failure"},
                                                 {3, "No such name"},      {4, "Not implemented"},
                                                 {5, "Refused"},           {6, "Unspecified error"},
                                                 {15, "Unspecified error"}};
    for (const auto& [value, message] : cases) {
        code = value;
        ExpectError<EclDnsError>([&] { dns.ResolveIP("a"); }, message, value);
        EXPECT_TRUE(dns.Hosts.empty());
    }
}

struct DamagedReply {
    const char* what;
    std::string counts;  // answers, authority, additional
    std::string records;
};

// Looks up the name at a scripted server that sends the reply's records.
class DamagedReplyLookup {
public:
    explicit DamagedReplyLookup(const DamagedReply& reply) {
        machine_.sockets.ScriptDnsServer("10.0.0.53", 53, [reply](const std::string& query) {
            return Reply(query, "8180", reply.counts, reply.records);
        });
        dns.DnsServer = "10.0.0.53";
    }
    TclDnsQuery dns{machine_.sockets, machine_.clock};

private:
    FakeWindows machine_;
};

// A reply is used as far as its bytes are sound: an address read whole
// before the damage answers the lookup, so a working server is not taken for
// a broken one.
TEST(DnsQuery, WholeAddressRecordsBeforeTheDamageAnswer) {
    const std::string first = "c00c 0001 0001 00000e10 0004 0a000007";
    const DamagedReply cases[] = {
        {"two answers announced, one sent", "0002 0000 0000", first},
        {"the second answer cut mid-way", "0002 0000 0000", first + "c00c 0001 00"},
        {"the authority section cut", "0001 0001 0000", first + "c00c 0002"},
        {"an address of two bytes first", "0002 0000 0000",
         "c00c 0001 0001 00000000 0002 0a00" + first},
    };
    for (const DamagedReply& reply : cases) {
        DamagedReplyLookup lookup(reply);
        const auto host = lookup.dns.ResolveIP("plovers.lab");
        ASSERT_TRUE(host) << reply.what;
        EXPECT_EQ(host->IPAddress, "10.0.0.7") << reply.what;
        EXPECT_EQ(host->Name, "plovers.lab") << reply.what;
        EXPECT_EQ(lookup.dns.Hosts.size(), 1u) << reply.what;
        EXPECT_FALSE(lookup.dns.Response.IsSound) << reply.what;
    }
}

// Without such an address the damaged reply fails as it always did, before
// any result list is filled.
TEST(DnsQuery, ADamagedReplyWithoutAnAddressIsTheDatagramError) {
    const DamagedReply cases[] = {
        {"an address of two bytes", "0001 0000 0000", "c00c 0001 0001 00000000 0002 0a00"},
        {"an alias, then the address cut", "0002 0000 0000",
         "c00c 0005 0001 00000000 0004 01620000 0162 00 0001"},
        {"a name server, then a count too large", "0000 0002 0000",
         "00 0002 0001 00000000 0004 026e7300"},
    };
    for (const DamagedReply& reply : cases) {
        SCOPED_TRACE(reply.what);
        DamagedReplyLookup lookup(reply);
        ExpectError<EclDnsError>([&] { lookup.dns.ResolveIP("a"); },
                                 "The size of the datagram is invalid", -1);
        EXPECT_TRUE(lookup.dns.Hosts.empty());
        EXPECT_TRUE(lookup.dns.Aliases.empty());
        EXPECT_TRUE(lookup.dns.NameServerNames.empty());
    }
}

TEST(DnsQuery, ServerAddressAndPortAreCheckedBeforeAnythingIsSent) {
    FakeWindows machine;
    TclDnsQuery dns(machine.sockets, machine.clock);
    for (const std::string server : {"dns.lab", "", "10.0.0.256", "10.0.0"}) {
        dns.DnsServer = server;
        ExpectError<EclSocketError>([&] { dns.ResolveIP("a"); }, "Invalid host address", -1);
    }
    dns.DnsServer = "10.0.0.53";
    for (int port : {0, -53, 65536}) {
        dns.Port = port;
        ExpectError<EclSocketError>([&] { dns.ResolveIP("a"); }, "Invalid port number", -1);
    }
    EXPECT_TRUE(machine.sockets.Sent().empty());
    dns.Port = 53;
    machine.sockets.FailSocketCreation(10093);
    ExpectError<EclSocketError>([&] { dns.ResolveIP("a"); }, "socket error 10093", 10093);
}

TEST(DnsQuery, SilenceTimesOutAfterTheTimeOut) {
    FakeWindows machine;
    TclDnsQuery dns(machine.sockets, machine.clock);
    dns.DnsServer = "10.0.0.53";
    dns.TimeOut = 3000;
    dns.Response.Header.ID = 7;
    machine.clock.Advance(0x1beef);
    ExpectError<EclSocketError>([&] { dns.ResolveIP("a"); }, "Timeout error occured", -1);
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 0x1beefu + 3000u);
    EXPECT_EQ(machine.sockets.Sent().size(), 1u);  // one send, no retransmission
    // The lookup cleared the response as well: the tick count is its ID.
    EXPECT_EQ(dns.Response.Header.ID, 0xbeef);
}

// A real server on the loopback.
class DnsQueryWithDnsmasq : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.Ready()) << "dnsmasq did not start";
        dns_.DnsServer = "127.0.0.1";
        dns_.Port = server_.Port();
        dns_.TimeOut = 3000;
    }
    DnsmasqServer server_;
    PosixSockets sockets_;
    standin::FakeClock clock_;
    TclDnsQuery dns_{sockets_, clock_};
};

TEST_F(DnsQueryWithDnsmasq, AddressRecord) {
    const auto host = dns_.ResolveIP("www.lab.test");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "127.0.0.10");
    EXPECT_EQ(host->Name, "www.lab.test");
    EXPECT_TRUE(dns_.Aliases.empty());
}

TEST_F(DnsQueryWithDnsmasq, AliasThenAddress) {
    const auto host = dns_.ResolveIP("alias.lab.test");
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "127.0.0.10");
    EXPECT_EQ(host->Name, "www.lab.test");
    EXPECT_EQ(dns_.Hosts.size(), 1u);
    EXPECT_EQ(dns_.Aliases, (std::vector<std::string>{"alias.lab.test"}));
}

TEST_F(DnsQueryWithDnsmasq, UnknownNameAndEmptyAnswer) {
    ExpectError<EclDnsError>([&] { dns_.ResolveIP("nope.lab.test"); }, "No such name", 3);
    EXPECT_FALSE(dns_.ResolveIP("v6only.lab.test"));
    EXPECT_TRUE(dns_.Hosts.empty());
}

// A scripted server on the loopback for what no real server sends.
class DnsQueryWithScriptedServer : public ::testing::Test {
protected:
    std::optional<TclHostInfo> Lookup(const ScriptedUdpServer& server) {
        dns_.DnsServer = "127.0.0.1";
        dns_.Port = server.Port();
        dns_.TimeOut = 300;
        return dns_.ResolveIP("www.lab.test");
    }
    PosixSockets sockets_;
    standin::FakeClock clock_;
    TclDnsQuery dns_{sockets_, clock_};
};

TEST_F(DnsQueryWithScriptedServer, SilenceAndEmptyDatagramsTimeOut) {
    ScriptedUdpServer silent([](const std::string&) { return std::vector<std::string>{}; });
    ExpectError<EclSocketError>([&] { Lookup(silent); }, "Timeout error occured", -1);
    EXPECT_EQ(silent.Queries(), 1);
    ScriptedUdpServer empty([](const std::string&) { return std::vector<std::string>{""}; });
    ExpectError<EclSocketError>([&] { Lookup(empty); }, "Timeout error occured", -1);
}

TEST_F(DnsQueryWithScriptedServer, AnEmptyDatagramBeforeTheReplyIsPassedOver) {
    ScriptedUdpServer server([](const std::string& query) {
        return std::vector<std::string>{
            "", Reply(query, "8180", "0001 0000 0000", "c00c 0001 0001 00000000 0004 7f000001")};
    });
    const auto host = Lookup(server);
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "127.0.0.1");
}

// The query's ID with its low bit turned over.
std::string OtherId(std::string reply) {
    reply[1] = static_cast<char>(reply[1] ^ 1);
    return reply;
}

TEST_F(DnsQueryWithScriptedServer, RepliesWithAnotherIdArePassedOverForTheRightOne) {
    ScriptedUdpServer server([](const std::string& query) {
        const std::string forged =
            Reply(query, "8180", "0001 0000 0000", "c00c 0001 0001 00000000 0004 7f000042");
        return std::vector<std::string>{
            OtherId(forged), "\x01", OtherId(Reply(query, "8183", "0000 0000 0000")),
            Reply(query, "8180", "0001 0000 0000", "c00c 0001 0001 00000000 0004 7f000001")};
    });
    const auto host = Lookup(server);
    ASSERT_TRUE(host);
    EXPECT_EQ(host->IPAddress, "127.0.0.1");
    EXPECT_EQ(dns_.Hosts.size(), 1u);
    EXPECT_EQ(server.Queries(), 1);
}

TEST_F(DnsQueryWithScriptedServer, OnlyOtherIdsTimeOutAsSilenceDoes) {
    // One forged reply, then a flood of them: neither answers, and the flood
    // does not keep the read going past its bound.
    for (const size_t count : {size_t{1}, size_t{40}}) {
        SCOPED_TRACE(count);
        ScriptedUdpServer server([count](const std::string& query) {
            return std::vector<std::string>(
                count, OtherId(Reply(query, "8180", "0001 0000 0000",
                                     "c00c 0001 0001 00000000 0004 7f000042")));
        });
        ExpectError<EclSocketError>([&] { Lookup(server); }, "Timeout error occured", -1);
        EXPECT_TRUE(dns_.Hosts.empty());
    }
}

TEST_F(DnsQueryWithScriptedServer, TheConnectedSocketTakesRepliesOnlyFromTheServer) {
    // The right reply, but from another port or another address: the
    // kernel drops it before the client sees it, so the lookup times out.
    const auto answer = [](const std::string& query) {
        return std::vector<std::string>{
            Reply(query, "8180", "0001 0000 0000", "c00c 0001 0001 00000000 0004 7f000042")};
    };
    for (const ReplyFrom from : {ReplyFrom::AnotherPort, ReplyFrom::AnotherAddress}) {
        SCOPED_TRACE(static_cast<int>(from));
        ScriptedUdpServer server(answer, from);
        ExpectError<EclSocketError>([&] { Lookup(server); }, "Timeout error occured", -1);
        EXPECT_EQ(server.Queries(), 1);
    }
    ScriptedUdpServer server(answer, ReplyFrom::ThisSocket);
    ASSERT_TRUE(Lookup(server));
    EXPECT_EQ(dns_.Hosts.front().IPAddress, "127.0.0.66");
}

TEST_F(DnsQueryWithScriptedServer, MalformedRepliesEndInTheDatagramError) {
    const std::vector<std::function<std::string(const std::string&)>> replies = {
        // a pointer cycle in the answer's name
        [](const std::string& q) {
            return Reply(q, "8180", "0001 0000 0000", "c01e 0001 0001 00000000 0004 7f000001");
        },
        // more answers announced than sent
        [](const std::string& q) { return Reply(q, "8180", "0003 0000 0000"); },
        // record data longer than the message
        [](const std::string& q) {
            return Reply(q, "8180", "0001 0000 0000", "c00c 0001 0001 00000000 00ff 7f000001");
        },
        // a pointer outside the 512-byte buffer
        [](const std::string& q) {
            return Reply(q, "8180", "0001 0000 0000", "c3ff 0001 0001 00000000 0004 7f000001");
        },
        // our own question sent back: not a reply
        [](const std::string& q) { return q; },
        // eleven bytes
        [](const std::string& q) { return q.substr(0, 11); },
    };
    for (size_t i = 0; i < replies.size(); ++i) {
        SCOPED_TRACE(i);
        ScriptedUdpServer server(
            [&](const std::string& query) { return std::vector<std::string>{replies[i](query)}; });
        ExpectError<EclDnsError>([&] { Lookup(server); }, "The size of the datagram is invalid",
                                 -1);
    }
}

TEST_F(DnsQueryWithScriptedServer, OverLongDatagramIsASocketError) {
    ScriptedUdpServer server([](const std::string& query) {
        std::string reply = Reply(query, "8180", "0000 0000 0000");
        reply.resize(600, '\0');
        return std::vector<std::string>{reply};
    });
    try {
        Lookup(server);
        ADD_FAILURE() << "a 600-byte datagram was taken";
    } catch (const EclSocketError& e) {
        EXPECT_EQ(e.ErrorCode(), EMSGSIZE);
    }
}

TEST_F(DnsQueryWithScriptedServer, NoServerOnThePortIsASocketError) {
    dns_.DnsServer = "127.0.0.1";
    dns_.Port = testing::FreeUdpPort();
    dns_.TimeOut = 2000;
    try {
        dns_.ResolveIP("www.lab.test");
        ADD_FAILURE() << "a closed port answered";
    } catch (const EclSocketError& e) {
        EXPECT_EQ(e.ErrorCode(), ECONNREFUSED);
        EXPECT_EQ(e.what(), std::string("Connection refused"));
    }
}

}  // namespace
}  // namespace plover
