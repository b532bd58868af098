// Synchronize for real: the operation runs on the window's thread while the
// caller waits, and a window that is gone lets the caller go on.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/Win32Synchronizer.h"
#include "tests/support/SynchronizerWindow.h"

namespace plover {
namespace {

HWND CreateTestWindow() {
    return plover::testing::CreateSynchronizerWindow("PloverSynchronizerTest");
}

// Handles messages until the condition holds or five seconds have passed.
bool PumpUntil(const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 5000) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

TEST(SynchronizerUnderWine, RunsOnTheWindowThreadAndBlocksTheCaller) {
    const HWND window = CreateTestWindow();
    ASSERT_TRUE(window);
    win32::Win32Synchronizer synchronizer;
    synchronizer.Attach(window, GetCurrentThreadId());

    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> returned{false};
    std::atomic<bool> ranBeforeReturn{false};
    std::thread caller([&] {
        synchronizer.Synchronize([&] {
            Sleep(50);
            ranOn = GetCurrentThreadId();
        });
        ranBeforeReturn = ranOn != 0;
        returned = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
    caller.join();
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    EXPECT_TRUE(ranBeforeReturn);

    // Called on the window's own thread, it runs at once.
    bool direct = false;
    synchronizer.Synchronize([&] { direct = true; });
    EXPECT_TRUE(direct);
    DestroyWindow(window);
}

TEST(SynchronizerUnderWine, AfterTheWindowIsGoneTheCallerGoesOn) {
    const HWND window = CreateTestWindow();
    ASSERT_TRUE(window);
    win32::Win32Synchronizer synchronizer;
    synchronizer.Attach(window, GetCurrentThreadId());
    DestroyWindow(window);

    std::atomic<bool> ran{false};
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        synchronizer.Synchronize([&] { ran = true; });
        returned = true;
    });
    // Nobody pumps: the call must still come back.
    for (int i = 0; i < 500 && !returned; ++i) Sleep(10);
    EXPECT_TRUE(returned);
    caller.join();
    EXPECT_FALSE(ran);

    synchronizer.Detach();
    std::thread detached([&] { synchronizer.Synchronize([&] { ran = true; }); });
    detached.join();
    EXPECT_FALSE(ran);
}

TEST(SynchronizerUnderWine, AnOperationThatThrowsIsToldAndTheCallerGoesOn) {
    const HWND window = CreateTestWindow();
    ASSERT_TRUE(window);
    win32::Win32Synchronizer synchronizer;
    synchronizer.Attach(window, GetCurrentThreadId());
    std::vector<std::string> told;
    synchronizer.OnError = [&told](const std::string& error) { told.push_back(error); };
    std::atomic<bool> returned{false};
    std::thread caller([&] {
        synchronizer.Synchronize([] { throw std::runtime_error("label gone"); });
        synchronizer.Synchronize([] { throw 7; });
        returned = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return returned.load(); }));
    caller.join();
    EXPECT_EQ(told, (std::vector<std::string>{"label gone", "unknown error"}));
    DestroyWindow(window);
}

}  // namespace
}  // namespace plover
