#include <gtest/gtest.h>

#include <algorithm>

#include "checks/HostsFile.h"
#include "tests/unit/checks/NameResolutionMachine.h"
#include "tests/unit/support/Hex.h"

namespace plover {
namespace {

using namespace checkstest;

TEST(HostsFile, FieldsAndMatchesAsTheLookupReadsThem) {
    EXPECT_EQ(HostsLineFields(" 127.0.0.1 localhost\x01"), (Lines{"127.0.0.1", "localhost"}));
    EXPECT_EQ(HostsLineFields("10.0.0.7\t\twww.lab.test\tx"),
              (Lines{"10.0.0.7", "www.lab.test", "x"}));
    // Blanks in the first field win, and the rest after its tab is dropped.
    EXPECT_EQ(HostsLineFields("10.0.0.7  www.lab.test\tx"), (Lines{"10.0.0.7", "www.lab.test"}));
    EXPECT_EQ(HostsLineFields("10.0.0.7 \twww.lab.test"), (Lines{"10.0.0.7"}));
    const auto entries = MatchingHostsEntries(
        "# 10.9.9.9 www.lab.test\r\n10.0.0.1 mail.lab.test\n10.0.0.2 www.lab.test.evil\r"
        "10.0.0.3\tWWW.LAB.TEST\r\n10.0.0.5\twww.lab.test",
        "www.lab.test");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].address, "10.0.0.2");
    EXPECT_EQ(entries[1].address, "10.0.0.5");

    standin::FakeWindows machine;
    machine.files.SetContent(HostsPath, std::string(HostsFileReadLimit + 1, '#'));
    EXPECT_FALSE(ReadHostsFile(machine.Os(), HostsPath));
}

class NameResolutionTest : public ::testing::Test, public NameResolutionMachine {
protected:
    Lines LastLines(size_t count) const {
        const Lines all = machine.LogLines();
        return Lines(all.end() - static_cast<long>(std::min(count, all.size())), all.end());
    }
};

TEST_F(NameResolutionTest, HostsAddressThatDiffersFromDnsIsKeptOnlyWhenItAnswers) {
    adapterZone = {{Vendor, "10.1.1.1"}};
    machine.files.SetContent(HostsPath,
                             "10.5.5.5 www.brackenfield.com\n10.6.6.6\twww.brackenfield.com");
    machine.sockets.SetHostAddress(Vendor, "10.6.6.6");
    machine.sockets.AnswerEcho("10.6.6.6");
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "10.6.6.6");
    EXPECT_EQ(LastLines(5),
              (Lines{"dnsquery DNSserver:  10.0.0.53", "dnsquery resolve:  www.brackenfield.com",
                     "dnsquery if ret!=:  ", "ping host: www.brackenfield.com ping rezult:0",
                     "name res ip dns: 10.6.6.6"}));
    machine.sockets.ScriptEcho("10.6.6.6", {standin::FakeSockets::EchoAnswer::Silence()});
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "0.0.0.0");
    EXPECT_EQ(LastLines(2), (Lines{"dns: 10.1.1.1 host: 10.6.6.6", "name res ip dns: 0.0.0.0"}));
}

TEST_F(NameResolutionTest, DnsAnswerAloneAndEveryFailureAsNoAddress) {
    adapterZone = {{Vendor, "10.1.1.1"}};
    EXPECT_EQ(names.ResolveHostAddress(Vendor, "10.0.0.53"), "10.1.1.1");
    EXPECT_EQ(LastLines(4), (Lines{"dnsquery if ret==:  IN ELSE", "dnsquery ipobtained:  ",
                                   "dnsipelse 10.1.1.1", "name res ip dns: 10.1.1.1"}));
    const TclDnsQuery& query = *names.DnsQuery();
    EXPECT_EQ(query.Port * 1000 + query.TimeOut, 53 * 1000 + 7000);
    EXPECT_TRUE(query.IsRecursiveDesired);
    // No such name; a silent server; no server; a hosts entry with no DNS answer.
    machine.files.SetContent(HostsPath, "10.6.6.6 www.google.com");
    for (const std::string server : {"10.0.0.53", "10.0.0.99", ""}) {
        EXPECT_EQ(names.ResolveHostAddress(Search, server), "0.0.0.0") << server;
        EXPECT_EQ(LastLines(2), (Lines{"dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
    }
}

TEST_F(NameResolutionTest, AnAnswerWithoutAnAddressIsAFailedLookup) {
    // "No error", and no record in the answer.
    machine.sockets.ScriptDnsServer("10.0.0.53", 53, [](const std::string& query) {
        return std::optional<std::string>(
            query.substr(0, 2) + testing::FromHex("8180 0001 0000 0000 0000") + query.substr(12));
    });
    EXPECT_EQ(names.ResolveHostAddress(Search, "10.0.0.53"), "0.0.0.0");
    EXPECT_EQ(LastLines(4),
              (Lines{"dnsquery resolve:  www.google.com", "dnsquery if ret==:  IN ELSE",
                     "dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
    machine.files.SetContent(HostsPath, "10.6.6.6 www.google.com");
    EXPECT_EQ(names.ResolveHostAddress(Search, "10.0.0.53"), "0.0.0.0");
    EXPECT_EQ(LastLines(4), (Lines{"dnsquery resolve:  www.google.com", "dnsquery if ret!=:  ",
                                   "dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
}

TEST_F(NameResolutionTest, AdapterDnsServersAreItsListInOrderUpToThree) {
    const auto serversFor = [this](const std::string& nameServer) {
        machine.registry.SetString(HKLM, KeyA, "NameServer", nameServer);
        return names.GetAdapterDnsServers();
    };
    EXPECT_EQ(serversFor("10.0.0.53 10.0.0.54"), (Lines{"10.0.0.53", "10.0.0.54"}));
    EXPECT_EQ(serversFor("10.0.0.53,10.0.0.54, 10.0.0.55,10.0.0.56"),
              (Lines{"10.0.0.53", "10.0.0.54", "10.0.0.55"}));
    EXPECT_EQ(serversFor("10.0.0.53"), (Lines{"10.0.0.53"}));
    EXPECT_EQ(LastLines(1), (Lines{"DNSserver returned 10.0.0.53"}));
    EXPECT_EQ(serversFor(" , "), (Lines{""}));
    // The DHCP server only when NameServer is there and empty.
    machine.registry.SetString(HKLM, KeyA, "DhcpNameServer", "10.0.0.60 10.0.0.61");
    EXPECT_EQ(serversFor(""), (Lines{"10.0.0.60", "10.0.0.61"}));
    machine.registry.OpenKey(HKLM, KeyA, RegistryAccess::AllAccess, false)
        ->DeleteValue("NameServer");
    EXPECT_EQ(names.GetAdapterDnsServers(), (Lines{""}));
}

TEST_F(NameResolutionTest, ADeadFirstDnsServerIsPassedForTheNextOne) {
    machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.99,10.0.0.98 10.0.0.53");
    EverythingWorks();
    EXPECT_TRUE(names.CheckNameResolution());
    const Lines log = machine.LogLines();
    EXPECT_EQ(std::count(log.begin(), log.end(), "dnsquery next server:  10.0.0.98"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "dnsquery next server:  10.0.0.53"), 2);
    EXPECT_EQ(std::count(log.begin(), log.end(), "dnsipcatch 0.0.0.0"), 0);
    EXPECT_EQ(LastLines(1), (Lines{"hostName:www.google.com ok"}));
    // Each silent server took its whole time-out, and nothing more.
    EXPECT_EQ(machine.clock.ElapsedMilliseconds() / 1000, 4u * 7);

    // Every server silent: the lookup fails once, after all of them.
    EXPECT_EQ(names.ResolveHostAddress(Vendor, Lines{"10.0.0.99", "10.0.0.98"}), "0.0.0.0");
    EXPECT_EQ(LastLines(2), (Lines{"dnsipcatch 0.0.0.0", "name res ip dns: 0.0.0.0"}));
}

TEST_F(NameResolutionTest, OnePageIsEnoughAndAFailedLookupFetchesNothing) {
    EverythingWorks();
    ServePage("10.1.1.1", "<title>Parked domain</title>");
    EXPECT_TRUE(names.CheckNameResolution());
    EXPECT_EQ(machine.LogLines().front(), "check name resolution ");
    EXPECT_EQ(LastLines(1), (Lines{"hostName:www.google.com ok"}));

    ServePage("0.0.0.0", "<title>Google</title>");  // a web server on this very computer
    EXPECT_FALSE(names.CheckHostPage(Search, "0.0.0.0"));
    EXPECT_EQ(LastLines(2), (Lines{"check name resolution receive answer",
                                   "hostName:www.google.com Host Unreacheable"}));
    EXPECT_FALSE(names.CheckHostPage("www.google.com.", "10.2.2.2"));
    EXPECT_EQ(LastLines(1), (Lines{"hostName:www.google.com. other error"}));
    EXPECT_EQ(machine.http.Requests().size(), 3u);
    EXPECT_EQ(machine.http.Requests().front().url, "http://10.1.1.1");
}

TEST_F(NameResolutionTest, ReplacedHostsFileIsTheLocalHostAndNothingOfTheUsersIsLost) {
    const std::string backup = EtcFolder + "\\Hosts_OLD.txt";
    const std::string users = "127.0.0.1 localhost\r\n10.6.6.6 www.google.com\r\n";
    machine.files.SetContent(HostsPath, users);
    names.ReplaceHostsFile();
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
    EXPECT_EQ(machine.files.Content(HostsPath).size(), 21u);
    EXPECT_EQ(machine.files.Content(backup), users);
    EXPECT_EQ(LastLines(2),
              (Lines{"replace host file ", "check name resolution step - fail rename host"}));

    // Changed since (twice the same): saved once, beside the first backup.
    for (int run = 0; run < 2; ++run) {
        machine.files.SetContent(HostsPath, "changed");
        names.ReplaceHostsFile();
    }
    EXPECT_EQ(machine.files.Content(backup), users);
    EXPECT_EQ(machine.files.Content(EtcFolder + "\\Hosts_OLD1.txt"), "changed");
    EXPECT_EQ(machine.files.FilesIn(EtcFolder).size(), 3u);

    // A copy that fails leaves the user's file where it is.
    machine.files.SetContent(HostsPath, "again");
    machine.files.FailWrites(EtcFolder + "\\Hosts_OLD2.txt");
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "again");
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
    for (const std::string& key : {KeyA, keyB, keyC}) {
        machine.registry.SetString(HKLM, key, "DhcpNameServer", "10.0.0.60");
    }
    machine.registry.SetString(HKLM, keyB, "NameServer", "");
    machine.connections.AddConnection("LAN");
    machine.clock.ClearPauses();

    ProviderDnsServers = "10.9.9.9,10.9.9.10";  // the window's text as it stands now
    names.WriteProviderDns();
    const auto value = [this](const std::string& key, const char* name) {
        return machine.registry.StringValue(HKLM, key, name).value_or("<none>");
    };
    EXPECT_EQ(value(KeyA, "NameServer") + " " + value(KeyA, "DhcpNameServer"),
              "10.9.9.9,10.9.9.10 ");
    EXPECT_EQ(value(keyB, "NameServer") + " " + value(keyB, "DhcpNameServer"),
              "10.9.9.9,10.9.9.10 10.9.9.9,10.9.9.10");
    EXPECT_EQ(value(keyC, "NameServer") + " " + value(keyC, "DhcpNameServer"), "<none> 10.0.0.60");
    EXPECT_EQ(LastLines(5), (Lines{"regKey ", "writed dns ", "write dns wasn't repaired", "regKey ",
                                   "writed dhcp dns "}));
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{1000, 4000, 12000, 5000}));
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{"cmd.exe /cipconfig /flushdns", "cmd.exe /cipconfig /registerdns"}));
    EXPECT_EQ(machine.connections.Switches(), (Lines{"disconnect LAN", "connect LAN"}));
    // The user's own servers are now only in the settings snapshot.
    EXPECT_TRUE(snapshot.InterfaceValuesChanged);
}

TEST_F(NameResolutionTest, ALockedHostsFileIsUnlockedSavedAndReplacedInOneStep) {
    const std::string replaced = "C:\\WINDOWS\\system32\\drivers\\etc\\Hosts";
    const std::string hijacked = "10.6.6.6 www.google.com\r\n";
    machine.files.SetContent(HostsPath, hijacked);
    machine.files.AddAttributes(
        HostsPath, FileAttribute::ReadOnly | FileAttribute::Hidden | FileAttribute::System);
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), TNameResolution::ReplacementHosts);
    EXPECT_EQ(machine.files.Attributes(HostsPath), 0u);
    EXPECT_EQ(machine.files.Content(EtcFolder + "\\Hosts_OLD.txt"), hijacked);
    EXPECT_EQ(LastLines(1), (Lines{"hosts file attributes cleared " + replaced}));

    // A replacement that cannot be written leaves the file as it was, and
    // says so.
    machine.files.SetContent(HostsPath, "mine");
    machine.files.FailWrites(EtcFolder + "\\Hosts.new");
    names.ReplaceHostsFile();
    EXPECT_EQ(machine.files.Content(HostsPath), "mine");
    EXPECT_FALSE(machine.files.HasFile(EtcFolder + "\\Hosts.new"));
    EXPECT_EQ(LastLines(1), (Lines{"hosts file not replaced " + replaced}));
}

}  // namespace
}  // namespace plover
