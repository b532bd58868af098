#pragma once

#include <windows.h>

#include <atomic>
#include <functional>

#include "engine/Synchronizer.h"

namespace plover::win32 {

// Runs an operation on the window's thread through SendMessage of a private
// message, so the calling thread is blocked until the window has run it.
// Once the window is gone the operation is dropped and the caller goes on.
class Win32Synchronizer : public Synchronizer {
public:
    static constexpr UINT Message = WM_APP + 1;

    void Attach(HWND window, DWORD windowThread);
    void Detach() { window_ = nullptr; }
    void Synchronize(const std::function<void()>& operation) override;

    // The window procedure's part: true when the message was ours.
    static bool Handle(UINT message, LPARAM lParam);

private:
    std::atomic<HWND> window_{nullptr};
    DWORD windowThread_ = 0;
};

}  // namespace plover::win32
