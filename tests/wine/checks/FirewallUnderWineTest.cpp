// The firewall manager objects for real. Wine's hnetcfg answers with a
// firewall that is off; a system without the objects gives no profile. Both
// are the "nothing to switch" path of the firewall control.
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: objbase.h needs its types.
#include <objbase.h>

#include <thread>

#include "checks/FirewallOperations.h"
#include "platform/win32/Win32FirewallManager.h"
#include "platform/win32/Win32Platform.h"

namespace plover {
namespace {

TEST(FirewallManagerUnderWine, ProfileIsReadableOrMissingAndNeverClaimsOnWithoutAnAnswer) {
    win32::Win32FirewallManager manager;
    ASSERT_EQ(manager.StartComponentLibrary(), ComStart::Started);
    auto profile = manager.CurrentProfile();
    if (profile) {
        const auto enabled = profile->FirewallEnabled();
        ASSERT_TRUE(enabled.has_value());
        EXPECT_FALSE(*enabled) << "Wine's firewall is off";
    }
    profile.reset();
    manager.StopComponentLibrary();
}

TEST(FirewallManagerUnderWine, AThreadInTheOtherModelIsReportedAsSuch) {
    ComStart seen = ComStart::Failed;
    std::thread other([&] {
        ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
        win32::Win32FirewallManager manager;
        seen = manager.StartComponentLibrary();
        // Usable in that model too.
        auto profile = manager.CurrentProfile();
        if (profile) {
            EXPECT_TRUE(profile->FirewallEnabled().has_value());
        }
        profile.reset();
        CoUninitialize();
    });
    other.join();
    EXPECT_EQ(seen, ComStart::ChangedMode);
}

TEST(FirewallOperationsUnderWine, FirewallOffMeansNothingToSwitchOff) {
    win32::Win32Platform platform;
    TFirewallOperations firewall(platform.Os());
    EXPECT_FALSE(firewall.DisableFirewall());
    // The component library is balanced: this thread can still start it afresh.
    EXPECT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE), S_OK);
    CoUninitialize();
}

}  // namespace
}  // namespace plover
