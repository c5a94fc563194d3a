// Reading the texts the player hands out as addresses in its own process.
#pragma once

#include <windows.h>

#include <string>

// Reads the zero-terminated 8-bit (A) or wide (W) text at the address the
// player's window answered with. False when the answer is no address (0,
// or the 1 of a player that lacks the request), when the player's memory
// cannot be read there, or when no terminator comes within the longest
// path the system takes. A 32-bit player's address arrives sign-extended
// in a 64-bit program; only its low 32 bits count.
bool ReadPlayerTextA(HWND Player, LRESULT Answer, std::string& Text);
bool ReadPlayerTextW(HWND Player, LRESULT Answer, std::wstring& Text);

// Full path of the program that owns the window; empty when unknown.
std::wstring WindowProgramPath(HWND Wnd);
