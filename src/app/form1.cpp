#include "app/form1.h"

#include <commctrl.h>

#include <algorithm>

#include "app/hotkey_field.h"
#include "app/settings_registry.h"
#include "app/version.h"

const wchar_t kApplicationTitle[] = L"(Merrowind) Plovik v" PLOVIK_VERSION_WIDE;
const wchar_t kProgramName[] = L"Plovik v" PLOVIK_VERSION_WIDE;
const wchar_t kTrayHint[] = L"Merrowind Plovik v" PLOVIK_VERSION_WIDE;

const wchar_t kSettingsKey[] = L"Software\\Merrowind\\MRWPLOVIK";
const wchar_t kLanguageValue[] = L"Language";
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

const std::array<TActionInfo, kActionCount> kActions = {{
    {TTextId::Action1, L"WaON", 0, 0},
    {TTextId::Action2, L"WaOFF", 0, 1},
    {TTextId::Action3, L"WaMinMax", 0, 2},
    {TTextId::Action4, L"ExitAll", 0, 3},
    {TTextId::Action5, L"PlovikOnOff", 0, 4},
    {TTextId::Action6, L"Play", 1, 0},
    {TTextId::Action7, L"Pause", 1, 1},
    {TTextId::Action8, L"Stop", 1, 2},
    {TTextId::Action9, L"PlayPrev", 1, 3},
    {TTextId::Action10, L"PlayNext", 1, 4},
    {TTextId::Action11, L"VolUp", 1, 5},
    {TTextId::Action12, L"VolDown", 1, 6},
    {TTextId::Action13, L"FF", 1, 7},
    {TTextId::Action14, L"Rew", 1, 8},
    {TTextId::Action15, L"WaAbout", 1, 9},
    {TTextId::Action16, L"ShuffleOnOff", 2, 0},
    {TTextId::Action17, L"RepeatOnOff", 2, 1},
    {TTextId::Action18, L"ShowPL", 2, 2},
    {TTextId::Action19, L"WaSet", 2, 3},
    {TTextId::Action20, L"ShowBR", 2, 4},
    {TTextId::Action21, L"ShowMW", 2, 5},
    {TTextId::Action22, L"ShowEQ", 2, 6},
    {TTextId::Action23, L"StartVis", 2, 7},
    {TTextId::Action24, L"TagSet", 2, 8},
    {TTextId::Action25, L"VisSet", 2, 9},
    {TTextId::Action26, L"OpenFile", 3, 0},
    {TTextId::Action27, L"GoToFile", 3, 1},
    {TTextId::Action28, L"FileInfo", 3, 2},
    {TTextId::Action29, L"FCopy", 3, 3},
    {TTextId::Action30, L"FMove", 3, 4},
    {TTextId::Action31, L"FDel", 3, 5},
    {TTextId::Action32, L"ChDir", 3, 6},
    {TTextId::Action33, L"PlayPause", 1, 10},
}};

const std::array<TOptionInfo, 11> kOptions = {{
    {2, L"AutoLoadPr", 0, TTextId::OptionAutoStart},
    {3, L"AutoLoadPr&Wa", 1, TTextId::OptionStartPlayer},
    {4, L"VolMaxOnLoadWa", 2, TTextId::OptionFullVolume},
    {6, L"FadeOut", 4, TTextId::OptionFadeOut},
    {7, L"MinOnSaveSet", 5, TTextId::OptionHideOnSave},
    {8, L"AutoHint", 6, TTextId::OptionTrackHint},
    {9, L"HintOnComplete", 7, TTextId::OptionSuccessHint},
    {10, L"AskOnExit", 8, TTextId::OptionAskOnExit},
    // The stored names are crossed with the captions; stored settings rely on it.
    {12, L"AskOnDel", 9, TTextId::OptionAskOnMove},
    {5, L"AskOnMove", 3, TTextId::OptionAskOnDelete},
    {13, L"AutoPlay", 10, TTextId::OptionAutoPlay},
}};

const std::array<TOptionInfo, 1> kLaterOptions = {{
    // On: the delete key and a replaced file go to the Recycle Bin.
    {14, L"DelToRecycle", 11, TTextId::OptionRecycle, true},
}};

const std::array<TAlarmActionInfo, 5> kAlarmActions = {{
    {1, L"RadWaOn", TTextId::AlarmStartPlayer},
    {4, L"RadPowOff", TTextId::AlarmPowerOff},
    {2, L"RadWaOff", TTextId::AlarmClosePlayer},
    {3, L"RadLogOff", TTextId::AlarmLogOff},
    {5, L"RadVolMax", TTextId::AlarmFullVolume},
}};

namespace {

const wchar_t kFormClass[] = L"TForm1";
const wchar_t kPageClass[] = L"TPlovikPage";
const TTextId kTabCaptions[] = {TTextId::TabApplication, TTextId::TabMain, TTextId::TabExtra, TTextId::TabFiles,
                                TTextId::TabOptions};
constexpr int kClientWidth = 458, kClientHeight = 401;

enum : int {
    kIdHotKeyBase = 1000,   // + N
    kIdCheckBoxBase = 1100, // + N
    kIdRadioBase = 1200,    // + N
    kIdButton1 = 1301,
    kIdButton2,
    kIdButton3,
    kIdButton4,
    kIdPageControl = 1400,
};

const COLORREF kLime = RGB(0, 255, 0);

UINT WindowDpi(HWND wnd) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpi && wnd) {
        const UINT dpi = getDpi(wnd);
        if (dpi) return dpi;
    }
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_TAB_CLASSES | ICC_HOTKEY_CLASS | ICC_DATE_CLASSES |
                                              ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpfnWndProc = &DefWindowProcW;
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
    wc.lpszClassName = kPageClass;
    wc.hIcon = nullptr;
    RegisterClassExW(&wc);
}

}  // namespace

// ---- construction --------------------------------------------------------------

TForm1::TForm1() {
    // Every window starts in the program's own language; the settings may
    // choose another once they are loaded.
    SetCurrentLanguage(kLanguages[0].Language);
    using THandler = void (TForm1::*)(TShortCut, WORD);
#define PLOVIK_HANDLER_ADDRESS(N) &TForm1::HotKeyManager##N##HotKeyPressed,
    static const THandler kHandlers[kActionCount] = {PLOVIK_FOR_EACH_ACTION(PLOVIK_HANDLER_ADDRESS)};
#undef PLOVIK_HANDLER_ADDRESS
    for (int n = 1; n <= kActionCount; ++n) {
        const THandler h = kHandlers[n - 1];
        HotKeyManager[n].NoRepeat = !RepeatsWhileHeld(n);
        HotKeyManager[n].OnHotKeyPressed = [this, h, n](TShortCut hk, WORD idx) {
            if (RepeatsWhileHeld(n) || KeyRepeatGuard.FirstOfPress(n, hk)) (this->*h)(hk, idx);
        };
    }
    AboutBoxFn = [](HWND owner, const std::wstring& app, const std::wstring& other, HICON icon) {
        ShellAboutW(owner, app.c_str(), other.c_str(), icon);
    };
    // The power control's designed state; the alarm sets its own values.
    ShutH1.OperatingSystem = shWinNT;
    ShutH1.Options = shoReboot;
    ShutH1.AllowForce = true;
    wCtrl.OnTrackChange = [this](TWinAmpCtr&) { wCtrlTrackChange(); };
    CreateWindowAndControls();
    Application().SetMainForm(FHandle);
    Application().OnEndRequest = [this] { EndSession(); };
    CreateTray();
    CreateFolderDialog();
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetInterval(100);
    UpdateClockTimer();  // the window starts hidden
    AlarmTimer.OnTimer = [this] { AlarmTimerTimer(); };
    Timer2.OnTimer = [this] { Timer2Timer(); };
    Timer2.SetInterval(2000);
    Application().OnPreTranslate = [this](MSG& m) { return PreTranslateMessage(m); };
    FormCreate();
    FStartedUp = true;
}

TForm1::~TForm1() {
    FDestroying = true;
    Application().OnPreTranslate = nullptr;
    // Last created, first destroyed: the tray icon leaves the tray, then the
    // window goes with its controls.
    BrowsFldr.reset();
    TrayIcon.reset();
    HTime1.reset();
    XPGroupBox2.reset();
    XPGroupBox4.reset();
    XPGroupBox1.reset();
    Application().SetMainForm(nullptr);
    Application().OnEndRequest = nullptr;
    if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
    if (FFont) DeleteObject(FFont);
    if (FPanelBrush) DeleteObject(FPanelBrush);
}

void TForm1::CreateWindowAndControls() {
    RegisterClasses();
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    FHandle = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, kProgramName, style, 261, 138, kClientWidth,
                              kClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FHandle, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(FHandle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::StaticWndProc));
    FDpi = WindowDpi(FHandle);
    FPanelBrush = CreateSolidBrush(RGB(0, 0, 0));
    MakeFont();
    SizeFrame();

    // Every control is born at its place with its font: moving a hundred
    // controls afterwards costs a noticeable part of the start-up.
    CreatePages();
    CreateActionFields();
    CreateHotKeyMarks();
    CreateAlarmControls();
    CreateFileControls();
    CreateOptionControls();
    CreateButtons();
    FitPages();
    ShowPage(0);
}

int TForm1::Scale(int v) const { return MulDiv(v, static_cast<int>(FDpi), 96); }

RECT TForm1::Scaled(const RECT& design) const {
    return RECT{Scale(design.left), Scale(design.top), Scale(design.right), Scale(design.bottom)};
}

// Records the control's designed place for a change of DPI and gives it the
// form's font; a control not made at its place is moved there.
HWND TForm1::Place(HWND wnd, int x, int y, int w, int h, bool move) {
    const RECT design{x, y, x + w, y + h};
    FPlaced.push_back({wnd, design});
    if (move) MoveTo(wnd, design);
    SendMessageW(wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    return wnd;
}

void TForm1::MoveTo(HWND wnd, const RECT& design) const {
    const RECT r = Scaled(design);
    SetWindowPos(wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

std::unique_ptr<TXPGroupBox> TForm1::AddGroup(HWND parent, TTextId caption, int x, int y, int w, int h) {
    auto group = std::make_unique<TXPGroupBox>();
    group->Create(parent, Scaled(RECT{x, y, x + w, y + h}), Text(caption));
    Place(group->Handle(), x, y, w, h);
    return group;
}

HWND TForm1::AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
                        int h, int id, DWORD exStyle) {
    const RECT r = Scaled(RECT{x, y, x + w, y + h});
    HWND c = CreateWindowExW(exStyle, cls, text, WS_CHILD | WS_VISIBLE | style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                             GetModuleHandleW(nullptr), nullptr);
    return Place(c, x, y, w, h);
}

HWND TForm1::AddControl(HWND parent, const wchar_t* cls, TTextId text, DWORD style, int x, int y, int w, int h,
                        int id) {
    HWND c = AddControl(parent, cls, Text(text), style, x, y, w, h, id);
    FTexted.push_back({c, text});
    return c;
}

void TForm1::CreatePages() {
    PageControl = AddControl(FHandle, WC_TABCONTROLW, L"", WS_TABSTOP | WS_CLIPSIBLINGS, 17, 9, 425, 288,
                             kIdPageControl);
    for (int i = 0; i < 5; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(Text(kTabCaptions[i]));
        SendMessageW(PageControl, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
        Pages[i] = CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                                   FHandle, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetWindowLongPtrW(Pages[i], GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TForm1::PageProc));
    }
}

void TForm1::CreateActionFields() {
    // Actions 29-32 stand in the file operations group box of their tab.
    XPGroupBox2 = AddGroup(Pages[3], TTextId::FileGroup, 8, 88, 401, 164);
    for (int n = 1; n <= kActionCount; ++n) {
        const TActionInfo& a = kActions[n - 1];
        const bool inFileGroup = n >= 29 && n <= 32;
        HWND parent = inFileGroup ? XPGroupBox2->Handle() : Pages[a.Tab];
        const int k = inFileGroup ? n - 29 : a.Row;
        int labelX = inFileGroup ? 8 : 16, labelY = inFileGroup ? 24 + 24 * k : 16 + 24 * k;
        int fieldX = inFileGroup ? 232 : 240, fieldY = inFileGroup ? 16 + 24 * k : 8 + 24 * k, fieldH = 19;
        if (n == kPlayPauseAction) {
            // The designed rows of "Основное" end 20 pixels above the page's
            // bottom (263 at 96 dpi): a row of the usual pitch would be cut
            // off, so this one follows closer and its field is as high as
            // its text needs, in the same column as the others.
            labelY = 247;
            fieldY = 245;
            fieldH = 17;
        }
        AddControl(parent, L"STATIC", a.Label, SS_LEFT | SS_NOPREFIX, labelX, labelY, 215, 14);
        HotKey[n] = Place(CreateHotKeyField(parent, kIdHotKeyBase + n, Scaled(RECT{fieldX, fieldY, fieldX + 121,
                                                                                 fieldY + fieldH})),
                          fieldX, fieldY, 121, fieldH);
    }
}

// The clock and the alarm stand in the " Таймер " box below the tab's
// five hot-key rows.
void TForm1::CreateAlarmControls() {
    XPGroupBox1 = AddGroup(Pages[0], TTextId::TimerGroup, 8, 126, 401, 130);
    HWND group = XPGroupBox1->Handle();
    AddControl(group, L"STATIC", TTextId::CurrentTime, SS_LEFT, 8, 26, 90, 14);
    Panel1 = AddControl(group, L"STATIC", L"00:00:00", SS_CENTER | SS_CENTERIMAGE | WS_BORDER, 104, 22, 97, 21);
    Panel2 = AddControl(group, L"STATIC", Text(TTextId::StatusAtStart), SS_CENTER | SS_CENTERIMAGE | WS_BORDER, 8, 50,
                        193, 21);
    CheckBox[1] = AddControl(group, L"BUTTON", TTextId::AlarmBox, BS_AUTOCHECKBOX | WS_TABSTOP, 8, 86, 72, 17,
                             kIdCheckBoxBase + 1);
    HTime1 = std::make_unique<THTime>(group);
    HTime1->SetTime(0.0);
    HTime1->SetEnabled(false);
    Place(HTime1->Handle(), 88, 84, 73, 21, true);
    HTime1->ScalePicker(FDpi);
    XPGroupBox4 = AddGroup(group, TTextId::AlarmGroup, 210, 14, 183, 110);
    for (int i = 0; i < 5; ++i) {
        // On screen the actions stand in the order of their buttons' numbers.
        const int n = i + 1;
        TTextId caption = TTextId::AlarmStartPlayer;
        for (const auto& a : kAlarmActions)
            if (a.RadioButton == n) caption = a.Caption;
        RadioButton[n] = AddControl(XPGroupBox4->Handle(), L"BUTTON", caption,
                                    BS_RADIOBUTTON | (n == 1 ? WS_GROUP : 0), 10, 18 + 18 * i, 166, 17,
                                    kIdRadioBase + n);
    }
    SetRadio(1, true);
    // Disarmed: the group is off, and every action carries the mark that
    // turns it on again with the group.
    XPGroupBox4->SetEnabled(false);
}

void TForm1::CreateFileControls() {
    HWND group = XPGroupBox2->Handle();
    Edit1 = AddControl(group, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, 8, 118, 217, 21, 0,
                       WS_EX_CLIENTEDGE);
    Button3 = AddControl(group, L"BUTTON", TTextId::ChooseFolderButton, BS_PUSHBUTTON | WS_TABSTOP, 232, 116, 121, 25,
                         kIdButton3);
}

// The options stand on the tab itself, one row of 16 pixels each.
void TForm1::CreateOptionControls() {
    const auto addOption = [this](const TOptionInfo& o) {
        CheckBox[o.CheckBox] = AddControl(Pages[4], L"BUTTON", o.Caption, BS_AUTOCHECKBOX | WS_TABSTOP, 22,
                                          33 + 16 * o.Row, 370, 16, kIdCheckBoxBase + o.CheckBox);
    };
    for (const TOptionInfo& o : kOptions) addOption(o);
    for (const TOptionInfo& o : kLaterOptions) addOption(o);
    SetDesignedLaterOptions();
}

void TForm1::CreateButtons() {
    Button4 = AddControl(FHandle, L"BUTTON", TTextId::ExitButton, BS_PUSHBUTTON | WS_TABSTOP, 29, 309, 129, 33,
                         kIdButton4);
    Button1 = AddControl(FHandle, L"BUTTON", TTextId::ResetButton, BS_PUSHBUTTON | WS_TABSTOP, 165, 309, 129, 33,
                         kIdButton1);
    Button2 = AddControl(FHandle, L"BUTTON", TTextId::SaveButton, BS_PUSHBUTTON | WS_TABSTOP, 301, 309, 129, 33,
                         kIdButton2);
}

// Positions are designed at 96 dpi; everything is scaled for the monitor.
// The caller deletes the font this one replaces, once nothing uses it.
HFONT TForm1::MakeFont() {
    HFONT old = FFont;
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    LOGFONTW lf = ncm.lfMessageFont;
    lf.lfHeight = -MulDiv(8, static_cast<int>(FDpi), 72);
    FFont = CreateFontIndirectW(&lf);
    return old;
}

// The frame of a window on a monitor of another DPI than the system's has
// that monitor's caption and borders (Windows 10 1607 and later).
void TForm1::SizeFrame() {
    using TAdjustForDpi = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = reinterpret_cast<TAdjustForDpi>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT frame{0, 0, Scale(kClientWidth), Scale(kClientHeight)};
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrW(FHandle, GWL_EXSTYLE));
    if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, FDpi))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    SetWindowPos(FHandle, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The pages fill the display area of the tabs.
void TForm1::FitPages() {
    RECT area;
    GetWindowRect(PageControl, &area);
    MapWindowPoints(nullptr, FHandle, reinterpret_cast<POINT*>(&area), 2);
    TabCtrl_AdjustRect(PageControl, FALSE, &area);
    for (HWND page : Pages)
        SetWindowPos(page, HWND_TOP, area.left, area.top, area.right - area.left, area.bottom - area.top,
                     SWP_NOACTIVATE);
}

// After a change of DPI: new font, every control to its scaled place.
void TForm1::ApplyLayout() {
    HFONT old = MakeFont();
    SizeFrame();
    for (const TPlaced& p : FPlaced) {
        MoveTo(p.Wnd, p.Design);
        SendMessageW(p.Wnd, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    }
    HTime1->ScalePicker(FDpi);
    FitPages();
    if (old) DeleteObject(old);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TForm1::ShowPage(int index) {
    SendMessageW(PageControl, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < 5; ++i) ShowWindow(Pages[i], i == index ? SW_SHOW : SW_HIDE);
}

// ---- keyboard ----------------------------------------------------------------------

namespace {
UINT DialogCode(HWND wnd, MSG* msg = nullptr) {
    return wnd ? static_cast<UINT>(SendMessageW(wnd, WM_GETDLGCODE, msg ? msg->wParam : 0,
                                                reinterpret_cast<LPARAM>(msg)))
               : 0;
}
}  // namespace

bool TForm1::PreTranslateMessage(MSG& Msg) {
    if (Msg.message != WM_KEYDOWN || !FHandle) return false;
    if (Msg.hwnd != FHandle && !IsChild(FHandle, Msg.hwnd)) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    HWND focus = GetFocus();
    switch (Msg.wParam) {
        case VK_TAB: {
            if (ctrl) {
                const int current = static_cast<int>(SendMessageW(PageControl, TCM_GETCURSEL, 0, 0));
                const int next = (current + (shift ? 4 : 1)) % 5;
                ShowPage(next);
                // A focus left on the hidden tab would take the typing there.
                if (focus && !IsWindowVisible(focus))
                    if (HWND first = GetNextDlgTabItem(Pages[next], nullptr, FALSE)) SetFocus(first);
                return true;
            }
            if (DialogCode(focus, &Msg) & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
            MoveFocus(shift);
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            return MoveAmongRadios(focus, Msg.wParam == VK_LEFT || Msg.wParam == VK_UP);
        case VK_RETURN:
            if (!(DialogCode(focus, &Msg) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        default:
            return false;
    }
}

// Within the shown tab, the window's own controls and its buttons; hidden
// tabs and disabled controls are passed over.
void TForm1::MoveFocus(bool back) {
    HWND focus = GetFocus();
    HWND next = GetNextDlgTabItem(FHandle, focus && IsChild(FHandle, focus) ? focus : nullptr, back);
    if (!next) return;
    SetFocus(next);
    if (DialogCode(next) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
}

// The alarm's actions in their on-screen order, round; moving selects.
bool TForm1::MoveAmongRadios(HWND focus, bool back) {
    int at = 0;
    for (int n = 1; n <= 5; ++n)
        if (RadioButton[n] == focus) at = n;
    if (at == 0) return false;
    for (int step = 1; step < 5; ++step) {
        const int n = (at - 1 + (back ? 5 - step : step)) % 5 + 1;
        if (!IsWindowEnabled(RadioButton[n])) continue;
        SetFocus(RadioButton[n]);
        SetRadio(n, true);
        break;
    }
    return true;
}

void TForm1::Activate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(FHandle, focus)) FFocus = focus;
        return;
    }
    if (!HIWORD(state)) RestoreFocus();  // not while minimised
}

// The window itself takes no typing: the focus goes back to the control
// that had it, or to the first control of the shown tab.
void TForm1::RestoreFocus() {
    if (FFocus && IsWindow(FFocus) && IsChild(FHandle, FFocus) && IsWindowVisible(FFocus) &&
        IsWindowEnabled(FFocus)) {
        SetFocus(FFocus);
        return;
    }
    if (HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE)) SetFocus(first);
}

// ---- control state ---------------------------------------------------------------

bool TForm1::Checked(HWND box) const { return SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED; }

void TForm1::SetChecked(HWND box, bool on) {
    if (Checked(box) == on) return;
    SendMessageW(box, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    // A change made in code runs the box's click handler like a user's click.
    OnCommand(GetDlgCtrlID(box), BN_CLICKED);
}

void TForm1::SetRadio(int n, bool on) {
    if (on)
        for (int i = 1; i <= 5; ++i) SendMessageW(RadioButton[i], BM_SETCHECK, i == n ? BST_CHECKED : BST_UNCHECKED, 0);
    else
        SendMessageW(RadioButton[n], BM_SETCHECK, BST_UNCHECKED, 0);
    // Tab stops at the selected action (the first when none is), the
    // arrows do the rest.
    int stop = 1;
    for (int i = 1; i <= 5; ++i)
        if (Checked(RadioButton[i])) stop = i;
    for (int i = 1; i <= 5; ++i) {
        const LONG_PTR style = GetWindowLongPtrW(RadioButton[i], GWL_STYLE);
        SetWindowLongPtrW(RadioButton[i], GWL_STYLE, i == stop ? style | WS_TABSTOP : style & ~LONG_PTR{WS_TABSTOP});
    }
}

// ---- messages --------------------------------------------------------------------

LRESULT CALLBACK TForm1::StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    LRESULT result = 0;
    bool handled = false;
    Guarded([&] {
        result = self->WndProc(msg, wp, lp);
        handled = true;
    });
    return handled ? result : DefWindowProcW(wnd, msg, wp, lp);
}

// Pages hand their children's notifications to the form.
LRESULT CALLBACK TForm1::PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetParent(wnd), msg, wp, lp);
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->hwndFrom == PageControl && hdr->code == TCN_SELCHANGE)
                ShowPage(static_cast<int>(SendMessageW(PageControl, TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HWND c = reinterpret_cast<HWND>(lp);
            if (c == Panel1 || c == Panel2 || c == Edit1) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, kLime);
                SetBkColor(dc, RGB(0, 0, 0));
                return reinterpret_cast<LRESULT>(FPanelBrush);
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        }
        case WM_DPICHANGED: {
            FDpi = HIWORD(wp);
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(FHandle, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyLayout();
            return 0;
        }
        case WM_ACTIVATE:
            // Not the default handling: it gives the focus to the window
            // itself, and the control that had it would lose it.
            Activate(wp);
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_CLOSE:
            // Never the default handling: it would destroy the window and
            // leave the program in the tray without its controls.
            Guarded([this] { Close(); });
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) EndSession();
            return 0;
        case WM_DESTROY:
            // Whoever destroys the window ends the program: nothing may run
            // on without the controls that hold the settings.
            if (!FDestroying && !FClosed) {
                FClosed = true;
                Application().Terminate();
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        case WM_SHOWWINDOW:
        case WM_WINDOWPOSCHANGED: {
            const LRESULT result = DefWindowProcW(FHandle, msg, wp, lp);
            UpdateClockTimer();
            return result;
        }
        case WM_SYSCOMMAND:
            // Minimising the window minimises the application, which the
            // tray icon turns into hiding the window to the tray.
            if ((wp & 0xFFF0) == SC_MINIMIZE) {
                ShowWindow(Application().Handle(), SW_MINIMIZE);
                return 0;
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        default:
            return DefWindowProcW(FHandle, msg, wp, lp);
    }
}

void TForm1::OnCommand(int id, int code) {
    if (code != BN_CLICKED) return;
    if (id >= kIdRadioBase + 1 && id <= kIdRadioBase + 5) {
        SetRadio(id - kIdRadioBase, true);
        return;
    }
    switch (id) {
        case kIdButton1: Button1Click(); break;
        case kIdButton2: Button2Click(); break;
        case kIdButton4: Button4Click(); break;
        case kIdButton3: Button3Click(); break;
        case kIdCheckBoxBase + 1: CheckBox1Click(); break;
        default: break;
    }
}

void TForm1::CreateFolderDialog() {
    BrowsFldr = std::make_unique<TOskFolderDialog>(FHandle);
    BrowsFldr->Flags = {TBrowseInfoFlags::ShowPath, TBrowseInfoFlags::NewDialogStyle, TBrowseInfoFlags::ShowShared};
    ApplyDialogTexts();
}

// The dialogs take their texts when they open; the folder dialog's own
// captions follow the system's language in Russian, as they always have, and
// are English in English.
void TForm1::ApplyDialogTexts() {
    OpenDialog1.Title = Text(TTextId::LocatePlayerTitle);
    OpenDialog1.Filter = Text(TTextId::LocatePlayerFilter);
    if (!BrowsFldr) return;
    static const std::wstring kSystemLanguageKey = [] {
        wchar_t key[8]{};
        wsprintfW(key, L"%04X", static_cast<unsigned>(GetSystemDefaultLangID()));
        return std::wstring(key);
    }();
    const bool english = CurrentLanguage() == TLanguage::English;
    BrowsFldr->SetLanguageKey(english ? L"0409" : kSystemLanguageKey);
    TKeyedList labels;
    for (const std::wstring& line : DefaultLabelCaptions())
        labels.push_back(line.rfind(L"Default=", 0) == 0 ? L"Default=" + std::wstring(Text(TTextId::FolderLabel))
                                                         : line);
    BrowsFldr->SetLabelCaptions(labels);
    // A line without a language key: the dialog keeps the system's caption.
    BrowsFldr->SetTitles({Text(TTextId::FolderTitle)});
}

// ---- lifecycle and tray menu -----------------------------------------------------

void TForm1::CreateTray() {
    N1 = &TrayMenu.Add(Text(TTextId::MenuAbout), [this] { N1Click(); });
    N2 = &TrayMenu.Add(L"-");
    N3 = &TrayMenu.Add(Text(TTextId::MenuChangeFolder), [this] { N3Click(); });
    N6 = &TrayMenu.Add(Text(TTextId::MenuSettings), [this] { N6Click(); });
    N7 = &TrayMenu.Add(Text(TTextId::MenuOtherLanguage), [this] { N7Click(); });
    N4 = &TrayMenu.Add(L"-");
    N5 = &TrayMenu.Add(Text(TTextId::MenuExit), [this] { N5Click(); });

    TrayIcon = std::make_unique<TTrayIcon>(FHandle);
    TrayIcon->SetIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
    TrayIcon->SetHint(kTrayHint);
    TrayIcon->SetMinimizeToTray(true);
    TrayIcon->SetPopupMenu(&TrayMenu);
    TrayIcon->OnStartup = [this](TTrayIcon&, bool& show) { TrayIconStartup(show); };
    TrayIcon->OnDblClick = [this](TTrayIcon&) { TrayIconDblClick(); };
    TrayIcon->SetIconVisible(true);
    TrayIcon->Loaded();
}

void TForm1::TrayIconStartup(bool& ShowMainForm) { ShowMainForm = false; }
void TForm1::TrayIconDblClick() { TrayIcon->ShowMainForm(); }

void TForm1::N1Click() {
    AboutBoxFn(Application().Handle(), kProgramName, Text(TTextId::AboutOther),
               LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1)));
}

void TForm1::N3Click() { ChangeTargetFolder(); }
void TForm1::N7Click() {
    const TLanguage next = CurrentLanguage() == TLanguage::Russian ? TLanguage::English : TLanguage::Russian;
    SwitchLanguage(next);
}

void TForm1::ApplyTexts() {
    for (const TTexted& t : FTexted) SetWindowTextW(t.Wnd, Text(t.Text));
    for (int i = 0; i < 5; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(Text(kTabCaptions[i]));
        SendMessageW(PageControl, TCM_SETITEMW, i, reinterpret_cast<LPARAM>(&item));
    }
    XPGroupBox1->SetCaption(Text(TTextId::TimerGroup));
    XPGroupBox4->SetCaption(Text(TTextId::AlarmGroup));
    XPGroupBox2->SetCaption(Text(TTextId::FileGroup));
    N1->Caption = Text(TTextId::MenuAbout);
    N3->Caption = Text(TTextId::MenuChangeFolder);
    N6->Caption = Text(TTextId::MenuSettings);
    N7->Caption = Text(TTextId::MenuOtherLanguage);
    N5->Caption = Text(TTextId::MenuExit);
    ApplyDialogTexts();
    // The marks and the fields that show media keys by name.
    for (int n = 1; n <= kActionCount; ++n) {
        if (HotKeyMark[n]) UpdateHotKeyMark(n);
        InvalidateRect(HotKey[n], nullptr, TRUE);
    }
    if (HotKeysSuspended) ShowKeysSuspended(true, false);
    // The status line is the clock's: its next tick writes it in the new language.
    ClockTick();
}

// Written at once, alone: switching the language is not a reason to save
// settings the user has not asked to save.
void TForm1::SwitchLanguage(TLanguage language) {
    SetCurrentLanguage(language);
    ApplyTexts();
    TRegistry& reg = SettingsRegistry();
    TKeyCloser closer(reg);
    if (reg.OpenKey(kSettingsKey, false)) reg.WriteString(kLanguageValue, LanguageCode(language));
}
void TForm1::N6Click() { TrayIcon->ShowMainForm(); }
void TForm1::N5Click() { Close(); }

// ---- lifecycle -------------------------------------------------------------------

// Each step runs even when one before it failed, so that a bad "WA" costs
// neither the settings nor the hot keys; an error is shown once, however
// many steps run into it.
void TForm1::FormCreate() {
    std::vector<std::wstring> shown;
    const auto step = [this, &shown](auto&& f) {
        // Ended while a box of an earlier step waited: no keys, no player.
        if (FClosed) return;
        try {
            f();
        } catch (const EPlovikError& e) {
            if (std::find(shown.begin(), shown.end(), e.Message()) != shown.end()) return;
            shown.push_back(e.Message());
            Application().HandleException();
        } catch (...) {
            Application().HandleException();
        }
    };
    step([this] { FindPlayerPath(); });
    step([this] { LoadSettings(); });
    step([this] { ApplyHotKeys(); });
    step([this] { ReportKeysNotInForce(); });
    step([this] { PlayerStartupActions(); });
}

bool TForm1::FormCloseQuery() {
    if (!Checked(CheckBox[10])) return true;
    return Application().MessageBox(Text(TTextId::AskExit), Text(TTextId::ConfirmCaption),
                                    MB_YESNO | MB_ICONQUESTION) == IDYES;
}

void TForm1::FormClose() { SaveSettings(); }

// A save that fails is shown and the program ends all the same: the user
// asked to leave, and a registry that refuses a write must not keep him.
void TForm1::Close() {
    if (FClosed || !FormCloseQuery()) return;
    Guarded([this] { FormClose(); });
    FClosed = true;
    ShowWindow(FHandle, SW_HIDE);
    Application().Terminate();
}

// Windows ends the session: the close's save, without the question, which
// nobody would be there to answer.
void TForm1::EndSession() {
    if (FClosed) return;
    Guarded([this] { FormClose(); });
    FClosed = true;
    Application().Terminate();
}

void TForm1::Button4Click() {
    ApplyHotKeys();
    SaveSettings();
    if (Checked(CheckBox[10]) &&
        Application().MessageBox(Text(TTextId::AskExit), Text(TTextId::ConfirmCaption),
                                 MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    Close();
}
