#include <gtest/gtest.h>

#include "engine/NameResolutionStage.h"
#include "tests/unit/checks/NameResolutionMachine.h"
#include "tests/unit/engine/RecordingDisplay.h"

namespace plover {
namespace {

using namespace checkstest;
using enginetest::InlineSynchronizer;
using enginetest::RecordingDisplay;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

class NameResolutionStage : public ::testing::Test, public NameResolutionMachine {
protected:
    // Runs stage 4 alone through the run frame and returns the stage number.
    int RunStage() {
        StageSlots slots;
        slots[3] = [this](ComputationalThread& thread) {
            RunNameResolutionStage(thread, names);
            thread.Terminate();  // stage 5 is not part of these tests
        };
        ComputationalThread thread(machine.Os(), display, synchronizer, slots, true);
        thread.StageNumber = 4;
        thread.Execute();
        return thread.StageNumber;
    }

    // The stage's own entries, the start and verdicts of each check and the
    // marks of each repair, without the lookups' details.
    Lines Transcript() const {
        static const char* const kept[] = {
            "check name resolution", "hostName:", "replace host", "regKey", "writed",
            "synchronize",           "Exiting"};
        Lines transcript;
        for (const std::string& line : machine.LogLines()) {
            for (const char* start : kept) {
                if (line.rfind(start, 0) == 0) {
                    transcript.push_back(line);
                    break;
                }
            }
        }
        return transcript;
    }

    RecordingDisplay display;
    InlineSynchronizer synchronizer;
};

const Lines CheckStart{"check name resolution "};
const Lines BothPass{"check name resolution receive answer", "hostName:www.brackenfield.com ok",
                     "check name resolution receive answer", "hostName:www.google.com ok"};
const Lines BothFail{
    "check name resolution receive answer", "hostName:www.brackenfield.com Host Unreacheable",
    "check name resolution receive answer", "hostName:www.google.com Host Unreacheable"};
const Lines RepairStart{"check name resolution step - fail try to repair", "replace host file ",
                        "check name resolution step - fail rename host"};
const Lines ProviderDns{"check name resolution-fail write dns from provider", "regKey ",
                        "writed dns "};
const Lines RunEnd{"synchronize step ", "Exiting thread "};

// The adapter table's two looks and the gateway key lookup's first pause.
const Pauses GatewayLookup{10, 10, 100};

template <typename Item>
std::vector<Item> Concat(std::initializer_list<std::vector<Item>> parts) {
    std::vector<Item> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

TEST_F(NameResolutionStage, NamesResolveAtOnce) {
    EverythingWorks();
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(),
              Concat<std::string>({CheckStart, BothPass, {"check name resolution good "}, RunEnd}));
    EXPECT_EQ(display.Operations(), (Lines{"StageCompleted"}));
    // Only the adapter refresh and gateway key lookup pause: the stage adds none.
    EXPECT_EQ(machine.clock.Pauses(), GatewayLookup);
    EXPECT_FALSE(machine.files.HasFile(HostsPath));
}

TEST_F(NameResolutionStage, HijackedHostsFileIsReplaced) {
    EverythingWorks();
    const std::string hijacked = "10.6.6.6 www.brackenfield.com\r\n10.6.6.6 www.google.com\r\n";
    machine.files.SetContent(HostsPath, hijacked);
    machine.sockets.SetHostAddress(Vendor, "10.6.6.6");
    machine.sockets.SetHostAddress(Search, "10.6.6.6");
    machine.sockets.AnswerEcho("10.6.6.6");
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(), Concat<std::string>({CheckStart,
                                                 BothFail,
                                                 RepairStart,
                                                 CheckStart,
                                                 BothPass,
                                                 {"check name resolution step repaired"},
                                                 RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"}));
    EXPECT_EQ(machine.files.Content(BackupPath), hijacked);
    EXPECT_TRUE(machine.processes.CommandLines().empty());
}

TEST_F(NameResolutionStage, ProviderDnsServersRepairADeadAdapterServer) {
    DnsZone provider;
    provider.addresses = {{Vendor, "10.1.1.1"}, {Search, "10.2.2.2"}};
    ServeDns("10.8.8.8", provider);
    ServePage("10.1.1.1", VendorPage);
    ServePage("10.2.2.2", SearchPage);
    EXPECT_EQ(RunStage(), 5);
    EXPECT_EQ(Transcript(), Concat<std::string>({CheckStart,
                                                 BothFail,
                                                 RepairStart,
                                                 CheckStart,
                                                 BothFail,
                                                 ProviderDns,
                                                 CheckStart,
                                                 BothPass,
                                                 {"check name resolution step repaired"},
                                                 RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ResumeStagesPanel", "StageCompleted"}));
    EXPECT_EQ(machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.8.8.8,10.8.8.9");
    EXPECT_EQ(
        machine.clock.Pauses(),
        Concat<uint32_t>({GatewayLookup, GatewayLookup, {1000, 4000, 12000, 5000}, GatewayLookup}));
}

TEST_F(NameResolutionStage, NothingHelps) {
    EXPECT_EQ(RunStage(), 7);
    EXPECT_EQ(Transcript(),
              Concat<std::string>({CheckStart,
                                   BothFail,
                                   RepairStart,
                                   CheckStart,
                                   BothFail,
                                   ProviderDns,
                                   CheckStart,
                                   BothFail,
                                   {"check name resolution step - fail could not be repaired"},
                                   RunEnd}));
    EXPECT_EQ(display.Operations(),
              (Lines{"ShowRepairInProgress", "ShowSupportMessage", "StageCompleted"}));
    // The repairs stay: a fresh hosts file and the partner's servers.
    EXPECT_EQ(machine.files.Content(HostsPath), "\r\n127.0.0.1 localhost");
    EXPECT_EQ(machine.registry.StringValue(HKLM, KeyA, "NameServer"), "10.8.8.8,10.8.8.9");
}

}  // namespace
}  // namespace plover
