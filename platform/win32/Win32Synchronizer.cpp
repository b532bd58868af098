#include "platform/win32/Win32Synchronizer.h"

#include <exception>

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
    Request request{&operation, this};
    SendMessageA(window, Message, 0, reinterpret_cast<LPARAM>(&request));
}

void Win32Synchronizer::Report(const std::string& error) const noexcept {
    try {
        if (OnError) OnError(error);
    } catch (...) {
    }
}

bool Win32Synchronizer::Handle(UINT message, LPARAM lParam) {
    if (message != Message) return false;
    const auto* request = reinterpret_cast<const Request*>(lParam);
    if (!request || !request->operation || !*request->operation) return true;
    // A window operation that fails leaves the screen as it is; the error is
    // told, and the caller goes on.
    try {
        (*request->operation)();
    } catch (const std::exception& error) {
        request->owner->Report(error.what());
    } catch (...) {
        request->owner->Report("unknown error");
    }
    return true;
}

}  // namespace plover::win32
