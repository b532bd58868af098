// Runs of the shipped stages leave the machine no worse. Cancel in the
// middle: every pause and every wait ends at once, a repair under way
// finishes, nothing starts after it, no failure panel is shown. A DHCP
// switch that did not help is put back; one that stayed keeps the settings
// snapshot, the record of the user's own values.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "app/ProgramStages.h"
#include "tests/unit/app/FormFixture.h"
#include "tests/unit/checks/NameResolutionMachine.h"
#include "tests/unit/support/WinsockCommands.h"

namespace plover {
namespace {

using standin::Adapter;
using testing::FormFixture;
using Lines = std::vector<std::string>;

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
const std::string KeyA = std::string(InterfacesKeyPath) + "{A}";
const std::string ProxyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string Hosts = "C:\\WINDOWS\\system32\\drivers\\etc\\Hosts";
const std::string Address = "192.168.1.10";
const std::string Gateway = "192.168.1.1";
const std::string Renewal = "cmd.exe /c ipconfig /renew";
const std::string FirewallOff = "cmd.exe /cnetsh firewall set opmode DISABLE";

bool Has(const Lines& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

bool HasPrefix(const Lines& lines, const std::string& prefix) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.rfind(prefix, 0) == 0; });
}

// The shipped program on an XP SP2 machine whose network works: a static
// adapter {A}, its router, the Internet behind it, the adapter's DNS server
// and both probe hosts' pages. Tests break what they need and press Cancel
// from a hook, as a user would at that moment.
struct Program {
    Program() {
        machine.connections.AddConnection("Local Area Connection");
        machine.adapters.SetTable(
            {Adapter("{A}", "Ethernet", false, Gateway, {{Address, "255.255.255.0"}})});
        machine.registry.SetDword(HKLM, KeyA, "EnableDHCP", 0);
        machine.registry.SetMultiString(HKLM, KeyA, "DefaultGateway", {Gateway});
        machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.53");
        machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 0);
        for (const std::string& host : {std::string("127.0.0.1"), Address, Gateway}) {
            machine.sockets.AnswerEcho(host);
        }
        machine.sockets.AnswerEcho(IspProbeAddress);
        machine.sockets.ServeDnsZone("10.0.0.53", zone);
        machine.http.SetPage("http://10.1.1.1", TNameResolution::VendorPageTitle);
        machine.http.SetPage("http://10.2.2.2", TNameResolution::SearchPageTitle);

        TPloverMainForm& window = fixture.Build();
        const Platform& os = window.RunOs();
        settings = std::make_unique<TNetworkSettings>(os, fixture.snapshot, fixture.regTexts,
                                                      fixture.changes);
        local = std::make_unique<TLocalConnection>(os, *settings, window);
        isp = std::make_unique<TISPSettings>(os, window);
        browser = std::make_unique<TBrowserSettings>(os);
        names = std::make_unique<TNameResolution>(os, *settings, window, window,
                                                  window.ProviderDnsServers);
        objects = std::make_unique<ProcessObjects>(ProcessObjects{
            os, window, *settings, *local, *isp, fixture.firewall, *browser, *names});
        window.SetStageSlots(BuildStageSlots(*objects));
    }

    // The user presses Cancel now; the window's thread handles the click
    // while the caller (the run, or a page fetch) waits.
    void PressCancel() {
        fixture.host.Synchronize([this] {
            fixture.form->contactCancelClick();
            noticeAtCancel = fixture.form->stopNotice.caption;
            cancelledAt = machine.clock.ElapsedMilliseconds();
        });
    }

    // Run Test, then the run to its end; the log of the run.
    Lines RunToTheEnd() {
        fixture.form->RunTestButtonClick();
        EXPECT_TRUE(fixture.FinishRun());
        return machine.LogLines();
    }

    // The run stopped without a panel, and the welcome screen offers Run
    // Test again with no notice left.
    void ExpectStoppedQuietly(const Lines& log) {
        const TPloverMainForm& form = *fixture.form;
        EXPECT_TRUE(form.firstImage.visible);
        EXPECT_FALSE(form.failPanel.visible);
        EXPECT_FALSE(form.goodPanel.visible);
        EXPECT_TRUE(form.RunTestButton.enabled);
        EXPECT_FALSE(form.stopNotice.visible);
        ASSERT_GE(log.size(), 2u);
        EXPECT_EQ(log[log.size() - 2].rfind("run stopped asked during ", 0), 0u);
        EXPECT_EQ(log.back(), "Exiting thread ");
        EXPECT_FALSE(HasPrefix(log, "fail message"));
        // Nor does the log give a verdict on a stage that did not end.
        EXPECT_FALSE(std::any_of(log.begin(), log.end(), [](const std::string& line) {
            return line.find("could") != std::string::npos;
        }));
    }

    FormFixture fixture;
    standin::FakeWindows& machine = fixture.machine;
    std::map<std::string, std::string> zone{{TNameResolution::VendorProbeHost, "10.1.1.1"},
                                            {TNameResolution::SearchProbeHost, "10.2.2.2"}};
    std::unique_ptr<TNetworkSettings> settings;
    std::unique_ptr<TLocalConnection> local;
    std::unique_ptr<TISPSettings> isp;
    std::unique_ptr<TBrowserSettings> browser;
    std::unique_ptr<TNameResolution> names;
    std::unique_ptr<ProcessObjects> objects;
    std::string noticeAtCancel;
    uint64_t cancelledAt = 0;
};

class StopPoints : public ::testing::Test, public Program {};

TEST_F(StopPoints, TheMachineIsHealthy) {
    const Lines log = RunToTheEnd();
    EXPECT_TRUE(fixture.form->goodPanel.visible);
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_EQ(std::count(log.begin(), log.end(), "synchronize step "), 5);
}

class EveryPause : public StopPoints {};

TEST_F(EveryPause, ACancelInAnyPauseEndsTheRunBeforeItsNextStep) {
    // One healthy run to count the pauses; then one run per pause, each
    // cancelled in that pause.
    size_t pauses = 0;
    machine.clock.OnStoppablePause([&](uint32_t) { ++pauses; });
    RunToTheEnd();
    ASSERT_GT(pauses, 10u);
    for (size_t k = 0; k < pauses; ++k) {
        SCOPED_TRACE("cancelled in pause " + std::to_string(k));
        Program run;
        size_t seen = 0;
        uint32_t length = 0;
        run.machine.clock.OnStoppablePause([&](uint32_t milliseconds) {
            if (seen++ == k) {
                length = milliseconds;
                run.PressCancel();
            }
        });
        const Lines log = run.RunToTheEnd();
        run.ExpectStoppedQuietly(log);
        ASSERT_FALSE(run.machine.clock.CutPauses().empty());
        EXPECT_EQ(run.machine.clock.CutPauses().front(), length);
        EXPECT_EQ(run.noticeAtCancel, "Stopping the test. Please wait...");
        // Nothing was repaired, and no stage after the stopped one ran.
        EXPECT_TRUE(run.machine.processes.CommandLines().empty());
        const std::string stopped = log[log.size() - 2];
        const int stage = stopped.back() - '0';
        EXPECT_EQ(std::count(log.begin(), log.end(), "synchronize step "), stage);
    }
}

// A Cancel inside a repair lets it finish; then the run ends. The DHCP switch
// of the ISP stage, cancelled while the addresses are renewed: all its
// steps run, and since it did not make the stage pass it is put back.
TEST_F(StopPoints, InsideTheDhcpSwitchItFinishesAndIsPutBack) {
    machine.sockets.ScriptEcho(IspProbeAddress, {});
    machine.processes.Program(Renewal).effect = [this] { PressCancel(); };
    const Lines log = RunToTheEnd();
    ExpectStoppedQuietly(log);
    EXPECT_EQ(noticeAtCancel, "Finishing a repair before the test stops. Please wait...");
    EXPECT_EQ(log[log.size() - 2], "run stopped asked during SwitchToDhcp");
    // The switch ran to its end, connections on again, then was put back.
    EXPECT_TRUE(Has(log, "enabledhcp gateway found True"));
    EXPECT_TRUE(Has(log, "put back interface settings {A}"));
    EXPECT_EQ(machine.connections.Switches(),
              (Lines{"disconnect Local Area Connection", "connect Local Area Connection",
                     "disconnect Local Area Connection", "connect Local Area Connection"}));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 0u);
    EXPECT_TRUE(machine.registry.Value(HKLM, KeyA, "DefaultGateway").has_value());
    EXPECT_FALSE(HasPrefix(log, "check name resolution"));
    EXPECT_FALSE(fixture.snapshot.InterfaceValuesChanged);
}

// The firewall step of a router that answers nothing: cancelled while the
// firewall goes off, the step finishes and is recorded, no DHCP switch
// follows, and the close switches the firewall on again.
TEST_F(StopPoints, InsideTheFirewallStepItFinishesAndIsRecorded) {
    machine.sockets.ScriptEcho(Gateway, {});
    machine.processes.Program(FirewallOff).effect = [this] {
        machine.firewall.enabled = false;
        PressCancel();
    };
    const Lines log = RunToTheEnd();
    ExpectStoppedQuietly(log);
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{FirewallOff, "cmd.exe /cnetsh firewall set icmpsetting 8 ENABLE"}));
    EXPECT_TRUE(fixture.form->FirewallWasDisabled);
    fixture.form->CloseButtonClick();
    EXPECT_TRUE(fixture.host.closed);
    EXPECT_TRUE(machine.firewall.enabled);
}

// The hosts repair, cancelled as it reads the file to save it: the file is
// replaced whole and saved, and the DNS repair never starts.
TEST_F(StopPoints, InsideTheHostsRepairTheFileIsNeverLeftHalfDone) {
    zone.clear();
    machine.files.SetContent(Hosts, "10.9.9.9 www.google.com\r\n");
    // Both lookups read the file; the repair's saving reads it a third time.
    int reads = 0;
    std::function<void()> onClose = [&] {
        if (++reads == 3) return PressCancel();
        machine.files.AfterNextClose(Hosts, onClose);
    };
    machine.files.AfterNextClose(Hosts, onClose);
    const Lines log = RunToTheEnd();
    ExpectStoppedQuietly(log);
    EXPECT_EQ(machine.files.Content(Hosts), TNameResolution::ReplacementHosts);
    EXPECT_EQ(machine.files.Content(Hosts + "_OLD.txt"), "10.9.9.9 www.google.com\r\n");
    EXPECT_FALSE(machine.files.HasFile(Hosts + ".new"));
    EXPECT_FALSE(HasPrefix(log, "writed"));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
}

// The Winsock reset of a computer without a usable address, cancelled
// while the catalog is reset: nobody is asked to restart, and the program
// is not started again at the next log-on.
TEST_F(StopPoints, InsideTheWinsockResetNoRestartIsOffered) {
    const std::string runKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    machine.registry.CreateKey(HKLM, runKey);
    machine.adapters.SetTable(
        {Adapter("{A}", "Ethernet", true, "", {{"169.254.7.7", "255.255.0.0"}})});
    machine.processes.Program(testing::CheckCommand).output = "error code 10107";
    machine.processes.Program(testing::CatalogCommand).effect = [this] { PressCancel(); };
    const Lines log = RunToTheEnd();
    ExpectStoppedQuietly(log);
    EXPECT_EQ(log[log.size() - 2], "run stopped asked during ResetIpStack");
    EXPECT_TRUE(fixture.host.questions.empty());
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_FALSE(machine.registry.Value(HKLM, runKey, "PloverReboot").has_value());
}

// The other repairs, each cancelled in its middle: its actions all run,
// nothing runs after it, and the machine is as the finished repair leaves it.
TEST_F(StopPoints, InsideEveryOtherRepairItsActionsAllRun) {
    struct Case {
        const char* repair;
        std::function<void(Program&)> arrange;
        std::function<void(Program&, const Lines&)> check;
    };
    const Case cases[] = {
        {"RestartAdapters",
         [](Program& run) {
             run.machine.adapters.SetTable({});
             run.machine.adapters.ThenTables(
                 {{}, {Adapter("{A}", "Ethernet", false, Gateway, {{Address, "255.255.255.0"}})}});
             run.machine.connections.onSwitch = [&run](const std::string&, bool connect) {
                 if (!connect) run.PressCancel();
             };
         },
         [](Program& run, const Lines& log) {
             EXPECT_TRUE(run.machine.connections.IsConnected("Local Area Connection"));
             EXPECT_TRUE(Has(log, "network adapter step repaired"));
         }},
        {"RenewAddresses",
         [](Program& run) {
             run.machine.adapters.SetTable(
                 {Adapter("{A}", "Ethernet", true, "", {{"169.254.7.7", "255.255.0.0"}})});
             run.machine.processes.Program(Renewal).effect = [&run] { run.PressCancel(); };
         },
         [](Program& run, const Lines&) {
             // All six commands of the renewal, and not the Winsock check after it.
             EXPECT_EQ(run.machine.processes.CommandLines().size(), 6u);
             EXPECT_EQ(run.machine.processes.CommandLines().back(),
                       "cmd.exe /c ipconfig /registerdns");
         }},
        {"WriteProviderDns",
         [](Program& run) {
             run.zone.clear();
             run.machine.processes.Program("cmd.exe /cipconfig /flushdns").effect = [&run] {
                 run.PressCancel();
             };
         },
         [](Program& run, const Lines&) {
             EXPECT_EQ(run.machine.processes.CommandLines().back(),
                       "cmd.exe /cipconfig /registerdns");
             EXPECT_EQ(run.machine.registry.StringValue(HKLM, KeyA, "NameServer"),
                       run.fixture.form->ProviderDnsServers);
             EXPECT_TRUE(run.machine.connections.IsConnected("Local Area Connection"));
             EXPECT_TRUE(run.fixture.snapshot.InterfaceValuesChanged);
         }},
        {"DisableProxy",
         [](Program& run) {
             run.machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 1);
             // The proxy check's pause, the notice's 3 s, then the repair's own.
             auto pauses = std::make_shared<std::vector<uint32_t>>();
             run.machine.clock.OnStoppablePause([&run, pauses](uint32_t milliseconds) {
                 pauses->push_back(milliseconds);
                 if (pauses->size() >= 2 && (*pauses)[pauses->size() - 2] == 3000) {
                     run.PressCancel();
                 }
             });
         },
         [](Program& run, const Lines&) {
             EXPECT_EQ(run.machine.registry.DwordValue(HKCU, ProxyKey, "ProxyEnable"), 0u);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.repair);
        Program run;
        c.arrange(run);
        const Lines log = run.RunToTheEnd();
        run.ExpectStoppedQuietly(log);
        EXPECT_EQ(log[log.size() - 2], std::string("run stopped asked during ") + c.repair);
        EXPECT_EQ(run.noticeAtCancel, "Finishing a repair before the test stops. Please wait...");
        c.check(run, log);
    }
}

// A Cancel while the run waits for an answer ends the wait at once (the
// check answers no) and no repair follows: an echo, a TCP connection, a
// DNS reply, a page.
TEST_F(StopPoints, AWaitForAnAnswerEndsAtOnceAndNoRepairFollows) {
    struct Case {
        const char* wait;
        std::function<void(Program&)> arrange;
    };
    const auto cancelAtSilentWait = [](Program& run, int which) {
        auto waits = std::make_shared<int>(0);
        run.machine.sockets.OnSilentWait([&run, waits, which] {
            if (++*waits == which) run.PressCancel();
        });
    };
    const Case cases[] = {
        {"echo",
         [&](Program& run) {
             run.machine.sockets.ScriptEcho(IspProbeAddress, {});
             cancelAtSilentWait(run, 1);
         }},
        {"tcp",
         [&](Program& run) {
             run.machine.sockets.ScriptEcho(Gateway, {});
             cancelAtSilentWait(run, 3);  // after the gateway's two echo attempts
         }},
        {"dns",
         [&](Program& run) {
             run.machine.sockets.ScriptDnsServer("10.0.0.53", 53, nullptr);
             run.machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.54");
             cancelAtSilentWait(run, 1);
         }},
        {"page",
         [&](Program& run) {
             run.machine.http.OnTransfer([&run](const HttpGetRequest&) { run.PressCancel(); });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wait);
        Program run;
        c.arrange(run);
        const Lines log = run.RunToTheEnd();
        run.ExpectStoppedQuietly(log);
        EXPECT_TRUE(run.machine.processes.CommandLines().empty());
        EXPECT_FALSE(HasPrefix(log, "replace host file"));
        // No wait ran its time-out after the Cancel, nor did any pause.
        EXPECT_LT(run.machine.clock.ElapsedMilliseconds() - run.cancelledAt, 1000u);
        if (std::string(c.wait) != "page") {
            EXPECT_GE(run.machine.sockets.CutWaits(), 1);
        }
    }
}

size_t IndexOf(const Lines& lines, const std::string& prefix) {
    return static_cast<size_t>(
        std::find_if(lines.begin(), lines.end(),
                     [&](const std::string& line) { return line.rfind(prefix, 0) == 0; }) -
        lines.begin());
}

TEST_F(StopPoints, ASwitchThatDoesNotHelpIsPutBackBeforeThePanel) {
    machine.sockets.ScriptEcho(IspProbeAddress, {});
    const auto gateway = machine.registry.Value(HKLM, KeyA, "DefaultGateway");
    const Lines log = RunToTheEnd();
    EXPECT_TRUE(fixture.form->failPanel.visible);
    EXPECT_LT(IndexOf(log, "put back interface settings {A}"), IndexOf(log, "fail message"));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 0u);
    EXPECT_EQ(machine.registry.Value(HKLM, KeyA, "DefaultGateway")->data, gateway->data);
    // Nothing is left changed: the snapshot goes as before.
    fixture.form->CloseButtonClick();
    EXPECT_TRUE(Has(machine.LogLines(), "delete PloverRegKey... file "));
}

TEST_F(StopPoints, ASwitchThatRepairsStaysOnTheLineAndAHostOnlyAdapterIsNotTouched) {
    const std::string keyH = std::string(InterfacesKeyPath) + "{H}";
    machine.registry.SetDword(HKLM, keyH, "EnableDHCP", 0);
    machine.registry.SetMultiString(HKLM, keyH, "IPAddress", {"192.168.56.1"});
    machine.registry.SetMultiString(HKLM, keyH, "DefaultGateway", {});
    machine.adapters.SetTable(
        {Adapter("{A}", "Ethernet", false, Gateway, {{Address, "255.255.255.0"}}),
         Adapter("{H}", "Host-Only", false, "", {{"192.168.56.1", "255.255.255.0"}})});
    const auto hostOnlyDhcp = machine.registry.Value(HKLM, keyH, "EnableDHCP");
    const auto hostOnlyGateway = machine.registry.Value(HKLM, keyH, "DefaultGateway");
    // The router is gone, and comes back while the line takes DHCP.
    machine.sockets.ScriptEcho(Gateway, {});
    machine.processes.Program(Renewal).effect = [this] { machine.sockets.AnswerEcho(Gateway); };
    const Lines log = RunToTheEnd();
    EXPECT_TRUE(fixture.form->goodPanel.visible);
    EXPECT_TRUE(Has(log, "enabledhcp on adapter {A}"));
    EXPECT_FALSE(Has(log, "enabledhcp on adapter {H}"));
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 1u);
    EXPECT_EQ(machine.registry.Value(HKLM, keyH, "EnableDHCP")->data, hostOnlyDhcp->data);
    EXPECT_EQ(machine.registry.Value(HKLM, keyH, "DefaultGateway")->data, hostOnlyGateway->data);
    EXPECT_EQ(machine.registry.Value(HKLM, keyH, "DefaultGateway")->type, hostOnlyGateway->type);
    EXPECT_TRUE(machine.connections.IsConnected("Local Area Connection"));
    // The firewall goes back on at the close, and then nothing is unsettled.
    fixture.form->CloseButtonClick();
    EXPECT_FALSE(JournalHoldsEntries(machine.Os()));
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_FALSE(machine.firewall.echoAllowed);
    EXPECT_TRUE(machine.files.HasFile(fixture.snapshot.SettingsSnapshotPath));
}

TEST_F(StopPoints, ASwitchThatRepairsStaysAndTheSnapshotIsKept) {
    // A static gateway outside the subnet; DHCP brings one inside it.
    machine.adapters.SetTable(
        {Adapter("{A}", "Ethernet", false, "192.168.3.1", {{Address, "255.255.255.0"}})});
    machine.processes.Program(Renewal).effect = [this] {
        machine.adapters.SetTable(
            {Adapter("{A}", "Ethernet", true, Gateway, {{Address, "255.255.255.0"}})});
    };
    RunToTheEnd();
    EXPECT_TRUE(fixture.form->goodPanel.visible);
    EXPECT_EQ(machine.registry.DwordValue(HKLM, KeyA, "EnableDHCP"), 1u);
    const std::string snapshot = fixture.snapshot.SettingsSnapshotPath;
    ASSERT_TRUE(machine.files.HasFile(snapshot));
    // Neither a new run nor the close deletes the only record of the user's
    // static settings; the log says where it is.
    fixture.form->RunTestButtonClick();
    ASSERT_TRUE(fixture.FinishRun());
    fixture.form->CloseButtonClick();
    EXPECT_TRUE(machine.files.HasFile(snapshot));
    EXPECT_TRUE(Has(machine.LogLines(), "settings snapshot kept " + snapshot));
}

}  // namespace
}  // namespace plover
