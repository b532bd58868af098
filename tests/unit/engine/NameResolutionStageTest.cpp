#include <gtest/gtest.h>

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

TEST_F(NameResolutionStage, NothingHelps) {
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(Transcript(),
              Concat({Failed(), HostsRepair, Failed(), DnsRepair, Failed(), NotRepaired}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowSupportMessage", "StageCompleted"}));
    // The repairs stay.
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
    EXPECT_EQ(machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.8.8.8,10.8.8.9");
    EXPECT_EQ(machine.LogLines().back(), "Exiting thread ");
}

}  // namespace
}  // namespace plover
