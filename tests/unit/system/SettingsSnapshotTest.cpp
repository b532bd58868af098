#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "system/SettingsSnapshot.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;
constexpr auto HKLM = RegistryRoot::LocalMachine;

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
