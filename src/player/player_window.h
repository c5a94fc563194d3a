// Finding the player's main window and talking to it without ever hanging
// on a player that has stopped answering.
#pragma once

#include <windows.h>

#include <string>

// The longest the program waits for the player to answer one message.
constexpr UINT kPlayerTimeoutMs = 1000;

// The player's main window by class, any title; nullptr when not running.
HWND FindPlayerWindow(const wchar_t* className);

// Sends a message and waits for the answer at most kPlayerTimeoutMs; a
// message to no window, or one that times out, reads as 0. A timed-out
// message still reaches the player later, before anything sent after it.
LRESULT PlayerSend(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Sends a WM_COPYDATA request carrying a zero-terminated 8-bit text.
LRESULT PlayerSendCopyData(HWND wnd, ULONG_PTR code, const std::string& text);

// Text in the system's 8-bit code page, as the player's interface takes it.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// Starts the program at path as that program (the path is its application
// name and, quoted, its command line: "C:\Program Files\..." never turns
// into "C:\Program.exe"). Waits at most waitIdleMs for it to be ready for
// input; false when it could not be started.
bool StartPlayerProgram(const std::wstring& path, WORD show, DWORD waitIdleMs);
