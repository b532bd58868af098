#include "app/win32/Win32Synchronizer.h"

namespace plover::win32 {

void Win32Synchronizer::Attach(HWND window, DWORD windowThread) {
    windowThread_ = windowThread;
    window_ = window;
}

void Win32Synchronizer::Synchronize(const std::function<void()>& operation) {
    if (GetCurrentThreadId() == windowThread_) {
        operation();
        return;
    }
    const HWND window = window_;
    if (!window) return;
    // SendMessage returns at once (without running the operation) when the
    // window has been destroyed in the meantime.
    SendMessageA(window, Message, 0, reinterpret_cast<LPARAM>(&operation));
}

bool Win32Synchronizer::Handle(UINT message, LPARAM lParam) {
    if (message != Message) return false;
    const auto* operation = reinterpret_cast<const std::function<void()>*>(lParam);
    try {
        if (operation && *operation) (*operation)();
    } catch (...) {
        // A window operation that fails leaves the screen as it is; the
        // diagnostic thread goes on.
    }
    return true;
}

}  // namespace plover::win32
