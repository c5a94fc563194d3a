// Keys held by another program (a real second process), keys already used
// by an action above, the retry that takes a key back, the start-up balloon,
// words the fields cannot show, the play/pause key and the visible pause.
#include "app_fixture.h"

#include <commctrl.h>

#include <algorithm>

#include "support/input.h"
#include "support/key_holder.h"

namespace {

constexpr TShortCut kCtrlAlt = 0xC000;
constexpr TShortCut kHeld = kCtrlAlt | 'K';
constexpr TShortCut kOnOff = kCtrlAlt | 'E';
constexpr TShortCut kFree = kCtrlAlt | 'J';
constexpr TShortCut kPlayPause = VK_MEDIA_PLAY_PAUSE;  // on its own

std::string Cmd(int id) { return "COMMAND " + std::to_string(id) + " 0"; }

std::wstring TipText(HWND tool) {
    HWND tip = nullptr;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, TOOLTIPS_CLASSW, nullptr)) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId()) continue;
        wchar_t buf[256] = {};
        TTTOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.hwnd = GetParent(tool);
        ti.uId = reinterpret_cast<UINT_PTR>(tool);
        ti.lpszText = buf;
        SendMessageW(w, TTM_GETTEXTW, std::size(buf), reinterpret_cast<LPARAM>(&ti));
        if (buf[0]) return buf;
        tip = w;
    }
    return tip ? L"" : L"<no tooltip>";
}

// What the field shows: the control's own word, not what Plovik makes of it.
WORD Shown(HWND field) { return static_cast<WORD>(SendMessageW(field, HKM_GETHOTKEY, 0, 0)); }

class MarksTest : public AppTest {
protected:
    std::wstring Mark(int n) {
        HWND m = Form().HotKeyMark[n];
        return IsWindowVisible(m) || (GetWindowLongW(m, GWL_STYLE) & WS_VISIBLE) ? WindowText(m) : L"";
    }
    using S = TForm1::TKeyState;
};

}  // namespace

TEST_F(MarksTest, AKeyHeldElsewhereIsMarkedAndTakenBackWhenLetGo) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    ASSERT_TRUE(holder.Holds(kHeld)) << holder.Log();
    TPeerPlayer peer;
    ASSERT_TRUE(peer.Started());
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[6], kHeld);
    SetHotKeyWord(f.HotKey[7], kFree);
    SetHotKeyWord(f.HotKey[10], kHeld);  // the same combination lower in the list
    SetHotKeyWord(f.HotKey[12], kFree);
    f.ApplyHotKeys();

    EXPECT_EQ(f.KeyStatus[6].State, S::HeldElsewhere);
    EXPECT_EQ(f.HotKeyManager[6].LastError(), static_cast<DWORD>(ERROR_HOTKEY_ALREADY_REGISTERED));
    EXPECT_EQ(Mark(6), L"Занято другой программой");
    EXPECT_EQ(TipText(f.HotKey[6]), L"Занято другой программой");
    EXPECT_EQ(TipText(f.HotKeyMark[6]), L"Занято другой программой");
    EXPECT_EQ(f.KeyStatus[7].State, S::InForce);
    EXPECT_EQ(Mark(7), L"");
    EXPECT_EQ(TipText(f.HotKey[7]), L"");
    EXPECT_EQ(f.KeyStatus[10].State, S::AssignedAbove);
    EXPECT_EQ(Mark(10), L"Уже назначено: Воспроизвести");
    EXPECT_EQ(Mark(12), L"Уже назначено: Приостановить");
    EXPECT_EQ(Mark(1), L"") << "an empty field is no conflict";
    EXPECT_TRUE(f.KeyRetryTimer.Enabled());
    const std::wstring atom = L"HotKeyManagerHotKey" + std::to_wstring(kHeld);
    f.RetryHeldHotKeys();
    EXPECT_EQ(GlobalFindAtomW(atom.c_str()), 0) << "a refused attempt keeps no atom";

    // The other program lets go: within a retry, Plovik holds the key it
    // was refused, not an edit made since (edits wait for the next apply).
    SetHotKeyWord(f.HotKey[6], kCtrlAlt | 'M');
    ASSERT_TRUE(holder.Release(kHeld));
    EXPECT_TRUE(WaitFor([&] { return f.KeyStatus[6].State == S::InForce; }, 10000));
    EXPECT_EQ(Mark(6), L"");
    EXPECT_EQ(TipText(f.HotKey[6]), L"");
    EXPECT_FALSE(HotKeyAvailable(kHeld));
    EXPECT_FALSE(f.KeyRetryTimer.Enabled()) << "nothing left to retry";
    EXPECT_EQ(f.KeyStatus[10].State, S::AssignedAbove);
    EXPECT_FALSE(holder.Take(kHeld) && holder.Holds(kHeld)) << "now the other program is refused";

    EXPECT_TRUE(HotKeyAvailable(kCtrlAlt | 'M'));

    peer.Mark();
    Press(kHeld);
    EXPECT_EQ(peer.Lines(), std::vector<std::string>{Cmd(40045)});
}

TEST_F(MarksTest, StartUpNamesTheKeysNotInForceInOneBalloon) {
    TKeyHolder holder({kHeld, kCtrlAlt | 'L'});
    ASSERT_TRUE(holder.Ready());
    WriteDword(L"Play", kHeld);
    WriteDword(L"Pause", kFree);
    WriteDword(L"Stop", kCtrlAlt | 'L');
    WriteDword(L"PlayNext", kHeld);
    TForm1& f = Form();
    const NOTIFYICONDATAW& d = f.TrayIcon->IconData();
    EXPECT_STREQ(d.szInfoTitle, L"Plovik");
    EXPECT_STREQ(d.szInfo, L"Воспроизвести, Остановить, Следующая песня");
    EXPECT_EQ(f.KeyStatus[7].State, S::InForce);
    form.reset();

    // Nothing held elsewhere: no balloon, even with a key used twice.
    WriteDword(L"Play", kFree);
    WriteDword(L"Stop", 0);
    WriteDword(L"PlayNext", kFree);
    TForm1& g = Form();
    EXPECT_EQ(g.KeyStatus[7].State, S::AssignedAbove);
    EXPECT_STREQ(g.TrayIcon->IconData().szInfo, L"");
}

TEST_F(MarksTest, ALongListIsCutBetweenCaptions) {
    // Every designed action bound to the one held key: one is held
    // elsewhere, the others are assigned above; the list is cut to fit.
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    for (const TActionInfo& a : kActions) WriteDword(a.Value, kHeld);
    const std::wstring text = Form().TrayIcon->IconData().szInfo;
    EXPECT_LE(text.size(), 255u);
    EXPECT_EQ(text.rfind(L"Запуск Winamp, Закрыть Winamp", 0), 0u) << text;
    EXPECT_EQ(text.substr(text.size() - 3), L", …");
}

TEST_F(MarksTest, SuspendedKeysAreNotRetriedAndResumeTakesWhatWasLetGo) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[5], kOnOff);
    SetHotKeyWord(f.HotKey[6], kHeld);
    f.ApplyHotKeys();
    f.SaveSettings();
    ASSERT_EQ(f.KeyStatus[6].State, S::HeldElsewhere);

    Press(kOnOff);
    ASSERT_TRUE(f.HotKeysSuspended);
    EXPECT_FALSE(f.KeyRetryTimer.Enabled());
    ASSERT_TRUE(holder.Release(kHeld));
    f.RetryHeldHotKeys();  // a tick that was already due
    EXPECT_TRUE(HotKeyAvailable(kHeld)) << "a suspended key stays free for the other program";

    Press(kOnOff);
    EXPECT_FALSE(f.HotKeysSuspended);
    EXPECT_EQ(f.KeyStatus[6].State, S::InForce);
    EXPECT_EQ(Mark(6), L"");
    EXPECT_FALSE(HotKeyAvailable(kHeld));
}

TEST_F(MarksTest, StoredWordsTheFieldsCannotMakeAreNeitherShownNorLost) {
    WriteDword(L"Play", VK_F5);                        // no modifier
    WriteDword(L"Pause", kHotKeyShift | 'P');          // Shift alone
    WriteDword(L"Stop", kHotKeyShift | VK_VOLUME_UP);  // a media key with Shift
    WriteDword(L"PlayNext", VK_MEDIA_NEXT_TRACK);      // a media key alone
    WriteDword(L"VolUp", kCtrlAlt | VK_VOLUME_UP);     // an ordinary Ctrl+Alt combination
    TForm1& f = Form();
    for (int n : {6, 7, 8}) {
        EXPECT_EQ(Shown(f.HotKey[n]), 0) << "action " << n << " shows a key that is not in force";
        EXPECT_EQ(f.KeyStatus[n].State, S::Free) << n;
    }
    EXPECT_TRUE(HotKeyAvailable(VK_F5));
    EXPECT_TRUE(HotKeyAvailable(kHotKeyShift | 'P'));
    EXPECT_EQ(Shown(f.HotKey[10]), VK_MEDIA_NEXT_TRACK);
    EXPECT_EQ(f.KeyStatus[10].State, S::InForce);
    EXPECT_FALSE(HotKeyAvailable(VK_MEDIA_NEXT_TRACK)) << "registered without modifiers";
    EXPECT_EQ(GetHotKeyWord(f.HotKey[11]), kCtrlAlt | VK_VOLUME_UP);
    EXPECT_EQ(f.KeyStatus[11].State, S::InForce);

    f.SaveSettings();
    EXPECT_EQ(Dword(L"Play"), static_cast<DWORD>(VK_F5)) << "kept as stored";
    EXPECT_EQ(Dword(L"Pause"), static_cast<DWORD>(kHotKeyShift | 'P'));
    EXPECT_EQ(Dword(L"Stop"), static_cast<DWORD>(kHotKeyShift | VK_VOLUME_UP));
    EXPECT_EQ(Dword(L"PlayNext"), static_cast<DWORD>(VK_MEDIA_NEXT_TRACK));

    // A combination typed in replaces the kept word; the reset clears them all.
    SetHotKeyWord(f.HotKey[6], kFree);
    f.Button2Click();
    EXPECT_EQ(Dword(L"Play"), static_cast<DWORD>(kFree));
    answers = {IDOK};
    f.ResetSettings();
    EXPECT_EQ(Dword(L"Pause"), 0u);
    EXPECT_EQ(Dword(L"PlayNext"), 0u);
}

TEST_F(MarksTest, PlayPauseStartsAStoppedPlayerAndPausesAPlayingOrPausedOne) {
    TPeerPlayer peer(false, {L"--file", L"C:\\a.mp3"});
    ASSERT_TRUE(peer.Started());
    WriteDword(L"PlayPause", kPlayPause);
    TForm1& f = Form();
    EXPECT_EQ(Shown(f.HotKey[33]), kPlayPause);
    EXPECT_EQ(f.KeyStatus[33].State, S::InForce);
    const std::pair<int, int> states[] = {{0, 40045}, {1, 40046}, {3, 40046}};
    for (auto [state, command] : states) {
        ASSERT_TRUE(peer.ForceState(state));
        peer.Mark();
        Press(kPlayPause);
        const auto lines = peer.Lines();
        ASSERT_FALSE(lines.empty()) << "state " << state;
        EXPECT_EQ(lines.back(), Cmd(command)) << "state " << state;
    }
    // Reset with the others.
    answers = {IDOK};
    f.ResetSettings();
    EXPECT_EQ(Dword(L"PlayPause"), 0u);
    EXPECT_TRUE(HotKeyAvailable(kPlayPause));
}

TEST_F(MarksTest, TheTrayShowsWhileTheKeysAreSwitchedOff) {
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[5], kOnOff);
    f.ApplyHotKeys();
    f.SaveSettings();
    // The icon as it looks on a white background.
    const auto bits = [](HICON icon) {
        std::vector<DWORD> out(32 * 32);
        BITMAPINFO bi{};
        bi.bmiHeader = {sizeof(bi.bmiHeader), 32, -32, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* pixels = nullptr;
        HBITMAP dib = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &pixels, nullptr, 0);
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ old = SelectObject(dc, dib);
        RECT all{0, 0, 32, 32};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        const bool drawn = icon && DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL);
        GdiFlush();
        if (drawn) std::copy_n(static_cast<const DWORD*>(pixels), out.size(), out.begin());
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(dib);
        return drawn ? out : std::vector<DWORD>{};
    };
    // The test program has no icon of its own: give the tray one.
    f.TrayIcon->SetIcon(LoadIconW(nullptr, IDI_APPLICATION));
    const auto normal = bits(f.TrayIcon->IconData().hIcon);
    ASSERT_FALSE(normal.empty());

    Press(kOnOff);
    const NOTIFYICONDATAW& d = f.TrayIcon->IconData();
    EXPECT_STREQ(d.szTip, L"Merrowind Plovik v4.0 (клавиши выключены)");
    EXPECT_STREQ(d.szInfoTitle, L"Plovik");
    EXPECT_STREQ(d.szInfo, L"Горячие клавиши выключены");
    EXPECT_NE(bits(d.hIcon), normal) << "the icon is dimmed";

    Press(kOnOff);
    EXPECT_STREQ(d.szTip, L"Merrowind Plovik v4.0");
    EXPECT_STREQ(d.szInfo, L"Горячие клавиши включены");
    EXPECT_EQ(bits(d.hIcon), normal);
}

TEST_F(MarksTest, EveryFieldAndMarkStandsWholeOnItsPageWithoutCoveringAnother) {
    TForm1& f = Form();
    const auto rectIn = [](HWND child) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    for (int n : {15, 29, 32, 33}) {
        EXPECT_EQ(f.HotKeyMark[n], nullptr) << "a key in force needs no mark at start";
        ASSERT_TRUE(f.EnsureHotKeyMark(n));
        HWND parent = GetParent(f.HotKey[n]);
        RECT client;
        GetClientRect(parent, &client);
        for (HWND c : {f.HotKey[n], f.HotKeyMark[n]}) {
            const RECT r = rectIn(c);
            EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= client.right && r.bottom <= client.bottom)
                << "action " << n << ": " << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " in "
                << client.right << "x" << client.bottom;
            for (HWND o = GetWindow(parent, GW_CHILD); o; o = GetWindow(o, GW_HWNDNEXT)) {
                if (o == c) continue;
                RECT other = rectIn(o), both;
                EXPECT_FALSE(IntersectRect(&both, &r, &other))
                    << "action " << n << " covers " << WideToUtf8(WindowText(o));
            }
        }
    }
    EXPECT_EQ(GetParent(f.HotKey[33]), f.Pages[1]) << "on \"Основное\"";
}

TEST_F(MarksTest, AFieldTakesAMediaKeyAloneAndRefusesAnOrdinaryKeyAlone) {
    TForm1& f = Form();
    HWND field = f.HotKey[33];
    SetFocus(field);
    const auto type = [&](UINT vk) {
        SendMessageW(field, WM_KEYDOWN, vk, 1);
        SendMessageW(field, WM_KEYUP, vk, 0xC0000001);
    };
    type(VK_VOLUME_UP);
    EXPECT_EQ(GetHotKeyWord(field), VK_VOLUME_UP);
    EXPECT_STREQ(MediaKeyName(VK_VOLUME_UP), L"Громкость +");
    type(VK_F5);
    EXPECT_EQ(Shown(field), 0) << "F5 alone is no hot key";
    type(VK_MEDIA_PLAY_PAUSE);
    f.ApplyHotKeys();
    EXPECT_EQ(f.KeyStatus[33].State, S::InForce);
    EXPECT_FALSE(HotKeyAvailable(VK_MEDIA_PLAY_PAUSE));
}

// The control has no room for the Windows key: the field keeps it, names it
// as the control names the rest, and tells the settings of a change of it
// alone.
TEST_F(MarksTest, AFieldHoldsAndNamesACombinationWithTheWindowsKey) {
    TForm1& f = Form();
    HWND field = f.HotKey[11];
    const struct {
        TShortCut Word;
        const wchar_t* Text;  // what the field draws itself; empty: the control draws
    } rows[] = {
        {kHotKeyWin | kHotKeyAlt | 'N', L"Win + Alt + N"},
        {kHotKeyWin | kHotKeyCtrl | VK_RIGHT, L"Win + Control + Right"},  // Wine's name for Ctrl
        {kHotKeyWin | kHotKeyShift | 'N', L"Win + Shift + N"},
        {kHotKeyWin | 'N', L"Win + N"},
        {kHotKeyWin | VK_VOLUME_UP, L"Win + Громкость +"},
        {VK_VOLUME_UP, L"Громкость +"},
        {kHotKeyAlt | 'N', L""},
    };
    for (const auto& row : rows) {
        SetHotKeyWord(field, row.Word);
        EXPECT_EQ(GetHotKeyWord(field), row.Word) << std::hex << row.Word;
        EXPECT_EQ(f.Settings.KeyInForce(11), row.Word) << std::hex << row.Word;
        EXPECT_EQ(HotKeyFieldText(field), row.Text) << std::hex << row.Word;
    }
    // From Alt+N the Windows key alone comes and goes.
    SetHotKeyWord(field, kHotKeyWin | kHotKeyAlt | 'N');
    EXPECT_EQ(f.Settings.KeyInForce(11), kHotKeyWin | kHotKeyAlt | 'N');
    SetHotKeyWord(field, kHotKeyAlt | 'N');
    EXPECT_EQ(f.Settings.KeyInForce(11), kHotKeyAlt | 'N');

    // Any key typed without the Windows key held starts afresh without it.
    SetHotKeyWord(field, kHotKeyWin | kHotKeyAlt | 'N');
    const UINT typed[] = {VK_CONTROL, VK_MENU, 'K'};
    for (UINT vk : typed) SendMessageW(field, vk == VK_CONTROL ? WM_KEYDOWN : WM_SYSKEYDOWN, vk, 1);
    for (auto it = std::rbegin(typed); it != std::rend(typed); ++it)
        SendMessageW(field, *it == VK_CONTROL ? WM_KEYUP : WM_SYSKEYUP, *it, 0xC0000001);
    EXPECT_EQ(GetHotKeyWord(field), 0xC000 | 'K');
    EXPECT_EQ(f.Settings.KeyInForce(11), 0xC000 | 'K');

    // Typed with Win and Shift held: the control would take the character
    // that follows the key for Shift+N, which it refuses, and keep N alone.
    SetFocus(field);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_LWIN] = keys[VK_SHIFT] = keys[VK_LSHIFT] = 0x80;
    SetKeyboardState(keys);
    SendMessageW(field, WM_KEYDOWN, VK_LWIN, 1);
    SendMessageW(field, WM_KEYDOWN, VK_SHIFT, 1);
    EXPECT_EQ(HotKeyFieldText(field), L"Win + Shift + ") << "while the rest is typed";
    const LPARAM scan = static_cast<LPARAM>(MapVirtualKeyW('N', MAPVK_VK_TO_VSC)) << 16 | 1;
    SendMessageW(field, WM_KEYDOWN, 'N', scan);
    SendMessageW(field, WM_CHAR, 'N', scan);
    SendMessageW(field, WM_KEYUP, 'N', scan | 0xC0000000);
    keys[VK_LWIN] = keys[VK_SHIFT] = keys[VK_LSHIFT] = 0;
    SetKeyboardState(keys);
    SendMessageW(field, WM_KEYUP, VK_SHIFT, 0xC0000001);
    SendMessageW(field, WM_KEYUP, VK_LWIN, 0xC0000001);
    EXPECT_EQ(GetHotKeyWord(field), kHotKeyWin | kHotKeyShift | 'N');
    EXPECT_EQ(f.Settings.KeyInForce(11), kHotKeyWin | kHotKeyShift | 'N');
}

// A combination with the Windows key that the system will not give is
// marked like any other, and asked for again with the Windows key.
TEST_F(MarksTest, AWindowsKeyCombinationHeldElsewhereIsMarkedAndTakenBack) {
    constexpr TShortCut kWinHeld = kHotKeyWin | kHotKeyAlt | 'K';
    TKeyHolder holder({kWinHeld});
    ASSERT_TRUE(holder.Holds(kWinHeld)) << holder.Log();
    const std::wstring entry = L"Stop=" + std::to_wstring(kWinHeld);
    WriteRaw(L"WinKeys", REG_SZ, entry.c_str(), static_cast<DWORD>((entry.size() + 1) * sizeof(wchar_t)));
    TForm1& f = Form();
    EXPECT_EQ(GetHotKeyWord(f.HotKey[8]), kWinHeld) << "the field keeps showing it";
    EXPECT_EQ(f.KeyStatus[8].State, S::HeldElsewhere);
    EXPECT_EQ(Mark(8), L"Занято другой программой");
    ASSERT_TRUE(holder.Release(kWinHeld));
    f.RetryHeldHotKeys();
    EXPECT_EQ(f.KeyStatus[8].State, S::InForce);
    EXPECT_FALSE(HotKeyAvailable(kWinHeld)) << "taken back with the Windows key";
}

namespace {

void Tap(TShortCut word) {
    SendKeys({VK_CONTROL, VK_MENU, static_cast<WORD>(word & 0xFF)}, true);
    SendKeys({static_cast<WORD>(word & 0xFF), VK_MENU, VK_CONTROL}, false);
}
// Chooses the first item of the next menu that opens, and notes its caption.
class TMenuPick {
public:
    TMenuPick() {
        FTimer.SetInterval(30);
        FTimer.OnTimer = [this] {
            HWND menu = FindWindowW(L"#32768", nullptr);
            if (!menu || !IsWindowVisible(menu) || !Caption.empty()) return;
            wchar_t text[128] = {};
            GetMenuStringW(reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0)), 0, text, 128, MF_BYPOSITION);
            Caption = text;
            PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
            PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
        };
        FTimer.SetEnabled(true);
    }
    std::wstring Caption;

private:
    TWindowTimer FTimer;
};

}  // namespace

// The user takes a key another program holds, from its mark, and gives it
// back from the field: each choice is in force at once and kept. A taken key
// reaches the player and never the holder; switched off, it does nothing of
// Plovik's; when the holder lets go, the key is an ordinary one again.
TEST_F(MarksTest, AHeldKeyIsTakenFromItsMarkGivenBackAndReturnsWhenTheHolderLetsGo) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready() && holder.Holds(kHeld)) << holder.Log();
    TPeerPlayer peer;
    ASSERT_TRUE(peer.Started());
    const std::string holderGot = "PRESSED " + std::to_string(kHeld & 0xBFFF);
    const auto holderPresses = [&] {
        const std::string log = holder.Log();
        size_t n = 0;
        for (size_t at = log.find(holderGot); at != std::string::npos; at = log.find(holderGot, at + 1)) ++n;
        return n;
    };
    // Stored by an earlier run: "Play" taken, a name no action has, and a
    // choice for an action without a key.
    WriteDword(L"Play", kHeld);
    WriteDword(L"PlovikOnOff", kOnOff);
    const std::wstring stored = L"Play,Nonsense,Pause";
    WriteRaw(L"TakenKeys", REG_SZ, stored.c_str(), static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t)));
    TForm1& f = Form();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].Text.find(L"'TakenKeys'"), std::wstring::npos) << WideToUtf8(asked[0].Text);
    EXPECT_EQ(f.KeyStatus[6].State, S::Taken);
    EXPECT_EQ(Mark(6), L"Перехвачено у другой программы");
    ASSERT_EQ(f.KeyTaker.Keys().size(), 1u) << "no hook for a choice without a key";
    EXPECT_TRUE(f.KeyTaker.Hooked());

    ShowWindow(f.Handle(), SW_SHOW);
    SetForegroundWindow(f.Handle());
    NMHDR tab{f.PageControl, static_cast<UINT_PTR>(GetDlgCtrlID(f.PageControl)), static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(f.PageControl, TCM_SETCURSEL, kActions[5].Tab, 0);
    SendMessageW(f.Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tab));
    const auto played = [&] {
        const std::vector<std::string> lines = peer.Lines();
        return std::count(lines.begin(), lines.end(), Cmd(40045));
    };
    const auto pressed = [&](long player, size_t holderTotal, const char* how) {
        peer.Mark();
        Tap(kHeld);
        EXPECT_TRUE(WaitFor([&] { return holderPresses() == holderTotal && played() == player; }))
            << how << ": holder " << holderPresses() << ", player " << played();
    };
    pressed(1, 0, "taken");

    {
        TMenuPick pick;
        ClickWindow(f.HotKey[6], true);
        ASSERT_TRUE(WaitFor([&] { return f.KeyStatus[6].State == S::HeldElsewhere; })) << WideToUtf8(pick.Caption);
        EXPECT_EQ(pick.Caption, L"Вернуть другой программе");
    }
    EXPECT_FALSE(f.KeyTaker.Hooked());
    EXPECT_EQ(Mark(6), L"Занято другой программой");
    pressed(0, 1, "given back");
    {
        TMenuPick pick;
        ClickWindow(f.HotKeyMark[6], false);
        ASSERT_TRUE(WaitFor([&] { return f.KeyStatus[6].State == S::Taken; })) << WideToUtf8(pick.Caption);
        EXPECT_EQ(pick.Caption, L"Перехватить");
    }

    // Switched off, the hook is gone and the key is the holder's; on again, taken again.
    Tap(kOnOff);
    ASSERT_TRUE(WaitFor([&] { return f.HotKeysSuspended; }));
    EXPECT_FALSE(f.KeyTaker.Hooked());
    pressed(0, 2, "switched off");
    Tap(kOnOff);
    ASSERT_TRUE(WaitFor([&] { return !f.HotKeysSuspended; }));
    EXPECT_EQ(f.KeyStatus[6].State, S::Taken);
    pressed(1, 2, "switched on");

    // The holder lets go: within a retry the key is registered as any other.
    ASSERT_TRUE(holder.Release(kHeld));
    EXPECT_TRUE(WaitFor([&] { return f.KeyStatus[6].State == S::InForce; }, 10000));
    EXPECT_FALSE(f.KeyTaker.Hooked());
    EXPECT_EQ(Mark(6), L"");
    pressed(1, 2, "let go");
    f.SaveSettings();
    EXPECT_EQ(Text(kSettingsKey, L"TakenKeys"), L"Play,Pause") << "the choice stays for the next conflict";
}
