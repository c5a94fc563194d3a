// The system's input, as the keyboard and the mouse make it.
#pragma once

#include <windows.h>

#include <vector>

// Each key goes down (or up) in turn; a mark tags the events as one
// program's own input.
void SendKeys(const std::vector<WORD>& keys, bool down, ULONG_PTR mark = 0);
// A click at the middle of a window.
void ClickWindow(HWND wnd, bool right);
