#include <gtest/gtest.h>

#include <algorithm>

#include "engine/NameResolutionStage.h"
#include "tests/unit/checks/NameResolutionMachine.h"
#include "tests/unit/engine/RecordingDisplay.h"

namespace plover {
namespace {

using namespace checkstest;
using Pauses = std::vector<uint32_t>;

class NameResolutionStage : public ::testing::Test, public NameResolutionMachine {
protected:
    // Runs stage 4 alone through the run frame; the stage number after it.
    int RunStage() {
        StageSlots slots;
        slots[3] = [this](ComputationalThread& thread) {
            RunNameResolutionStage(thread, names);
            thread.Terminate();
        };
        ComputationalThread thread(machine.Os(), display, synchronizer, slots, true);
        thread.StageNumber = 4;
        thread.Execute();
        return thread.StageNumber;
    }
    // The stage's entries with each check's start and verdict per host, and
    // the repairs' marks; not the lookups' details.
    Lines Transcript() const {
        Lines kept;
        for (const std::string& line : machine.LogLines()) {
            for (const char* start : {"check name resolution", "hostName:", "replace", "writed"}) {
                if (line.rfind(start, 0) == 0 && line.find("receive answer") == std::string::npos &&
                    line.find("rename host") == std::string::npos) {
                    kept.push_back(line);
                }
            }
        }
        return kept;
    }
    Lines Checked(const std::string& vendor, const std::string& search) const {
        return {"check name resolution ", "hostName:www.brackenfield.com " + vendor,
                "hostName:www.google.com " + search};
    }
    Lines Failed() const { return Checked("Host Unreacheable", "Host Unreacheable"); }
    Lines Passed() const { return Checked("ok", "ok"); }

    enginetest::RecordingDisplay display;
    standin::FakeWindowThread synchronizer;
};

Lines Concat(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const Lines HostsRepair{"check name resolution step - fail try to repair", "replace host file "};
const Lines DnsRepair{"check name resolution-fail write dns from provider", "writed dns "};
const Lines Repaired{"check name resolution step repaired"};
const Lines NotRepaired{"check name resolution step - fail could not be repaired"};
const Lines RepairShown{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"};
// The adapter table's two looks and the gateway key lookup's pause, per check.
const Pauses GatewayLookup{10, 10, 100};

TEST_F(NameResolutionStage, NamesResolveAtOnce) {
    EverythingWorks();
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(), Concat({Passed(), {"check name resolution good "}}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), GatewayLookup);  // none of the stage's own
}

TEST_F(NameResolutionStage, HijackedHostsFileIsReplaced) {
    EverythingWorks();
    // One parked page for both names: the hosts file's doing, not a sign-in page.
    ServePage("10.6.6.6", "<title>Parked</title>");
    machine.files.SetContent(HostsPath, "10.6.6.6 www.brackenfield.com\r\n10.6.6.6 www.google.com");
    machine.sockets.SetHostAddress(Vendor, "10.6.6.6");
    machine.sockets.SetHostAddress(Search, "10.6.6.6");
    machine.sockets.AnswerEcho("10.6.6.6");
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(), Concat({Failed(), HostsRepair, Passed(), Repaired}));
    EXPECT_EQ(display.Operations(), RepairShown);
    EXPECT_TRUE(machine.processes.CommandLines().empty());
}

TEST_F(NameResolutionStage, ProviderDnsServersStandInForADeadAdapterServer) {
    const std::map<std::string, std::string> provider{{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
    EverythingWorks();
    adapterZone.clear();
    ServeDns("10.8.8.8", provider);
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(),
              Concat({Failed(), HostsRepair, Failed(), DnsRepair, Passed(), Repaired}));
    EXPECT_EQ(display.Operations(), RepairShown);
    Pauses pauses = GatewayLookup;
    for (const Pauses& next : {GatewayLookup, Pauses{1000, 4000, 12000, 5000}, GatewayLookup}) {
        pauses.insert(pauses.end(), next.begin(), next.end());
    }
    EXPECT_EQ(machine.clock.Pauses(), pauses);
}

TEST_F(NameResolutionStage, RepairsThatDidNotHelpArePutBack) {
    // The user's static servers, and a hosts file that names neither probe.
    const std::string users = "127.0.0.1 localhost\r\n10.3.3.3 printer.lan\r\n";
    machine.files.SetContent(HostsPath, users);
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(Transcript(),
              Concat({Failed(), HostsRepair, Failed(), DnsRepair, Failed(), NotRepaired}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowSupportMessage", "StageCompleted"}));
    EXPECT_EQ(machine.files.Content(HostsPath), users);
    EXPECT_EQ(machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.0.0.53");
    const Lines log = machine.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "put back DNS servers {A}"), log.end());
    EXPECT_TRUE(settings.Changes().Unsettled().empty());
}

TEST_F(NameResolutionStage, AHostsFileThatMappedAProbeStaysReplacedWithItsBackup) {
    const std::string hijacked = "10.6.6.6 www.google.com\r\n";
    machine.files.SetContent(HostsPath, hijacked);
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
    EXPECT_EQ(machine.files.Content(EtcFolder + "\\Hosts_OLD.txt"), hijacked);
    EXPECT_EQ(machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.0.0.53");
    EXPECT_EQ(machine.LogLines().back(), "Exiting thread ");
}

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
const std::string ProxyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

TEST_F(NameResolutionStage, PagesThroughTheUsersProxyPassWhereTheDirectWayIsShut) {
    adapterZone = {{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
    machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 1);
    machine.registry.SetString(HKCU, ProxyKey, "ProxyServer", "10.9.9.9:3128");
    machine.http.SetPage("http://www.google.com/", "<title>Google</title>", "10.9.9.9:3128");
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(), Concat({Checked("Host Unreacheable", "ok through the proxy"),
                                    {"check name resolution good "}}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_FALSE(machine.files.Exists(HostsPath));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
}

// How a sign-in network answers the page of every host: by address, as the
// lookup gave it.
HttpTransfer Answer(int status, const std::string& body, const std::string& redirectedTo) {
    HttpTransfer answer;
    answer.status = status;
    answer.body = body;
    answer.redirectedTo = redirectedTo;
    return answer;
}

TEST_F(NameResolutionStage, ASignInPageForEveryHostEndsWithoutRepairs) {
    struct Case {
        const char* what;
        HttpTransfer answer;
        std::string host;
    };
    const std::vector<Case> cases{
        {"a redirect to its sign-in page", Answer(200, "<h1>Welcome</h1>", "http://Portal.lab/login"),
         "portal.lab"},
        {"redirects without end", Answer(302, "", "http://10.77.0.1/login?again"), "10.77.0.1"},
        {"the sign-in page itself", Answer(200, "<h1>Welcome</h1>", ""), "10.77.0.1"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        NameResolutionMachine fresh;
        fresh.adapterZone = {{Vendor, "10.77.0.1"}, {Search, "10.77.0.1"}};
        fresh.machine.http.SetAnswer("http://10.77.0.1", test.answer);
        enginetest::RecordingDisplay shown;
        StageSlots slots;
        slots[3] = [&](ComputationalThread& thread) {
            RunNameResolutionStage(thread, fresh.names);
            thread.Terminate();
        };
        ComputationalThread thread(fresh.machine.Os(), shown, synchronizer, slots, true);
        thread.StageNumber = 4;
        thread.Execute();
        EXPECT_EQ(thread.StageNumber, 7);
        EXPECT_EQ(shown.Operations(), (Lines{"ShowSignInMessage", "StageCompleted"}));
        const Lines log = fresh.machine.LogLines();
        EXPECT_NE(std::find(log.begin(), log.end(), "network shows its own sign-in page " + test.host),
                  log.end());
        EXPECT_NE(std::find(log.begin(), log.end(),
                            "check name resolution step - fail sign-in page of the network, not "
                            "repaired"),
                  log.end());
        EXPECT_FALSE(fresh.machine.files.Exists(HostsPath));
        EXPECT_EQ(fresh.machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.0.0.53");
        EXPECT_TRUE(fresh.machine.processes.CommandLines().empty());
    }
}

TEST_F(NameResolutionStage, PagesThatAreNotOneNetworksOwnStillGetTheRepairs) {
    // Redirects back to the probe's own name, two different wrong pages,
    // and two failed fetches are no sign-in page.
    adapterZone = {{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
    machine.http.SetAnswer("http://10.1.1.1",
                           Answer(200, "moved", "http://WWW.Brackenfield.com./index"));
    machine.http.SetAnswer("http://10.2.2.2", Answer(200, "<title>Other</title>", "http://x.lab/"));
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowSupportMessage", "StageCompleted"}));
    machine.registry.SetString(HKLM, KeyA, "NameServer", "10.0.0.53");
    machine.http.SetAnswer("http://10.1.1.1", Answer(200, "<p>one</p>", ""));
    machine.http.SetAnswer("http://10.2.2.2", Answer(200, "<p>two</p>", ""));
    EXPECT_FALSE(names.CheckNameResolution());
    EXPECT_EQ(names.SignInPageHost(), "");
    machine.http.SetAnswer("http://10.1.1.1", Answer(404, "<p>same</p>", ""));
    machine.http.SetAnswer("http://10.2.2.2", Answer(404, "<p>same</p>", ""));
    EXPECT_FALSE(names.CheckNameResolution());
    EXPECT_EQ(names.SignInPageHost(), "");
}

}  // namespace
}  // namespace plover
