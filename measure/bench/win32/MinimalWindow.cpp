// The trivial Win32 program that the start-up figures stand beside: one
// window, shown at once, closed on WM_CLOSE or after 30 s by itself.
#include <windows.h>

namespace {

constexpr UINT_PTR SelfCloseTimer = 1;
constexpr UINT SelfCloseMilliseconds = 30000;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == SelfCloseTimer) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = &WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "MinimalWindow";
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(0, "MinimalWindow", "Minimal window",
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 446, 505, nullptr, nullptr, instance, nullptr);
    if (!window) return 1;
    SetTimer(window, SelfCloseTimer, SelfCloseMilliseconds, nullptr);
    ShowWindow(window, show);
    UpdateWindow(window);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
