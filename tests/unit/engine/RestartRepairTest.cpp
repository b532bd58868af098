#include <gtest/gtest.h>

#include "engine/RestartRepair.h"
#include "tests/standin/FakeWindows.h"
#include "tests/unit/engine/RecordingDisplay.h"
#include "tests/unit/support/WinsockCommands.h"

namespace plover {
namespace {

using enginetest::RecordingDisplay;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using testing::CatalogCommand;
using testing::CheckCommand;
using testing::Temp;

constexpr RegistryRoot HKLM = RegistryRoot::LocalMachine;

enum class Outcome { Unsuitable, Resumed, HealthyWinsock, Declined, Accepted };

struct Case {
    RestartRepairForm form;
    Outcome outcome;
    Lines before;  // entries before the Winsock check
    Lines repair;  // entries and display operations from entry D to the reset
    const char* failurePanel;
};

// The restart repair in its stage 2 forms, called as stage 2 calls it.
class StageTwoRestartRepair : public ::testing::TestWithParam<Case> {
protected:
    StageTwoRestartRepair() {
        machine.registry.CreateKey(HKLM, "Software\\Microsoft\\Windows\\CurrentVersion\\Run");
        machine.processes.Program(CheckCommand).output = "error code 10107";
    }
    FakeWindows machine;
    SettingsSnapshot snapshot;
    const WinsockRegTexts regTexts{"REGEDIT4 winsock2", "REGEDIT4 winsock"};
    TNetworkSettings settings{machine.Os(), snapshot, regTexts};
    RecordingDisplay display;
    standin::FakeWindowThread synchronizer;
};

// Log entries and display operations merged in one list: operations as "<Name>".
Lines Transcript(const FakeWindows& machine, const RecordingDisplay& display,
                 const std::vector<size_t>& logCountBeforeOperation) {
    const Lines log = machine.LogLines();
    const Lines operations = display.Operations();
    Lines merged;
    size_t next = 0;
    for (size_t i = 0; i < operations.size(); ++i) {
        for (; next < logCountBeforeOperation[i]; ++next) merged.push_back(log[next]);
        merged.push_back("<" + operations[i] + ">");
    }
    for (; next < log.size(); ++next) merged.push_back(log[next]);
    return merged;
}

TEST_P(StageTwoRestartRepair, EntriesPanelsAndStageNumber) {
    const Case& c = GetParam();
    if (c.outcome == Outcome::Unsuitable) machine.SetVersion(5, 1, "Service Pack 1");
    if (c.outcome == Outcome::Resumed) display.wasRestarted = true;
    if (c.outcome == Outcome::HealthyWinsock) machine.processes.Program(CheckCommand).output = "";
    display.answerYes = c.outcome == Outcome::Accepted;

    // Record where each display operation falls in the log.
    std::vector<size_t> logCounts;
    display.onOperation = [&] { logCounts.push_back(machine.LogLines().size()); };

    ComputationalThread thread(machine.Os(), display, synchronizer, StageSlots{}, true);
    thread.StageNumber = 2;
    RunRestartRepair(thread, settings, c.form);
    EXPECT_EQ(thread.StageNumber, 6);

    const Lines transcript = Transcript(machine, display, logCounts);
    const std::string panel = std::string("<") + c.failurePanel + ">";
    Lines expected;
    switch (c.outcome) {
        case Outcome::Unsuitable:
        case Outcome::Resumed:
            expected = {panel};
            break;
        case Outcome::HealthyWinsock:
            expected = c.before;
            expected.insert(expected.end(),
                            {"winsock answer:  ", "winsock is not corrupted ", "delete winsoktemp ",
                             "check winsock result:  True", panel});
            break;
        case Outcome::Declined:
        case Outcome::Accepted:
            expected = c.before;
            expected.insert(expected.end(),
                            {"winsock answer:  error code 10107", "winsock is corrupted ",
                             "delete winsoktemp ", "check winsock result:  False"});
            expected.insert(expected.end(), c.repair.begin(), c.repair.end());
            expected.push_back("write in registri for reboot ");
            break;
    }
    if (c.outcome == Outcome::Declined || c.outcome == Outcome::Accepted) {
        // The reset ran directly; its tail and the question follow.
        ASSERT_GE(transcript.size(), expected.size());
        EXPECT_EQ(Lines(transcript.begin(), transcript.begin() + expected.size()), expected);
        const Lines tail(transcript.end() - (c.outcome == Outcome::Accepted ? 3 : 6),
                         transcript.end());
        if (c.outcome == Outcome::Accepted) {
            EXPECT_EQ(tail, (Lines{"delete winsokans ", "<PromptRestart>", "PC restarted "}));
            EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
        } else {
            EXPECT_EQ(tail, (Lines{"delete winsokans ", "<PromptRestart>",
                                   "delete from start-up registry exist",
                                   "delete Software\\PloverTool key ",
                                   "user choose do not restart PC ", panel}));
            EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
        }
        EXPECT_EQ(machine.processes.CommandLines().back(), CatalogCommand);
        // The reset imported the texts the window chose at start-up.
        EXPECT_EQ(machine.files.Content(Temp + "winsok2.reg"), "REGEDIT4 winsock2");
        EXPECT_EQ(machine.files.Content(Temp + "winsok.reg"), "REGEDIT4 winsock");
    } else {
        EXPECT_EQ(transcript, expected);
    }
}

const Lines LoopbackRepair{"ping on 127.0.0.1 - error try to repair", "<ShowRepairInProgress>",
                           "checking local connection step start repair2"};
const Lines LocalAddressBefore{"ping on ipaddress - error try to repair"};
const Lines LocalAddressRepair{"checking local connection step start repair2"};

INSTANTIATE_TEST_SUITE_P(
    Forms, StageTwoRestartRepair,
    ::testing::Values(
        Case{RestartRepairForm::Loopback,
             Outcome::Unsuitable,
             {},
             LoopbackRepair,
             "ShowRouterMessage"},
        Case{
            RestartRepairForm::Loopback, Outcome::Resumed, {}, LoopbackRepair, "ShowRouterMessage"},
        Case{RestartRepairForm::Loopback,
             Outcome::HealthyWinsock,
             {},
             LoopbackRepair,
             "ShowRouterMessage"},
        Case{RestartRepairForm::Loopback,
             Outcome::Declined,
             {},
             LoopbackRepair,
             "ShowRouterMessage"},
        Case{RestartRepairForm::Loopback,
             Outcome::Accepted,
             {},
             LoopbackRepair,
             "ShowRouterMessage"},
        Case{RestartRepairForm::LocalAddress, Outcome::Unsuitable, LocalAddressBefore,
             LocalAddressRepair, "ShowRouterMessage"},
        Case{RestartRepairForm::LocalAddress, Outcome::Resumed, LocalAddressBefore,
             LocalAddressRepair, "ShowRouterMessage"},
        Case{RestartRepairForm::LocalAddress, Outcome::HealthyWinsock, LocalAddressBefore,
             LocalAddressRepair, "ShowRouterMessage"},
        Case{RestartRepairForm::LocalAddress, Outcome::Declined, LocalAddressBefore,
             LocalAddressRepair, "ShowRouterMessage"},
        Case{RestartRepairForm::LocalAddress, Outcome::Accepted, LocalAddressBefore,
             LocalAddressRepair, "ShowRouterMessage"}));

}  // namespace
}  // namespace plover
