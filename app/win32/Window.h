#pragma once

#include <windows.h>

#include <optional>

#include "platform/win32/Win32Handles.h"

namespace plover::win32 {

// A top-level window whose messages go to this object. The static window
// procedure takes the object from CREATESTRUCT and forwards every message to
// the object's noexcept handler, which hands it to the subclass (OnMessage)
// and tells OnHandlerFailed of anything that throws; a message the subclass
// leaves, or whose handler threw, goes to DefWindowProc.
class Window {
public:
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Null before the window is created and once it is destroyed.
    HWND Handle() const noexcept { return window_.get(); }

protected:
    Window() = default;
    // A window still there goes with this object; its last messages no
    // longer reach the subclass, which is gone by then.
    virtual ~Window();

    // Registers the class (its window procedure set here) and creates the
    // window; false when it could not be created.
    bool CreateOwnWindow(WNDCLASSEXA windowClass, DWORD exStyle, const char* title, DWORD style,
                         const RECT& frame, HWND owner);
    // Destroys the window now, its messages handled as any other; this object
    // holds it until the very last of them.
    void DestroyOwnWindow();

    // One message: its result, or none to leave it to DefWindowProc.
    virtual std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // What a handler threw; the window keeps its state.
    virtual void OnHandlerFailed(UINT message, const char* error) noexcept;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    UniqueWindow window_;
};

}  // namespace plover::win32
