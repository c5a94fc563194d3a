// The hot-key input fields: the common controls' hot-key control, holding
// one hot-key word (0x1000 Win, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt, low
// byte the key). The control itself knows no Windows key: the field keeps
// that beside it. The conversion between the control's own word and ours
// lives here only.
#pragma once

#include <windows.h>

#include "desktop/hotkey_manager.h"

HWND CreateHotKeyField(HWND parent, int id, const RECT& bounds);
TShortCut GetHotKeyWord(HWND field);
void SetHotKeyWord(HWND field, TShortCut word);

// A combination without a modifier, or with Shift alone, is not a hot key;
// the keyboard's media and volume keys are, on their own, and any key with
// the Windows key is.
bool IsAcceptableHotKey(TShortCut word);
bool IsMediaKey(BYTE vk);
// The text a field draws itself, in the layout's key names: a combination
// with the Windows key, the Windows key held while the rest is typed, a
// media key; none of them has a name in the control. Empty when the
// control's own drawing will do.
std::wstring HotKeyFieldText(HWND field);
// The name a field shows for a media or volume key; empty for other keys.
const wchar_t* MediaKeyName(BYTE vk);
// The control's word (HKM_GETHOTKEY) as ours, and back; the Windows key has
// no place in the control's word and is left out.
TShortCut HotKeyFromControlWord(WORD control);
WORD ControlWordFromHotKey(TShortCut word);
