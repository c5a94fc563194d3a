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

// The modifiers by their names in the keyboard layout, as the control writes them.
std::wstring KeyName(UINT vk) {
    wchar_t name[64] = {};
    const LONG scan = static_cast<LONG>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC)) << 16;
    return GetKeyNameTextW(scan, name, static_cast<int>(std::size(name))) > 0 ? name : L"";
}

std::wstring ModifierText(BYTE mods) {
    std::wstring text;
    if (mods & HOTKEYF_CONTROL) text += KeyName(VK_CONTROL) + L" + ";
    if (mods & HOTKEYF_SHIFT) text += KeyName(VK_SHIFT) + L" + ";
    if (mods & HOTKEYF_ALT) text += KeyName(VK_MENU) + L" + ";
    return text;
}

// The control draws a key by its name in the keyboard layout; a media key
// has none there, so it is drawn here the way the control draws the others.
void PaintMediaKey(HWND wnd, WORD control) {
    PAINTSTRUCT ps;
    RECT r;
    HDC dc = BeginPaintOnParentBack(wnd, ps, r, WM_CTLCOLOREDIT, COLOR_WINDOW);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(wnd, WM_GETFONT, 0, 0)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(IsWindowEnabled(wnd) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    const std::wstring text = ModifierText(HIBYTE(control)) + MediaKeyName(LOBYTE(control));
    SIZE size{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TextOutW(dc, 2, 1, text.c_str(), static_cast<int>(text.size()));
    SelectObject(dc, oldFont);
    EndPaint(wnd, &ps);
    if (GetFocus() == wnd) SetCaretPos(2 + size.cx, 1);
}

// What the user typed becomes nothing when it is no acceptable hot key.
LRESULT CALLBACK FieldProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    if (msg == WM_PAINT) {
        const WORD current = static_cast<WORD>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0));
        if (IsMediaKey(LOBYTE(current))) {
            PaintMediaKey(wnd, current);
            return 0;
        }
    }
    const bool changes = msg == HKM_SETHOTKEY || msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN || msg == WM_KEYUP ||
                         msg == WM_SYSKEYUP || msg == WM_CHAR;
    const LRESULT before = changes ? SendMessageW(wnd, HKM_GETHOTKEY, 0, 0) : 0;
    const LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
    if (msg == WM_KEYUP || msg == WM_SYSKEYUP) {
        const WORD current = static_cast<WORD>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0));
        if (current != 0 && !IsAcceptableHotKey(HotKeyFromControlWord(current)))
            SendMessageW(wnd, HKM_SETHOTKEY, 0, 0);
    }
    // Every change, typed or set in code, is told to the parent, which keeps
    // the settings.
    if (changes && SendMessageW(wnd, HKM_GETHOTKEY, 0, 0) != before)
        SendMessageW(GetParent(wnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(wnd), EN_CHANGE), reinterpret_cast<LPARAM>(wnd));
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
    const TShortCut word = HotKeyFromControlWord(static_cast<WORD>(SendMessageW(field, HKM_GETHOTKEY, 0, 0)));
    return IsAcceptableHotKey(word) ? word : 0;
}

void SetHotKeyWord(HWND field, TShortCut word) {
    SendMessageW(field, HKM_SETHOTKEY, word ? ControlWordFromHotKey(word) : 0, 0);
}
