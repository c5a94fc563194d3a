// Hot keys as the keyboard makes them: a combination goes down through the
// system's input, and every further down of its key is the keyboard's
// repeat. Wine raises them while one of its windows has the focus.
#pragma once

#include <windows.h>

#include <vector>

#include "support/peer_player.h"

inline void Keys(const std::vector<WORD>& keys, bool down) {
    std::vector<INPUT> in;
    for (WORD vk : keys) {
        INPUT i{};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = vk;
        i.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}

// The system has queued the hot key by the time the input call returns:
// handle every one queued.
inline void HandleHotKeys() {
    WaitFor([] {
        MSG m;
        return !PeekMessageW(&m, nullptr, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE);
    });
}
