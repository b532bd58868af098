#pragma once

// Win32 only: the window's thread of a Wine test or benchmark program.
#include <windows.h>

#include "platform/win32/Win32Synchronizer.h"

namespace plover::testing {

inline LRESULT CALLBACK SynchronizerWindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (win32::Win32Synchronizer::Handle(message, lParam)) return 0;
    return DefWindowProcA(window, message, wParam, lParam);
}

// A message-only window that carries out Synchronize's requests on the
// thread that created it, as the main window does in the program.
inline HWND CreateSynchronizerWindow(const char* className) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &SynchronizerWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, className, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           windowClass.hInstance, nullptr);
}

}  // namespace plover::testing
