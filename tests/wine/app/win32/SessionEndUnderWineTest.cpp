// The end of the Windows session on the wizard's real window: the query
// stops the run, the end waits for it (pumping the window's messages, which
// the stopping run still sends) and then runs the close's clean-up. Wine's
// "wineboot --end-session" sends these two messages to every top-level
// window and then ends the process, so the test sends them itself.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "app/MessageForm.h"
#include "app/PloverMainForm.h"
#include "app/win32/ContactDialogView.h"
#include "app/win32/MainWindowView.h"
#include "checks/FirewallOperations.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Synchronizer.h"
#include "platform/win32/Win32SystemInfo.h"
#include "system/Log.h"
#include "system/WindowsVersion.h"
#include "tests/support/LogLines.h"

#ifndef PLOVER_BRANDED_PROGRAM
#error "PLOVER_BRANDED_PROGRAM must name a branded PloverTool.exe"
#endif

namespace plover {
namespace {

// The window reads its branding from the program file: the build's branded
// program stands in for this test's own.
class BrandedProgram : public win32::Win32SystemInfo {
public:
    std::string ExecutablePath() override {
        std::string path = "Z:" + std::string(PLOVER_BRANDED_PROGRAM);
        std::replace(path.begin(), path.end(), '/', '\\');
        return path;
    }
};

bool PumpUntil(const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 10000) return false;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message != WM_QUIT) DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

TEST(SessionEndUnderWine, TheWindowStopsTheRunWaitsForItAndCleansUp) {
    win32::Win32Platform platform;
    BrandedProgram branded;
    const Platform& real = platform.Os();
    const Platform os{real.clock,     real.debug, real.files,    real.registry,
                      real.processes, branded,    real.adapters, real.connections,
                      real.sockets,   real.http,  real.firewall};
    const std::string marker = "session end test " + std::to_string(GetCurrentProcessId());
    WriteLog(os, marker, "");

    SettingsSnapshot snapshot;
    WinsockRegTexts regTexts;
    TFirewallOperations firewall(os);
    TMessageForm messageForm;
    win32::Win32Synchronizer synchronizer;
    win32::ContactDialogView contact(GetModuleHandleA(nullptr), messageForm);
    win32::MainWindowView view(GetModuleHandleA(nullptr), synchronizer, contact);
    TPloverMainForm form(
        MainFormParts{os, view, synchronizer, firewall, snapshot, regTexts, messageForm});
    ASSERT_FALSE(form.ApplicationEndRequested());

    // A firewall step, then a long pause on the run's clock.
    std::atomic<bool> entered{false};
    std::atomic<DWORD> paused{0};
    StageSlots slots;
    slots[0] = [&](ComputationalThread& thread) {
        thread.Repair("DisableFirewall", [&] { thread.Display().SetFirewallWasDisabled(); });
        entered = true;
        const DWORD start = GetTickCount();
        thread.Os().clock.Sleep(60000);
        paused = GetTickCount() - start + 1;
    };
    form.SetStageSlots(slots);
    ASSERT_TRUE(view.Create(form)) << "no top-level window: the prefix lacks a display driver";
    form.RunTestButtonClick();
    ASSERT_TRUE(PumpUntil([&] { return entered.load(); }));

    EXPECT_EQ(SendMessageA(view.Handle(), WM_QUERYENDSESSION, 0, 0), TRUE);
    SendMessageA(view.Handle(), WM_ENDSESSION, TRUE, 0);
    EXPECT_FALSE(form.RunActive());
    EXPECT_TRUE(form.ApplicationEndRequested());
    EXPECT_FALSE(form.FirewallWasDisabled);
    // The run's pause ended with the query, long before its minute.
    EXPECT_GT(paused.load(), 0u);
    EXPECT_LT(paused.load(), 30000u);

    auto log = os.files.Open(GetTempFolder(os) + LogFileName, FileAccess::Read,
                             FileShare::ReadWrite, FileDisposition::OpenExisting);
    ASSERT_TRUE(log);
    const std::vector<std::string> all = testing::LogLinesOf(log->ReadToEnd().value_or(""));
    const auto begin = std::find(all.begin(), all.end(), marker + " ");
    ASSERT_NE(begin, all.end());
    const std::vector<std::string> lines(begin, all.end());
    const auto at = [&lines](const std::string& line) {
        return std::find(lines.begin(), lines.end(), line) - lines.begin();
    };
    const auto count = static_cast<ptrdiff_t>(lines.size());
    EXPECT_LT(at("run stopped asked during stage 1"), at("Exiting thread "));
    EXPECT_LT(at("Exiting thread "), at("firewall was temporary disabled enabled firewall"));
    EXPECT_LT(at("firewall was temporary disabled enabled firewall"), at("close Plover tool "));
    EXPECT_LT(at("close Plover tool "), count);

    // The end asked for is left in the queue; this test's process takes it.
    MSG quit;
    while (PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

}  // namespace
}  // namespace plover
