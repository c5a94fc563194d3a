// Which hot keys are in force: a mark beside every field whose combination
// the system did not take, with the reason in a tooltip; a cheap retry of the
// keys that another program holds; and the start-up balloon that names them.
#include "app/form1.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "app/hotkey_field.h"
#include "desktop/application.h"

namespace {

// A held key is asked for again this often: one registration attempt per
// held key and tick, and no window work unless one comes free.
constexpr UINT kKeyRetryMs = 3000;
// Room the shell gives a balloon's text, less the terminator.
constexpr size_t kBalloonTextRoom = 255;
const std::wstring_view kCutMark = L", …";

// Where a menu of a control opens: at the mouse, or under the control when
// the keyboard asked for it.
POINT MenuPoint(HWND wnd, UINT msg, LPARAM lp) {
    if (msg == WM_CONTEXTMENU && lp != -1) return {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    RECT r{};
    GetWindowRect(wnd, &r);
    return {r.left, r.bottom};
}

// A mark, or the field beside it, offers to take the key from the program
// that holds it (or to give it back): a click on the mark, or either one's
// context menu.
bool OffersKeyTake(HWND wnd, UINT msg, LPARAM lp, int n) {
    TForm1* form = TForm1::Running();
    if (!form || (msg != WM_CONTEXTMENU && msg != WM_LBUTTONUP)) return false;
    const TForm1::TKeyState st = form->KeyStatus[n].State;
    if (st != TForm1::TKeyState::HeldElsewhere && st != TForm1::TKeyState::Taken) return false;
    form->OfferKeyTake(n, MenuPoint(wnd, msg, lp));
    return true;
}

LRESULT CALLBACK FieldMenuProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR n) {
    if (msg == WM_CONTEXTMENU && OffersKeyTake(wnd, msg, lp, static_cast<int>(n))) return 0;
    return DefSubclassProc(wnd, msg, wp, lp);
}

// The mark: a small icon painted to the control's size, which follows the
// window's DPI. GWLP_USERDATA holds the shared system icon to draw.
LRESULT CALLBACK MarkProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR n) {
    if (OffersKeyTake(wnd, msg, lp, static_cast<int>(n))) return 0;
    if (msg != WM_PAINT) return DefSubclassProc(wnd, msg, wp, lp);
    PAINTSTRUCT ps;
    RECT r;
    HDC dc = BeginPaintOnParentBack(wnd, ps, r, WM_CTLCOLORSTATIC, COLOR_BTNFACE);
    const int side = std::min(r.right, r.bottom);
    if (HICON icon = reinterpret_cast<HICON>(GetWindowLongPtrW(wnd, GWLP_USERDATA)))
        DrawIconEx(dc, 0, (r.bottom - side) / 2, icon, side, side, 0, nullptr, DI_NORMAL);
    EndPaint(wnd, &ps);
    return 0;
}

void SetToolText(HWND tip, HWND tool, const std::wstring& text) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&ti));
}

void AddTool(HWND tip, HWND tool) {
    TTTOOLINFOW ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(tool);
    ti.uId = reinterpret_cast<UINT_PTR>(tool);
    ti.lpszText = const_cast<wchar_t*>(L"");
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
}

}  // namespace

void TForm1::CreateHotKeyMarks() {
    KeyRetryTimer.SetInterval(kKeyRetryMs);
    KeyRetryTimer.OnTimer = [this] { RetryHeldHotKeys(); };
}

// A mark and its tooltips are made the first time a key is not in force:
// most starts need none, and thirty-three of each cost a fifth of the
// start-up under Wine.
HWND TForm1::EnsureHotKeyMark(int n) {
    if (HotKeyMark[n]) return HotKeyMark[n];
    if (!FMarkTip)
        FMarkTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FHandle, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
    RECT field{};
    for (const TPlaced& p : FPlaced)
        if (p.Wnd == HotKey[n]) field = p.Design;
    // Just right of the field, inside the tab and the file group alike.
    HWND mark = AddControl(GetParent(HotKey[n]), L"STATIC", L"", SS_NOTIFY, field.right + 3, field.top + 1, 16,
                           field.bottom - field.top - 2);
    ShowWindow(mark, SW_HIDE);
    SetWindowSubclass(mark, MarkProc, 1, static_cast<DWORD_PTR>(n));
    SetWindowSubclass(HotKey[n], FieldMenuProc, 2, static_cast<DWORD_PTR>(n));
    AddTool(FMarkTip, mark);
    AddTool(FMarkTip, HotKey[n]);
    HotKeyMark[n] = mark;
    return mark;
}

std::wstring TForm1::KeyStatusText(int n) const {
    const TKeyStatus& s = KeyStatus[n];
    switch (s.State) {
        case TKeyState::HeldElsewhere: return Text(TTextId::MarkHeldElsewhere);
        case TKeyState::AssignedAbove: return Text(TTextId::MarkAssignedAbove, Text(kActions[s.Above - 1].Label));
        case TKeyState::Refused: return std::wstring(Text(TTextId::MarkRefused)) + L": " + SystemErrorText(s.Error);
        case TKeyState::Taken: return Text(TTextId::MarkTaken);
        default: return {};
    }
}

// Marks live in the window: one made later shows every mark at once.
void TForm1::UpdateHotKeyMark(int n) {
    if (!FHandle) return;
    const std::wstring text = KeyStatusText(n);
    if (text.empty() && !HotKeyMark[n]) return;
    HWND mark = EnsureHotKeyMark(n);
    const TKeyState st = KeyStatus[n].State;
    const wchar_t* icon = st == TKeyState::AssignedAbove || st == TKeyState::Taken ? IDI_INFORMATION
                          : st == TKeyState::Refused                              ? IDI_ERROR
                                                                                  : IDI_WARNING;
    SetWindowLongPtrW(mark, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(LoadIconW(nullptr, icon)));
    SetWindowTextW(mark, text.c_str());
    SetToolText(FMarkTip, mark, text);
    SetToolText(FMarkTip, HotKey[n], text);
    InvalidateRect(mark, nullptr, TRUE);
    ShowWindow(mark, text.empty() ? SW_HIDE : SW_SHOWNA);
}

// Registers one field's word and notes whether it is in force and, if not, why.
void TForm1::RegisterHotKeyOf(int n) {
    const TShortCut word = Settings.KeyInForce(n);
    const WORD index = HotKeyManager[n].AddHotKey(word);
    TKeyStatus s;
    s.Word = word;
    if (word == 0) {
        s.State = TKeyState::Free;
    } else if (index != 0) {
        s.State = TKeyState::InForce;
    } else {
        for (int m = 1; m < n && s.Above == 0; ++m)
            if (Settings.KeyInForce(m) == word) s.Above = m;
        if (s.Above != 0)
            s.State = TKeyState::AssignedAbove;
        else if (HotKeyManager[n].LastError() == ERROR_HOTKEY_ALREADY_REGISTERED)
            s.State = Settings.Taken[n] ? TKeyState::Taken : TKeyState::HeldElsewhere;
        else {
            s.State = TKeyState::Refused;
            s.Error = HotKeyManager[n].LastError();
        }
    }
    const TKeyStatus old = KeyStatus[n];
    KeyStatus[n] = s;
    if (old.State != s.State || old.Above != s.Above || old.Error != s.Error) UpdateHotKeyMark(n);
}

// Suspended keys are not asked for: the user switched them off. The hook
// is looked after while it runs.
void TForm1::UpdateKeyRetryTimer() {
    bool held = false;
    for (int n = 1; n <= kActionCount; ++n)
        held = held || KeyStatus[n].State == TKeyState::HeldElsewhere || KeyStatus[n].State == TKeyState::Taken;
    KeyRetryTimer.SetEnabled((held && !HotKeysSuspended) || KeyTaker.Hooked());
}

void TForm1::UpdateTakenKeys() {
    std::vector<TKeyTaker::TTaken> keys;
    for (int n = 1; n <= kActionCount; ++n)
        if (KeyStatus[n].State == TKeyState::Taken && (!HotKeysSuspended || n == 5))
            keys.push_back({n, KeyStatus[n].Word});
    KeyTaker.SetKeys(keys);
    UpdateKeyRetryTimer();
}

void TForm1::TakeKey(int n, bool take) {
    if (FClosed) return;
    Settings.Taken[n] = take;
    TKeyStatus& s = KeyStatus[n];
    if (take && s.State == TKeyState::HeldElsewhere)
        s.State = TKeyState::Taken;
    else if (!take && s.State == TKeyState::Taken)
        s.State = TKeyState::HeldElsewhere;
    else
        return;
    UpdateHotKeyMark(n);
    UpdateTakenKeys();
}

void TForm1::OfferKeyTake(int n, POINT at) {
    const bool take = KeyStatus[n].State == TKeyState::HeldElsewhere;
    TPopupMenu menu;
    menu.Add(::Text(take ? TTextId::MenuTakeKey : TTextId::MenuGiveKeyBack), [this, n, take] { TakeKey(n, take); });
    SetForegroundWindow(FHandle);
    menu.Popup(at.x, at.y, FHandle);
}

void TForm1::RetryHeldHotKeys() {
    KeyTaker.Heal();
    if (HotKeysSuspended) {
        UpdateKeyRetryTimer();
        return;
    }
    bool returned = false;
    for (int n = 1; n <= kActionCount; ++n) {
        const TKeyState was = KeyStatus[n].State;
        if ((was != TKeyState::HeldElsewhere && was != TKeyState::Taken) ||
            !HotKeyManager[n].Registrations().empty())
            continue;
        // The word the key was refused for, not an edit made since: edits
        // take effect only when the keys are applied.
        TKeyStatus& st = KeyStatus[n];
        // The system took the combination once and only found it taken: any
        // other failure now (short of atoms or memory) is a passing one, and
        // the key is asked for again at the next tick.
        if (HotKeyManager[n].AddHotKey(st.Word) != 0) {
            // The other program let go: the key is registered as any other,
            // and the hook no longer needs it.
            st.State = TKeyState::InForce;
            UpdateHotKeyMark(n);
            returned = returned || was == TKeyState::Taken;
        }
    }
    if (returned)
        UpdateTakenKeys();
    else
        UpdateKeyRetryTimer();
}

// One balloon when start-up finds a key held by another program, naming every
// action whose key is not in force; the list is cut between captions.
void TForm1::ReportKeysNotInForce() {
    bool held = false;
    for (int n = 1; n <= kActionCount; ++n) held = held || KeyStatus[n].State == TKeyState::HeldElsewhere;
    if (!held) return;
    std::wstring text;
    for (int n = 1; n <= kActionCount; ++n) {
        const TKeyState st = KeyStatus[n].State;
        if (st == TKeyState::InForce || st == TKeyState::Free || st == TKeyState::Taken) continue;
        const std::wstring item = (text.empty() ? L"" : L", ") + std::wstring(::Text(kActions[n - 1].Label));
        if (text.size() + item.size() > kBalloonTextRoom - kCutMark.size()) {
            text += kCutMark;
            break;
        }
        text += item;
    }
    ShowKeysBalloon(text);
}

// Not on Timer2's two seconds, which are for the track: a balloon about the
// keys stays as long as the shell shows it.
void TForm1::ShowKeysBalloon(const std::wstring& Text) {
    if (!TrayIcon) return;
    Timer2.SetEnabled(false);
    TrayIcon->ShowBalloonHint(::Text(TTextId::KeysBalloonTitle), Text, bitInfo, kBalloonSeconds);
    FKeysBalloonUntil = GetTickCount64() + kBalloonSeconds * 1000ull;
}
