// Hot keys as the keyboard makes them: a combination goes down through the
// system's input (SendKeys), and every further down of its key is the
// keyboard's repeat. Wine raises them while one of its windows has the focus.
#pragma once

#include <windows.h>

#include <vector>

#include "support/input.h"
#include "support/peer_player.h"

// The system has queued the hot key by the time the input call returns:
// handle every one queued.
inline void HandleHotKeys() {
    WaitFor([] {
        MSG m;
        return !PeekMessageW(&m, nullptr, WM_HOTKEY, WM_HOTKEY, PM_NOREMOVE);
    });
}
