#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/FormHost.h"
#include "app/PloverMainForm.h"
#include "app/win32/ChildWindows.h"
#include "app/win32/ContactDialogView.h"
#include "app/win32/DpiScale.h"
#include "app/win32/FontCache.h"
#include "app/win32/GdiObjects.h"
#include "app/win32/Window.h"
#include "platform/win32/Win32Synchronizer.h"

namespace plover::win32 {

// The wizard window on screen: a fixed 440 x 480 window that paints the
// model's pictures and labels itself and keeps real child windows for the
// three buttons and the instructions memo. It is also the window toolkit the
// model talks to (FormHost).
class MainWindowView : public Window, public FormHost {
public:
    static constexpr UINT RunEndedMessage = WM_APP + 2;
    static constexpr UINT RepairStepMessage = WM_APP + 3;
    // Also how a second copy of the program finds this one.
    static constexpr const char* ClassName = "PloverToolWizard";

    MainWindowView(HINSTANCE instance, Win32Synchronizer& synchronizer, ContactDialogView& contact);
    ~MainWindowView() override;
    MainWindowView(const MainWindowView&) = delete;
    MainWindowView& operator=(const MainWindowView&) = delete;

    // Creates the hidden window for the model, once the model exists.
    bool Create(TPloverMainForm& form);
    // Shows the window and runs the model's show handler.
    void Show();
    // Keyboard navigation between the buttons; true when the message was used.
    bool PreTranslate(MSG& message);

    // FormHost
    void ControlsChanged() override;
    void HandlePendingMessages() override;
    void RequestApplicationEnd() override;
    bool AskYesNoWarning(const std::string& text) override;
    void ShowContactDialogModal() override;
    void HideMainWindow() override;
    void ShowMainWindow() override;
    void StartRestartTimer(uint32_t milliseconds) override;
    void CloseMainWindow() override;
    void PostRunEnded() override;
    void PostRepairStep(bool underWay) override;
    bool BlockSessionEnd(const std::string& reason) override;
    void UnblockSessionEnd() override;
    void StartCloseTimer(uint32_t milliseconds) override;
    void HandleMessagesUntil(const std::function<bool()>& done) override;

private:
    std::optional<LRESULT> OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnHandlerFailed(UINT message, const char* error) noexcept override;

    // One handler per message.
    LRESULT OnRunEnded();
    LRESULT OnPaint();
    LRESULT OnTimer(UINT_PTR timer);
    LRESULT OnCommand(int id, int notification);
    std::optional<LRESULT> OnDrawItem(const DRAWITEMSTRUCT& item);
    std::optional<LRESULT> OnControlColour(HDC dc, HWND control);
    std::optional<LRESULT> OnSetCursor(HWND over, int hitTest);
    LRESULT OnMouseMove(POINT point);
    LRESULT OnMouseLeave();
    LRESULT OnLeftButtonDown(POINT point);
    LRESULT OnLeftButtonUp(POINT point);
    LRESULT OnClose();
    LRESULT OnQueryEndSession();
    LRESULT OnEndSession(bool ending);
    LRESULT OnDestroy();

    void CreateChildren();
    void SyncChildren();
    // After a panel change the focus is on a shown, enabled button.
    void KeepFocusOnAButton();
    void SyncMemoText(HWND memo, const FormControl& control);
    void UpdateAnimationTimer();
    void Paint(HDC dc);
    void PaintControl(HDC dc, const FormControl& control);
    RECT Bounds(const FormControl& control) const;
    bool ShownOnScreen(const FormControl& control) const;
    const FormControl* LinkAt(POINT point) const;

    HINSTANCE instance_;
    Win32Synchronizer& synchronizer_;
    ContactDialogView& contact_;
    TPloverMainForm* form_ = nullptr;
    ChildWindows children_;
    DpiScale scale_;
    // Fonts drawn in design units (painting, the owner-drawn buttons) and
    // fonts of the child windows, made at the screen's DPI.
    FontCache fonts_;
    FontCache childFonts_;
    std::vector<std::pair<const FormControl*, RECT>> linkAreas_;
    const FormControl* hoverLink_ = nullptr;
    const FormControl* pressedLink_ = nullptr;
    bool trackingMouse_ = false;
    bool timerRunning_ = false;
    int frame_ = 0;
    UniqueBrush white_;
};

}  // namespace plover::win32
