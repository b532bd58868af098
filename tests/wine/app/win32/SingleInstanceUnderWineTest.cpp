// One copy at a time: the mutex a copy holds for its life, seen by a later
// copy, and free again when the first is gone.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>

#include "app/win32/SingleInstance.h"

namespace plover {
namespace {

using win32::SingleInstance;

TEST(SingleInstanceUnderWine, ALaterCopySeesTheFirstUntilItEnds) {
    auto first = std::make_unique<SingleInstance>();
    ASSERT_TRUE(first->IsFirstCopy());
    {
        const SingleInstance second;
        EXPECT_FALSE(second.IsFirstCopy());
    }
    EXPECT_FALSE(SingleInstance().IsFirstCopy());
    first.reset();
    EXPECT_TRUE(SingleInstance().IsFirstCopy());
}

TEST(SingleInstanceUnderWine, TheFirstCopysMinimisedWindowComesBack) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PloverToolOneCopyTest";
    ASSERT_NE(RegisterClassExA(&windowClass), 0);
    const HWND window = CreateWindowExA(0, windowClass.lpszClassName, "", WS_OVERLAPPEDWINDOW, 0,
                                        0, 200, 100, nullptr, nullptr, windowClass.hInstance,
                                        nullptr);
    ASSERT_NE(window, nullptr) << "no top-level window: the prefix lacks a display driver";
    ShowWindow(window, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window));
    SingleInstance::ShowFirstCopy(windowClass.lpszClassName);
    EXPECT_FALSE(IsIconic(window));
    SingleInstance::ShowFirstCopy("NoSuchWindowClass");  // nothing to show: no harm
    DestroyWindow(window);
    UnregisterClassA(windowClass.lpszClassName, windowClass.hInstance);
}

}  // namespace
}  // namespace plover
