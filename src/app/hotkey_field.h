// The hot-key input fields: the common controls' hot-key control, holding
// one hot-key word (0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt, low byte the key).
// The conversion between the control's own word and ours lives here only.
#pragma once

#include <windows.h>

#include "desktop/hotkey_manager.h"

HWND CreateHotKeyField(HWND parent, int id, const RECT& bounds);
TShortCut GetHotKeyWord(HWND field);
void SetHotKeyWord(HWND field, TShortCut word);

// A combination without a modifier, or with Shift alone, is not a hot key;
// the keyboard's media and volume keys are, on their own.
bool IsAcceptableHotKey(TShortCut word);
bool IsMediaKey(BYTE vk);
// The name a field shows for a media or volume key; empty for other keys.
const wchar_t* MediaKeyName(BYTE vk);
// The control's word (HKM_GETHOTKEY) as ours, and back.
TShortCut HotKeyFromControlWord(WORD control);
WORD ControlWordFromHotKey(TShortCut word);
