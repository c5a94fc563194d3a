// The settings window's making and layout: every control at its designed
// place, scaled for the monitor's DPI, and placed again when the DPI changes.
#include "app/form1.h"

#include <commctrl.h>

#include "app/form_window.h"
#include "app/hotkey_field.h"
#include "app/step_list.h"

using namespace form_window;

namespace {

// The step lists stand in the gap between the names of the volume and seek
// keys and their fields, each between the rows of the two keys it serves;
// those four names end before it.
constexpr int kStepX = 120, kStepWidth = 112;
bool NamedBesideAStep(int n) { return n >= 11 && n <= 14; }

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

void RegisterClasses(WNDPROC formProc, WNDPROC pageProc) {
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
    wc.lpfnWndProc = formProc;
    wc.lpszClassName = kFormClass;
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
    wc.lpfnWndProc = pageProc;
    wc.lpszClassName = kPageClass;
    wc.hIcon = nullptr;
    RegisterClassExW(&wc);
}

}  // namespace

void TForm1::CreateWindowAndControls() {
    RegisterClasses(&TForm1::StaticWndProc, &TForm1::PageProc);
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
    FHandle = CreateWindowExW(WS_EX_CONTROLPARENT, kFormClass, kProgramName, style, 261, 138, kClientWidth,
                              kClientHeight, nullptr, nullptr, GetModuleHandleW(nullptr), this);
    FDpi = WindowDpi(FHandle);
    FPanelBrush = CreateSolidBrush(RGB(0, 0, 0));
    MakeFont();
    SizeFrame();

    // Every control is born at its place with its font: moving a hundred
    // controls afterwards costs a noticeable part of the first opening.
    CreatePages();
    CreateActionFields();
    CreateAlarmControls();
    CreateFileControls();
    CreateStepControls();
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
        const int labelW = NamedBesideAStep(n) ? kStepX - 4 - labelX : 215;
        AddControl(parent, L"STATIC", a.Label, SS_LEFT | SS_NOPREFIX, labelX, labelY, labelW, 14);
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
    HTime1->SetEnabled(false);
    HTime1->SetOnChange([this](THTime& field) {
        if (!FShowing) SetAlarmTime(field.GetTime());
    });
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
    // Disarmed: the group is off, and every action carries the mark that
    // turns it on again with the group.
    XPGroupBox4->SetEnabled(false);
}

// Each list is centred on the two rows of its keys, and follows the second
// key's field in the order of Tab.
void TForm1::CreateStepControls() {
    const auto add = [this](int up, int id) {
        const int top = 8 + 24 * kActions[up - 1].Row, bottom = top + 24 + 19;
        HWND box = AddControl(Pages[1], L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, kStepX,
                              (top + bottom) / 2 - 11, kStepWidth, 200, id);
        SetWindowPos(box, HotKey[up + 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return box;
    };
    VolStepBox = add(11, kIdVolStep);
    SeekStepBox = add(13, kIdSeekStep);
}

void TForm1::CreateFileControls() {
    HWND group = XPGroupBox2->Handle();
    Edit1 = AddControl(group, L"EDIT", L"", ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP, 8, 118, 217, 21, kIdEdit1,
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
    CreateShowControls();
}

// The display and the file share the last two rows of the tab, the only
// ones under the designed options that the page still holds.
void TForm1::CreateShowControls() {
    const int row12 = 33 + 16 * 12, row13 = 33 + 16 * 13;
    const auto box = [this](int n, int x, int y, int w) {
        CheckBox[n] = AddControl(Pages[4], L"BUTTON", kShowOptions[n - optOsdSongs].Caption,
                                 BS_AUTOCHECKBOX | WS_TABSTOP, x, y, w, 16, kIdCheckBoxBase + n);
    };
    box(optOsdSongs, 22, row12, 104);
    box(optOsdKeys, 128, row12, 72);
    OsdPlaceBox = AddControl(Pages[4], L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 204, row12 - 1,
                             116, 160, kIdOsdPlace);
    OsdSecondsBox = AddControl(Pages[4], L"COMBOBOX", L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP, 324,
                               row12 - 1, 60, 160, kIdOsdSeconds);
    box(optNowPlaying, 22, row13 + 1, 72);
    NowPlayingTemplate = AddControl(Pages[4], L"EDIT", L"", ES_AUTOHSCROLL | WS_TABSTOP, 96, row13 + 1, 204, 16,
                                    kIdNowPlayingTemplate, WS_EX_CLIENTEDGE);
    NowPlayingButton = AddControl(Pages[4], L"BUTTON", TTextId::NowPlayingButton, BS_PUSHBUTTON | WS_TABSTOP, 304,
                                  row13 + 1, 80, 17, kIdNowPlayingButton);
    FitComboBoxes();
    FillShowLists();
}

// A list box's field is as high as its font wants, higher than a row of
// the tab: the rows are kept by lowering the field itself.
void TForm1::FitComboBoxes() {
    for (HWND combo : {OsdPlaceBox, OsdSecondsBox})
        SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), Scale(18) - 6);
}

// The lists' items are texts of the current language.
void TForm1::FillShowLists() {
    const bool showing = FShowing;
    FShowing = true;
    SendMessageW(OsdPlaceBox, CB_RESETCONTENT, 0, 0);
    for (TTextId id : {TTextId::OsdPlaceBottomRight, TTextId::OsdPlaceBottomLeft, TTextId::OsdPlaceTopRight,
                       TTextId::OsdPlaceTopLeft, TTextId::OsdPlaceCentre})
        SendMessageW(OsdPlaceBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Text(id)));
    SendMessageW(OsdSecondsBox, CB_RESETCONTENT, 0, 0);
    for (int s = kOsdMinSeconds; s <= kOsdMaxSeconds; ++s) {
        const std::wstring item = Text(TTextId::OsdSeconds, std::to_wstring(s));
        SendMessageW(OsdSecondsBox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    }
    SendMessageW(OsdPlaceBox, CB_SETCURSEL, static_cast<WPARAM>(Settings.OsdPlace), 0);
    SendMessageW(OsdSecondsBox, CB_SETCURSEL, static_cast<WPARAM>(Settings.OsdSeconds - kOsdMinSeconds), 0);
    FillStepList(VolStepBox, TStepUnit::Percent, Settings.VolStep);
    FillStepList(SeekStepBox, TStepUnit::Seconds, Settings.SeekStep);
    FShowing = showing;
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
    FitComboBoxes();
    FitPages();
    if (old) DeleteObject(old);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TForm1::ShowPage(int index) {
    SendMessageW(PageControl, TCM_SETCURSEL, index, 0);
    for (int i = 0; i < 5; ++i) ShowWindow(Pages[i], i == index ? SW_SHOW : SW_HIDE);
}

