#include "app/win32/MainWindowView.h"

#include <windowsx.h>

#include <algorithm>

#include "app/MemoText.h"
#include "app/win32/Artwork.h"
#include "system/Log.h"

namespace plover::win32 {

namespace {

constexpr UINT_PTR AnimationTimer = 1;
constexpr UINT_PTR CloseTimer = 2;
constexpr UINT_PTR RestartTimer = 3;
// How often a wait for the run looks again when no message comes.
constexpr DWORD MessageWaitSlice = 50;
constexpr UINT AnimationMilliseconds = 90;
constexpr int FirstChildId = 101;

constexpr COLORREF TextColour = RGB(30, 43, 56);
constexpr COLORREF HeadingColour = RGB(14, 58, 102);
constexpr COLORREF FailureColour = RGB(190, 40, 40);
constexpr COLORREF LinkColour = RGB(0, 0, 238);
constexpr COLORREF LinkActiveColour = RGB(220, 0, 0);

}  // namespace

MainWindowView::MainWindowView(HINSTANCE instance, Win32Synchronizer& synchronizer,
                               ContactDialogView& contact)
    : instance_(instance),
      synchronizer_(synchronizer),
      contact_(contact),
      white_(CreateSolidBrush(RGB(255, 255, 255))) {}

MainWindowView::~MainWindowView() { synchronizer_.Detach(); }

bool MainWindowView::Create(TPloverMainForm& form) {
    form_ = &form;
    WNDCLASSEXA windowClass{};
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = ClassName;

    // A fixed wizard: no resizing, no maximise box, no caption text.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    scale_ = DpiScale(DpiScale::SystemDpi());
    childFonts_.SetDpi(scale_.Dpi());
    RECT frame =
        scale_.ToScreen(RECT{0, 0, TPloverMainForm::ClientWidth, TPloverMainForm::ClientHeight});
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left =
        std::max<int>(work.left, work.left + ((work.right - work.left) - width) / 2);
    // A scaled window taller or wider than the screen keeps its caption and
    // close box on it.
    const int top = std::max<int>(work.top, work.top + ((work.bottom - work.top) - height) / 2);
    if (!CreateOwnWindow(windowClass, exStyle, "", style,
                         RECT{left, top, left + width, top + height}, nullptr)) {
        return false;
    }
    synchronizer_.Attach(Handle(), GetCurrentThreadId());
    const Platform& os = form.Os();
    synchronizer_.OnError = [&os](const std::string& error) {
        WriteLog(os, "window operation failed", error);
    };
    CreateChildren();
    SyncChildren();
    return true;
}

void MainWindowView::Show() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    UpdateWindow(Handle());
    SetForegroundWindow(Handle());
    // The focus cue shows from the start, not only after a first key.
    SendMessageA(Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    if (HWND runTest = children_.WindowOf(form_->RunTestButton)) SetFocus(runTest);
    form_->FormShow();
}

bool MainWindowView::PreTranslate(MSG& message) {
    return Handle() && IsWindow(Handle()) && IsDialogMessageA(Handle(), &message);
}

void MainWindowView::CreateChildren() {
    // The buttons wear the skin; the children show when the model says so.
    const auto childStyle = [](ControlKind kind) -> DWORD {
        return kind == ControlKind::Button ? BS_OWNERDRAW : 0;
    };
    const std::vector<FormControl*>& controls = form_->Controls();
    children_.Create(Handle(), instance_, {controls.begin(), controls.end()}, FirstChildId,
                     childStyle, childFonts_);
}

bool MainWindowView::ShownOnScreen(const FormControl& control) const {
    for (const FormControl* c = &control; c; c = c->parent) {
        if (!c->visible) return false;
    }
    return true;
}

RECT MainWindowView::Bounds(const FormControl& control) const {
    int left = control.left;
    int top = control.top;
    for (const FormControl* p = control.parent; p; p = p->parent) {
        left += p->left;
        top += p->top;
    }
    return RECT{left, top, left + control.width, top + control.height};
}

void MainWindowView::SyncChildren() {
    if (!Handle()) return;
    for (const ChildWindows::Child& child : children_.All()) {
        const FormControl& control = *child.control;
        if (control.kind == ControlKind::Button) {
            SetWindowTextA(child.window, control.caption.c_str());
            EnableWindow(child.window, control.enabled);
        } else {
            SyncMemoText(child.window, control);
        }
        const RECT area = scale_.ToScreen(Bounds(control));
        SetWindowPos(child.window, nullptr, area.left, area.top, area.right - area.left,
                     area.bottom - area.top, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(child.window, ShownOnScreen(control) ? SW_SHOWNA : SW_HIDE);
        if (control.kind == ControlKind::Button) InvalidateRect(child.window, nullptr, FALSE);
    }
}

void MainWindowView::SyncMemoText(HWND memo, const FormControl& control) {
    const std::string text = WithCrLfLineBreaks(control.caption);
    const int length = GetWindowTextLengthA(memo);
    std::string current(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(memo, current.data(), length + 1);
    current.resize(static_cast<size_t>(length));
    if (current != text) SetWindowTextA(memo, text.c_str());
}

void MainWindowView::UpdateAnimationTimer() {
    const bool animating =
        (form_->progressImage.animating && ShownOnScreen(form_->progressImage)) ||
        (form_->tempFailImage.animating && ShownOnScreen(form_->tempFailImage));
    if (animating && !timerRunning_) {
        timerRunning_ = SetTimer(Handle(), AnimationTimer, AnimationMilliseconds, nullptr) != 0;
    } else if (!animating && timerRunning_) {
        KillTimer(Handle(), AnimationTimer);
        timerRunning_ = false;
    }
}

void MainWindowView::ControlsChanged() {
    if (!Handle() || !IsWindow(Handle())) return;
    SyncChildren();
    KeepFocusOnAButton();
    UpdateAnimationTimer();
    InvalidateRect(Handle(), nullptr, FALSE);
}

void MainWindowView::KeepFocusOnAButton() {
    // Only while this window is active: the focus of another window, or of
    // a question in front of this one, is not taken.
    if (GetActiveWindow() != Handle()) return;
    const HWND focus = GetFocus();
    const FormControl* focused = children_.ControlOf(focus);
    if (focused && focused->kind == ControlKind::Button && IsWindowVisible(focus) &&
        IsWindowEnabled(focus)) {
        return;
    }
    // A button the panel hid or disabled left the focus on the frame, where
    // no key reaches a button.
    if (const FormControl* button = form_->FocusButton()) {
        if (HWND window = children_.WindowOf(*button)) SetFocus(window);
    }
}

void MainWindowView::Paint(HDC dc) {
    const DesignUnits design(dc, scale_);
    RECT client{0, 0, TPloverMainForm::ClientWidth, TPloverMainForm::ClientHeight};
    FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
    linkAreas_.clear();
    for (FormControl* control : form_->Controls()) {
        if (ShownOnScreen(*control)) PaintControl(dc, *control);
    }
}

void MainWindowView::PaintControl(HDC dc, const FormControl& control) {
    RECT area = Bounds(control);
    switch (control.kind) {
        case ControlKind::Panel:
            FillRect(dc, &area, white_.get());
            return;
        case ControlKind::Picture:
        case ControlKind::AnimatedPicture:
            DrawPicture(dc, area, control.picture, frame_);
            return;
        case ControlKind::Label:
        case ControlKind::LinkLabel: {
            Selection font(dc, fonts_.For(control.font));
            SetBkMode(dc, TRANSPARENT);
            UINT format = DT_NOPREFIX | DT_LEFT | DT_TOP;
            if (control.wordWrap) format |= DT_WORDBREAK;
            if (control.width == 0 || control.height == 0) {
                RECT measured{area.left, area.top, area.left + 1000, area.top + 1000};
                DrawTextA(dc, control.caption.c_str(), -1, &measured, format | DT_CALCRECT);
                area.right = measured.right;
                area.bottom = measured.bottom;
            } else if (control.autoSize && control.wordWrap) {
                RECT measured = area;
                DrawTextA(dc, control.caption.c_str(), -1, &measured, format | DT_CALCRECT);
                if (measured.bottom > area.bottom) area.bottom = measured.bottom;
            }
            COLORREF colour = TextColour;
            if (control.kind == ControlKind::LinkLabel) {
                linkAreas_.emplace_back(&control, area);
                const bool active = &control == hoverLink_ || &control == pressedLink_;
                colour = active ? LinkActiveColour : LinkColour;
            } else if (&control == &form_->Label2) {
                colour = FailureColour;
            } else if (control.font.pixelHeight >= 16) {
                colour = HeadingColour;
            }
            SetTextColor(dc, colour);
            DrawTextA(dc, control.caption.c_str(), -1, &area, format);
            return;
        }
        case ControlKind::Memo:
        case ControlKind::Button:
            return;  // real child windows
    }
}

const FormControl* MainWindowView::LinkAt(POINT screenPoint) const {
    const POINT point = scale_.ToDesign(screenPoint);
    for (const auto& [link, area] : linkAreas_) {
        if (PtInRect(&area, point) && ShownOnScreen(*link)) return link;
    }
    return nullptr;
}

void MainWindowView::HandlePendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Left for the message loop, which ends on it.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!PreTranslate(message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

void MainWindowView::RequestApplicationEnd() { PostQuitMessage(0); }

bool MainWindowView::AskYesNoWarning(const std::string& text) {
    // No is the default: one stray Enter must not restart the computer.
    return MessageBoxA(Handle(), text.c_str(), "Warning",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

void MainWindowView::ShowContactDialogModal() { contact_.ShowModal(Handle()); }

void MainWindowView::HideMainWindow() { ShowWindow(Handle(), SW_HIDE); }

void MainWindowView::ShowMainWindow() {
    ShowWindow(Handle(), SW_SHOWNORMAL);
    SetForegroundWindow(Handle());
    KeepFocusOnAButton();
}

void MainWindowView::StartRestartTimer(uint32_t milliseconds) {
    if (Handle()) SetTimer(Handle(), RestartTimer, milliseconds, nullptr);
}

void MainWindowView::CloseMainWindow() { PostMessageA(Handle(), WM_CLOSE, 0, 0); }

void MainWindowView::PostRunEnded() { PostMessageA(Handle(), RunEndedMessage, 0, 0); }

void MainWindowView::PostRepairStep(bool underWay) {
    PostMessageA(Handle(), RepairStepMessage, underWay ? 1 : 0, 0);
}

namespace {

// Vista's user32 has these; XP's does not, and the program must start there.
template <class Function>
Function User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(user32, name)));
}

}  // namespace

bool MainWindowView::BlockSessionEnd(const std::string& reason) {
    using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
    const auto create = User32Function<Create>("ShutdownBlockReasonCreate");
    if (!create || !Handle()) return false;
    const std::wstring wide(reason.begin(), reason.end());
    return create(Handle(), wide.c_str()) != FALSE;
}

void MainWindowView::UnblockSessionEnd() {
    using Destroy = BOOL(WINAPI*)(HWND);
    const auto destroy = User32Function<Destroy>("ShutdownBlockReasonDestroy");
    if (destroy && Handle()) destroy(Handle());
}

void MainWindowView::StartCloseTimer(uint32_t milliseconds) {
    if (Handle()) SetTimer(Handle(), CloseTimer, milliseconds, nullptr);
}

void MainWindowView::HandleMessagesUntil(const std::function<bool()>& done) {
    while (!done() && Handle() && IsWindow(Handle())) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, MessageWaitSlice, QS_ALLINPUT);
        HandlePendingMessages();
    }
}

void MainWindowView::OnHandlerFailed(UINT message, const char* error) noexcept {
    // The window keeps its state, and the log says what failed.
    try {
        WriteLog(form_->Os(), "window message failed: " + std::to_string(message), error);
    } catch (...) {
    }
}

std::optional<LRESULT> MainWindowView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    switch (message) {
        case Win32Synchronizer::Message:
            Win32Synchronizer::Handle(message, lParam);
            return 0;
        case RunEndedMessage:
            return OnRunEnded();
        case RepairStepMessage:
            form_->RepairStepChanged(wParam != 0);
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers the whole client area
        case WM_PAINT:
            return OnPaint();
        case WM_TIMER:
            return OnTimer(wParam);
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_DRAWITEM:
            return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_SETCURSOR:
            return OnSetCursor(reinterpret_cast<HWND>(wParam), LOWORD(lParam));
        case WM_MOUSEMOVE:
            return OnMouseMove(point);
        case WM_MOUSELEAVE:
            return OnMouseLeave();
        case WM_LBUTTONDOWN:
            return OnLeftButtonDown(point);
        case WM_LBUTTONUP:
            return OnLeftButtonUp(point);
        case WM_CLOSE:
            return OnClose();
        case WM_QUERYENDSESSION:
            return OnQueryEndSession();
        case WM_ENDSESSION:
            return OnEndSession(wParam != FALSE);
        case WM_DESTROY:
            return OnDestroy();
        default:
            return std::nullopt;
    }
}

LRESULT MainWindowView::OnRunEnded() {
    form_->RunEnded();
    return 0;
}

LRESULT MainWindowView::OnPaint() {
    PAINTSTRUCT paint;
    HDC screen = BeginPaint(Handle(), &paint);
    UniqueMemoryDc buffer(CreateCompatibleDC(screen));
    const int width = scale_.ToScreen(TPloverMainForm::ClientWidth);
    const int height = scale_.ToScreen(TPloverMainForm::ClientHeight);
    UniqueBitmap bitmap(CreateCompatibleBitmap(screen, width, height));
    {
        Selection select(buffer.get(), bitmap.get());
        Paint(buffer.get());
        BitBlt(screen, 0, 0, width, height, buffer.get(), 0, 0, SRCCOPY);
    }
    EndPaint(Handle(), &paint);
    return 0;
}

LRESULT MainWindowView::OnTimer(UINT_PTR timer) {
    if (timer == CloseTimer) {
        KillTimer(Handle(), CloseTimer);
        form_->CloseWaitEnded();
        return 0;
    }
    if (timer == RestartTimer) {
        KillTimer(Handle(), RestartTimer);
        form_->RestartWaitEnded();
        return 0;
    }
    if (timer != AnimationTimer) return 0;
    ++frame_;
    for (const FormControl* spinner : {&form_->progressImage, &form_->tempFailImage}) {
        if (!ShownOnScreen(*spinner)) continue;
        const RECT area = scale_.ToScreen(Bounds(*spinner));
        InvalidateRect(Handle(), &area, FALSE);
    }
    return 0;
}

LRESULT MainWindowView::OnCommand(int id, int notification) {
    // Enter and Escape, as the dialog manager reports them.
    if (id == IDOK) {
        form_->EnterPressed();
        return 0;
    }
    if (id == IDCANCEL) {
        form_->EscapePressed();
        return 0;
    }
    if (notification != BN_CLICKED) return 0;
    const FormControl* control = children_.ControlOf(id);
    // A disabled or hidden button cannot be pressed, also not by keyboard.
    if (!control || !control->enabled || !ShownOnScreen(*control)) return 0;
    if (control == &form_->RunTestButton) form_->RunTestButtonClick();
    if (control == &form_->contactCancel) form_->contactCancelClick();
    if (control == &form_->CloseButton) form_->CloseButtonClick();
    return 0;
}

std::optional<LRESULT> MainWindowView::OnDrawItem(const DRAWITEMSTRUCT& item) {
    const FormControl* control = children_.ControlOf(static_cast<int>(item.CtlID));
    if (!control || control->kind != ControlKind::Button) return std::nullopt;
    const DesignUnits design(item.hDC, scale_);
    const RECT area{0, 0, control->width, control->height};
    DrawSkinButton(item.hDC, area, control->caption.c_str(), fonts_.For(control->font),
                   (item.itemState & ODS_DISABLED) == 0, (item.itemState & ODS_SELECTED) != 0,
                   (item.itemState & ODS_FOCUS) != 0, control == &form_->RunTestButton);
    return TRUE;
}

std::optional<LRESULT> MainWindowView::OnControlColour(HDC dc, HWND control) {
    const FormControl* child = children_.ControlOf(control);
    if (!child || child->kind != ControlKind::Memo) return std::nullopt;
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, TextColour);
    return reinterpret_cast<LRESULT>(white_.get());
}

std::optional<LRESULT> MainWindowView::OnSetCursor(HWND over, int hitTest) {
    if (hitTest != HTCLIENT) return std::nullopt;
    const FormControl* pointed = children_.ControlOf(over);
    if (over == Handle()) {
        POINT point;
        GetCursorPos(&point);
        ScreenToClient(Handle(), &point);
        pointed = LinkAt(point);
    }
    if (!pointed || !pointed->handCursor) return std::nullopt;
    SetCursor(LoadCursor(nullptr, IDC_HAND));
    return TRUE;
}

LRESULT MainWindowView::OnMouseMove(POINT point) {
    const FormControl* link = LinkAt(point);
    if (link != hoverLink_) {
        hoverLink_ = link;
        InvalidateRect(Handle(), nullptr, FALSE);
    }
    if (!trackingMouse_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
        trackingMouse_ = TrackMouseEvent(&track) != FALSE;
    }
    return 0;
}

LRESULT MainWindowView::OnMouseLeave() {
    trackingMouse_ = false;
    if (!hoverLink_) return 0;
    hoverLink_ = nullptr;
    InvalidateRect(Handle(), nullptr, FALSE);
    return 0;
}

LRESULT MainWindowView::OnLeftButtonDown(POINT point) {
    pressedLink_ = LinkAt(point);
    if (!pressedLink_) return 0;
    SetCapture(Handle());
    InvalidateRect(Handle(), nullptr, FALSE);
    return 0;
}

LRESULT MainWindowView::OnLeftButtonUp(POINT point) {
    const FormControl* pressed = pressedLink_;
    pressedLink_ = nullptr;
    if (!pressed) return 0;
    ReleaseCapture();
    InvalidateRect(Handle(), nullptr, FALSE);
    if (LinkAt(point) == pressed) form_->LinkClick(*pressed);
    return 0;
}

LRESULT MainWindowView::OnClose() {
    bool canClose = false;
    form_->FormCloseQuery(canClose);
    if (!canClose) return 0;
    form_->FormClose();
    synchronizer_.Detach();
    DestroyOwnWindow();
    return 0;
}

LRESULT MainWindowView::OnQueryEndSession() {
    // The session may end; the run is asked to stop now, so that it has
    // ended, or nearly, when the end comes.
    form_->SessionEnding();
    // While a repair runs the session waits for it (Vista and later, which
    // show the reason); before Vista the journal puts back what it cut off.
    return form_->SessionEndBlocked() ? FALSE : TRUE;
}

LRESULT MainWindowView::OnEndSession(bool ending) {
    if (ending) form_->SessionEnded();
    return 0;
}

LRESULT MainWindowView::OnDestroy() {
    synchronizer_.Detach();
    if (timerRunning_) KillTimer(Handle(), AnimationTimer);
    timerRunning_ = false;
    return 0;
}

}  // namespace plover::win32
