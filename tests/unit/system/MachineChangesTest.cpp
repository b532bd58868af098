#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "system/MachineChanges.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
constexpr auto HKLM = RegistryRoot::LocalMachine;
constexpr auto HKCU = RegistryRoot::CurrentUser;
const std::string Interface =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A1}";
const std::string InternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string DwordOne("\x01\0\0\0", 4);

// A machine with a static interface, a proxy switched on, a connected LAN
// and a hosts file; and the seam of one process after another.
struct Journal : ::testing::Test {
    Journal() {
        machine.registry.SetDword(HKLM, Interface, "EnableDHCP", 0);
        machine.registry.SetMultiString(HKLM, Interface, "DefaultGateway", {"10.0.0.1"});
        machine.registry.SetString(HKLM, Interface, "NameServer", "10.0.0.53");
        machine.registry.SetDword(HKCU, InternetSettings, "ProxyEnable", 1);
        machine.connections.AddConnection("LAN");
        machine.files.SetContent(hosts, "127.0.0.1 localhost\r\n10.6.6.6 bank.example\r\n");
        texts.Winsock2RegText = "REGEDIT winsock2\n";
        texts.WinsockRegText = "REGEDIT winsock\n";
    }
    // A new process: the one before it ended without settling anything.
    MachineChanges& NextProcess() {
        process = std::make_unique<MachineChanges>(machine.Os(), snapshot, texts);
        return *process;
    }
    RegistryValue Value(RegistryRoot root, const std::string& path, const std::string& name) {
        return machine.registry.Value(root, path, name).value_or(RegistryValue{});
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts texts;
    std::unique_ptr<MachineChanges> process;
    const std::string hosts = machine.system.systemDirectory + "\\drivers\\etc\\Hosts";
    const std::string hostsCopy = machine.system.systemDirectory + "\\drivers\\etc\\Hosts.sav";
};

TEST_F(Journal, EveryKindOfChangeLeftUnsettledIsPutBackNewestFirstAtTheNextStart) {
    const RegistryValue dhcpBefore = Value(HKLM, Interface, "EnableDHCP");
    const RegistryValue gatewayBefore = Value(HKLM, Interface, "DefaultGateway");
    const RegistryValue serversBefore = Value(HKLM, Interface, "NameServer");
    const RegistryValue proxyBefore = Value(HKCU, InternetSettings, "ProxyEnable");
    const std::string hostsBefore = machine.files.Content(hosts);

    MachineChanges& first = NextProcess();
    EXPECT_NE(first.WriteValue(ChangeKind::InterfaceValue, HKLM, Interface, "EnableDHCP",
                               RegistryValueType::Dword, DwordOne),
              NoChange);
    EXPECT_NE(first.DeleteValue(ChangeKind::InterfaceValue, HKLM, Interface, "DefaultGateway"),
              NoChange);
    EXPECT_NE(first.WriteValue(ChangeKind::InterfaceValue, HKLM, Interface, "DhcpServer",
                               RegistryValueType::String, std::string("10.0.0.9\0", 9)),
              NoChange);
    {
        auto manager = machine.Os().connections.CreateManager();
        auto connections = manager->EnumConnections();
        auto lan = connections->Next();
        lan->ReadProperties();
        EXPECT_NE(first.SwitchConnectionOff(*lan), NoChange);
    }
    EXPECT_NE(first.SwitchFirewallOff(), NoChange);
    EXPECT_NE(first.AllowEchoRequests(false), NoChange);
    EXPECT_NE(first.WriteValue(ChangeKind::ProxySwitch, HKCU, InternetSettings, "ProxyEnable",
                               RegistryValueType::Dword, std::string(4, '\0')),
              NoChange);
    ChangeEntry hostsEntry{ChangeKind::HostsFile, HKLM, hosts, hostsCopy, false, {}};
    ASSERT_TRUE(machine.files.Copy(hosts, hostsCopy, false));
    EXPECT_NE(first.Record(hostsEntry), NoChange);
    machine.files.SetContent(hosts, "127.0.0.1 localhost\r\n");
    EXPECT_NE(first.WriteValue(ChangeKind::DnsServers, HKLM, Interface, "NameServer",
                               RegistryValueType::String, std::string("10.53.0.1\0", 10)),
              NoChange);
    EXPECT_NE(first.Record({ChangeKind::WinsockKeys, HKLM, "", "", false, {}}), NoChange);

    // What the first process did, and that the journal holds it.
    EXPECT_FALSE(machine.connections.IsConnected("LAN"));
    EXPECT_FALSE(machine.firewall.enabled);
    EXPECT_TRUE(machine.firewall.echoAllowed);
    EXPECT_EQ(machine.registry.DwordValue(HKLM, Interface, "EnableDHCP"), 1u);
    EXPECT_TRUE(JournalHoldsEntries(machine.Os()));
    EXPECT_EQ(first.Unsettled().size(), 10u);

    const auto linesBefore = machine.LogLines().size();
    EXPECT_EQ(NextProcess().RecoverUnfinishedRun(), 10);

    EXPECT_EQ(Value(HKLM, Interface, "EnableDHCP").data, dhcpBefore.data);
    EXPECT_EQ(Value(HKLM, Interface, "DefaultGateway").data, gatewayBefore.data);
    EXPECT_EQ(Value(HKLM, Interface, "DefaultGateway").type, RegistryValueType::MultiString);
    EXPECT_EQ(Value(HKLM, Interface, "NameServer").data, serversBefore.data);
    EXPECT_FALSE(machine.registry.Value(HKLM, Interface, "DhcpServer"));
    EXPECT_EQ(Value(HKCU, InternetSettings, "ProxyEnable").data, proxyBefore.data);
    EXPECT_EQ(machine.files.Content(hosts), hostsBefore);
    EXPECT_TRUE(machine.connections.IsConnected("LAN"));
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_FALSE(machine.firewall.echoAllowed);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));

    const auto all = machine.LogLines();
    const std::vector<std::string> recovery(all.begin() + static_cast<long>(linesBefore),
                                            all.end());
    const std::vector<std::string> expected{
        "journal of a run that did not end found, entries: 10",
        "put back Winsock keys imported",
        "put back DNS servers {A1}",
        "put back hosts file " + hosts,
        "put back proxy switch ProxyEnable",
        "put back firewall echo exception disabled",
        "put back firewall enabled firewall",
        "put back connection switched off LAN",
        "put back interface settings {A1}",
        "journal cleared ",
    };
    std::vector<std::string> putBacks;
    for (const std::string& line : recovery) {
        if (line.rfind("put back", 0) == 0 || line.rfind("journal", 0) == 0) {
            putBacks.push_back(line);
        }
    }
    EXPECT_EQ(putBacks, expected);
    // The Winsock keys come back from the exports chosen at start-up.
    const auto commands = machine.processes.CommandLines();
    EXPECT_EQ(std::count_if(commands.begin(), commands.end(),
                            [](const std::string& line) {
                                return line.find("reg import") != std::string::npos;
                            }),
              2);

    // Nothing left for a third start.
    EXPECT_EQ(NextProcess().RecoverUnfinishedRun(), 0);
}

TEST_F(Journal, SettledEntriesLeaveTheJournalAndAKeptInterfaceValueKeepsTheSnapshot) {
    MachineChanges& changes = NextProcess();
    const ChangeId dhcp = changes.WriteValue(ChangeKind::InterfaceValue, HKLM, Interface,
                                             "EnableDHCP", RegistryValueType::Dword, DwordOne);
    const ChangeId proxy =
        changes.WriteValue(ChangeKind::ProxySwitch, HKCU, InternetSettings, "ProxyEnable",
                           RegistryValueType::Dword, std::string(4, '\0'));
    // Already as asked: nothing recorded, nothing changed.
    EXPECT_EQ(changes.WriteValue(ChangeKind::InterfaceValue, HKLM, Interface, "EnableDHCP",
                                 RegistryValueType::Dword, DwordOne),
              NoChange);
    EXPECT_EQ(changes.DeleteValue(ChangeKind::InterfaceValue, HKLM, Interface, "Missing"),
              NoChange);
    EXPECT_EQ(changes.AllowEchoRequests(true), NoChange);
    EXPECT_EQ(changes.Unsettled(), (std::vector<ChangeId>{dhcp, proxy}));

    changes.PutBack(proxy);
    EXPECT_EQ(machine.registry.DwordValue(HKCU, InternetSettings, "ProxyEnable"), 1u);
    EXPECT_FALSE(snapshot.InterfaceValuesChanged);
    EXPECT_TRUE(JournalHoldsEntries(machine.Os()));

    changes.Keep(dhcp);
    changes.PutBack(dhcp);  // settled already: nothing
    EXPECT_EQ(machine.registry.DwordValue(HKLM, Interface, "EnableDHCP"), 1u);
    EXPECT_TRUE(snapshot.InterfaceValuesChanged);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
    EXPECT_EQ(NextProcess().RecoverUnfinishedRun(), 0);
    EXPECT_EQ(machine.registry.DwordValue(HKLM, Interface, "EnableDHCP"), 1u);
}

TEST_F(Journal, TheSnapshotStaysWhileTheJournalHoldsAnything) {
    MachineChanges& changes = NextProcess();
    WriteSettingsSnapshot(machine.Os(), snapshot, "{A1}\n");
    const std::string path = snapshot.SettingsSnapshotPath;
    const ChangeId id = changes.SwitchFirewallOff();
    EXPECT_FALSE(DeleteSettingsSnapshot(machine.Os(), snapshot));
    EXPECT_TRUE(machine.files.HasFile(path));
    changes.PutBack(id);
    EXPECT_TRUE(DeleteSettingsSnapshot(machine.Os(), snapshot));
    EXPECT_FALSE(machine.files.HasFile(path));
}

TEST_F(Journal, AKeptProxySwitchOffLeavesTheUsersValueInTheKeptSnapshot) {
    MachineChanges& changes = NextProcess();
    WriteSettingsSnapshot(machine.Os(), snapshot, "{A1}\n");
    changes.Keep(changes.WriteValue(ChangeKind::ProxySwitch, HKCU, InternetSettings,
                                    "ProxyEnable", RegistryValueType::Dword,
                                    std::string(4, '\0')));
    EXPECT_EQ(machine.registry.DwordValue(HKCU, InternetSettings, "ProxyEnable"), 0u);
    EXPECT_FALSE(DeleteSettingsSnapshot(machine.Os(), snapshot));
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath), "{A1}\nProxyEnable 1\n");
}

TEST_F(Journal, ADamagedOrHalfWrittenJournalPutsBackWhatItCanAndIsCleared) {
    MachineChanges& first = NextProcess();
    first.WriteValue(ChangeKind::InterfaceValue, HKLM, Interface, "EnableDHCP",
                     RegistryValueType::Dword, DwordOne);
    first.DeleteValue(ChangeKind::InterfaceValue, HKLM, Interface, "DefaultGateway");
    // The process ended between the third entry and its counter; a stray
    // writer left junk and a truncated entry.
    const std::string entry3 =
        EncodeChangeEntry({ChangeKind::FirewallOff, HKLM, "", "", false, {}});
    machine.registry.SetRaw(HKLM, JournalKeyPath, "Entry3", RegistryValueType::Binary, entry3);
    machine.firewall.enabled = false;
    machine.registry.SetRaw(HKLM, JournalKeyPath, "Entry1", RegistryValueType::Binary,
                            EncodeChangeEntry({ChangeKind::InterfaceValue,
                                               HKLM,
                                               Interface,
                                               "EnableDHCP",
                                               true,
                                               {RegistryValueType::Dword, std::string(4, '\0')}})
                                .substr(0, 20));
    machine.registry.SetRaw(HKLM, JournalKeyPath, "Entry2", RegistryValueType::Binary,
                            EncodeChangeEntry(*first.Entry(2)));

    EXPECT_EQ(NextProcess().RecoverUnfinishedRun(), 2);
    EXPECT_EQ(Value(HKLM, Interface, "DefaultGateway").data, std::string("10.0.0.1\0\0", 10));
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
    const auto lines = machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "journal entry damaged, skipped Entry1"),
              lines.end());

    // No counter at all, and an entry of an unknown kind.
    std::string unknown = EncodeChangeEntry({ChangeKind::FirewallOff, HKLM, "", "", false, {}});
    unknown[4] = 99;
    machine.registry.SetRaw(HKLM, JournalKeyPath, "Entry7", RegistryValueType::Binary, unknown);
    machine.registry.SetRaw(HKLM, JournalKeyPath, "Entry9", RegistryValueType::Binary, entry3);
    machine.firewall.enabled = false;
    EXPECT_EQ(NextProcess().RecoverUnfinishedRun(), 1);
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
}

TEST_F(Journal, EntriesSurviveTheirBytesAndDamageIsRefused) {
    const ChangeEntry entry{ChangeKind::InterfaceValue,
                            HKLM,
                            Interface,
                            "IPAddress",
                            true,
                            {RegistryValueType::MultiString, std::string("10.0.0.5\0\0", 10)}};
    const auto back = DecodeChangeEntry(EncodeChangeEntry(entry));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->path, entry.path);
    EXPECT_EQ(back->name, entry.name);
    EXPECT_EQ(back->value.data, entry.value.data);
    EXPECT_EQ(back->value.type, entry.value.type);
    EXPECT_TRUE(back->existed);
    const std::string bytes = EncodeChangeEntry(entry);
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        EXPECT_FALSE(DecodeChangeEntry(bytes.substr(0, cut))) << cut;
    }
    EXPECT_FALSE(DecodeChangeEntry(bytes + "x"));
    // A registry change without its value name cannot be put back.
    EXPECT_FALSE(DecodeChangeEntry(
        EncodeChangeEntry({ChangeKind::ProxySwitch, HKCU, InternetSettings, "", false, {}})));
}

TEST_F(Journal, NoChangeIsMadeWhenTheJournalCannotBeWritten) {
    machine.registry.DenyWrites(HKLM);
    MachineChanges& changes = NextProcess();
    EXPECT_EQ(changes.SwitchFirewallOff(), NoChange);
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_EQ(changes.WriteValue(ChangeKind::ProxySwitch, HKCU, InternetSettings, "ProxyEnable",
                                 RegistryValueType::Dword, std::string(4, '\0')),
              NoChange);
    EXPECT_EQ(machine.registry.DwordValue(HKCU, InternetSettings, "ProxyEnable"), 1u);
    const auto lines = machine.LogLines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "journal not written, change not made "),
              lines.end());
}

}  // namespace
}  // namespace plover
