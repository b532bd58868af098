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

TEST(TrueWindowsVersion, SeenBesideTheCodeWhichStaysAsTheShimSaysIt) {
    FakeWindows machine;
    machine.SetVersion(6, 0, "");
    EXPECT_FALSE(IsWindows7OrLater(machine.Os()));  // no true answer: the basic one
    machine.SetVersion(6, 2, "");
    machine.system.trueVersion = OsVersionInfo{10, 0, 22631, 2, ""};
    EXPECT_EQ(TrueWindowsVersionText(machine.Os()), "10.0.22631");
    EXPECT_TRUE(IsWindows7OrLater(machine.Os()));
    EXPECT_EQ(GetWindowsVersionCode(machine.Os()), 3000);
    const std::pair<OsVersionInfo, bool> cases[] = {
        {{6, 0, 6002, 2, "Service Pack 2"}, false}, {{6, 1, 7601, 2, ""}, true},
        {{5, 1, 2600, 2, "Service Pack 3"}, false}, {{6, 3, 9600, 2, ""}, true},
        {{6, 1, 0, 1, ""}, false},
    };
    for (const auto& [version, later] : cases) {
        machine.system.trueVersion = version;
        EXPECT_EQ(IsWindows7OrLater(machine.Os()), later) << TrueWindowsVersionText(machine.Os());
    }
    machine.system.trueVersion.reset();
    machine.system.version.reset();
    EXPECT_EQ(TrueWindowsVersionText(machine.Os()), "unknown");
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
