#include "desktop/window_hook.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "desktop/application.h"

// One replaced window procedure per window, with the hooks in order of
// installation. A single in-process chain rather than one system subclass
// per hook: every hot-key manager hooks the application window, and a
// system subclass costs a property lookup per level on every message.
struct THookChain {
    WNDPROC Original = nullptr;
    std::vector<TWindowHook*> Hooks;

    static std::unordered_map<HWND, THookChain>& All() {
        static std::unordered_map<HWND, THookChain> chains;
        return chains;
    }

    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
        auto& all = All();
        auto it = all.find(wnd);
        if (it == all.end()) return DefWindowProcW(wnd, msg, wp, lp);
        const WNDPROC original = it->second.Original;
        // A hook may remove itself or others while it runs: walk a copy and
        // skip whatever has left the chain meanwhile.
        const std::vector<TWindowHook*> snapshot = it->second.Hooks;
        for (auto h = snapshot.rbegin(); h != snapshot.rend(); ++h) {
            auto live = all.find(wnd);
            if (live == all.end()) break;
            const auto& hooks = live->second.Hooks;
            if (std::find(hooks.begin(), hooks.end(), *h) == hooks.end()) continue;
            TMessage m{msg, wp, lp, 0};
            TWindowHook* hook = *h;
            Guarded([&] { hook->FProc(m); });
        }
        if (msg == WM_NCDESTROY) Forget(wnd, original);
        return CallWindowProcW(original, wnd, msg, wp, lp);
    }

    // The window is going away: its hooks are off it.
    static void Forget(HWND wnd, WNDPROC original) {
        auto& all = All();
        auto it = all.find(wnd);
        if (it == all.end()) return;
        for (TWindowHook* h : it->second.Hooks) h->FWnd = nullptr;
        all.erase(it);
        SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
    }
};

bool TWindowHook::Hook(HWND wnd, TProc proc) {
    Unhook();
    if (!wnd || !IsWindow(wnd) || !proc) return false;
    auto& all = THookChain::All();
    auto it = all.find(wnd);
    if (it == all.end()) {
        THookChain chain;
        chain.Original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(wnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&THookChain::Proc)));
        if (!chain.Original) return false;
        it = all.emplace(wnd, std::move(chain)).first;
    }
    it->second.Hooks.push_back(this);
    FWnd = wnd;
    FProc = std::move(proc);
    return true;
}

void TWindowHook::Unhook() {
    if (!FWnd) return;
    auto& all = THookChain::All();
    auto it = all.find(FWnd);
    if (it != all.end()) {
        auto& hooks = it->second.Hooks;
        hooks.erase(std::remove(hooks.begin(), hooks.end(), this), hooks.end());
        // Put the window's own procedure back when nobody replaced ours since.
        const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(FWnd, GWLP_WNDPROC));
        if (hooks.empty() && current == &THookChain::Proc) {
            SetWindowLongPtrW(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.Original));
            all.erase(it);
        }
    }
    FWnd = nullptr;
    FProc = nullptr;
}
