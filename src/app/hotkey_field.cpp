#include "app/hotkey_field.h"

#include <commctrl.h>

namespace {
bool IsExtendedKey(BYTE vk) {
    switch (vk) {
        case VK_PRIOR: case VK_NEXT: case VK_END: case VK_HOME: case VK_LEFT: case VK_UP:
        case VK_RIGHT: case VK_DOWN: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK:
            return true;
        default:
            return false;
    }
}

// What the user typed becomes nothing when it is no acceptable hot key.
LRESULT CALLBACK FieldProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR, DWORD_PTR) {
    const LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
    if (msg == WM_KEYUP || msg == WM_SYSKEYUP) {
        const WORD current = static_cast<WORD>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0));
        if (current != 0 && !IsAcceptableHotKey(HotKeyFromControlWord(current)))
            SendMessageW(wnd, HKM_SETHOTKEY, 0, 0);
    }
    return r;
}
}  // namespace

bool IsAcceptableHotKey(TShortCut word) {
    if ((word & 0xFF) == 0) return false;
    const TShortCut mods = word & (kHotKeyShift | kHotKeyCtrl | kHotKeyAlt);
    return mods != 0 && mods != kHotKeyShift;
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
