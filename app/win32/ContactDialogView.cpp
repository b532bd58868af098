#include "app/win32/ContactDialogView.h"

namespace plover::win32 {

namespace {

constexpr const char* WindowClass = "PloverToolContact";
constexpr int OkButtonId = 201;
constexpr int MemoId = 202;

}  // namespace

std::string WithCrLfLineBreaks(const std::string& text) {
    std::string result;
    result.reserve(text.size() + 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            result += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else if (c == '\n') {
            result += "\r\n";
        } else {
            result += c;
        }
    }
    return result;
}

ContactDialogView::ContactDialogView(HINSTANCE instance, TMessageForm& form)
    : instance_(instance), form_(form), white_(CreateSolidBrush(RGB(255, 255, 255))) {
    form_.OnCloseRequest = [this] { showing_ = false; };
}

ContactDialogView::~ContactDialogView() {
    form_.OnCloseRequest = nullptr;
    if (window_) DestroyWindow(window_);
}

bool ContactDialogView::Create(HWND owner) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &ContactDialogView::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = white_.get();
    windowClass.lpszClassName = WindowClass;
    RegisterClassExA(&windowClass);

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT frame{0, 0, TMessageForm::ClientWidth, TMessageForm::ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    window_ =
        CreateWindowExA(exStyle, WindowClass, TMessageForm::Caption, style,
                        TMessageForm::DesignLeft, TMessageForm::DesignTop, frame.right - frame.left,
                        frame.bottom - frame.top, owner, nullptr, instance_, this);
    if (!window_) return false;
    labelFont_ = CreateFontFor(form_.Label1.font);
    textFont_ = CreateFontFor(form_.contactInfoMemo.font);
    const FormControl& button = form_.Button1;
    button_ = CreateWindowExA(
        0, "BUTTON", button.caption.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON,
        button.left, button.top, button.width, button.height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(OkButtonId)), instance_, nullptr);
    const FormControl& memo = form_.contactInfoMemo;
    memo_ =
        CreateWindowExA(0, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_READONLY,
                        memo.left, memo.top, memo.width, memo.height, window_,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(MemoId)), instance_, nullptr);
    SendMessageA(button_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), TRUE);
    SendMessageA(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(textFont_.get()), TRUE);
    return true;
}

void ContactDialogView::ShowModal(HWND owner) {
    if (showing_) return;
    if (!window_ && !Create(owner)) return;
    SetWindowTextA(memo_, WithCrLfLineBreaks(form_.contactInfoMemo.caption).c_str());
    showing_ = true;
    EnableWindow(owner, FALSE);
    ShowWindow(window_, SW_SHOWNORMAL);
    SetFocus(button_);
    MSG message;
    bool quit = false;
    int quitCode = 0;
    while (showing_) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = got == 0;
            quitCode = static_cast<int>(message.wParam);
            break;
        }
        if (!IsDialogMessageA(window_, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    showing_ = false;
    EnableWindow(owner, TRUE);
    ShowWindow(window_, SW_HIDE);
    SetActiveWindow(owner);
    // The application was asked to end while the dialog was up: the main
    // loop must see that too.
    if (quit) PostQuitMessage(quitCode);
}

LRESULT CALLBACK ContactDialogView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                               LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<ContactDialogView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!view) return DefWindowProcA(window, message, wParam, lParam);
    if (!view->window_) view->window_ = window;
    return view->HandleMessage(message, wParam, lParam);
}

LRESULT ContactDialogView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        switch (message) {
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC dc = BeginPaint(window_, &paint);
                const FormControl& label = form_.Label1;
                Selection font(dc, labelFont_.get());
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, RGB(14, 58, 102));
                RECT area{label.left, label.top, label.left + label.width + 40,
                          label.top + label.height};
                DrawTextA(dc, label.caption.c_str(), -1, &area, DT_NOPREFIX | DT_SINGLELINE);
                EndPaint(window_, &paint);
                return 0;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
                SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
                return reinterpret_cast<LRESULT>(white_.get());
            case WM_COMMAND:
                if (LOWORD(wParam) == OkButtonId || LOWORD(wParam) == IDCANCEL)
                    form_.Button1Click();
                return 0;
            case WM_CLOSE:
                form_.Button1Click();
                return 0;
            case WM_NCDESTROY: {
                const HWND self = window_;
                window_ = nullptr;
                return DefWindowProcA(self, message, wParam, lParam);
            }
            default:
                break;
        }
    } catch (...) {
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace plover::win32
