// A small modal box that asks for one line of text.
#pragma once

#include <windows.h>

#include <string>

#include "desktop/msg_dialog.h"

// Shows caption, prompt and an edit field holding def; returns what was typed
// on OK and def on Cancel (or when the box cannot be shown).
std::wstring InputBox(HWND owner, const std::wstring& caption, const std::wstring& prompt,
                      const std::wstring& def);

// Control identifiers inside the box, for whoever drives it from outside.
constexpr int kInputBoxEditId = kInputQueryEditId;
constexpr int kInputBoxPromptId = kInputQueryPromptId;
