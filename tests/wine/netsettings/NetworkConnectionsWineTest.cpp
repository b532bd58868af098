#include <gtest/gtest.h>

#include "netsettings/NetworkSettings.h"
#include "platform/win32/Win32AdapterTable.h"
#include "platform/win32/Win32NetworkConnections.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

// The real connection manager with the rest of the machine in memory (the
// virtual clock keeps the pauses exact and instant).
TEST(Win32NetworkConnections, WithoutTheManagerTheRepairsOnlyPause) {
    standin::FakeWindows machine;
    win32::Win32AdapterTable adapters;
    win32::Win32NetworkConnections connections;
    const Platform os{machine.clock,     machine.debug,  machine.files, machine.registry,
                      machine.processes, machine.system, adapters,      connections};
    SettingsSnapshot snapshot;
    TNetworkSettings settings{os, snapshot};

    // Wine registers no connection manager; on Windows it exists and the
    // test only checks that a pass comes back.
    const auto manager = connections.CreateManager();
    if (manager) {
        GTEST_LOG_(INFO) << "connection manager present: walking without switching";
        settings.ControlConnections("");
        return;
    }
    settings.RestartAdapters();
    settings.ControlConnections("");
    EXPECT_EQ(machine.clock.Pauses(), (std::vector<uint32_t>{1000, 2000}));
    EXPECT_TRUE(machine.LogLines().empty());
    // The apartment was left again: the thread can enter another one.
    EXPECT_FALSE(connections.CreateManager());
}

}  // namespace
}  // namespace plover
