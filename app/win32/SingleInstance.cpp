#include "app/win32/SingleInstance.h"

namespace plover::win32 {

namespace {
// The session's namespace: each user signed in runs a copy of their own.
constexpr const char* MutexName = "PloverToolOneCopy";
}  // namespace

SingleInstance::SingleInstance() : mutex_(CreateMutexA(nullptr, FALSE, MutexName)) {
    // A mutex that cannot be made at all does not keep the program from
    // running: it is the only copy there is to know of.
    first_ = !mutex_ || GetLastError() != ERROR_ALREADY_EXISTS;
}

void SingleInstance::ShowFirstCopy(const char* windowClass) {
    const HWND window = FindWindowA(windowClass, nullptr);
    if (!window) return;
    if (IsIconic(window)) ShowWindow(window, SW_RESTORE);
    SetForegroundWindow(window);
}

}  // namespace plover::win32
