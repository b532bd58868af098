#include <gtest/gtest.h>

#include "netsettings/UsableAddressWait.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::Adapter;
using standin::FakeWindows;
using Lines = std::vector<std::string>;
using Pauses = std::vector<uint32_t>;

const auto SelfAssigned = Adapter("{A}", "Ethernet", true, "", {{"169.254.9.9", "255.255.0.0"}});
const auto Leased = Adapter("{A}", "Ethernet", true, "10.0.0.1", {{"10.0.0.5", "255.0.0.0"}});

TEST(WaitForUsableAddress, AnAddressAtOnceCostsNothing) {
    FakeWindows machine;
    machine.adapters.SetTable({SelfAssigned, Leased});
    EXPECT_TRUE(WaitForUsableAddress(machine.Os(), [] { return true; }));
    EXPECT_TRUE(machine.clock.Pauses().empty());
    EXPECT_TRUE(machine.LogLines().empty());
}

TEST(WaitForUsableAddress, LooksEveryHalfSecondUntilTheLeaseComes) {
    FakeWindows machine;
    machine.adapters.SetTable({SelfAssigned});
    machine.adapters.ThenTables({{}, {SelfAssigned}, {SelfAssigned}, {Leased}});
    int rounds = 0;
    EXPECT_TRUE(WaitForUsableAddress(machine.Os(), [&] { return ++rounds > 0; }));
    EXPECT_EQ(machine.clock.Pauses(), (Pauses{500, 500, 500}));
    EXPECT_EQ(rounds, 3);
    EXPECT_EQ(machine.LogLines(), (Lines{"usable address after ms:  1500"}));
}

TEST(WaitForUsableAddress, GivesUpAfterThirtySecondsOrWhenTheProgramEnds) {
    FakeWindows machine;
    machine.adapters.SetTable({SelfAssigned});
    EXPECT_FALSE(WaitForUsableAddress(machine.Os(), [] { return true; }));
    EXPECT_EQ(machine.clock.Pauses(), Pauses(60, 500));
    EXPECT_EQ(machine.LogLines(), (Lines{"no usable address after ms:  30000"}));

    FakeWindows ending;
    ending.adapters.FailProbe(AdapterTableResult::NoData);
    int rounds = 0;
    EXPECT_FALSE(WaitForUsableAddress(ending.Os(), [&] { return ++rounds < 4; }));
    EXPECT_EQ(ending.clock.Pauses().size(), 4u);
    EXPECT_TRUE(ending.LogLines().empty());
}

}  // namespace
}  // namespace plover
