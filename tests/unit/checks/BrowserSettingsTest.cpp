#include <gtest/gtest.h>

#include "checks/BrowserSettings.h"
#include "tests/standin/FakeWindows.h"

namespace plover {
namespace {

using standin::FakeWindows;

constexpr RegistryRoot HKCU = RegistryRoot::CurrentUser;
const std::string Key = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Absent, 0 and 1 are the browser settings stage's cases; these are the
// values that only look like a switched-off proxy.
TEST(BrowserSettings, OnlyAWholeIntegerZeroCountsAsOff) {
    FakeWindows machine;
    TBrowserSettings browser(machine.Os());
    machine.registry.SetString(HKCU, Key, "ProxyEnable", "0");
    EXPECT_FALSE(browser.IsProxyDisabled());
    machine.registry.SetRaw(HKCU, Key, "ProxyEnable", RegistryValueType::Dword,
                            std::string(2, '\0'));
    EXPECT_FALSE(browser.IsProxyDisabled());
    machine.registry.SetDword(HKCU, Key, "ProxyEnable", 0x100);
    EXPECT_FALSE(browser.IsProxyDisabled());
}

TEST(BrowserSettings, AKeyThatDoesNotOpenForWritingIsNeitherReadNorCreated) {
    FakeWindows missing;
    FakeWindows readOnly;
    readOnly.registry.SetDword(HKCU, Key, "ProxyEnable", 0);
    readOnly.registry.DenyWrites(HKCU);
    for (FakeWindows* machine : {&missing, &readOnly}) {
        TBrowserSettings browser(machine->Os());
        SettingsSnapshot snapshot;
        WinsockRegTexts regTexts;
        MachineChanges changes(machine->Os(), snapshot, regTexts);
        EXPECT_FALSE(browser.IsProxyDisabled());
        EXPECT_EQ(browser.DisableProxy(changes), NoChange);
        EXPECT_FALSE(browser.IsProxyDisabled());
        EXPECT_EQ(machine->clock.Pauses(), std::vector<uint32_t>(3, 1000));
    }
    EXPECT_FALSE(missing.registry.HasKey(HKCU, Key));
}

}  // namespace
}  // namespace plover
