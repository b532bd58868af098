#include "app/win32/ContactDialogView.h"

#include "app/MemoText.h"

namespace plover::win32 {

namespace {

constexpr const char* WindowClass = "PloverToolContact";
constexpr int FirstChildId = 201;

}  // namespace

ContactDialogView::ContactDialogView(HINSTANCE instance, TMessageForm& form)
    : instance_(instance), form_(form), white_(CreateSolidBrush(RGB(255, 255, 255))) {
    form_.OnCloseRequest = [this] { showing_ = false; };
}

ContactDialogView::~ContactDialogView() { form_.OnCloseRequest = nullptr; }

bool ContactDialogView::Create(HWND owner) {
    WNDCLASSEXA windowClass{};
    windowClass.hInstance = instance_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = white_.get();
    windowClass.lpszClassName = WindowClass;

    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT size{0, 0, TMessageForm::ClientWidth, TMessageForm::ClientHeight};
    AdjustWindowRectEx(&size, style, FALSE, exStyle);
    const RECT frame{TMessageForm::DesignLeft, TMessageForm::DesignTop,
                     TMessageForm::DesignLeft + size.right - size.left,
                     TMessageForm::DesignTop + size.bottom - size.top};
    if (!CreateOwnWindow(windowClass, exStyle, TMessageForm::Caption, style, frame, owner)) {
        return false;
    }
    // Shown at once, with the system's own push button.
    const auto childStyle = [](ControlKind kind) -> DWORD {
        return WS_VISIBLE | (kind == ControlKind::Button ? BS_DEFPUSHBUTTON : 0);
    };
    children_.Create(Handle(), instance_, form_.Controls(), FirstChildId, childStyle, fonts_);
    return true;
}

void ContactDialogView::ShowModal(HWND owner) {
    if (showing_) return;
    if (!Handle() && !Create(owner)) return;
    SetWindowTextA(children_.WindowOf(form_.contactInfoMemo),
                   WithCrLfLineBreaks(form_.contactInfoMemo.caption).c_str());
    showing_ = true;
    EnableWindow(owner, FALSE);
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetFocus(children_.WindowOf(form_.Button1));
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
        if (!IsDialogMessageA(Handle(), &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    showing_ = false;
    EnableWindow(owner, TRUE);
    ShowWindow(Handle(), SW_HIDE);
    SetActiveWindow(owner);
    // The application was asked to end while the dialog was up: the main
    // loop must see that too.
    if (quit) PostQuitMessage(quitCode);
}

std::optional<LRESULT> ContactDialogView::OnMessage(UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_PAINT:
            OnPaint();
            return 0;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
            return reinterpret_cast<LRESULT>(white_.get());
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL ||
                children_.ControlOf(LOWORD(wParam)) == &form_.Button1) {
                form_.Button1Click();
            }
            return 0;
        case WM_CLOSE:
            form_.Button1Click();
            return 0;
        default:
            return std::nullopt;
    }
}

void ContactDialogView::OnPaint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Handle(), &paint);
    const FormControl& label = form_.Label1;
    Selection font(dc, fonts_.For(label.font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(14, 58, 102));
    RECT area{label.left, label.top, label.left + label.width + 40, label.top + label.height};
    DrawTextA(dc, label.caption.c_str(), -1, &area, DT_NOPREFIX | DT_SINGLELINE);
    EndPaint(Handle(), &paint);
}

}  // namespace plover::win32
