#include <gtest/gtest.h>

#include "checks/FirewallOperations.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
using Lines = std::vector<std::string>;

const std::string SwitchOff = "cmd.exe /cnetsh firewall set opmode DISABLE";
const std::string AllowEcho = "cmd.exe /cnetsh firewall set icmpsetting 8 ENABLE";
const std::string SwitchOn = "cmd.exe /cnetsh firewall set opmode ENABLE";

TEST(DisableFirewall, FirewallOnRunsBothCommandsInOrderAndReportsIt) {
    FakeWindows machine;
    TFirewallOperations firewall(machine.Os());
    EXPECT_TRUE(firewall.DisableFirewall());
    EXPECT_EQ(machine.processes.CommandLines(), (Lines{SwitchOff, AllowEcho}));
    EXPECT_FALSE(machine.firewall.enabled);
    EXPECT_EQ(machine.firewall.starts, 1);
    EXPECT_EQ(machine.firewall.stops, 1);
    EXPECT_EQ(machine.firewall.profilesOpen, 0);
}

TEST(DisableFirewall, FirewallOffUnreadableOrMissingRunsNothing) {
    FakeWindows off;
    off.firewall.enabled = false;
    FakeWindows unreadable;
    unreadable.firewall.switchUnreadable = true;
    FakeWindows missing;
    missing.firewall.managerMissing = true;
    for (FakeWindows* machine : {&off, &unreadable, &missing}) {
        TFirewallOperations firewall(machine->Os());
        EXPECT_FALSE(firewall.DisableFirewall());
        EXPECT_TRUE(machine->processes.CommandLines().empty());
        EXPECT_EQ(machine->firewall.stops, 1);
        EXPECT_EQ(machine->firewall.profilesOpen, 0);
    }
}

TEST(DisableFirewall, LibraryInAnotherModeIsUsedButNotShutDown) {
    FakeWindows machine;
    machine.firewall.startResult = ComStart::ChangedMode;
    TFirewallOperations firewall(machine.Os());
    EXPECT_TRUE(firewall.DisableFirewall());
    EXPECT_EQ(machine.firewall.stops, 0);

    machine.firewall.startResult = ComStart::Failed;
    machine.firewall.enabled = true;
    EXPECT_FALSE(firewall.DisableFirewall());
    EXPECT_EQ(machine.processes.CommandLines().size(), 2u);
    EXPECT_EQ(machine.firewall.stops, 0);
}

TEST(FirewallOperations, Windows2000IsLeftAlone) {
    FakeWindows machine;
    machine.SetVersion(5, 0, "Service Pack 4");
    TFirewallOperations firewall(machine.Os());
    EXPECT_FALSE(firewall.DisableFirewall());
    firewall.EnableFirewall();
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_EQ(machine.firewall.starts, 0);
    EXPECT_TRUE(machine.clock.Pauses().empty());
}

TEST(EnableFirewall, PutsBackOnlyWhatTheRunSwitchedAndPausesTwoSeconds) {
    FakeWindows machine;
    TFirewallOperations firewall(machine.Os());
    // Nothing switched off by this program: nothing to switch on.
    firewall.EnableFirewall();
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_TRUE(machine.clock.Pauses().empty());

    // Off, then on again: the echo exception back as it was, then the
    // firewall on, even when something else switched it on meanwhile.
    ASSERT_TRUE(firewall.DisableFirewall());
    EXPECT_TRUE(machine.firewall.echoAllowed);
    machine.firewall.enabled = true;
    firewall.EnableFirewall();
    EXPECT_TRUE(machine.firewall.enabled);
    EXPECT_FALSE(machine.firewall.echoAllowed);
    EXPECT_EQ(machine.processes.CommandLines(),
              (Lines{"cmd.exe /cnetsh firewall set opmode DISABLE",
                     "cmd.exe /cnetsh firewall set icmpsetting 8 ENABLE",
                     "cmd.exe /cnetsh firewall set icmpsetting 8 DISABLE", SwitchOn}));
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{2000}));
    EXPECT_EQ(machine.firewall.profilesOpen, 0);

    // Echo requests that were let in before stay let in.
    machine.firewall.echoAllowed = true;
    ASSERT_TRUE(firewall.DisableFirewall());
    firewall.EnableFirewall();
    EXPECT_TRUE(machine.firewall.echoAllowed);
    EXPECT_TRUE(machine.firewall.enabled);
}

TEST(EnableFirewall, NoManagerMeansNoCommandAndNoPause) {
    FakeWindows machine;
    machine.firewall.managerMissing = true;
    TFirewallOperations firewall(machine.Os());
    firewall.EnableFirewall();
    EXPECT_TRUE(machine.processes.CommandLines().empty());
    EXPECT_TRUE(machine.clock.Pauses().empty());
    EXPECT_EQ(machine.firewall.starts, machine.firewall.stops);
}

}  // namespace
}  // namespace plover
