#include <gtest/gtest.h>

#include "system/ResumeState.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
constexpr auto HKLM = RegistryRoot::LocalMachine;
const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(ScheduleResume, OnXpWritesTheMarkerAndTheRunValueNamingTheProgramItself) {
    FakeWindows machine;  // XP SP2
    machine.registry.CreateKey(HKLM, RunKey);
    machine.system.currentDirectory = "C:\\WINDOWS";
    machine.system.executablePath = "D:\\My Tools\\Harbour Fix.exe";
    ScheduleResume(machine.Os());

    EXPECT_EQ(machine.registry.StringValue(HKLM, "Software\\PloverTool", "PloverReboot"),
              "sart on logon");
    EXPECT_EQ(machine.registry.StringValue(HKLM, RunKey, "PloverReboot"),
              "\"D:\\My Tools\\Harbour Fix.exe\" /waitsuspend");
    EXPECT_TRUE(machine.processes.ShellCalls().empty());
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"write in registri for reboot "}));
}

TEST(ScheduleResume, OnVistaAndLaterATaskWithHighestRightsStartsTheProgramByItsOwnPath) {
    for (const uint32_t major : {6u, 10u}) {
        FakeWindows machine;
        machine.SetVersion(major, 0, "");
        machine.system.currentDirectory = "C:\\Users\\me\\Desktop";
        machine.system.executablePath = "E:\\stick\\net fix\\Harbour.exe";
        ScheduleResume(machine.Os());

        // schtasks reads /tr as one argument; its inner quotes are escaped.
        const std::string parameters =
            "/create /tn \"PloverTool\" /tr \"\\\"E:\\stick\\net fix\\Harbour.exe\\\" "
            "/waitsuspend\" /sc onlogon /rl highest /f";
        const auto calls = machine.processes.ShellCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].file, "schtasks");
        EXPECT_EQ(calls[0].parameters, parameters);
        EXPECT_EQ(calls[0].directory, "E:\\stick\\net fix\\");
        EXPECT_TRUE(calls[0].hidden);
        EXPECT_EQ(machine.LogLines(),
                  (std::vector<std::string>{"reboot command params:  " + parameters,
                                            "application exe:  E:\\stick\\net fix\\"}));
        EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
        EXPECT_FALSE(machine.registry.HasKey(HKLM, RunKey));
    }
}

TEST(ScheduleResume, AProgramWithoutAKnownPathLeavesNoMarkerBehind) {
    FakeWindows machine;
    machine.registry.CreateKey(HKLM, RunKey);
    machine.system.executablePath.clear();
    ScheduleResume(machine.Os());
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_FALSE(machine.registry.Value(HKLM, RunKey, "PloverReboot"));
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{
                                      "no start at log-on, the program's own path is unknown "}));
}

TEST(ScheduleResume, WithoutRightsWritesNothingAndGoesOn) {
    FakeWindows machine;
    machine.registry.CreateKey(HKLM, RunKey);
    machine.registry.DenyWrites(HKLM);
    ScheduleResume(machine.Os());
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_FALSE(machine.registry.Value(HKLM, RunKey, "PloverReboot"));
    EXPECT_TRUE(machine.LogLines().empty());
    EXPECT_FALSE(ClearResumeMarker(machine.Os()));
}

TEST(RemoveResumeSchedule, DeletesTheRunValueOnlyWhenPresent) {
    FakeWindows machine;
    machine.registry.CreateKey(HKLM, RunKey);
    RemoveResumeSchedule(machine.Os());
    EXPECT_TRUE(machine.LogLines().empty());

    machine.registry.SetString(HKLM, RunKey, "PloverReboot", "x");
    RemoveResumeSchedule(machine.Os());
    EXPECT_FALSE(machine.registry.Value(HKLM, RunKey, "PloverReboot"));
    EXPECT_EQ(machine.LogLines(),
              (std::vector<std::string>{"delete from start-up registry exist"}));
}

TEST(RemoveResumeSchedule, OnVistaDeletesTheTask) {
    FakeWindows machine;
    machine.SetVersion(6, 0, "Service Pack 1");
    RemoveResumeSchedule(machine.Os());
    const auto calls = machine.processes.ShellCalls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].parameters, "/delete /tn \"PloverTool\" /f");
    EXPECT_EQ(calls[0].directory, "C:\\Program Files\\PloverTool\\");
}

TEST(ClearResumeMarker, AnswersWhetherTheMarkerWasThereAndRemovesIt) {
    FakeWindows machine;
    EXPECT_FALSE(ClearResumeMarker(machine.Os()));
    EXPECT_TRUE(machine.LogLines().empty());

    ScheduleResume(machine.Os());
    EXPECT_TRUE(ClearResumeMarker(machine.Os()));
    EXPECT_FALSE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
    EXPECT_EQ(machine.LogLines().back(), "delete Software\\PloverTool key ");
    EXPECT_FALSE(ClearResumeMarker(machine.Os()));

    // The key that holds the journal of changes is no restart.
    machine.registry.CreateKey(HKLM, "Software\\PloverTool\\Journal");
    EXPECT_FALSE(ClearResumeMarker(machine.Os()));
    ScheduleResume(machine.Os());
    EXPECT_TRUE(ClearResumeMarker(machine.Os()));
    EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool\\Journal"));
}

}  // namespace
}  // namespace plover
