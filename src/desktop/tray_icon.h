// The program's icon in the notification area of the task bar: its record
// for the shell, the mouse notifications turned into events (single and
// double clicks told apart), the pop-up menu, balloons, the return of the
// icon after Explorer restarts, hiding the main window to the tray and
// cycling through the icons of an image list.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <functional>
#include <string>

#include "desktop/application.h"
#include "desktop/popup_menu.h"
#include "desktop/window_timer.h"

// The message the shell sends to the handler window for every icon.
constexpr UINT WM_TRAYNOTIFY = 0x0800;

enum TBalloonHintIcon { bitNone = 0, bitInfo = 1, bitWarning = 2, bitError = 3 };
// Whole seconds; meant to be 10 to 60 but passed on as given.
using TBalloonHintTimeOut = int;

enum TMouseButton { mbLeft, mbRight, mbMiddle };

using TShiftState = unsigned;
constexpr TShiftState ssShift = 0x01;
constexpr TShiftState ssAlt = 0x02;
constexpr TShiftState ssCtrl = 0x04;
constexpr TShiftState ssLeft = 0x08;
constexpr TShiftState ssRight = 0x10;
constexpr TShiftState ssMiddle = 0x20;

// The keyboard part of the shift state, as the keys are held at this moment.
TShiftState KeyboardShiftState();

// An icon handle that is owned: copies what it is given, destroys what it holds.
class TIcon {
public:
    TIcon() = default;
    ~TIcon() { Clear(); }
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    HICON Handle() const noexcept { return FHandle; }
    bool Empty() const noexcept { return FHandle == nullptr; }
    // Takes a copy of the icon (none if it cannot be copied); calls OnChange.
    void Assign(HICON Icon);
    // Takes the icon itself, without copying; calls OnChange.
    void Adopt(HICON Icon);
    void Clear() noexcept;

    std::function<void()> OnChange;

private:
    HICON FHandle = nullptr;
};

class TTrayIcon;

// The hidden window shared by all tray icons of the process: the shell sends
// every icon's notifications to it.
class TTrayIconHandler {
public:
    static HWND Acquire();
    static void Release() noexcept;
    static unsigned References() noexcept;
    static HWND Window() noexcept;

private:
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
};

class TTrayIcon {
public:
    using TNotifyEvent = std::function<void(TTrayIcon& Sender)>;
    using TMouseEvent = std::function<void(TTrayIcon& Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent = std::function<void(TTrayIcon& Sender, TShiftState Shift, int X, int Y)>;
    using TCycleEvent = std::function<void(TTrayIcon& Sender, int NextIndex)>;
    using TStartupEvent = std::function<void(TTrayIcon& Sender, bool& ShowMainForm)>;

    // Owner: the form the icon belongs to, or none for a free-standing icon.
    // With a form, the icon watches its window, and showing and hiding the
    // main window and the start-up question apply.
    explicit TTrayIcon(HWND Owner = nullptr);
    virtual ~TTrayIcon();
    TTrayIcon(const TTrayIcon&) = delete;
    TTrayIcon& operator=(const TTrayIcon&) = delete;

    // Call once the owner has set the stored properties: asks OnStartup
    // whether to show the main window, then applies the icon's state.
    virtual void Loaded();
    // A menu or image list that goes away elsewhere is forgotten.
    void Notification(const void* Removed);

    // ---- properties ----
    bool DesignPreview() const noexcept { return FDesignPreview; }
    void SetDesignPreview(bool Value);
    HIMAGELIST IconList() const noexcept { return FIconList; }
    void SetIconList(HIMAGELIST Value);
    bool CycleIcons() const noexcept { return FCycleIcons; }
    void SetCycleIcons(bool Value);
    UINT CycleInterval() const noexcept { return FCycleInterval; }
    void SetCycleInterval(UINT Value);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    const std::wstring& Hint() const noexcept { return FHint; }
    void SetHint(const std::wstring& Value);
    bool ShowHint() const noexcept { return FShowHint; }
    void SetShowHint(bool Value);
    const TIcon& Icon() const noexcept { return FIcon; }
    void SetIcon(HICON Value);
    bool IconVisible() const noexcept { return FIconVisible; }
    void SetIconVisible(bool Value);
    int IconIndex() const noexcept { return FIconIndex; }
    void SetIconIndex(int Value);
    TPopupMenu* PopupMenu() const noexcept { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* Value) { FPopupMenu = Value; }
    bool LeftPopup() const noexcept { return FLeftPopup; }
    void SetLeftPopup(bool Value) { FLeftPopup = Value; }
    bool WantEnterExitEvents() const noexcept { return FWantEnterExitEvents; }
    void SetWantEnterExitEvents(bool Value);
    bool MinimizeToTray() const noexcept { return FMinimizeToTray; }
    void SetMinimizeToTray(bool Value) { FMinimizeToTray = Value; }

    // ---- events ----
    TNotifyEvent OnClick, OnDblClick, OnMouseEnter, OnMouseExit;
    TMouseEvent OnMouseDown, OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TCycleEvent OnCycle;
    TNotifyEvent OnBalloonHintClick, OnBalloonHintHide, OnBalloonHintTimeout;
    TStartupEvent OnStartup;

    // ---- operations ----
    virtual bool LoadDefaultIcon() { return true; }
    // Each is true if the shell accepted the call.
    virtual bool ShowIcon();
    virtual bool HideIcon();
    virtual bool ModifyIcon();
    bool Refresh() { return ModifyIcon(); }
    bool ShowBalloonHint(const std::wstring& Title, const std::wstring& Text, TBalloonHintIcon IconType,
                         TBalloonHintTimeOut TimeoutSecs);
    bool HideBalloonHint();
    void PopupAtCursor();
    void ShowMainForm();
    void HideMainForm();
    static bool BitmapToIcon(HBITMAP Bitmap, TIcon& Icon, COLORREF MaskColor);
    POINT GetClientIconPos(int X, int Y) const;
    static HWND GetTooltipHandle();
    static bool IsWinNT();

    // What went to the shell last, for whoever needs to see it.
    const NOTIFYICONDATAW& IconData() const noexcept { return FIconData; }
    // Adds the shell refused, for instance a second add of an icon it holds.
    unsigned RefusedAdds() const noexcept { return FRefusedAdds; }
    HWND Owner() const noexcept { return FOwner; }
    // The form, once it is made: the icon shows and hides it from then on.
    void SetOwner(HWND Owner);

    // The registered "TaskbarCreated" message (0 if it could not be registered)
    // and the common controls' version as (major << 16) | minor.
    static UINT TaskbarCreatedMessage();
    static DWORD ShellVersion();

protected:
    virtual void Click();
    virtual void DblClick();
    virtual void CycleIcon();
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseEnter();
    virtual void MouseExit();
    virtual void DoMinimizeToTray();

private:
    friend class TTrayIconHandler;
    static TTrayIcon* FromId(UINT Id) noexcept;
    void HandleNotification(LPARAM Message);
    void HandleMouse(UINT Message, TShiftState Shift, int X, int Y);
    bool InitIcon();
    bool Notify(DWORD Message);
    bool OwnerIsForm() const;
    void IconChanged();
    void CopyListImage(int Index);
    void ClickDefaultItem();
    int NextIconIndex() const;
    void HookAppProc(TMessage& Msg);
    void HookFormProc(TMessage& Msg);
    static void OnCycleTimer(void* Owner);
    static void OnClickTimer(void* Owner);
    static void OnExitTimer(void* Owner);

    HWND FOwner;
    UINT FId = 0;
    bool FDesignPreview = false;
    HIMAGELIST FIconList = nullptr;
    bool FCycleIcons = false;
    UINT FCycleInterval = 0;
    bool FEnabled = true;
    std::wstring FHint;
    bool FShowHint = true;
    TIcon FIcon;
    bool FIconVisible = false;
    bool FInShell = false;  // as far as this icon knows: added and not deleted since
    unsigned FRefusedAdds = 0;
    int FIconIndex = 0;
    TPopupMenu* FPopupMenu = nullptr;
    bool FLeftPopup = false;
    bool FWantEnterExitEvents = false;
    bool FMinimizeToTray = false;

    NOTIFYICONDATAW FIconData{};
    TSimpleTimer FCycleTimer{this, &TTrayIcon::OnCycleTimer};
    TSimpleTimer FClickTimer{this, &TTrayIcon::OnClickTimer};
    TSimpleTimer FExitTimer{this, &TTrayIcon::OnExitTimer};
    bool FClickStart = false;
    bool FClickReady = false;
    bool FDblClicked = false;
    bool FExited = true;
    POINT FLastMovePos{};
    bool FStartup = true;
    bool FPreview = false;
    HWND FFocusedControl = nullptr;  // the form's focused control when it was last deactivated
    TWindowHook FAppHook;
    TWindowHook FFormHook;
};
