#include "app/win32/Window.h"

#include <exception>

namespace plover::win32 {

Window::~Window() {
    if (window_) SetWindowLongPtrA(window_.get(), GWLP_USERDATA, 0);
}

bool Window::CreateOwnWindow(WNDCLASSEXA windowClass, DWORD exStyle, const char* title, DWORD style,
                             const RECT& frame, HWND owner) {
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Window::WindowProc;
    RegisterClassExA(&windowClass);
    return CreateWindowExA(exStyle, windowClass.lpszClassName, title, style, frame.left, frame.top,
                           frame.right - frame.left, frame.bottom - frame.top, owner, nullptr,
                           windowClass.hInstance, this) != nullptr;
}

void Window::DestroyOwnWindow() {
    if (window_) DestroyWindow(window_.get());
}

void Window::OnHandlerFailed(UINT, const char*) noexcept {}

LRESULT CALLBACK Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* created =
            static_cast<Window*>(reinterpret_cast<const CREATESTRUCTA*>(lParam)->lpCreateParams);
        created->window_.reset(window);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(created));
    }
    auto* self = reinterpret_cast<Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window's very last message: the object no longer holds it.
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        self->window_.release();
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return self->HandleMessage(message, wParam, lParam);
}

LRESULT Window::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    // A handler may destroy the window; what it leaves still goes to the
    // window it came for.
    const HWND window = window_.get();
    // Nothing escapes the window procedure.
    try {
        if (const std::optional<LRESULT> result = OnMessage(message, wParam, lParam)) {
            return *result;
        }
    } catch (const std::exception& error) {
        OnHandlerFailed(message, error.what());
    } catch (...) {
        OnHandlerFailed(message, "unknown error");
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace plover::win32
