#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

#include "platform/Synchronizer.h"

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

    // Told, on the window's thread, the text of an error that an operation
    // threw; the caller goes on as if the operation had returned.
    std::function<void(const std::string& error)> OnError;

    // The window procedure's part: true when the message was ours.
    static bool Handle(UINT message, LPARAM lParam);

private:
    // What one message carries: the operation, and whom to tell of an error.
    struct Request {
        const std::function<void()>* operation;
        const Win32Synchronizer* owner;
    };
    void Report(const std::string& error) const noexcept;

    std::atomic<HWND> window_{nullptr};
    DWORD windowThread_ = 0;
};

}  // namespace plover::win32
