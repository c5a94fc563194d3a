// Takes combinations that another program holds as its hot keys. A
// low-level keyboard hook, on a thread of its own, matches every press
// against the combinations taken, swallows the matching press and its
// release, so the other program never sees them, and posts the match to the
// application window; every other event passes on unchanged. The thread
// does nothing else: it never waits on the window, the player or the store,
// because the system drops a hook that once keeps the keyboard waiting.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "desktop/hotkey_manager.h"
#include "desktop/window_hook.h"

// Input this program makes itself carries this mark, and the hook lets it by.
constexpr ULONG_PTR kOwnInputMark = 0x504C564Bu;  // "PLVK"

class TKeyTaker {
public:
    struct TTaken {
        int Id;
        TShortCut Word;
    };
    // Id: the combination's own; Repeat: the keyboard repeats a key held down.
    using TOnPressed = std::function<void(int Id, bool Repeat)>;

    TKeyTaker();
    ~TKeyTaker();
    TKeyTaker(const TKeyTaker&) = delete;
    TKeyTaker& operator=(const TKeyTaker&) = delete;

    // The combinations to take from now on. The hook and its thread live
    // only while there is one: an empty list ends both.
    void SetKeys(const std::vector<TTaken>& keys);
    const std::vector<TTaken>& Keys() const noexcept { return FKeys; }
    bool Hooked() const noexcept { return FThread.joinable(); }
    // The system removes a low-level hook without a word once it took too
    // long. A cheap look: input came, some time ago, that the hook never
    // saw, so the hook is installed again. True if it was.
    bool Heal();
    // How many times a hook was installed since the thread began.
    unsigned Installs() const noexcept { return FInstalls.load(); }
    // Removes the hook behind this object's back, as the system does to a
    // slow one: how the healing is tried.
    void DropHookAsTheSystemDoes();

    TOnPressed OnPressed;

private:
    static LRESULT CALLBACK HookProc(int code, WPARAM wp, LPARAM lp) noexcept;
    void Run(HANDLE ready);
    void Install();
    // True: the event is taken, the next hook and the system never see it.
    bool Match(const KBDLLHOOKSTRUCT& key, bool down);
    void Stop();

    // The window's side.
    std::vector<TTaken> FKeys;
    std::thread FThread;
    DWORD FThreadId = 0;
    TWindowHook FHook;
    UINT FMessage;
    HWND FTarget;

    // Shared with the hook's thread.
    std::mutex FMutex;
    std::vector<TTaken> FMatching;  // under FMutex
    std::atomic<unsigned> FInstalls{0};
    std::atomic<DWORD> FLastSeen{0}, FInstalledAt{0};
    std::atomic<unsigned> FDrops{0};

    // The hook's thread alone.
    HHOOK FHookHandle = nullptr;
    TShortCut FModifiers = 0;
    std::vector<BYTE> FModifierKeys;  // the modifier keys down now
    std::vector<BYTE> FSwallowed;     // keys whose press was taken, until their release
};
