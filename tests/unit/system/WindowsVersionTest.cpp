#include <gtest/gtest.h>

#include "system/ProgramRunner.h"
#include "system/WindowsVersion.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;

struct VersionCase {
    uint32_t platformId, major, minor;
    int32_t code;
};

TEST(GetWindowsVersionCode, MapsEveryFamilyAndVersion) {
    const VersionCase cases[] = {
        {1, 4, 0, 950},   {1, 4, 10, 980},  {1, 4, 90, 999},  {1, 4, 3, 800},
        {2, 3, 51, 1351}, {2, 4, 0, 1400},  {2, 5, 0, 2000},  {2, 5, 1, 2010},
        {2, 5, 2, 2010},  {2, 6, 0, 3000},  {2, 6, 3, 3000},  {2, 10, 0, 800},
        {2, 2, 0, 800},   {0, 5, 1, 800},   {3, 6, 0, 800},
    };
    FakeWindows machine;
    for (const auto& c : cases) {
        machine.SetVersion(c.major, c.minor, "", c.platformId);
        EXPECT_EQ(GetWindowsVersionCode(machine.Os()), c.code)
            << "platform " << c.platformId << " version " << c.major << "." << c.minor;
    }
    machine.system.version.reset();
    EXPECT_EQ(GetWindowsVersionCode(machine.Os()), 800);
}

TEST(GetServicePackText, IsTheSystemsTextOrAFixedStandIn) {
    FakeWindows machine;
    machine.SetVersion(5, 1, "Service Pack 2");
    EXPECT_EQ(GetServicePackText(machine.Os()), "Service Pack 2");
    machine.SetVersion(5, 1, "");
    EXPECT_EQ(GetServicePackText(machine.Os()), "No Service Pack Installed");
    machine.system.version.reset();
    EXPECT_EQ(GetServicePackText(machine.Os()), "Call to GetVersionEx() failed.");
}

TEST(RunProgram, RunsHiddenWaitsAndLogsOnlyAHungProgram) {
    FakeWindows machine;
    machine.processes.Program("cmd.exe /c ipconfig /renew").takesMilliseconds = 45000;
    machine.processes.Program("cmd.exe /c netsh show > C:\\t\\x").hangs = true;
    machine.processes.Program("nosuch.exe").missing = true;

    RunProgram(machine.Os(), "cmd.exe /c ipconfig /renew");
    RunProgram(machine.Os(), "nosuch.exe");
    EXPECT_TRUE(machine.LogLines().empty());
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 45000u);

    RunProgram(machine.Os(), "cmd.exe /c netsh show > C:\\t\\x");
    EXPECT_EQ(machine.clock.ElapsedMilliseconds(), 45000u + ProgramTimeLimitMilliseconds);
    EXPECT_EQ(machine.LogLines(),
              (std::vector<std::string>{
                  "program did not end in time and was stopped:  cmd.exe /c netsh show > C:\\t\\x"}));
    EXPECT_EQ(machine.processes.CommandLines().size(), 3u);
}

}  // namespace
}  // namespace plover
