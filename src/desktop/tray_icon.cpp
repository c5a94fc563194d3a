#include "desktop/tray_icon.h"

#include <shlwapi.h>

#include <algorithm>
#include <iterator>
#include <unordered_map>

#include "desktop/power_control.h"

namespace {

const wchar_t kHandlerClass[] = L"PlovikTrayIconHandler";
constexpr UINT kTrayFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;  // 7
constexpr DWORD kVersion471 = (4u << 16) | 71u;

HWND GHandlerWindow = nullptr;
unsigned GHandlerReferences = 0;
bool GIsNT4 = false;            // set by every icon when it is loaded
HMODULE GCommonControls = nullptr;  // held only by the user-change toggle

// Icons by the identifier the shell hands back with each notification: an
// address does not fit the record's 32-bit identifier in a 64-bit program.
std::unordered_map<UINT, TTrayIcon*>& Icons() {
    static std::unordered_map<UINT, TTrayIcon*> icons;
    return icons;
}

UINT NewIconId() {
    static UINT last = 0;
    do {
        ++last;
    } while (last == 0 || Icons().count(last) != 0);
    return last;
}

DWORD ReadShellVersion() {
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    if (!comctl) return 0;
    DWORD version = 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(comctl, "DllGetVersion")));
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    if (getVersion && SUCCEEDED(getVersion(&info)))
        version = (info.dwMajorVersion << 16) | (info.dwMinorVersion & 0xFFFF);
    FreeLibrary(comctl);
    return version;
}

// Copies text into a fixed field, cut to fit with room for the terminator;
// a cut never leaves half of a surrogate pair behind.
template <size_t N>
void CopyCut(wchar_t (&field)[N], const std::wstring& text) {
    size_t n = text.size() < N - 1 ? text.size() : N - 1;
    if (n < text.size() && n > 0 && IS_HIGH_SURROGATE(text[n - 1])) --n;
    std::fill(std::begin(field), std::end(field), L'\0');
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), field);
}

bool IconReadable(HICON icon) {
    if (!icon) return false;
    ICONINFO info{};
    if (!GetIconInfo(icon, &info)) return false;
    if (info.hbmMask) DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    return true;
}

bool IsMdiParent(HWND form) { return FindWindowExW(form, nullptr, L"MDIClient", nullptr) != nullptr; }

// Only NT 4 needed the common controls re-initialised when the user changed.
void ToggleCommonControls() {
    if (!GIsNT4) return;
    if (!GCommonControls) {
        GCommonControls = LoadLibraryW(L"comctl32.dll");
        if (!GCommonControls) return;
        using TInit = void(WINAPI*)();
        auto init = reinterpret_cast<TInit>(
            reinterpret_cast<void*>(GetProcAddress(GCommonControls, "InitCommonControls")));
        if (init) init();
    } else {
        FreeLibrary(GCommonControls);
        GCommonControls = nullptr;
    }
}

}  // namespace

TShiftState KeyboardShiftState() {
    TShiftState s = 0;
    if (GetAsyncKeyState(VK_SHIFT) & 0x8000) s |= ssShift;
    if (GetAsyncKeyState(VK_CONTROL) & 0x8000) s |= ssCtrl;
    if (GetAsyncKeyState(VK_MENU) & 0x8000) s |= ssAlt;
    return s;
}

// ---- TIcon -----------------------------------------------------------------

void TIcon::Assign(HICON Icon) { Adopt(Icon ? CopyIcon(Icon) : nullptr); }

void TIcon::Adopt(HICON Icon) {
    if (Icon != FHandle) {
        Clear();
        FHandle = Icon;
    }
    if (OnChange) OnChange();
}

void TIcon::Clear() noexcept {
    if (FHandle) DestroyIcon(FHandle);
    FHandle = nullptr;
}

// ---- TTrayIconHandler ------------------------------------------------------

HWND TTrayIconHandler::Acquire() {
    ++GHandlerReferences;
    if (GHandlerWindow) return GHandlerWindow;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TTrayIconHandler::WndProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kHandlerClass;
    RegisterClassExW(&wc);
    // A hidden top-level window: the shell must be able to reach it.
    GHandlerWindow = CreateWindowExW(WS_EX_TOOLWINDOW, kHandlerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                     nullptr, GetModuleHandleW(nullptr), nullptr);
    return GHandlerWindow;
}

void TTrayIconHandler::Release() noexcept {
    if (GHandlerReferences == 0) return;
    if (--GHandlerReferences > 0) return;
    if (GHandlerWindow) DestroyWindow(GHandlerWindow);
    GHandlerWindow = nullptr;
}

unsigned TTrayIconHandler::References() noexcept { return GHandlerReferences; }

HWND TTrayIconHandler::Window() noexcept { return GHandlerWindow; }

LRESULT CALLBACK TTrayIconHandler::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_TRAYNOTIFY:
            if (TTrayIcon* icon = TTrayIcon::FromId(static_cast<UINT>(wp)))
                Guarded([&] { icon->HandleNotification(lp); });
            return 0;
        // The window lives as long as an icon needs it, whatever anyone asks.
        case WM_DESTROY:
        case WM_CLOSE:
        case WM_QUERYENDSESSION:
        case WM_QUIT:
        case WM_ENDSESSION:
        case WM_NCDESTROY:
            return 1;
        case WM_USERCHANGED:
            ToggleCommonControls();
            return 1;
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

// ---- TTrayIcon: module-wide values -----------------------------------------

DWORD TTrayIcon::ShellVersion() {
    static const DWORD version = ReadShellVersion();
    return version;
}

// Older common controls had no taskbar that announced its re-creation.
UINT TTrayIcon::TaskbarCreatedMessage() {
    static const UINT message = ShellVersion() >= kVersion471 ? RegisterWindowMessageW(L"TaskbarCreated") : 0;
    return message;
}

bool TTrayIcon::IsWinNT() {
    TOsVersion v;
    return ReadOsVersion(v) && v.PlatformId == VER_PLATFORM_WIN32_NT && v.Major <= 4;
}

TTrayIcon* TTrayIcon::FromId(UINT Id) noexcept {
    auto it = Icons().find(Id);
    return it == Icons().end() ? nullptr : it->second;
}

// ---- TTrayIcon: life -------------------------------------------------------

TTrayIcon::TTrayIcon(HWND Owner) : FOwner(Owner) {
    HWND handler = TTrayIconHandler::Acquire();
    // The shell's new taskbar reaches an elevated copy only when it says so.
    if (const UINT taskbarCreated = TaskbarCreatedMessage())
        ChangeWindowMessageFilterEx(Application().Handle(), taskbarCreated, MSGFLT_ALLOW, nullptr);
    FIcon.OnChange = [this] { IconChanged(); };
    FId = NewIconId();
    Icons()[FId] = this;
    FIconData.cbSize = sizeof(FIconData);
    FIconData.hWnd = handler;
    FIconData.uID = FId;
    FIconData.uFlags = kTrayFlags;
    FIconData.uCallbackMessage = WM_TRAYNOTIFY;
    FAppHook.Hook(Application().Handle(), [this](TMessage& m) { HookAppProc(m); });
    if (OwnerIsForm()) FFormHook.Hook(FOwner, [this](TMessage& m) { HookFormProc(m); });
}

TTrayIcon::~TTrayIcon() {
    try {
        SetIconVisible(false);
        FCycleTimer.Stop();
        FClickTimer.Stop();
        FExitTimer.Stop();
        FIcon.OnChange = nullptr;
        FIcon.Clear();
    } catch (...) {
    }
    FFormHook.Unhook();
    FAppHook.Unhook();
    Icons().erase(FId);
    TTrayIconHandler::Release();
}

void TTrayIcon::Loaded() {
    if (OwnerIsForm()) {
        bool show = true;
        if (OnStartup) OnStartup(*this, show);
        if (!show) {
            Application().SetShowMainForm(false);
            HideMainForm();
        }
    }
    ModifyIcon();
    // An icon made visible before loading is in the shell already, and a
    // second add would only be refused.
    if (FIconVisible != FInShell) SetIconVisible(FIconVisible);
    SetCycleIcons(FCycleIcons);
    SetWantEnterExitEvents(FWantEnterExitEvents);
    GIsNT4 = IsWinNT();
}

void TTrayIcon::Notification(const void* Removed) {
    if (!Removed) return;
    if (Removed == FPopupMenu) FPopupMenu = nullptr;
    if (Removed == FIconList) {
        FIconList = nullptr;
        FIconIndex = 0;
    }
}

void TTrayIcon::SetOwner(HWND Owner) {
    FFormHook.Unhook();
    FOwner = Owner;
    if (OwnerIsForm()) FFormHook.Hook(FOwner, [this](TMessage& m) { HookFormProc(m); });
}

bool TTrayIcon::OwnerIsForm() const { return FOwner && IsWindow(FOwner); }

// ---- TTrayIcon: properties -------------------------------------------------

void TTrayIcon::SetDesignPreview(bool Value) { FDesignPreview = Value; }

void TTrayIcon::SetIconList(HIMAGELIST Value) {
    FIconList = Value;
    SetIconIndex(0);
}

void TTrayIcon::SetCycleIcons(bool Value) {
    FCycleIcons = Value;
    if (Value) {
        SetIconIndex(0);
        FCycleTimer.Start(FCycleInterval);
    } else {
        FCycleTimer.Stop();
    }
}

void TTrayIcon::SetCycleInterval(UINT Value) {
    FCycleInterval = Value;
    SetCycleIcons(FCycleIcons);
}

void TTrayIcon::SetHint(const std::wstring& Value) {
    FHint = Value;
    ModifyIcon();
}

void TTrayIcon::SetShowHint(bool Value) {
    FShowHint = Value;
    ModifyIcon();
}

void TTrayIcon::SetIcon(HICON Value) {
    auto notify = std::move(FIcon.OnChange);
    FIcon.Assign(Value);
    FIcon.OnChange = std::move(notify);
    ModifyIcon();
}

void TTrayIcon::SetIconVisible(bool Value) {
    if (Value) {
        ShowIcon();
    } else {
        HideIcon();
    }
}

void TTrayIcon::SetIconIndex(int Value) {
    if (FIconList) {
        const int count = ImageList_GetImageCount(FIconList);
        if (Value >= count) Value = count - 1;
        if (Value < 0) Value = 0;
        FIconIndex = Value;
        auto notify = std::move(FIcon.OnChange);
        CopyListImage(Value);
        FIcon.OnChange = std::move(notify);
    } else {
        FIconIndex = 0;
    }
    ModifyIcon();
}

void TTrayIcon::SetWantEnterExitEvents(bool Value) {
    FWantEnterExitEvents = Value;
    if (Value) {
        FExitTimer.Start(20);
    } else {
        FExitTimer.Stop();
    }
}

void TTrayIcon::CopyListImage(int Index) {
    HICON image = FIconList ? ImageList_GetIcon(FIconList, Index, ILD_NORMAL) : nullptr;
    FIcon.Adopt(image);
}

void TTrayIcon::IconChanged() { ModifyIcon(); }

// ---- TTrayIcon: the shell --------------------------------------------------

bool TTrayIcon::InitIcon() {
    FIconData.hIcon = IconReadable(FIcon.Handle()) ? FIcon.Handle() : nullptr;
    if (!FHint.empty() && FShowHint) {
        CopyCut(FIconData.szTip, FHint);
    } else {
        std::fill(std::begin(FIconData.szTip), std::end(FIconData.szTip), L'\0');
    }
    return true;
}

bool TTrayIcon::Notify(DWORD Message) {
    if (!InitIcon()) return false;
    return Shell_NotifyIconW(Message, &FIconData) != FALSE;
}

bool TTrayIcon::ShowIcon() {
    if (!FPreview) FIconVisible = true;
    const bool added = Notify(NIM_ADD);
    if (added)
        FInShell = true;
    else
        ++FRefusedAdds;
    return added;
}

bool TTrayIcon::HideIcon() {
    if (!FPreview) FIconVisible = false;
    FInShell = false;
    return Notify(NIM_DELETE);
}

bool TTrayIcon::ModifyIcon() { return Notify(NIM_MODIFY); }

bool TTrayIcon::ShowBalloonHint(const std::wstring& Title, const std::wstring& Text, TBalloonHintIcon IconType,
                                TBalloonHintTimeOut TimeoutSecs) {
    HideBalloonHint();
    FIconData.uFlags |= NIF_INFO;
    CopyCut(FIconData.szInfo, Text);
    CopyCut(FIconData.szInfoTitle, Title);
    FIconData.uTimeout = static_cast<UINT>(static_cast<long long>(TimeoutSecs) * 1000);
    FIconData.dwInfoFlags = static_cast<DWORD>(IconType);  // bitNone..bitError are NIIF_NONE..NIIF_ERROR
    const bool shown = ModifyIcon();
    FIconData.uFlags = kTrayFlags;
    return shown;
}

// NIF_INFO stays set until the next balloon is shown, so changes in between
// also carry the empty balloon text.
bool TTrayIcon::HideBalloonHint() {
    FIconData.uFlags |= NIF_INFO;
    FIconData.szInfo[0] = L'\0';
    return ModifyIcon();
}

// ---- TTrayIcon: notifications ----------------------------------------------

void TTrayIcon::HandleNotification(LPARAM Message) {
    const UINT msg = static_cast<UINT>(LOWORD(Message));
    switch (msg) {
        case NIN_BALLOONHIDE:
            if (OnBalloonHintHide) OnBalloonHintHide(*this);
            return;
        case NIN_BALLOONTIMEOUT:
            if (OnBalloonHintTimeout) OnBalloonHintTimeout(*this);
            return;
        case NIN_BALLOONUSERCLICK:
            if (OnBalloonHintClick) OnBalloonHintClick(*this);
            return;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            break;
        default:
            return;
    }
    if (!FEnabled) return;
    POINT pt{};
    GetCursorPos(&pt);
    HandleMouse(msg, KeyboardShiftState(), pt.x, pt.y);
}

void TTrayIcon::HandleMouse(UINT Message, TShiftState Shift, int X, int Y) {
    switch (Message) {
        case WM_MOUSEMOVE:
            if (FWantEnterExitEvents && FExited) {
                MouseEnter();
                FExited = false;
            }
            MouseMove(Shift, X, Y);
            FLastMovePos = {X, Y};
            break;
        case WM_LBUTTONDOWN:
            if (OnDblClick) FClickTimer.Start(GetDoubleClickTime());
            MouseDown(mbLeft, Shift | ssLeft, X, Y);
            FClickStart = true;
            if (FLeftPopup) PopupAtCursor();
            break;
        case WM_LBUTTONUP:
            if (FClickStart) FClickReady = true;
            if (FClickStart && !FClickTimer.Active()) {
                FClickStart = false;
                FClickReady = false;
                Click();
            }
            FClickStart = false;
            MouseUp(mbLeft, Shift | ssLeft, X, Y);
            break;
        case WM_LBUTTONDBLCLK:
            FClickReady = false;
            FDblClicked = true;
            DblClick();
            ClickDefaultItem();
            break;
        case WM_RBUTTONDOWN:
            MouseDown(mbRight, Shift | ssRight, X, Y);
            PopupAtCursor();
            break;
        case WM_RBUTTONUP:
            MouseUp(mbRight, Shift | ssRight, X, Y);
            break;
        case WM_MBUTTONDOWN:
            MouseDown(mbMiddle, Shift | ssMiddle, X, Y);
            break;
        case WM_MBUTTONUP:
            MouseUp(mbMiddle, Shift | ssMiddle, X, Y);
            break;
        default:
            break;
    }
}

void TTrayIcon::ClickDefaultItem() {
    if (!FPopupMenu || !FPopupMenu->AutoPopup || FLeftPopup) return;
    if (TMenuItem* item = FPopupMenu->DefaultItem()) item->Click();
}

// A double click cancels the pending single click; without an OnDblClick
// handler the click was reported at once on the button-up.
void TTrayIcon::OnClickTimer(void* Owner) {
    auto* self = static_cast<TTrayIcon*>(Owner);
    self->FClickTimer.Stop();
    if (!self->FDblClicked && self->FClickReady) {
        self->FClickReady = false;
        self->Click();
    }
    self->FDblClicked = false;
}

// The shell reports no leaving of the icon: a cursor that has moved since the
// last notification has left it.
void TTrayIcon::OnExitTimer(void* Owner) {
    auto* self = static_cast<TTrayIcon*>(Owner);
    if (self->FExited) return;
    POINT pt{};
    if (!GetCursorPos(&pt)) return;
    if (pt.x == self->FLastMovePos.x && pt.y == self->FLastMovePos.y) return;
    self->FExited = true;
    self->MouseExit();
}

int TTrayIcon::NextIconIndex() const {
    if (!FIconList) return 0;
    return FIconIndex < ImageList_GetImageCount(FIconList) - 1 ? FIconIndex + 1 : 0;
}

void TTrayIcon::OnCycleTimer(void* Owner) {
    auto* self = static_cast<TTrayIcon*>(Owner);
    if (!self->FIconList) return;
    self->CopyListImage(self->FIconIndex);
    const int next = self->NextIconIndex();
    self->CycleIcon();
    self->SetIconIndex(next);
}

void TTrayIcon::Click() {
    if (OnClick) OnClick(*this);
}
void TTrayIcon::DblClick() {
    if (OnDblClick) OnDblClick(*this);
}
void TTrayIcon::CycleIcon() {
    if (OnCycle) OnCycle(*this, NextIconIndex());
}
void TTrayIcon::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(*this, Button, Shift, X, Y);
}
void TTrayIcon::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(*this, Button, Shift, X, Y);
}
void TTrayIcon::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(*this, Shift, X, Y);
}
void TTrayIcon::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(*this);
}
void TTrayIcon::MouseExit() {
    if (OnMouseExit) OnMouseExit(*this);
}
void TTrayIcon::DoMinimizeToTray() { HideMainForm(); }

// ---- TTrayIcon: menu and main window ---------------------------------------

// The owner must be in the foreground or the menu does not close when the
// user clicks elsewhere; WM_NULL afterwards lets a second click work at once.
void TTrayIcon::PopupAtCursor() {
    if (!FPopupMenu || !FPopupMenu->AutoPopup) return;
    POINT pt{};
    if (!GetCursorPos(&pt)) return;
    HWND app = Application().Handle();
    SetForegroundWindow(app);
    Application().ProcessMessages();
    FPopupMenu->PopupComponent = this;
    FPopupMenu->Popup(pt.x, pt.y, app);
    if (OwnerIsForm()) PostMessageW(FOwner, WM_NULL, 0, 0);
}

void TTrayIcon::ShowMainForm() {
    HWND form = Application().MainForm();
    if (!OwnerIsForm() || !form) return;
    HWND app = Application().Handle();
    ShowWindow(app, SW_RESTORE);
    ShowWindow(form, SW_SHOW);
    if (IsIconic(form)) ShowWindow(form, SW_RESTORE);
    SetForegroundWindow(app);
}

void TTrayIcon::HideMainForm() {
    HWND form = Application().MainForm();
    if (!OwnerIsForm() || !form) return;
    ShowWindow(form, SW_HIDE);
    ShowWindow(Application().Handle(), SW_HIDE);
}

// ---- TTrayIcon: hooks ------------------------------------------------------

void TTrayIcon::HookAppProc(TMessage& Msg) {
    if (Msg.Msg == WM_SIZE && Msg.WParam == SIZE_MINIMIZED && FMinimizeToTray) {
        DoMinimizeToTray();
        SetIconVisible(true);
    }
    if (Msg.Msg == WM_WINDOWPOSCHANGED && FStartup && Application().MainForm()) {
        HWND form = Application().MainForm();
        if (IsMdiParent(form)) {
            bool show = true;
            if (OnStartup) OnStartup(*this, show);
            if (!show) ShowWindow(Application().Handle(), SW_HIDE);
        }
        FStartup = false;
    }
    const UINT taskbarCreated = TaskbarCreatedMessage();
    if (taskbarCreated != 0 && Msg.Msg == taskbarCreated && FIconVisible) ShowIcon();
}

void TTrayIcon::HookFormProc(TMessage& Msg) {
    if (Msg.Msg == WM_ACTIVATE) {
        const WORD state = LOWORD(Msg.WParam);
        if (state == WA_INACTIVE) {
            HWND focus = GetFocus();
            FFocusedControl = focus && IsChild(FOwner, focus) ? focus : nullptr;
        } else if (FFocusedControl && IsWindow(FFocusedControl)) {
            HWND parent = GetParent(FFocusedControl);
            HWND compare = parent ? parent : FFocusedControl;
            if (reinterpret_cast<HWND>(Msg.LParam) != compare) SetFocus(FFocusedControl);
        }
    }
    if (Msg.Msg == WM_SHOWWINDOW && Msg.WParam == 1 && Msg.LParam == 0) {
        HWND app = Application().Handle();
        ShowWindow(app, SW_RESTORE);
        SetForegroundWindow(app);
        SetForegroundWindow(FOwner);
    }
}

// ---- TTrayIcon: helpers ----------------------------------------------------

bool TTrayIcon::BitmapToIcon(HBITMAP Bitmap, TIcon& Icon, COLORREF MaskColor) {
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 0);
    if (!list) return true;
    ImageList_AddMasked(list, Bitmap, MaskColor);
    Icon.Adopt(ImageList_GetIcon(list, 0, ILD_NORMAL));
    ImageList_Destroy(list);
    return true;
}

// The position of a screen point within the icon's cell of the tray.
POINT TTrayIcon::GetClientIconPos(int X, int Y) const {
    const int h = GetSystemMetrics(SM_CYCAPTION) - 3;
    POINT p{X, Y};
    if (HWND under = WindowFromPoint(p)) ScreenToClient(under, &p);
    return {(p.x % (h + 2)) - 1, (p.y % (h + 2)) - 1};
}

// The shell's tool-tip window for tray icons: the first tool-tip window of the
// task bar's process that keeps prefixes.
HWND TTrayIcon::GetTooltipHandle() {
    HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr);
    if (!tray) return nullptr;
    DWORD trayProcess = 0;
    GetWindowThreadProcessId(tray, &trayProcess);
    HWND wnd = nullptr;
    while ((wnd = FindWindowExW(nullptr, wnd, TOOLTIPS_CLASSW, nullptr)) != nullptr) {
        DWORD process = 0;
        GetWindowThreadProcessId(wnd, &process);
        if (process == trayProcess && !(GetWindowLongPtrW(wnd, GWL_STYLE) & TTS_NOPREFIX)) return wnd;
    }
    return nullptr;
}
