#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "system/ResumeState.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
constexpr auto HKLM = RegistryRoot::LocalMachine;
const char* RunKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

TEST(ScheduleResume, OnXpWritesTheMarkerAndTheRunValue) {
    FakeWindows machine;  // XP SP2
    machine.registry.CreateKey(HKLM, RunKey);
    machine.system.currentDirectory = "D:\\Tools\\";
    ScheduleResume(machine.Os());

    EXPECT_EQ(machine.registry.StringValue(HKLM, "Software\\PloverTool", "PloverReboot"),
              "sart on logon");
    EXPECT_EQ(machine.registry.StringValue(HKLM, RunKey, "PloverReboot"),
              "D:\\Tools\\PloverTool.exe /waitsuspend");
    EXPECT_TRUE(machine.processes.ShellCalls().empty());
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"write in registri for reboot "}));
}

TEST(ScheduleResume, OnVistaAndUnknownSchedulesATaskFromTheProgramsFolder) {
    for (const uint32_t major : {6u, 10u}) {
        FakeWindows machine;
        machine.SetVersion(major, 0, "");
        machine.system.currentDirectory = "C:\\Users\\me\\Desktop";
        machine.system.executablePath = "E:\\stick\\PloverTool.exe";
        ScheduleResume(machine.Os());

        const std::string parameters =
            "/create /tn \"PloverTool\" /tr:\"C:\\Users\\me\\Desktop\\PloverTool.exe "
            "/waitsuspend\" /sc onlogon";
        const auto calls = machine.processes.ShellCalls();
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].file, "schtasks");
        EXPECT_EQ(calls[0].parameters, parameters);
        EXPECT_EQ(calls[0].directory, "E:\\stick\\");
        EXPECT_TRUE(calls[0].hidden);
        EXPECT_EQ(machine.LogLines(),
                  (std::vector<std::string>{"reboot command params:  " + parameters,
                                            "application exe:  E:\\stick\\"}));
        EXPECT_TRUE(machine.registry.HasKey(HKLM, "Software\\PloverTool"));
        EXPECT_FALSE(machine.registry.HasKey(HKLM, RunKey));
    }
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
}

TEST(ReadInterfaceSettings, JoinsTheFourValuesAndSkipsMissingOnes) {
    FakeWindows machine;
    const std::string key =
        "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\{A1}";
    machine.registry.SetMultiString(HKLM, key, "DefaultGateway", {"192.168.1.1", "192.168.1.2"});
    machine.registry.SetString(HKLM, key, "Domain", "");
    machine.registry.SetMultiString(HKLM, key, "IPAddress", {"192.168.1.10"});

    EXPECT_EQ(ReadInterfaceSettings(machine.Os(), "{A1}", "NIC"),
              "192.168.1.1\n192.168.1.2\n\n192.168.1.10\n\n\n");
    EXPECT_EQ(machine.LogLines(), (std::vector<std::string>{"open key to save registri "}));
    EXPECT_EQ(ReadInterfaceSettings(machine.Os(), "{B2}", "NIC"), "");
    EXPECT_EQ(machine.LogLines().size(), 1u);
}

TEST(WriteSettingsSnapshot, WritesATimeStampedFileAndRemembersItsPath) {
    FakeWindows machine;
    machine.clock.SetNow({2008, 5, 14, 16, 42, 7, 250});
    SettingsSnapshot snapshot;
    EXPECT_EQ(snapshot.SettingsSnapshotPath, "");
    WriteSettingsSnapshot(machine.Os(), snapshot, "{A1}\nNIC\n1\n2\n3\n4\n\n");
    EXPECT_EQ(snapshot.SettingsSnapshotPath,
              machine.TempFolder() + "Ploverregkey2008_05_14_16_42_07.txt");
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath), "{A1}\nNIC\n1\n2\n3\n4\n\n");
    EXPECT_TRUE(machine.LogLines().empty());

    // The same second again empties and rewrites the file.
    machine.clock.SetNow({2008, 5, 14, 16, 42, 7, 900});
    WriteSettingsSnapshot(machine.Os(), snapshot, "");
    EXPECT_EQ(machine.files.Content(snapshot.SettingsSnapshotPath), "");
    EXPECT_TRUE(machine.files.HasFile(snapshot.SettingsSnapshotPath));
}

TEST(WriteSettingsSnapshot, ThePathCanBeReadWhileARunReplacesIt) {
    // The window may close, and read the path, while stage 1 writes a new
    // snapshot: every read must see one whole path, never a mix.
    const std::string first(300, 'a');
    const std::string second(40, 'b');
    SettingsSnapshot snapshot;
    snapshot.SettingsSnapshotPath = first;
    std::atomic<bool> reading{false};
    std::atomic<bool> done{false};
    std::thread writer([&] {
        while (!reading) std::this_thread::yield();
        for (int i = 0; i < 20000; ++i) snapshot.SettingsSnapshotPath = (i % 2) ? first : second;
        done = true;
    });
    int torn = 0;
    reading = true;
    for (int i = 0; i < 200000 && !done; ++i) {
        const std::string seen = snapshot.SettingsSnapshotPath;
        if (seen != first && seen != second) ++torn;
    }
    writer.join();
    EXPECT_EQ(torn, 0);
}

}  // namespace
}  // namespace plover
