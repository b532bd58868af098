#include <gtest/gtest.h>

#include "tests/unit/checks/NameResolutionMachine.h"

namespace plover {
namespace {

using namespace checkstest;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

class NameResolutionTest : public ::testing::Test, public NameResolutionMachine {
protected:
    // The log lines written from here on.
    Lines NewLines() {
        Lines all = machine.LogLines();
        Lines fresh(all.begin() + static_cast<long>(seen_), all.end());
        seen_ = all.size();
        return fresh;
    }
    size_t seen_ = 0;
};

TEST_F(NameResolutionTest, HostsAddressThatDiffersFromDnsIsKeptOnlyWhenItAnswers) {
    adapterZone.addresses = {{Vendor, "10.1.1.1"}};
    machine.files.SetContent(HostsPath,
                             "127.0.0.1 localhost\r\n10.6.6.6\twww.brackenfield.com\r\n");
    machine.sockets.SetHostAddress(Vendor, "10.6.6.6");
    machine.sockets.AnswerEcho("10.6.6.6");
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "10.6.6.6");
    EXPECT_EQ(NewLines(),
              (Lines{"ip: 10.6.6.6 host: www.brackenfield.com", "name res ip found: 10.6.6.6",
                     "dnsquery:  begin try", "dnsquery DNSserver:  10.0.0.53",
                     "dnsquery resolve:  www.brackenfield.com",
                     "dnsquery if ret!=:  ", "ping host: www.brackenfield.com ping rezult:0",
                     "name res ip dns: 10.6.6.6"}));

    machine.sockets.ScriptEcho("10.6.6.6", {standin::FakeSockets::EchoAnswer::Silence()});
    machine.clock.ClearPauses();
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "0.0.0.0");
    const Lines lines = NewLines();
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"ping host: www.brackenfield.com ping rezult: 2",
                     "dns: 10.1.1.1 host: 10.6.6.6", "name res ip dns: 0.0.0.0"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{2000}));

    // The same address in both: no ping at all.
    adapterZone.addresses[Vendor] = "10.6.6.6";
    const int echoes = machine.sockets.EchoRequestsTo("10.6.6.6");
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "10.6.6.6");
    EXPECT_EQ(machine.sockets.EchoRequestsTo("10.6.6.6"), echoes);
}

TEST_F(NameResolutionTest, DnsAnswerWithoutHostsEntryAndEveryFailureAsNoAddress) {
    adapterZone.addresses = {{Vendor, "10.1.1.1"}};
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "10.1.1.1");
    EXPECT_EQ(NewLines(),
              (Lines{"dnsquery:  begin try", "dnsquery DNSserver:  10.0.0.53",
                     "dnsquery resolve:  www.brackenfield.com", "dnsquery if ret==:  IN ELSE",
                     "dnsquery ipobtained:  ", "dnsipelse 10.1.1.1", "name res ip dns: 10.1.1.1"}));
    const TclDnsQuery& query = *names.DnsQuery();
    EXPECT_EQ(query.DnsServer, "10.0.0.53");
    EXPECT_EQ(query.Port, 53);
    EXPECT_EQ(query.TimeOut, 7000);
    EXPECT_TRUE(query.IsRecursiveDesired);

    // No such name; an answer without an address record, even with a hosts
    // entry; a server that never answers; no server at all.
    EXPECT_EQ(names.ResolveHostAddress(Search, "10.0.0.53"), "0.0.0.0");
    EXPECT_EQ(NewLines().back(), "name res ip dns: 0.0.0.0");
    machine.sockets.ScriptDnsServer("10.0.0.54", 53, [](const std::string& q) {
        return q.substr(0, 2) + testing::FromHex("8180 0001 0000 0000 0000") + q.substr(12);
    });
    machine.files.SetContent(HostsPath, "10.6.6.6 www.google.com");
    EXPECT_EQ(names.ResolveHostAddress(Search, "10.0.0.54"), "0.0.0.0");
    const Lines noRecord = NewLines();
    EXPECT_EQ(Lines(noRecord.end() - 3, noRecord.end()),
              (Lines{"dnsquery if ret!=:  ", "dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
    const uint64_t before = machine.clock.ElapsedMilliseconds();
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.99"), "0.0.0.0");
    EXPECT_EQ(machine.clock.ElapsedMilliseconds() - before, 7000u);
    EXPECT_EQ(names.ResolveHostAddress(Vendor, ""), "0.0.0.0");
    EXPECT_EQ(NewLines(),
              (Lines{"dnsquery:  begin try", "dnsquery DNSserver:  10.0.0.99", "dnsipcatch 0.0.0.0",
                     "name res ip dns: 0.0.0.0", "dnsquery:  begin try",
                     "dnsquery DNSserver:  ", "dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
}

TEST_F(NameResolutionTest, AdapterDnsServerIsTheFirstOfItsList) {
    const auto serverFor = [this](const std::string& nameServer) {
        machine.registry.SetString(HKLM, KeyA, "NameServer", nameServer);
        return names.GetAdapterDnsServer();
    };
    EXPECT_EQ(serverFor("10.0.0.53 10.0.0.54"), "10.0.0.53");
    EXPECT_EQ(serverFor("10.0.0.53,10.0.0.54"), "10.0.0.53");
    // A blank goes before a comma.
    EXPECT_EQ(serverFor("10.0.0.53,10.0.0.54 10.0.0.55"), "10.0.0.53,10.0.0.54");
    NewLines();
    EXPECT_EQ(serverFor("10.0.0.53"), "10.0.0.53");
    EXPECT_EQ(NewLines(),
              (Lines{"begin getdns ", "read registry key for gateway ", "adapter {A}",
                     "returned registry key for gateway:  " + KeyA, "open reg key name " + KeyA,
                     "opened key adapter " + KeyA, "name server 10.0.0.53", "DNSserver 10.0.0.53",
                     "DNSserver returned 10.0.0.53"}));

    // The DHCP server only when NameServer is there and empty.
    machine.registry.SetString(HKLM, KeyA, "DhcpNameServer", "10.0.0.60 10.0.0.61");
    EXPECT_EQ(serverFor(""), "10.0.0.60");
    const Lines lines = NewLines();
    EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
              (Lines{"name server ", "DHCPname server 10.0.0.60 10.0.0.61",
                     "DNSserver 10.0.0.60 10.0.0.61"}));
    machine.registry.OpenKey(HKLM, KeyA, RegistryAccess::AllAccess, false)
        ->DeleteValue("NameServer");
    EXPECT_EQ(names.GetAdapterDnsServer(), "");
}

TEST_F(NameResolutionTest, OneProbeShowingItsPageIsEnough) {
    EverythingWorks();
    machine.http.SetPage("http://10.1.1.1", "<title>Parked domain</title>");
    EXPECT_TRUE(names.CheckNameResolution());
    const Lines lines = machine.LogLines();
    EXPECT_EQ(lines.front(), "check name resolution ");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "check name resolution receive answer"), 2);
    EXPECT_NE(
        std::find(lines.begin(), lines.end(), "hostName:www.brackenfield.com Host Unreacheable"),
        lines.end());
    EXPECT_EQ(lines.back(), "hostName:www.google.com ok");

    machine.http.SetPage("http://10.2.2.2", "<title>Search</title>");
    EXPECT_FALSE(names.CheckNameResolution());
    // Each page was fetched from the address itself, with no path.
    const auto requests = machine.http.Requests();
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0].url, "http://10.1.1.1");
    EXPECT_EQ(requests[1].url, "http://10.2.2.2");
}

TEST_F(NameResolutionTest, AFailedLookupFetchesNothing) {
    ServePage("0.0.0.0", SearchPage);  // a web server on this very computer
    EXPECT_FALSE(names.CheckHostPage(Search, "0.0.0.0"));
    EXPECT_FALSE(names.CheckHostPage(Search, "0"));
    EXPECT_TRUE(machine.http.Requests().empty());
    EXPECT_EQ(NewLines(), (Lines{"check name resolution receive answer",
                                 "hostName:www.google.com Host Unreacheable",
                                 "check name resolution receive answer",
                                 "hostName:www.google.com Host Unreacheable"}));

    // Any host but the two probes is never a pass.
    ServePage("10.2.2.2", SearchPage);
    EXPECT_FALSE(names.CheckHostPage("www.google.com.", "10.2.2.2"));
    EXPECT_EQ(NewLines().back(), "hostName:www.google.com. other error");
    EXPECT_TRUE(names.CheckHostPage(Search, "10.2.2.2"));
}

TEST_F(NameResolutionTest, ReplacedHostsFileHoldsOnlyTheLocalHostAndTheUsersFileSurvives) {
    const std::string users = "127.0.0.1 localhost\r\n10.6.6.6 www.google.com\r\n";
    machine.files.SetContent(HostsPath, users);
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
    EXPECT_EQ(machine.files.Content(HostsPath).size(), 21u);
    EXPECT_EQ(machine.files.Content(BackupPath), users);
    EXPECT_EQ(NewLines(),
              (Lines{"replace host file ", "check name resolution step - fail rename host"}));

    // A second run has nothing of the user's to save.
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(BackupPath), users);
    EXPECT_EQ(machine.files.FilesIn(EtcFolder), (Lines{"hosts", "hosts_old.txt"}));

    // A file changed since is saved beside the first backup, once.
    const std::string changed = "10.7.7.7 www.google.com";
    machine.files.SetContent(HostsPath, changed);
    names.ReplaceHostsFile();
    machine.files.SetContent(HostsPath, changed);
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(BackupPath), users);
    EXPECT_EQ(machine.files.Content(EtcFolder + "\\Hosts_OLD1.txt"), changed);
    EXPECT_EQ(machine.files.FilesIn(EtcFolder).size(), 3u);
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");

    // No hosts file at all: the replacement is simply written.
    machine.files.Delete(HostsPath);
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
}

TEST_F(NameResolutionTest, HostsFileThatCannotBeSavedStaysInPlace) {
    machine.files.SetContent(HostsPath, "10.6.6.6 www.google.com");
    machine.files.FailWrites(BackupPath);
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "10.6.6.6 www.google.com");
    EXPECT_EQ(NewLines().back(), "hosts file not saved, left in place " + EtcFolder + "\\Hosts");

    // Every numbered name taken by other content: still nothing is lost.
    machine.files.SetContent(BackupPath, "first");
    for (int n = 1; n <= TNameResolution::MaxNumberedBackups; ++n) {
        machine.files.SetContent(EtcFolder + "\\Hosts_OLD" + std::to_string(n) + ".txt", "older");
    }
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "10.6.6.6 www.google.com");
}

TEST_F(NameResolutionTest, ProviderDnsGoesIntoAdaptersWithAGatewayThenTheConnectionsRestart) {
    const std::string keyB = std::string(InterfacesKeyPath) + "{B}";
    const std::string keyC = std::string(InterfacesKeyPath) + "{C}";
    machine.adapters.SetTable(
        {standin::Adapter("{A}", "Static", false, "192.168.1.1",
                          {{"192.168.1.10", "255.255.255.0"}}),
         standin::Adapter("{B}", "Dhcp", true, "10.0.0.1", {{"10.0.0.10", "255.255.255.0"}}),
         standin::Adapter("{C}", "No gateway", true, "0.0.0.0", {{"172.16.0.10", "255.255.0.0"}})});
    settings.RefreshAdapters();
    machine.registry.SetString(HKLM, KeyA, "DhcpNameServer", "10.0.0.60");
    machine.registry.SetString(HKLM, keyB, "NameServer", "");
    machine.registry.SetString(HKLM, keyB, "DhcpNameServer", "10.0.0.60");
    machine.registry.SetString(HKLM, keyC, "NameServer", "10.0.0.70");
    machine.registry.SetString(HKLM, keyC, "DhcpNameServer", "10.0.0.71");
    machine.connections.AddConnection("Local Area Connection");
    NewLines();
    machine.clock.ClearPauses();

    ProviderDnsServers = "10.9.9.9,10.9.9.10";  // the window's text as it stands now
    names.WriteProviderDns();
    const auto value = [this](const std::string& key, const char* name) {
        return machine.registry.StringValue(HKLM, key, name).value_or("<none>");
    };
    EXPECT_EQ(value(KeyA, "NameServer"), "10.9.9.9,10.9.9.10");
    EXPECT_EQ(value(KeyA, "DhcpNameServer"), "");  // cleared: a static server was set
    EXPECT_EQ(value(keyB, "NameServer"), "10.9.9.9,10.9.9.10");
    EXPECT_EQ(value(keyB, "DhcpNameServer"), "10.9.9.9,10.9.9.10");
    EXPECT_EQ(value(keyC, "NameServer"), "10.0.0.70");
    EXPECT_EQ(value(keyC, "DhcpNameServer"), "10.0.0.71");

    EXPECT_EQ(NewLines(), (Lines{"regKey ", "writed dns ", "write dns wasn't repaired", "regKey ",
                                 "writed dhcp dns "}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 4000, 12000, 5000}));
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{"cmd.exe /cipconfig /flushdns", "cmd.exe /cipconfig /registerdns"}));
    EXPECT_EQ(machine.connections.Switches(),
              (Lines{"disconnect Local Area Connection", "connect Local Area Connection"}));
}

}  // namespace
}  // namespace plover
