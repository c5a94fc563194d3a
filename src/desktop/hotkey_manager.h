// System-wide hot keys for the running application, reported through one
// event per manager. A hot key is given as a hot-key word: bits 0-7 the
// virtual-key code, 0x1000 Win, 0x2000 Shift, 0x4000 Ctrl, 0x8000 Alt; 0
// means no key. The stored word of old has no Win bit: a word with it is
// kept in a value of its own, never in an action's own value.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "desktop/application.h"

using TShortCut = std::uint16_t;

constexpr TShortCut kHotKeyWin = 0x1000;
constexpr TShortCut kHotKeyShift = 0x2000;
constexpr TShortCut kHotKeyCtrl = 0x4000;
constexpr TShortCut kHotKeyAlt = 0x8000;

struct THotKeyRegistration {
    WORD HotKey;    // the word as it was given to AddHotKey
    WORD KeyIndex;  // the registration identifier: the global atom of the word
};
using PHotKeyRegistration = THotKeyRegistration*;

using TOnHotKeyPressed = std::function<void(TShortCut HotKey, WORD Index)>;

// Splits a word into the system modifier set (MOD_*) and the virtual key.
void SeparateHotKey(TShortCut HotKey, WORD& Modifiers, WORD& Key);
// True if the system would accept this hot key now; leaves nothing registered.
bool HotKeyAvailable(TShortCut HotKey);

class THotKeyManager {
public:
    THotKeyManager();
    ~THotKeyManager();
    THotKeyManager(const THotKeyManager&) = delete;
    THotKeyManager& operator=(const THotKeyManager&) = delete;

    WORD AddHotKey(TShortCut HotKey);
    WORD ChangeHotKey(WORD Index, TShortCut NewHotKey);
    bool RemoveHotKey(TShortCut HotKey);
    bool RemoveHotKeyByIndex(WORD Index);
    void ClearHotKeys();

    void HookApp();
    void UnhookApp();

    const std::vector<THotKeyRegistration>& Registrations() const noexcept { return FHotKeyList; }
    // The system's error of the last AddHotKey (0 when it succeeded), so that
    // a key held by another program (ERROR_HOTKEY_ALREADY_REGISTERED) can be
    // told from one refused for another reason.
    DWORD LastError() const noexcept { return FLastError; }

    TOnHotKeyPressed OnHotKeyPressed;
    // Asks the system not to repeat the key while it is held.
    bool NoRepeat = false;

protected:
    bool DisposeHotKey(const THotKeyRegistration& Item);
    void HookAppProc(TMessage& Msg);

private:
    bool RemoveAt(std::vector<THotKeyRegistration>::iterator it);

    HWND FTargetWindow;
    std::vector<THotKeyRegistration> FHotKeyList;
    DWORD FLastError = 0;
    TWindowHook FHook;
};
