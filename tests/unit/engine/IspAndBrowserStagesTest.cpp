#include <gtest/gtest.h>

#include <algorithm>

#include "app/PageService.h"
#include "app/PingService.h"
#include "engine/BrowserSettingsStage.h"
#include "engine/IspConnectionStage.h"
#include "system/Log.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/engine/RecordingDisplay.h"

namespace plover {
namespace {

using enginetest::RecordingDisplay;
using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;
const std::string ProxyKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const Lines Completed3{"StageCompleted", "StageCompleted", "StageCompleted"};

// Stages 3 to 5 through the run frame; stage 4 is a stand-in that only
// notes that it ran.
class LastStages : public ::testing::Test {
protected:
    LastStages() {
        machine.adapters.SetTable(
            {Adapter("{A}", "Ethernet", true, "192.168.1.1", {{"192.168.1.10", "255.255.255.0"}})});
        machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 0);
    }
    int Run(int firstStage) {
        StageSlots slots;
        slots[2] = [this](ComputationalThread& thread) {
            RunIspConnectionStage(thread, settings, isp);
        };
        slots[3] = [this](ComputationalThread&) { WriteLog(machine.Os(), "stage 4 ran", ""); };
        slots[4] = [this](ComputationalThread& thread) {
            RunBrowserSettingsStage(thread, browser, names, settings.Changes());
        };
        ComputationalThread thread(machine.Os(), display, synchronizer, slots, true);
        thread.StageNumber = firstStage;
        thread.Execute();
        return thread.StageNumber;
    }
    // The log without the ping service's lines.
    Lines Entries() const {
        Lines entries;
        for (const auto& line : machine.LogLines()) {
            if (line.rfind("ping host: ", 0) != 0) entries.push_back(line);
        }
        return entries;
    }

    FakeWindows machine;
    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    PingService ping{machine.Os()};
    TISPSettings isp{machine.Os(), ping};
    TBrowserSettings browser{machine.Os()};
    standin::FakeWindowThread window{standin::FakeWindowThread::OwnThread{}};
    PageService pages{machine.http, window, machine.clock};
    std::string provider = "10.8.8.8";
    TNameResolution names{machine.Os(), settings, ping, pages, provider};
    RecordingDisplay display;
    standin::FakeWindowThread synchronizer;
};

TEST_F(LastStages, IspPassWritesNoEntryOfItsOwnAndTheRunSucceeds) {
    machine.sockets.AnswerEcho(IspProbeAddress);
    EXPECT_EQ(Run(3), 6);
    EXPECT_EQ(Entries(), (Lines{"ISP check ", "synchronize step ", "stage 4 ran ",
                                "synchronize step ", "checking browser settings step - pass ",
                                "synchronize step ", "Exiting thread "}));
    EXPECT_EQ(display.Operations(), Completed3);
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{2000, 2000, 1000, 2000}));
}

TEST_F(LastStages, IspAnsweringAfterTheDhcpSwitchIsRepaired) {
    machine.processes.Program("cmd.exe /c ipconfig /renew").effect = [this] {
        machine.sockets.AnswerEcho("4.2.2.2");
    };
    EXPECT_EQ(Run(3), 6);
    const Lines entries = Entries();
    // Neither probe address takes a connection either: the repair follows.
    EXPECT_EQ(
        Lines(entries.begin(), entries.begin() + 4),
        (Lines{"ISP check ", "tcp probe 198.41.0.4:53 no answer", "tcp probe 4.2.2.2:53 no answer",
               "checking ISP connection step error - try to repair"}));
    // The second check, then the later stages.
    EXPECT_EQ(
        Lines(entries.end() - 8, entries.end()),
        (Lines{"ISP check ", "checking ISP connection step - pass repaired", "synchronize step ",
               "stage 4 ran ", "synchronize step ", "checking browser settings step - pass ",
               "synchronize step ", "Exiting thread "}));
    EXPECT_EQ(display.Operations(), (Lines{"ShowRepairInProgress", "ResumeStagesPanel",
                                           "StageCompleted", "StageCompleted", "StageCompleted"}));
    EXPECT_EQ(machine.processes.CommandLines().front(), "cmd.exe /c ipconfig /renew");
}

TEST_F(LastStages, IspUnreachableTwiceEndsOnTheSupportMessageAndNothingLaterRuns) {
    EXPECT_EQ(Run(3), 7);
    const Lines entries = Entries();
    // The switch is judged by echo and TCP alike.
    EXPECT_EQ(Lines(entries.end() - 6, entries.end()),
              (Lines{"ISP check ", "tcp probe 198.41.0.4:53 no answer",
                     "tcp probe 4.2.2.2:53 no answer",
                     "checking ISP connection step - fail couldn.t be repaired",
                     "synchronize step ", "Exiting thread "}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowSupportMessage", "StageCompleted"}));
    EXPECT_EQ(machine.sockets.EchoRequestsTo("4.2.2.2"), 4);
}

TEST_F(LastStages, AnIspDroppingEchoButTakingAConnectionPassesWithoutTheSwitch) {
    // A refusal may come from a filter on the way: it does not count.
    machine.sockets.ScriptTcp(IspProbeAddress, 53, TcpAnswer::Refused);
    machine.sockets.ScriptTcp("4.2.2.2", 53, TcpAnswer::Accepted);
    EXPECT_EQ(Run(3), 6);
    const Lines entries = Entries();
    EXPECT_EQ(Lines(entries.begin(), entries.begin() + 4),
              (Lines{"ISP check ", "tcp probe 198.41.0.4:53 refused",
                     "ISP answers over TCP 4.2.2.2:53 accepted", "synchronize step "}));
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_EQ(display.Operations(), Completed3);
    EXPECT_EQ(machine.clock.Pauses().front(), 2000u);
}

TEST_F(LastStages, AnIspTakingConnectionsOnlyAfterTheSwitchKeepsTheSwitch) {
    machine.processes.Program("cmd.exe /c ipconfig /renew").effect = [this] {
        machine.sockets.ScriptTcp("4.2.2.2", 53, TcpAnswer::Accepted);
    };
    EXPECT_EQ(Run(3), 6);
    const Lines log = machine.LogLines();
    EXPECT_NE(std::find(log.begin(), log.end(), "checking ISP connection step - pass repaired"),
              log.end());
    EXPECT_FALSE(settings.DhcpSwitchPending());
}

TEST_F(LastStages, AWorkingProxyIsTheUsersAndStaysOn) {
    machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 1);
    machine.registry.SetString(HKCU, ProxyKey, "ProxyServer", "10.9.9.9:3128");
    machine.http.SetPage("http://www.google.com/", "<title>Google</title>", "10.9.9.9:3128");
    EXPECT_EQ(Run(5), 6);
    EXPECT_EQ(machine.LogLines(),
              (Lines{"page through proxy 10.9.9.9:3128 www.brackenfield.com failed",
                     "page through proxy 10.9.9.9:3128 www.google.com ok",
                     "checking browser settings step - pass proxy works, left on",
                     "synchronize step ", "Exiting thread "}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    EXPECT_EQ(machine.registry.DwordValue(HKCU, ProxyKey, "ProxyEnable"), 1u);
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));
    // Through the proxy, by name: the proxy looks the name up itself.
    const auto requests = machine.http.Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].url, "http://www.brackenfield.com/");
    EXPECT_EQ(requests[1].proxy, "10.9.9.9:3128");
}

enum class Proxy { Off, ValueAbsent, On, KeyMissing };

class BrowserStage : public LastStages, public ::testing::WithParamInterface<Proxy> {};

TEST_P(BrowserStage, PassRepairOrFailureByWhatTheKeyHolds) {
    const Proxy proxy = GetParam();
    machine.registry.SetString(HKCU, ProxyKey, "ProxyServer", "proxy:8080");
    if (proxy == Proxy::ValueAbsent) {
        machine.registry.OpenKey(HKCU, ProxyKey, RegistryAccess::AllAccess, false)
            ->DeleteValue("ProxyEnable");
    }
    if (proxy == Proxy::On) machine.registry.SetDword(HKCU, ProxyKey, "ProxyEnable", 1);
    if (proxy == Proxy::KeyMissing) {
        ASSERT_TRUE(machine.registry.DeleteKey(HKCU, ProxyKey));
    }

    const bool passes = proxy == Proxy::Off;
    const bool fails = proxy == Proxy::KeyMissing;
    EXPECT_EQ(Run(5), fails ? 7 : 6);
    const Lines end{"synchronize step ", "Exiting thread "};
    if (passes) {
        EXPECT_EQ(machine.LogLines(),
                  (Lines{"checking browser settings step - pass ", end[0], end[1]}));
        EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
        EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 2000}));
        return;
    }
    const std::string verdict = fails ? "checking browser settings step - fail "
                                      : "checking browser settings step - pass repaired";
    // A proxy switched on is tried first; this one brings no page.
    Lines tried;
    if (proxy == Proxy::On) {
        tried = {"page through proxy proxy:8080 www.brackenfield.com failed",
                 "page through proxy proxy:8080 www.google.com failed"};
    }
    tried.insert(tried.end(), {"checking Browser settings - fail try to repair", verdict, end[0], end[1]});
    EXPECT_EQ(machine.LogLines(), tried);
    EXPECT_EQ(
        display.Operations(),
        (Lines{"ShowRepairInProgress", fails ? "ShowBrowserSettingsFailure" : "ResumeStagesPanel",
               "StageCompleted"}));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{1000, 3000, 1000, 1000}));
    if (fails) {
        EXPECT_FALSE(machine.registry.HasKey(HKCU, ProxyKey));
    } else {
        EXPECT_EQ(machine.registry.DwordValue(HKCU, ProxyKey, "ProxyEnable"), 0u);
        // Recorded, and kept: the journal holds nothing more.
        EXPECT_TRUE(settings.Changes().Unsettled().empty());
        EXPECT_FALSE(machine.registry.HasKey(HKLM, JournalKeyPath));
        // Only the switch changes; the server stays for the user to turn on again.
        EXPECT_EQ(machine.registry.StringValue(HKCU, ProxyKey, "ProxyServer"), "proxy:8080");
    }
}

INSTANTIATE_TEST_SUITE_P(ProxySwitch, BrowserStage,
                         ::testing::Values(Proxy::Off, Proxy::ValueAbsent, Proxy::On,
                                           Proxy::KeyMissing));

}  // namespace
}  // namespace plover
