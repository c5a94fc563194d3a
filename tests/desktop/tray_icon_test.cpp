#include "desktop/tray_icon.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "support/peer_player.h"

namespace {

// What the shell sends the handler window for a mouse or balloon event.
void Notify(const TTrayIcon& t, UINT what) {
    SendMessageW(t.IconData().hWnd, WM_TRAYNOTIFY, t.IconData().uID, what);
}

// Is the icon known to the shell now? Only a known icon can be modified.
bool InShell(const TTrayIcon& t) {
    NOTIFYICONDATAW probe = t.IconData();
    probe.uFlags = NIF_TIP;
    return Shell_NotifyIconW(NIM_MODIFY, &probe) != FALSE;
}

// A 16 x 16 icon of one colour, so that which image is shown can be told.
HICON SolidIcon(COLORREF color) {
    HDC screen = GetDC(nullptr);
    HBITMAP bits = CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bits);
    RECT r{0, 0, 16, 16};
    HBRUSH brush = CreateSolidBrush(color);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    std::vector<BYTE> zeros(32, 0);
    HBITMAP mask = CreateBitmap(16, 16, 1, 1, zeros.data());
    ICONINFO ii{TRUE, 0, 0, mask, bits};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(mask);
    DeleteObject(bits);
    return icon;
}

COLORREF CentreColour(HICON icon) {
    ICONINFO ii{};
    if (!icon || !GetIconInfo(icon, &ii)) return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ii.hbmColor);
    const COLORREF c = GetPixel(dc, 8, 8);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(ii.hbmColor);
    DeleteObject(ii.hbmMask);
    return c;
}

// A plain top-level window standing in for the main form.
class TTestForm {
public:
    explicit TTestForm(WNDPROC proc = DefWindowProcW) {
        static int n = 0;
        const std::wstring cls = L"PlovikTestForm" + std::to_wstring(++n);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = cls.c_str();
        RegisterClassExW(&wc);
        Wnd = CreateWindowExW(0, cls.c_str(), L"Plovik v4.0", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                              100, 100, 300, 200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        Application().SetMainForm(Wnd);
    }
    ~TTestForm() {
        Application().SetMainForm(nullptr);
        DestroyWindow(Wnd);
        ShowWindow(Application().Handle(), SW_HIDE);
    }
    HWND Wnd;
};

// Every event of an icon, in order, as short words.
struct TEventLog {
    std::vector<std::string> Events;
    std::vector<POINT> Points;
    std::vector<TShiftState> Shifts;

    void Attach(TTrayIcon& t, bool withDblClick) {
        auto button = [](TMouseButton b) { return b == mbLeft ? "L" : b == mbRight ? "R" : "M"; };
        t.OnMouseDown = [=, this](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
            Add(std::string("down ") + button(b), s, x, y);
        };
        t.OnMouseUp = [=, this](TTrayIcon&, TMouseButton b, TShiftState s, int x, int y) {
            Add(std::string("up ") + button(b), s, x, y);
        };
        t.OnMouseMove = [this](TTrayIcon&, TShiftState s, int x, int y) { Add("move", s, x, y); };
        t.OnClick = [this](TTrayIcon&) { Events.push_back("click"); };
        if (withDblClick) t.OnDblClick = [this](TTrayIcon&) { Events.push_back("dbl"); };
        t.OnMouseEnter = [this](TTrayIcon&) { Events.push_back("enter"); };
        t.OnMouseExit = [this](TTrayIcon&) { Events.push_back("exit"); };
        t.OnBalloonHintHide = [this](TTrayIcon&) { Events.push_back("balloon hide"); };
        t.OnBalloonHintTimeout = [this](TTrayIcon&) { Events.push_back("balloon timeout"); };
        t.OnBalloonHintClick = [this](TTrayIcon&) { Events.push_back("balloon click"); };
    }
    void Add(const std::string& e, TShiftState s, int x, int y) {
        Events.push_back(e);
        Shifts.push_back(s);
        Points.push_back({x, y});
    }
    bool Has(const std::string& e) const {
        for (const auto& x : Events)
            if (x == e) return true;
        return false;
    }
};

using TEvents = std::vector<std::string>;

// While a menu is open, notes it and either picks its first item or closes it.
class TMenuDriver {
public:
    explicit TMenuDriver(TEventLog& log, bool pickFirst) : FLog(log), FPick(pickFirst) {
        FTimer.SetInterval(30);
        FTimer.OnTimer = [this] { Step(); };
        FTimer.SetEnabled(true);
    }
    int Opened = 0;

private:
    void Step() {
        HWND menu = FindWindowW(L"#32768", nullptr);
        if (!menu || !IsWindowVisible(menu) || FSent) return;
        ++Opened;
        FLog.Events.push_back("menu");
        FSent = true;
        if (FPick) {
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        } else {
            EndMenu();
        }
    }
    TEventLog& FLog;
    bool FPick;
    bool FSent = false;
    TWindowTimer FTimer;
};

}  // namespace

TEST(TrayIcon, RecordStartsAsTheShellExpectsIt) {
    const unsigned before = TTrayIconHandler::References();
    TTrayIcon a;
    TTrayIcon b;
    const NOTIFYICONDATAW& d = a.IconData();
    EXPECT_EQ(d.cbSize, sizeof(NOTIFYICONDATAW));
    EXPECT_EQ(d.hWnd, TTrayIconHandler::Window());
    EXPECT_EQ(b.IconData().hWnd, d.hWnd) << "one handler window for all icons";
    EXPECT_NE(d.uID, b.IconData().uID);
    EXPECT_EQ(d.uFlags, 7u);
    EXPECT_EQ(d.uCallbackMessage, 0x0800u);
    EXPECT_EQ(TTrayIconHandler::References(), before + 2);
    EXPECT_TRUE(a.Enabled());
    EXPECT_TRUE(a.ShowHint());
    EXPECT_FALSE(a.IconVisible());
    EXPECT_NE(TTrayIcon::TaskbarCreatedMessage(), 0u);
    EXPECT_GE(TTrayIcon::ShellVersion(), (4u << 16) | 71u);
    EXPECT_FALSE(TTrayIcon::IsWinNT()) << "no NT 4 here";

    // The handler window outlives requests to close it while icons need it.
    EXPECT_EQ(SendMessageW(d.hWnd, WM_CLOSE, 0, 0), 1);
    EXPECT_EQ(SendMessageW(d.hWnd, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_TRUE(IsWindow(d.hWnd));
}

TEST(TrayIcon, HandlerWindowGoesWithTheLastIcon) {
    if (TTrayIconHandler::References() != 0) GTEST_SKIP() << "another icon is alive";
    HWND handler = nullptr;
    {
        TTrayIcon t;
        handler = TTrayIconHandler::Window();
        EXPECT_TRUE(IsWindow(handler));
    }
    EXPECT_EQ(TTrayIconHandler::Window(), nullptr);
    EXPECT_FALSE(IsWindow(handler));
}

TEST(TrayIcon, ShellAcceptsAddModifyDeleteAndRefusalsReadFalse) {
    HICON app = LoadIconW(nullptr, IDI_APPLICATION);
    TTrayIcon t;
    EXPECT_FALSE(t.ModifyIcon()) << "an icon not yet added cannot be modified";
    t.SetIcon(app);
    t.SetHint(L"Merrowind Plovik v4.0");
    EXPECT_NE(t.Icon().Handle(), app) << "the icon is an owned copy";
    EXPECT_FALSE(InShell(t));

    EXPECT_TRUE(t.ShowIcon());
    EXPECT_TRUE(t.IconVisible());
    EXPECT_TRUE(InShell(t));
    EXPECT_EQ(t.IconData().hIcon, t.Icon().Handle());
    EXPECT_EQ(std::wstring(t.IconData().szTip), L"Merrowind Plovik v4.0");
    EXPECT_FALSE(t.ShowIcon()) << "the shell refuses a second add of the same icon";
    EXPECT_TRUE(t.ModifyIcon());
    EXPECT_TRUE(t.Refresh());

    t.SetHint(L"другая подсказка");
    EXPECT_EQ(std::wstring(t.IconData().szTip), L"другая подсказка");

    EXPECT_TRUE(t.HideIcon());
    EXPECT_FALSE(t.IconVisible());
    EXPECT_FALSE(InShell(t));
    EXPECT_FALSE(t.ModifyIcon());
    EXPECT_FALSE(t.HideIcon());

    t.SetIconVisible(true);
    EXPECT_TRUE(InShell(t));
    t.SetIconVisible(false);
    EXPECT_FALSE(InShell(t));
}

TEST(TrayIcon, TipIsCutToTheRecordAndClearedWithoutShowHint) {
    TTrayIcon t;
    t.SetHint(std::wstring(200, L'x'));
    EXPECT_EQ(std::wstring(t.IconData().szTip), std::wstring(127, L'x'));

    // A cut never leaves half of a surrogate pair.
    std::wstring pairs = std::wstring(126, L'y') + L"\xD83C\xDFB5" + L"zz";
    t.SetHint(pairs);
    EXPECT_EQ(std::wstring(t.IconData().szTip), std::wstring(126, L'y'));

    t.SetShowHint(false);
    for (wchar_t c : t.IconData().szTip) ASSERT_EQ(c, L'\0');
    t.SetShowHint(true);
    EXPECT_EQ(std::wstring(t.IconData().szTip), std::wstring(126, L'y'));
    t.SetHint(L"");
    for (wchar_t c : t.IconData().szTip) ASSERT_EQ(c, L'\0');
}

TEST(TrayIcon, UnreadableIconGoesAsNoIcon) {
    TTrayIcon t;
    t.SetIcon(reinterpret_cast<HICON>(static_cast<INT_PTR>(0x7ff1)));
    EXPECT_TRUE(t.Icon().Empty());
    EXPECT_TRUE(t.ShowIcon());
    EXPECT_EQ(t.IconData().hIcon, nullptr);
    t.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    EXPECT_NE(t.IconData().hIcon, nullptr);
}

TEST(TrayIcon, BalloonFieldsAreCutAndFlagsFollowTheBookkeeping) {
    TTrayIcon t;
    t.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    EXPECT_FALSE(t.ShowBalloonHint(L"title", L"text", bitInfo, 3)) << "no icon, no balloon";
    ASSERT_TRUE(t.ShowIcon());

    EXPECT_TRUE(t.ShowBalloonHint(std::wstring(100, L'T'), std::wstring(300, L'b'), bitWarning, 3));
    const NOTIFYICONDATAW& d = t.IconData();
    EXPECT_EQ(std::wstring(d.szInfo), std::wstring(255, L'b'));
    EXPECT_EQ(std::wstring(d.szInfoTitle), std::wstring(63, L'T'));
    EXPECT_EQ(d.uTimeout, 3000u);
    EXPECT_EQ(d.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(d.uFlags, 7u) << "NIF_INFO is taken off after the balloon";

    EXPECT_TRUE(t.ShowBalloonHint(L"Текущая песня", L"1. Artist - Title", bitInfo, 3));
    EXPECT_EQ(d.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_TRUE(t.ShowBalloonHint(L"t", L"x", bitError, 10));
    EXPECT_EQ(d.dwInfoFlags, static_cast<DWORD>(NIIF_ERROR));
    EXPECT_EQ(d.uTimeout, 10000u);
    EXPECT_TRUE(t.ShowBalloonHint(L"t", L"x", bitNone, 60));
    EXPECT_EQ(d.dwInfoFlags, static_cast<DWORD>(NIIF_NONE));

    EXPECT_TRUE(t.HideBalloonHint());
    EXPECT_EQ(d.szInfo[0], L'\0');
    EXPECT_TRUE(d.uFlags & NIF_INFO);
    // Until the next balloon, every change carries the empty balloon text.
    t.SetHint(L"after");
    EXPECT_TRUE(d.uFlags & NIF_INFO);
    EXPECT_TRUE(t.ShowBalloonHint(L"t", L"again", bitInfo, 3));
    EXPECT_EQ(d.uFlags, 7u);

    t.HideIcon();
    EXPECT_FALSE(t.HideBalloonHint());
    EXPECT_FALSE(t.ShowBalloonHint(L"t", L"x", bitInfo, 3));
    EXPECT_EQ(std::wstring(d.szInfo), L"x") << "a refused balloon keeps what was written";
}

TEST(TrayIcon, ClickWithoutDoubleClickHandlerComesAtOnce) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, false);
    SetCursorPos(321, 234);
    Notify(t, WM_LBUTTONDOWN);
    Notify(t, WM_LBUTTONUP);
    EXPECT_EQ(log.Events, (TEvents{"down L", "click", "up L"}));
    ASSERT_EQ(log.Points.size(), 2u);
    EXPECT_EQ(log.Points[0].x, 321);
    EXPECT_EQ(log.Points[0].y, 234);
    EXPECT_TRUE(log.Shifts[0] & ssLeft);

    log.Events.clear();
    Notify(t, WM_RBUTTONDOWN);
    Notify(t, WM_RBUTTONUP);
    Notify(t, WM_MBUTTONDOWN);
    Notify(t, WM_MBUTTONUP);
    Notify(t, WM_RBUTTONDBLCLK);
    Notify(t, WM_MBUTTONDBLCLK);
    Notify(t, NIN_BALLOONSHOW);
    EXPECT_EQ(log.Events, (TEvents{"down R", "up R", "down M", "up M"}));
    EXPECT_EQ(log.Shifts[2] & (ssLeft | ssRight | ssMiddle), ssRight);
    EXPECT_EQ(log.Shifts[4] & (ssLeft | ssRight | ssMiddle), ssMiddle);
}

TEST(TrayIcon, ClickWaitsForTheDoubleClickTimeAndADoubleClickCancelsIt) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, true);
    const DWORD dbl = GetDoubleClickTime();

    Notify(t, WM_LBUTTONDOWN);
    Notify(t, WM_LBUTTONUP);
    EXPECT_EQ(log.Events, (TEvents{"down L", "up L"}));
    EXPECT_TRUE(WaitFor([&] { return log.Has("click"); }, dbl + 2000));
    EXPECT_EQ(log.Events, (TEvents{"down L", "up L", "click"}));

    // The shell's double click: down, up, double click, up.
    log.Events.clear();
    Notify(t, WM_LBUTTONDOWN);
    Notify(t, WM_LBUTTONUP);
    Notify(t, WM_LBUTTONDBLCLK);
    Notify(t, WM_LBUTTONUP);
    WaitFor([] { return false; }, dbl + 300);
    EXPECT_EQ(log.Events, (TEvents{"down L", "up L", "dbl", "up L"}));

    // A button held past the double-click time clicks on its release.
    log.Events.clear();
    Notify(t, WM_LBUTTONDOWN);
    WaitFor([] { return false; }, dbl + 300);
    EXPECT_EQ(log.Events, (TEvents{"down L"}));
    Notify(t, WM_LBUTTONUP);
    EXPECT_EQ(log.Events, (TEvents{"down L", "click", "up L"}));
}

TEST(TrayIcon, DisabledIconReportsOnlyBalloonEvents) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, true);
    t.SetEnabled(false);
    for (UINT m : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_RBUTTONDOWN, WM_RBUTTONUP,
                   WM_MBUTTONDOWN, WM_MBUTTONUP})
        Notify(t, m);
    Notify(t, NIN_BALLOONHIDE);
    Notify(t, NIN_BALLOONTIMEOUT);
    Notify(t, NIN_BALLOONUSERCLICK);
    WaitFor([] { return false; }, GetDoubleClickTime() + 200);
    EXPECT_EQ(log.Events, (TEvents{"balloon hide", "balloon timeout", "balloon click"}));
}

TEST(TrayIcon, KeyboardShiftStateIsReadAtTheNotification) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, false);
    INPUT in[2]{};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_SHIFT;
    in[1] = in[0];
    in[1].ki.wVk = VK_CONTROL;
    SendInput(2, in, sizeof(INPUT));
    const bool held = WaitFor([] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) != 0; }, 1000);
    Notify(t, WM_MBUTTONDOWN);
    in[0].ki.dwFlags = in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    WaitFor([] { return (GetAsyncKeyState(VK_SHIFT) & 0x8000) == 0; }, 1000);
    Notify(t, WM_MBUTTONUP);
    if (!held) GTEST_SKIP() << "synthetic key presses do not reach the key state here";
    ASSERT_EQ(log.Shifts.size(), 2u);
    EXPECT_EQ(log.Shifts[0], ssShift | ssCtrl | ssMiddle);
    EXPECT_EQ(log.Shifts[1], ssMiddle);
}

TEST(TrayIcon, EnterAndExitFollowTheCursor) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, false);
    SetCursorPos(40, 40);
    Notify(t, WM_MOUSEMOVE);
    EXPECT_EQ(log.Events, (TEvents{"move"})) << "no enter/exit unless wanted";

    t.SetWantEnterExitEvents(true);
    log.Events.clear();
    Notify(t, WM_MOUSEMOVE);
    Notify(t, WM_MOUSEMOVE);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(log.Events, (TEvents{"enter", "move", "move"})) << "a still cursor has not left";

    SetCursorPos(41, 40);
    EXPECT_TRUE(WaitFor([&] { return log.Has("exit"); }, 1000));
    Notify(t, WM_MOUSEMOVE);
    EXPECT_EQ(log.Events, (TEvents{"enter", "move", "move", "exit", "enter", "move"}));

    t.SetWantEnterExitEvents(false);
    SetCursorPos(80, 80);
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(log.Events.back(), "move");
}

TEST(TrayIcon, RightButtonOpensTheMenuAndTheChoiceRuns) {
    TTestForm form;
    TTrayIcon t(form.Wnd);
    TEventLog log;
    log.Attach(t, false);
    int nulls = 0;
    TWindowHook watch;
    watch.Hook(form.Wnd, [&](TMessage& m) { nulls += m.Msg == WM_NULL; });
    TPopupMenu menu;
    int chosen = 0;
    menu.Add(L"Настройки", [&] { chosen = 1; });
    menu.Add(L"-");
    menu.Add(L"Выход", [&] { chosen = 2; });
    t.SetPopupMenu(&menu);

    TMenuDriver driver(log, true);
    Notify(t, WM_RBUTTONDOWN);
    EXPECT_EQ(log.Events, (TEvents{"down R", "menu"}));
    EXPECT_EQ(chosen, 1);
    EXPECT_EQ(menu.PopupComponent, &t);
    EXPECT_TRUE(WaitFor([&] { return nulls > 0; }, 1000)) << "WM_NULL follows the menu";
}

TEST(TrayIcon, LeftButtonOpensTheMenuOnlyWithLeftPopup) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, false);
    TPopupMenu menu;
    menu.Add(L"Настройки");
    t.SetPopupMenu(&menu);
    TMenuDriver driver(log, false);

    Notify(t, WM_LBUTTONDOWN);
    Notify(t, WM_LBUTTONUP);
    WaitFor([] { return false; }, 150);
    EXPECT_FALSE(log.Has("menu"));

    t.SetLeftPopup(true);
    log.Events.clear();
    Notify(t, WM_LBUTTONDOWN);
    EXPECT_EQ(log.Events, (TEvents{"down L", "menu"}));
    EXPECT_EQ(driver.Opened, 1);
}

TEST(TrayIcon, MenuWithoutAutoPopupIsNeverOpenedNorChosenFrom) {
    TTrayIcon t;
    TEventLog log;
    log.Attach(t, true);
    TPopupMenu menu;
    int chosen = 0;
    menu.Add(L"О программе ...", [&] { chosen = 1; });
    menu.Add(L"Настройки", [&] { chosen = 2; }).Default = true;
    menu.Add(L"Выход", [&] { chosen = 3; }).Default = true;
    t.SetPopupMenu(&menu);

    // A double click chooses the first default item.
    Notify(t, WM_LBUTTONDBLCLK);
    EXPECT_EQ(chosen, 2);

    chosen = 0;
    t.SetLeftPopup(true);
    Notify(t, WM_LBUTTONDBLCLK);
    EXPECT_EQ(chosen, 0) << "with LeftPopup the double click chooses nothing";
    t.SetLeftPopup(false);

    menu.AutoPopup = false;
    TMenuDriver driver(log, false);
    Notify(t, WM_RBUTTONDOWN);
    Notify(t, WM_LBUTTONDBLCLK);
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(driver.Opened, 0);
    EXPECT_EQ(chosen, 0);
}

TEST(TrayIcon, IconIndexStaysInsideTheList) {
    const COLORREF colours[] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 4, 0);
    for (COLORREF c : colours) {
        HICON icon = SolidIcon(c);
        ImageList_AddIcon(list, icon);
        DestroyIcon(icon);
    }
    TTrayIcon t;
    t.SetIconIndex(2);
    EXPECT_EQ(t.IconIndex(), 0) << "no list, no index";
    t.SetIconList(list);
    t.SetIconIndex(99);
    EXPECT_EQ(t.IconIndex(), 3);
    EXPECT_EQ(CentreColour(t.Icon().Handle()), colours[3]);
    t.SetIconIndex(1);
    EXPECT_EQ(CentreColour(t.Icon().Handle()), colours[1]);
    t.SetIconList(nullptr);
    EXPECT_EQ(t.IconIndex(), 0);
    ImageList_Destroy(list);
}

TEST(TrayIcon, CyclingWalksTheListAndShowsEachImage) {
    const COLORREF colours[] = {RGB(200, 0, 0), RGB(0, 200, 0), RGB(0, 0, 200)};
    HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 3, 0);
    for (COLORREF c : colours) {
        HICON icon = SolidIcon(c);
        ImageList_AddIcon(list, icon);
        DestroyIcon(icon);
    }
    TTrayIcon t;
    t.SetIconList(list);
    ASSERT_TRUE(t.ShowIcon());
    std::vector<int> next;
    t.OnCycle = [&](TTrayIcon&, int n) { next.push_back(n); };
    t.SetCycleInterval(30);
    EXPECT_TRUE(next.empty()) << "setting the interval alone does not cycle";
    t.SetIconIndex(2);
    t.SetCycleIcons(true);
    EXPECT_EQ(t.IconIndex(), 0) << "cycling starts from the first image";
    ASSERT_TRUE(WaitFor([&] { return next.size() >= 4; }, 3000));
    EXPECT_EQ(std::vector<int>(next.begin(), next.begin() + 4), (std::vector<int>{1, 2, 0, 1}));
    EXPECT_EQ(t.IconIndex(), next.back());
    EXPECT_EQ(CentreColour(t.Icon().Handle()), colours[next.back()]);
    EXPECT_EQ(t.IconData().hIcon, t.Icon().Handle());

    t.SetCycleIcons(false);
    const size_t stopped = next.size();
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(next.size(), stopped);
    t.HideIcon();
    t.SetIconList(nullptr);
    ImageList_Destroy(list);
}

TEST(TrayIcon, VisibleIconReturnsWhenTheTaskbarIsCreatedAgain) {
    TTrayIcon shown;
    TTrayIcon hidden;
    shown.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    shown.SetIconVisible(true);
    ASSERT_TRUE(InShell(shown));
    // Explorer's restart loses every icon behind the components' backs.
    NOTIFYICONDATAW gone = shown.IconData();
    ASSERT_TRUE(Shell_NotifyIconW(NIM_DELETE, &gone));
    ASSERT_FALSE(InShell(shown));

    SendMessageW(Application().Handle(), TTrayIcon::TaskbarCreatedMessage(), 0, 0);
    EXPECT_TRUE(InShell(shown));
    EXPECT_FALSE(InShell(hidden));
}

TEST(TrayIcon, ShowAndHideMainForm) {
    TTestForm form;
    HWND app = Application().Handle();
    {
        TTrayIcon alone;  // without an owner form the main window is not its business
        alone.ShowMainForm();
        EXPECT_FALSE(IsWindowVisible(form.Wnd));
    }
    TTrayIcon t(form.Wnd);
    t.ShowMainForm();
    EXPECT_TRUE(IsWindowVisible(form.Wnd));
    EXPECT_TRUE(IsWindowVisible(app));
    WaitFor([] { return false; }, 100);
    EXPECT_EQ(GetForegroundWindow(), form.Wnd) << "the application window hands the activation on";
    EXPECT_EQ(GetActiveWindow(), form.Wnd);
    t.HideMainForm();
    EXPECT_FALSE(IsWindowVisible(form.Wnd));
    EXPECT_FALSE(IsWindowVisible(app));

    ShowWindow(form.Wnd, SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(form.Wnd));
    t.ShowMainForm();
    EXPECT_TRUE(IsWindowVisible(form.Wnd));
    EXPECT_FALSE(IsIconic(form.Wnd)) << "a minimised main window comes back normal";
}

TEST(TrayIcon, MinimisingTheApplicationHidesTheFormToTheTray) {
    TTestForm form;
    HWND app = Application().Handle();
    TTrayIcon t(form.Wnd);
    t.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));

    ShowWindow(form.Wnd, SW_SHOW);
    ShowWindow(app, SW_MINIMIZE);
    EXPECT_TRUE(IsWindowVisible(form.Wnd)) << "MinimizeToTray is off";
    EXPECT_FALSE(t.IconVisible());
    ShowWindow(app, SW_RESTORE);

    t.SetMinimizeToTray(true);
    ShowWindow(app, SW_MINIMIZE);
    EXPECT_FALSE(IsWindowVisible(form.Wnd));
    EXPECT_FALSE(IsWindowVisible(app));
    EXPECT_TRUE(t.IconVisible());
    EXPECT_TRUE(InShell(t));
    ShowWindow(app, SW_RESTORE);
}

TEST(TrayIcon, StartupAnswerKeepsTheMainFormHidden) {
    TTestForm form;
    TTrayIcon t(form.Wnd);
    int asked = 0;
    t.OnStartup = [&](TTrayIcon&, bool& show) {
        ++asked;
        EXPECT_TRUE(show);
        show = false;
    };
    t.SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    t.SetHint(L"Merrowind Plovik v4.0");
    t.SetIconVisible(true);
    t.Loaded();
    EXPECT_EQ(asked, 1);
    EXPECT_FALSE(Application().ShowMainForm());
    EXPECT_FALSE(IsWindowVisible(form.Wnd));
    EXPECT_TRUE(InShell(t));
    EXPECT_EQ(std::wstring(t.IconData().szTip), L"Merrowind Plovik v4.0");
    Application().SetShowMainForm(true);

    TTrayIcon free;  // no owner form: nothing to ask
    free.OnStartup = [&](TTrayIcon&, bool&) { ++asked; };
    free.Loaded();
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(Application().ShowMainForm());
}

TEST(TrayIcon, ShowingTheFormBringsTheApplicationWindowBack) {
    TTestForm form;
    TTrayIcon t(form.Wnd);
    HWND app = Application().Handle();
    ASSERT_FALSE(IsWindowVisible(app));
    ShowWindow(form.Wnd, SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(app)) << "the owner hook restores the application window";
    ShowWindow(form.Wnd, SW_HIDE);
    ShowWindow(app, SW_HIDE);
}

TEST(TrayIcon, BitmapToIconKeepsTheMaskColourTransparent) {
    HDC screen = GetDC(nullptr);
    HBITMAP bmp = CreateCompatibleBitmap(screen, 16, 16);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bmp);
    RECT all{0, 0, 16, 16}, inner{4, 4, 12, 12};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
    FillRect(dc, &all, magenta);
    FillRect(dc, &inner, blue);
    SelectObject(dc, old);
    DeleteObject(magenta);
    DeleteObject(blue);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    TIcon icon;
    int changes = 0;
    icon.OnChange = [&] { ++changes; };
    EXPECT_TRUE(TTrayIcon::BitmapToIcon(bmp, icon, RGB(255, 0, 255)));
    DeleteObject(bmp);
    ASSERT_FALSE(icon.Empty());
    EXPECT_EQ(changes, 1);
    ICONINFO ii{};
    ASSERT_TRUE(GetIconInfo(icon.Handle(), &ii));
    HDC m = CreateCompatibleDC(nullptr);
    HGDIOBJ o = SelectObject(m, ii.hbmMask);
    EXPECT_EQ(GetPixel(m, 0, 0), RGB(255, 255, 255)) << "the mask colour is transparent";
    EXPECT_EQ(GetPixel(m, 8, 8), RGB(0, 0, 0)) << "the rest is opaque";
    SelectObject(m, o);
    DeleteDC(m);
    DeleteObject(ii.hbmMask);
    DeleteObject(ii.hbmColor);
}

// Under Wine without a desktop panel the shell keeps its icons in a small
// window of its own; it shows while an icon is there.
TEST(TrayIcon, ShowsInTheShellsTray) {
    TTrayIcon t;
    std::wstring ico = TestBinDir() + L"\\..\\..\\src\\app\\plovik.ico";
    HICON icon = static_cast<HICON>(LoadImageW(nullptr, ico.c_str(), IMAGE_ICON, 16, 16, LR_LOADFROMFILE));
    t.SetIcon(icon ? icon : LoadIconW(nullptr, IDI_APPLICATION));
    if (icon) DestroyIcon(icon);
    t.SetHint(L"Merrowind Plovik v4.0");
    ASSERT_TRUE(t.ShowIcon());
    HWND wineTray = FindWindowW(nullptr, L"Wine System Tray");
    if (wineTray) {
        EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(wineTray) != FALSE; }, 2000));
    }
    // For a screenshot: PLOVIK_TRAY_HOLD_MS keeps the icon up that long.
    if (const char* hold = std::getenv("PLOVIK_TRAY_HOLD_MS"))
        WaitFor([] { return false; }, static_cast<DWORD>(std::atoi(hold)));
    EXPECT_TRUE(t.HideIcon());
}
