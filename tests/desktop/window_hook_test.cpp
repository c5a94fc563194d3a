#include "desktop/window_hook.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {
HWND MakeWindow() {
    return CreateWindowExW(0, L"STATIC", L"hooked", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}
constexpr UINT kProbe = WM_APP + 77;
}  // namespace

TEST(WindowHook, HookRemovedByAnEarlierHookIsNotCalledAndTheWindowStillAnswers) {
    HWND wnd = MakeWindow();
    ASSERT_NE(wnd, nullptr);
    std::vector<std::string> seen;
    auto victim = std::make_unique<TWindowHook>();
    victim->Hook(wnd, [&](TMessage& m) { if (m.Msg == kProbe) seen.push_back("victim"); });
    TWindowHook killer;
    killer.Hook(wnd, [&](TMessage& m) {
        if (m.Msg != kProbe) return;
        seen.push_back("killer");
        victim.reset();
    });
    SendMessageW(wnd, kProbe, 0, 0);
    EXPECT_EQ(seen, std::vector<std::string>{"killer"});

    // The window's own procedure still answers behind the chain.
    SetWindowTextW(wnd, L"still here");
    wchar_t text[32] = {};
    GetWindowTextW(wnd, text, 32);
    EXPECT_STREQ(text, L"still here");

    killer.Unhook();
    EXPECT_FALSE(killer.Hooked());
    SendMessageW(wnd, kProbe, 0, 0);
    EXPECT_EQ(seen.size(), 1u);
    DestroyWindow(wnd);
}

TEST(WindowHook, DestroyedWindowLeavesItsHooksUnhooked) {
    HWND wnd = MakeWindow();
    TWindowHook a, b;
    int destroyed = 0;
    a.Hook(wnd, [&](TMessage& m) { destroyed += m.Msg == WM_DESTROY; });
    b.Hook(wnd, [&](TMessage& m) { destroyed += m.Msg == WM_DESTROY; });
    DestroyWindow(wnd);
    EXPECT_EQ(destroyed, 2);
    EXPECT_FALSE(a.Hooked());
    EXPECT_FALSE(b.Hooked());
    // A new window may get the same handle: a fresh chain starts on it.
    HWND again = MakeWindow();
    int probes = 0;
    EXPECT_TRUE(a.Hook(again, [&](TMessage& m) { probes += m.Msg == kProbe; }));
    SendMessageW(again, kProbe, 0, 0);
    EXPECT_EQ(probes, 1);
    DestroyWindow(again);
}
