#include "app/hotkey_field.h"
#include "desktop/application.h"

#include <commctrl.h>

#include "app/texts.h"

#include <iterator>
#include <string>

namespace {

struct TMediaKey {
    BYTE Vk;
    TTextId Name;
};
// The keyboard layout has no names for these, so the field would show none.
const TMediaKey kMediaKeys[] = {
    {VK_MEDIA_PLAY_PAUSE, TTextId::MediaPlayPause}, {VK_MEDIA_STOP, TTextId::MediaStop},
    {VK_MEDIA_NEXT_TRACK, TTextId::MediaNextTrack}, {VK_MEDIA_PREV_TRACK, TTextId::MediaPrevTrack},
    {VK_VOLUME_UP, TTextId::MediaVolumeUp},         {VK_VOLUME_DOWN, TTextId::MediaVolumeDown},
    {VK_VOLUME_MUTE, TTextId::MediaMute},
};

bool IsExtendedKey(BYTE vk) {
    switch (vk) {
        case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
        case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
            return true;
        default:
            return false;
    }
}

// A key by its name in the keyboard layout, as the control writes it.
std::wstring KeyName(UINT vk, bool extended = false) {
    wchar_t name[64] = {};
    LONG scan = static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    if (extended) scan |= 1L << 24;
    return GetKeyNameTextW(scan, name, static_cast<int>(std::size(name))) > 0 ? name : L"";
}

std::wstring ModifierText(BYTE mods) {
    std::wstring text;
    if (mods & HOTKEYF_CONTROL) text += KeyName(VK_CONTROL) + L" + ";
    if (mods & HOTKEYF_SHIFT) text += KeyName(VK_SHIFT) + L" + ";
    if (mods & HOTKEYF_ALT) text += KeyName(VK_MENU) + L" + ";
    return text;
}

bool IsWinKey(WPARAM vk) { return vk == VK_LWIN || vk == VK_RWIN; }
bool WinDown() { return GetKeyState(VK_LWIN) < 0 || GetKeyState(VK_RWIN) < 0; }

bool IsModifierKey(WPARAM vk) {
    switch (vk) {
        case VK_SHIFT: case VK_CONTROL: case VK_MENU: case VK_LSHIFT: case VK_RSHIFT: case VK_LCONTROL:
        case VK_RCONTROL: case VK_LMENU: case VK_RMENU: case VK_LWIN: case VK_RWIN:
            return true;
        default:
            return false;
    }
}

// The control's word has no room for the Windows key: the field keeps it
// beside the control, as a property of its window.
const wchar_t kWinProperty[] = L"PlovikHotKeyWin";
bool WinFlag(HWND wnd) { return GetPropW(wnd, kWinProperty) != nullptr; }
void SetWinFlag(HWND wnd, bool on) {
    if (on)
        SetPropW(wnd, kWinProperty, reinterpret_cast<HANDLE>(1));
    else
        RemovePropW(wnd, kWinProperty);
}

// What the field holds, acceptable or not.
TShortCut RawWord(HWND wnd) {
    const TShortCut word = HotKeyFromControlWord(static_cast<WORD>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0)));
    return WinFlag(wnd) && word != 0 ? static_cast<TShortCut>(word | kHotKeyWin) : word;
}

void NotifyParent(HWND wnd) {
    SendMessageW(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), EN_CHANGE), reinterpret_cast<LPARAM>(wnd));
}

}  // namespace

std::wstring HotKeyFieldText(HWND wnd) {
    const WORD control = static_cast<WORD>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0));
    const BYTE vk = LOBYTE(control);
    const bool win = WinFlag(wnd) && vk != 0;
    if (!win && control == 0 && GetFocus() == wnd && WinDown()) {
        BYTE mods = 0;
        if (GetKeyState(VK_CONTROL) < 0) mods |= HOTKEYF_CONTROL;
        if (GetKeyState(VK_SHIFT) < 0) mods |= HOTKEYF_SHIFT;
        if (GetKeyState(VK_MENU) < 0) mods |= HOTKEYF_ALT;
        return std::wstring(Text(TTextId::KeyWin)) + L" + " + ModifierText(mods);
    }
    if (!win && !IsMediaKey(vk)) return L"";
    const std::wstring key = IsMediaKey(vk) ? MediaKeyName(vk) : KeyName(vk, (HIBYTE(control) & HOTKEYF_EXT) != 0);
    return (win ? std::wstring(Text(TTextId::KeyWin)) + L" + " : std::wstring()) + ModifierText(HIBYTE(control)) + key;
}

namespace {

// Drawn here the way the control draws its own text.
void PaintOwnText(HWND wnd, const std::wstring& text) {
    PAINTSTRUCT ps;
    RECT r;
    HDC dc = BeginPaintOnParentBack(wnd, ps, r, WM_CTLCOLOREDIT, COLOR_WINDOW);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(wnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TextOutW(dc, 2, 1, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldFont);
    EndPaint(wnd, &ps);
    if (GetFocus() == wnd) SetCaretPos(2 + size.cx, 1);
}

// The control takes the Windows key for a key of its own and loses it when
// the next key comes: with it held, the field takes the combination itself.
void TakeWinCombination(HWND wnd, WPARAM vk) {
    TShortCut word = static_cast<TShortCut>(kHotKeyWin | (vk & 0xFF));
    if (GetKeyState(VK_SHIFT) < 0) word |= kHotKeyShift;
    if (GetKeyState(VK_CONTROL) < 0) word |= kHotKeyCtrl;
    if (GetKeyState(VK_MENU) < 0) word |= kHotKeyAlt;
    SetWinFlag(wnd, true);
    DefSubclassProc(wnd, HKM_SETHOTKEY, ControlWordFromHotKey(word), 0);
    InvalidateRect(wnd, nullptr, TRUE);
}

LRESULT FieldKeys(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    const bool down = msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN, up = msg == WM_KEYUP || msg == WM_SYSKEYUP;
    if ((down || up) && IsWinKey(wp)) {
        // Like any modifier in the control, the Windows key starts a new
        // combination; its repeats while held do not.
        if (down && !(lp & (1L << 30))) {
            SetWinFlag(wnd, false);
            DefSubclassProc(wnd, HKM_SETHOTKEY, 0, 0);
        }
        InvalidateRect(wnd, nullptr, TRUE);
        return 0;
    }
    if (down && !IsModifierKey(wp) && WinDown()) {
        TakeWinCombination(wnd, wp);
        return 0;
    }
    // The character of a key taken above would be typed over it.
    if ((msg == WM_CHAR || msg == WM_SYSCHAR) && WinDown()) return 0;
    if (down) SetWinFlag(wnd, false);
    const LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
    if (up) {
        const TShortCut word = RawWord(wnd);
        if (word != 0 && !IsAcceptableHotKey(word)) {
            SetWinFlag(wnd, false);
            DefSubclassProc(wnd, HKM_SETHOTKEY, 0, 0);
        }
    }
    return r;
}

// What the user typed becomes nothing when it is no acceptable hot key.
LRESULT CALLBACK FieldProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_PAINT) {
        const std::wstring text = HotKeyFieldText(wnd);
        if (text.empty()) return DefSubclassProc(wnd, msg, wp, lp);
        PaintOwnText(wnd, text);
        return 0;
    }
    if (msg == WM_NCDESTROY) SetWinFlag(wnd, false);
    const bool changes = msg == HKM_SETHOTKEY || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_KEYUP ||
                         msg == WM_SYSKEYUP || msg == WM_CHAR || msg == WM_SYSCHAR;
    if (!changes) return DefSubclassProc(wnd, msg, wp, lp);
    const TShortCut before = RawWord(wnd);
    const LRESULT r = FieldKeys(wnd, msg, wp, lp);
    // Every change, typed or set in code, is told to the parent, which keeps
    // the settings.
    if (RawWord(wnd) != before) NotifyParent(wnd);
    return r;
}
}  // namespace

bool IsMediaKey(BYTE vk) { return MediaKeyName(vk)[0] != L'\0'; }

const wchar_t* MediaKeyName(BYTE vk) {
    for (const TMediaKey& k : kMediaKeys)
        if (k.Vk == vk) return Text(k.Name);
    return L"";
}

bool IsAcceptableHotKey(TShortCut word) {
    if ((word & 0xFF) == 0) return false;
    // The Windows key makes a hot key with any other modifiers, or none.
    if (word & kHotKeyWin) return true;
    const TShortCut mods = word & (kHotKeyShift | kHotKeyCtrl | kHotKeyAlt);
    if (mods == 0) return IsMediaKey(static_cast<BYTE>(word & 0xFF));
    return mods != kHotKeyShift;
}

TShortCut HotKeyFromControlWord(WORD control) {
    const BYTE vk = LOBYTE(control), mods = HIBYTE(control);
    TShortCut word = vk;
    if (mods & HOTKEYF_SHIFT) word |= kHotKeyShift;
    if (mods & HOTKEYF_CONTROL) word |= kHotKeyCtrl;
    if (mods & HOTKEYF_ALT) word |= kHotKeyAlt;
    return word;
}

WORD ControlWordFromHotKey(TShortCut word) {
    const BYTE vk = static_cast<BYTE>(word & 0xFF);
    BYTE mods = 0;
    if (word & kHotKeyShift) mods |= HOTKEYF_SHIFT;
    if (word & kHotKeyCtrl) mods |= HOTKEYF_CONTROL;
    if (word & kHotKeyAlt) mods |= HOTKEYF_ALT;
    if (IsExtendedKey(vk)) mods |= HOTKEYF_EXT;
    return MAKEWORD(vk, mods);
}

HWND CreateHotKeyField(HWND parent, int id, const RECT& bounds) {
    HWND f = CreateWindowExW(0, HOTKEY_CLASSW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, bounds.left, bounds.top,
                             bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
    // No modifier and Shift alone are refused, with no replacement.
    SendMessageW(f, HKM_SETRULES, HKCOMB_NONE | HKCOMB_S, MAKELPARAM(0, 0));
    SetWindowSubclass(f, FieldProc, 1, 0);
    return f;
}

TShortCut GetHotKeyWord(HWND field) {
    const TShortCut word = RawWord(field);
    return IsAcceptableHotKey(word) ? word : 0;
}

void SetHotKeyWord(HWND field, TShortCut word) {
    const TShortCut before = RawWord(field);
    const WORD control = (word & 0xFF) ? ControlWordFromHotKey(word) : 0;
    SetWinFlag(field, (word & kHotKeyWin) && control != 0);
    const bool sameControl = SendMessageW(field, HKM_GETHOTKEY, 0, 0) == control;
    SendMessageW(field, HKM_SETHOTKEY, control, 0);
    // The control tells of its own word's change; the Windows key alone is
    // told here.
    if (sameControl && RawWord(field) != before) NotifyParent(field);
    InvalidateRect(field, nullptr, TRUE);
}
