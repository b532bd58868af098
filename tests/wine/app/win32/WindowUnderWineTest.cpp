// The window base of both views on a real window: messages reach the object
// that made the window, what a handler throws is told and the message goes
// on to DefWindowProc, and the window and its object let go of each other.
#include <gtest/gtest.h>
#include <windows.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/win32/Window.h"

namespace plover {
namespace {

constexpr UINT Probe = WM_APP + 7;

class ProbeWindow : public win32::Window {
public:
    bool Create() {
        WNDCLASSEXA windowClass{};
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PloverWindowBaseTest";
        return CreateOwnWindow(windowClass, 0, "probe", WS_OVERLAPPED, RECT{0, 0, 120, 80},
                               nullptr);
    }
    void Destroy() { DestroyOwnWindow(); }

    enum class Throwing { No, Exception, Other } throwing = Throwing::No;
    std::vector<std::pair<UINT, std::string>> failures;

private:
    std::optional<LRESULT> OnMessage(UINT message, WPARAM, LPARAM) override {
        if (message != Probe) return std::nullopt;
        if (throwing == Throwing::Exception) throw std::runtime_error("no screen");
        if (throwing == Throwing::Other) throw 7;
        return 42;
    }
    void OnHandlerFailed(UINT message, const char* error) noexcept override {
        failures.emplace_back(message, error);
    }
};

std::string TextOf(HWND window) {
    char text[32] = "sentinel";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(WindowUnderWine, MessagesReachTheObjectAndWhatItLeavesGoesToDefWindowProc) {
    ProbeWindow window;
    EXPECT_EQ(window.Handle(), nullptr);
    ASSERT_TRUE(window.Create()) << "no top-level window: the prefix lacks a display driver";
    EXPECT_EQ(SendMessageA(window.Handle(), Probe, 0, 0), 42);
    // The title was set and is read back by DefWindowProc.
    EXPECT_EQ(TextOf(window.Handle()), "probe");
}

TEST(WindowUnderWine, AHandlerThatThrowsIsToldAndTheWindowGoesOn) {
    ProbeWindow window;
    ASSERT_TRUE(window.Create());
    window.throwing = ProbeWindow::Throwing::Exception;
    EXPECT_EQ(SendMessageA(window.Handle(), Probe, 0, 0), 0);  // DefWindowProc's answer
    window.throwing = ProbeWindow::Throwing::Other;
    EXPECT_EQ(SendMessageA(window.Handle(), Probe, 0, 0), 0);
    EXPECT_EQ(window.failures, (std::vector<std::pair<UINT, std::string>>{
                                   {Probe, "no screen"}, {Probe, "unknown error"}}));
    window.throwing = ProbeWindow::Throwing::No;
    EXPECT_EQ(SendMessageA(window.Handle(), Probe, 0, 0), 42);
}

TEST(WindowUnderWine, TheWindowGoesWithItsObjectAndADestroyedWindowIsLetGo) {
    HWND made = nullptr;
    {
        ProbeWindow window;
        ASSERT_TRUE(window.Create());
        made = window.Handle();
        EXPECT_TRUE(IsWindow(made));
    }
    EXPECT_FALSE(IsWindow(made));

    ProbeWindow destroyed;
    ASSERT_TRUE(destroyed.Create());
    destroyed.Destroy();
    EXPECT_EQ(destroyed.Handle(), nullptr);
    // Destroyed from outside: the object lets go of it as well.
    ProbeWindow outside;
    ASSERT_TRUE(outside.Create());
    DestroyWindow(outside.Handle());
    EXPECT_EQ(outside.Handle(), nullptr);
}

}  // namespace
}  // namespace plover
