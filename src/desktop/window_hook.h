// Hooks on a window's messages. Every hook sees every message before the
// window's own procedure; hooks on one window nest, the most recent one
// sees a message first, and every hook passes every message on unchanged.
#pragma once

#include <windows.h>

#include <functional>

// One window message as a hook sees it.
struct TMessage {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
};

class TWindowHook {
public:
    using TProc = std::function<void(TMessage&)>;

    TWindowHook() = default;
    ~TWindowHook() { Unhook(); }
    TWindowHook(const TWindowHook&) = delete;
    TWindowHook& operator=(const TWindowHook&) = delete;

    bool Hook(HWND wnd, TProc proc);
    // May be called in any order, and from inside a hook.
    void Unhook();
    bool Hooked() const noexcept { return FWnd != nullptr; }
    HWND Window() const noexcept { return FWnd; }

private:
    friend struct THookChain;
    HWND FWnd = nullptr;
    TProc FProc;
};
