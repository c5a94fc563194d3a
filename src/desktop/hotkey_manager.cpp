#include "desktop/hotkey_manager.h"

#include <algorithm>
#include <string>

namespace {

const wchar_t kAtomPrefix[] = L"HotKeyManagerHotKey";
const wchar_t kTestAtomName[] = L"HotKeyManagerHotKeyTest";

// The identifier depends only on the word, so the same word gives the same
// identifier in every manager and every process.
std::wstring AtomName(TShortCut HotKey) { return kAtomPrefix + std::to_wstring(HotKey); }

// The word a WM_HOTKEY message stands for.
TShortCut WordFromMessage(LPARAM lParam) {
    const WORD mods = LOWORD(lParam);
    TShortCut word = 0;
    if (mods & MOD_WIN) word += kHotKeyWin;
    if (mods & MOD_SHIFT) word += kHotKeyShift;
    if (mods & MOD_CONTROL) word += kHotKeyCtrl;
    if (mods & MOD_ALT) word += kHotKeyAlt;
    return static_cast<TShortCut>(word + HIWORD(lParam));
}

}  // namespace

void SeparateHotKey(TShortCut HotKey, WORD& Modifiers, WORD& Key) {
    Key = static_cast<WORD>(HotKey & 0xFF);
    Modifiers = 0;
    if (HotKey & kHotKeyAlt) Modifiers |= MOD_ALT;
    if (HotKey & kHotKeyCtrl) Modifiers |= MOD_CONTROL;
    if (HotKey & kHotKeyShift) Modifiers |= MOD_SHIFT;
    if (HotKey & kHotKeyWin) Modifiers |= MOD_WIN;
}

bool HotKeyAvailable(TShortCut HotKey) {
    const ATOM atom = GlobalAddAtomW(kTestAtomName);
    WORD mods = 0, key = 0;
    SeparateHotKey(HotKey, mods, key);
    HWND wnd = Application().Handle();
    const bool ok = RegisterHotKey(wnd, atom, mods, key) != 0;
    if (ok) UnregisterHotKey(wnd, atom);
    GlobalDeleteAtom(atom);
    return ok;
}

THotKeyManager::THotKeyManager() : FTargetWindow(Application().Handle()) { HookApp(); }

THotKeyManager::~THotKeyManager() {
    ClearHotKeys();
    UnhookApp();
}

WORD THotKeyManager::AddHotKey(TShortCut HotKey) {
    WORD mods = 0, key = 0;
    SeparateHotKey(HotKey, mods, key);
    const ATOM atom = GlobalAddAtomW(AtomName(HotKey).c_str());
    if (atom == 0) {
        FLastError = GetLastError();
        return 0;
    }
    // A system older than the flag refuses it: the key is registered
    // without it then, and the program's own guard stops the repeats.
    bool ok = NoRepeat && RegisterHotKey(FTargetWindow, atom, mods | MOD_NOREPEAT, key);
    if (!ok) ok = RegisterHotKey(FTargetWindow, atom, mods, key) != 0;
    if (!ok) {
        // Read before the atom's release can overwrite it.
        FLastError = GetLastError();
        if (FLastError == 0) FLastError = ERROR_INVALID_PARAMETER;
        GlobalDeleteAtom(atom);
        return 0;
    }
    FLastError = 0;
    FHotKeyList.push_back({HotKey, atom});
    return atom;
}

WORD THotKeyManager::ChangeHotKey(WORD Index, TShortCut NewHotKey) {
    auto it = std::find_if(FHotKeyList.begin(), FHotKeyList.end(),
                           [&](const THotKeyRegistration& r) { return r.KeyIndex == Index; });
    if (it == FHotKeyList.end()) return 0;
    RemoveAt(it);
    return AddHotKey(NewHotKey);
}

bool THotKeyManager::RemoveHotKey(TShortCut HotKey) {
    auto it = std::find_if(FHotKeyList.begin(), FHotKeyList.end(),
                           [&](const THotKeyRegistration& r) { return r.HotKey == HotKey; });
    return it != FHotKeyList.end() && RemoveAt(it);
}

bool THotKeyManager::RemoveHotKeyByIndex(WORD Index) {
    auto it = std::find_if(FHotKeyList.begin(), FHotKeyList.end(),
                           [&](const THotKeyRegistration& r) { return r.KeyIndex == Index; });
    return it != FHotKeyList.end() && RemoveAt(it);
}

bool THotKeyManager::RemoveAt(std::vector<THotKeyRegistration>::iterator it) {
    const bool ok = DisposeHotKey(*it);
    FHotKeyList.erase(it);
    return ok;
}

void THotKeyManager::ClearHotKeys() {
    while (!FHotKeyList.empty()) {
        DisposeHotKey(FHotKeyList.back());
        FHotKeyList.pop_back();
    }
}

bool THotKeyManager::DisposeHotKey(const THotKeyRegistration& Item) {
    const bool ok = UnregisterHotKey(FTargetWindow, Item.KeyIndex) != 0;
    GlobalDeleteAtom(Item.KeyIndex);
    return ok;
}

void THotKeyManager::HookApp() {
    FHook.Hook(FTargetWindow, [this](TMessage& Msg) { HookAppProc(Msg); });
}

void THotKeyManager::UnhookApp() { FHook.Unhook(); }

void THotKeyManager::HookAppProc(TMessage& Msg) {
    if (Msg.Msg != WM_HOTKEY || !OnHotKeyPressed) return;
    const TShortCut word = WordFromMessage(Msg.LParam);
    const bool ours = std::any_of(FHotKeyList.begin(), FHotKeyList.end(),
                                  [&](const THotKeyRegistration& r) { return r.HotKey == word; });
    if (ours) OnHotKeyPressed(word, LOWORD(Msg.WParam));
}
