#include "app/win32/MainWindowView.h"

#include <windowsx.h>

#include "app/win32/Artwork.h"
#include "system/Log.h"

namespace plover::win32 {

namespace {

constexpr const char* WindowClass = "PloverToolWizard";
constexpr UINT_PTR AnimationTimer = 1;
constexpr UINT_PTR CloseTimer = 2;
// How often a wait for the run looks again when no message comes.
constexpr DWORD MessageWaitSlice = 50;
constexpr UINT AnimationMilliseconds = 90;
constexpr int FirstButtonId = 101;
constexpr int MemoId = 110;

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

MainWindowView::~MainWindowView() {
    synchronizer_.Detach();
    if (window_) DestroyWindow(window_);
}

bool MainWindowView::Create(TPloverMainForm& form) {
    form_ = &form;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &MainWindowView::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = WindowClass;
    RegisterClassExA(&windowClass);

    // A fixed wizard: no resizing, no maximise box, no caption text.
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, TPloverMainForm::ClientWidth, TPloverMainForm::ClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    const int left = work.left + ((work.right - work.left) - width) / 2;
    const int top = work.top + ((work.bottom - work.top) - height) / 2;
    window_ = CreateWindowExA(exStyle, WindowClass, "", style, left, top, width, height, nullptr,
                              nullptr, instance_, this);
    if (!window_) return false;
    synchronizer_.Attach(window_, GetCurrentThreadId());
    const Platform& os = form.Os();
    synchronizer_.OnError = [&os](const std::string& error) {
        WriteLog(os, "window operation failed", error);
    };
    CreateChildren();
    SyncChildren();
    return true;
}

void MainWindowView::Show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    SetForegroundWindow(window_);
    if (buttons_[0]) SetFocus(buttons_[0]);
    form_->FormShow();
}

bool MainWindowView::PreTranslate(MSG& message) {
    return window_ && IsWindow(window_) && IsDialogMessageA(window_, &message);
}

void MainWindowView::CreateChildren() {
    buttonControls_ = {&form_->RunTestButton, &form_->contactCancel, &form_->CloseButton};
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const FormControl& control = *buttonControls_[i];
        buttons_[i] = CreateWindowExA(
            0, "BUTTON", control.caption.c_str(), WS_CHILD | WS_TABSTOP | BS_OWNERDRAW,
            control.left, control.top, control.width, control.height, window_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(FirstButtonId + static_cast<int>(i))),
            instance_, nullptr);
        SendMessageA(buttons_[i], WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font)),
                     TRUE);
    }
    const FormControl& memo = form_->mssgAtxt;
    memo_ = CreateWindowExA(
        0, "EDIT", "", WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
        memo.left, memo.top, memo.width, memo.height, window_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(MemoId)), instance_, nullptr);
    SendMessageA(memo_, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(memo.font)), TRUE);
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
    if (!window_) return;
    for (size_t i = 0; i < buttons_.size(); ++i) {
        const FormControl& control = *buttonControls_[i];
        const RECT area = Bounds(control);
        SetWindowTextA(buttons_[i], control.caption.c_str());
        EnableWindow(buttons_[i], control.enabled);
        SetWindowPos(buttons_[i], nullptr, area.left, area.top, control.width, control.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(buttons_[i], ShownOnScreen(control) ? SW_SHOWNA : SW_HIDE);
        InvalidateRect(buttons_[i], nullptr, FALSE);
    }
    const FormControl& memo = form_->mssgAtxt;
    const std::string text = WithCrLfLineBreaks(memo.caption);
    const int length = GetWindowTextLengthA(memo_);
    std::string current(static_cast<size_t>(length) + 1, '\0');
    GetWindowTextA(memo_, current.data(), length + 1);
    current.resize(static_cast<size_t>(length));
    if (current != text) SetWindowTextA(memo_, text.c_str());
    const RECT area = Bounds(memo);
    SetWindowPos(memo_, nullptr, area.left, area.top, memo.width, memo.height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(memo_, ShownOnScreen(memo) ? SW_SHOWNA : SW_HIDE);
}

void MainWindowView::UpdateAnimationTimer() {
    const bool animating =
        (form_->progressImage.animating && ShownOnScreen(form_->progressImage)) ||
        (form_->tempFailImage.animating && ShownOnScreen(form_->tempFailImage));
    if (animating && !timerRunning_) {
        timerRunning_ = SetTimer(window_, AnimationTimer, AnimationMilliseconds, nullptr) != 0;
    } else if (!animating && timerRunning_) {
        KillTimer(window_, AnimationTimer);
        timerRunning_ = false;
    }
}

void MainWindowView::ControlsChanged() {
    if (!window_ || !IsWindow(window_)) return;
    SyncChildren();
    UpdateAnimationTimer();
    InvalidateRect(window_, nullptr, FALSE);
}

HFONT MainWindowView::FontFor(const FontSpec& spec) {
    const std::string key = spec.face + "/" + std::to_string(spec.pixelHeight) + "/" +
                            (spec.bold ? "b" : "") + (spec.italic ? "i" : "") +
                            (spec.underline ? "u" : "");
    auto found = fonts_.find(key);
    if (found == fonts_.end()) found = fonts_.emplace(key, CreateFontFor(spec)).first;
    return found->second.get();
}

void MainWindowView::Paint(HDC dc) {
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
            Selection font(dc, FontFor(control.font));
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

const FormControl* MainWindowView::LinkAt(POINT point) const {
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
    return MessageBoxA(window_, text.c_str(), "Warning", MB_YESNO | MB_ICONWARNING) == IDYES;
}

void MainWindowView::ShowContactDialogModal() { contact_.ShowModal(window_); }

void MainWindowView::HideMainWindow() { ShowWindow(window_, SW_HIDE); }

void MainWindowView::CloseMainWindow() { PostMessageA(window_, WM_CLOSE, 0, 0); }

void MainWindowView::PostRunEnded() { PostMessageA(window_, RunEndedMessage, 0, 0); }

void MainWindowView::StartCloseTimer(uint32_t milliseconds) {
    if (window_) SetTimer(window_, CloseTimer, milliseconds, nullptr);
}

void MainWindowView::HandleMessagesUntil(const std::function<bool()>& done) {
    while (!done() && window_ && IsWindow(window_)) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, MessageWaitSlice, QS_ALLINPUT);
        HandlePendingMessages();
    }
}

void MainWindowView::LogFailedMessage(UINT message, const char* error) noexcept {
    try {
        WriteLog(form_->Os(), "window message failed: " + std::to_string(message), error);
    } catch (...) {
    }
}

void MainWindowView::OnClose() {
    bool canClose = false;
    form_->FormCloseQuery(canClose);
    if (!canClose) return;
    form_->FormClose();
    synchronizer_.Detach();
    DestroyWindow(window_);
}

LRESULT CALLBACK MainWindowView::WindowProc(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* view = reinterpret_cast<MainWindowView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!view || !view->form_) return DefWindowProcA(window, message, wParam, lParam);
    if (view->window_ == nullptr) view->window_ = window;
    return view->HandleMessage(message, wParam, lParam);
}

LRESULT MainWindowView::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (Win32Synchronizer::Handle(message, lParam)) return 0;
        switch (message) {
            case RunEndedMessage:
                form_->RunEnded();
                return 0;
            case WM_ERASEBKGND:
                return 1;
            case WM_PAINT: {
                PAINTSTRUCT paint;
                HDC screen = BeginPaint(window_, &paint);
                UniqueMemoryDc buffer(CreateCompatibleDC(screen));
                UniqueBitmap bitmap(CreateCompatibleBitmap(screen, TPloverMainForm::ClientWidth,
                                                           TPloverMainForm::ClientHeight));
                {
                    Selection select(buffer.get(), bitmap.get());
                    Paint(buffer.get());
                    BitBlt(screen, 0, 0, TPloverMainForm::ClientWidth,
                           TPloverMainForm::ClientHeight, buffer.get(), 0, 0, SRCCOPY);
                }
                EndPaint(window_, &paint);
                return 0;
            }
            case WM_TIMER:
                if (wParam == CloseTimer) {
                    KillTimer(window_, CloseTimer);
                    form_->CloseWaitEnded();
                    return 0;
                }
                if (wParam == AnimationTimer) {
                    ++frame_;
                    for (const FormControl* spinner :
                         {&form_->progressImage, &form_->tempFailImage}) {
                        if (!ShownOnScreen(*spinner)) continue;
                        const RECT area = Bounds(*spinner);
                        InvalidateRect(window_, &area, FALSE);
                    }
                }
                return 0;
            case WM_COMMAND: {
                const int id = LOWORD(wParam);
                if (HIWORD(wParam) == BN_CLICKED && id >= FirstButtonId && id < FirstButtonId + 3) {
                    // A disabled or hidden button cannot be pressed, also not by keyboard.
                    const FormControl& control =
                        *buttonControls_[static_cast<size_t>(id - FirstButtonId)];
                    if (!control.enabled || !ShownOnScreen(control)) return 0;
                    if (&control == &form_->RunTestButton) form_->RunTestButtonClick();
                    if (&control == &form_->contactCancel) form_->contactCancelClick();
                    if (&control == &form_->CloseButton) form_->CloseButtonClick();
                }
                return 0;
            }
            case WM_DRAWITEM: {
                const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
                const int index = static_cast<int>(item->CtlID) - FirstButtonId;
                if (index < 0 || index >= 3) break;
                const FormControl& control = *buttonControls_[static_cast<size_t>(index)];
                DrawSkinButton(
                    item->hDC, item->rcItem, control.caption.c_str(), FontFor(control.font),
                    (item->itemState & ODS_DISABLED) == 0, (item->itemState & ODS_SELECTED) != 0,
                    (item->itemState & ODS_FOCUS) != 0, &control == &form_->RunTestButton);
                return TRUE;
            }
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
                if (reinterpret_cast<HWND>(lParam) == memo_) {
                    SetBkColor(reinterpret_cast<HDC>(wParam), RGB(255, 255, 255));
                    SetTextColor(reinterpret_cast<HDC>(wParam), TextColour);
                    return reinterpret_cast<LRESULT>(white_.get());
                }
                break;
            case WM_SETCURSOR: {
                const HWND over = reinterpret_cast<HWND>(wParam);
                if (LOWORD(lParam) == HTCLIENT) {
                    bool hand = false;
                    for (HWND button : buttons_) hand = hand || over == button;
                    if (over == window_) {
                        POINT point;
                        GetCursorPos(&point);
                        ScreenToClient(window_, &point);
                        hand = LinkAt(point) != nullptr;
                    }
                    if (hand) {
                        SetCursor(LoadCursor(nullptr, IDC_HAND));
                        return TRUE;
                    }
                }
                break;
            }
            case WM_MOUSEMOVE: {
                const FormControl* link = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                if (link != hoverLink_) {
                    hoverLink_ = link;
                    InvalidateRect(window_, nullptr, FALSE);
                }
                if (!trackingMouse_) {
                    TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, window_, 0};
                    trackingMouse_ = TrackMouseEvent(&track) != FALSE;
                }
                return 0;
            }
            case WM_MOUSELEAVE:
                trackingMouse_ = false;
                if (hoverLink_) {
                    hoverLink_ = nullptr;
                    InvalidateRect(window_, nullptr, FALSE);
                }
                return 0;
            case WM_LBUTTONDOWN:
                pressedLink_ = LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
                if (pressedLink_) {
                    SetCapture(window_);
                    InvalidateRect(window_, nullptr, FALSE);
                }
                return 0;
            case WM_LBUTTONUP: {
                const FormControl* pressed = pressedLink_;
                pressedLink_ = nullptr;
                if (pressed) {
                    ReleaseCapture();
                    InvalidateRect(window_, nullptr, FALSE);
                    if (LinkAt(POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) == pressed) {
                        form_->LinkClick(*pressed);
                    }
                }
                return 0;
            }
            case WM_CLOSE:
                OnClose();
                return 0;
            case WM_QUERYENDSESSION:
                // The session may end; the run is asked to stop now, so that
                // it has ended, or nearly, when the end comes.
                form_->SessionEnding();
                return TRUE;
            case WM_ENDSESSION:
                if (wParam) form_->SessionEnded();
                return 0;
            case WM_DESTROY:
                synchronizer_.Detach();
                if (timerRunning_) KillTimer(window_, AnimationTimer);
                timerRunning_ = false;
                return 0;
            case WM_NCDESTROY: {
                const HWND self = window_;
                window_ = nullptr;
                return DefWindowProcA(self, message, wParam, lParam);
            }
            default:
                break;
        }
    } catch (const std::exception& error) {
        // Nothing escapes the window procedure; the window keeps its state,
        // and the log says what failed.
        LogFailedMessage(message, error.what());
    } catch (...) {
        LogFailedMessage(message, "unknown error");
    }
    return DefWindowProcA(window_, message, wParam, lParam);
}

}  // namespace plover::win32
