// One action per press of a hot key. A held combination makes the system
// repeat its hot key at the keyboard's rate; MOD_NOREPEAT stops that where
// the system honours the flag, and this guard does it everywhere: once a
// press is let through, the same key's messages are dropped until its key
// has been let go.
#pragma once

#include <windows.h>

#include <vector>

#include "desktop/hotkey_manager.h"
#include "desktop/window_timer.h"

class TKeyRepeatGuard {
public:
    TKeyRepeatGuard();
    TKeyRepeatGuard(const TKeyRepeatGuard&) = delete;
    TKeyRepeatGuard& operator=(const TKeyRepeatGuard&) = delete;

    // True for the first message of a press of HotKey for the action Id;
    // false for a repeat while that key is still held down.
    bool FirstOfPress(int Id, TShortCut HotKey);
    // Whether a press of the action Id is being held.
    bool Holding(int Id) const;

private:
    struct THeld {
        int Id;
        BYTE Key;
    };
    static bool Down(BYTE key);
    void Poll();

    std::vector<THeld> FHeld;
    // Runs only while a key is held: a program at rest does not wake for it.
    TWindowTimer FPoll;
};
