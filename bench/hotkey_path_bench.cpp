// How much the program adds to a hot key's way to the player, measured side
// by side in one run, as medians of many single calls:
//  (a) a bare cross-process SendMessage to the stand-in player,
//  (b) TrackNext through the command link (window lookup and send),
//  (c) a WM_HOTKEY sent to the application window from its own thread,
//      through 32 hot-key managers and one more hook to its handler,
//  (d) the window lookup alone.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <vector>

#include "desktop/application.h"
#include "desktop/hotkey_manager.h"
#include "player/winamp_api.h"
#include "player/winamp_link.h"
#include "support/peer_player.h"

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct TClock {
    LARGE_INTEGER freq;
    TClock() { QueryPerformanceFrequency(&freq); }
    template <class F>
    double Micros(F&& f) const {
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        f();
        QueryPerformanceCounter(&t1);
        return 1e6 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(freq.QuadPart);
    }
};

// The stand-in player without a log, so that its file writes do not blur the figures.
struct TQuietPlayer {
    PROCESS_INFORMATION pi{};
    HWND wnd = nullptr;
    TQuietPlayer() {
        std::wstring cmd = L"\"" + PeerExe(false) + L"\" --file C:\\a.mp3 --file C:\\b.mp3";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return;
        WaitFor([&] { return (wnd = FindWindowW(wa::kWindowClass, nullptr)) != nullptr; }, 15000);
    }
    ~TQuietPlayer() {
        if (wnd) PostMessageW(wnd, WM_CLOSE, 0, 0);
        if (pi.hProcess) {
            WaitForSingleObject(pi.hProcess, 5000);
            CloseHandle(pi.hProcess);
            CloseHandle(pi.hThread);
        }
    }
};

}  // namespace

int main() {
    TQuietPlayer player;
    if (!player.wnd) {
        std::printf("the stand-in player did not start\n");
        return 1;
    }
    TTarnWinAmpLink link;

    auto managers = std::make_unique<std::array<THotKeyManager, 32>>();
    long handled = 0;
    for (size_t i = 0; i < managers->size(); ++i) {
        (*managers)[i].OnHotKeyPressed = [&](TShortCut, WORD) { ++handled; };
        (*managers)[i].AddHotKey(static_cast<TShortCut>(0xC000 | (0x41 + i)));  // Ctrl+Alt+A...
    }
    long hooked = 0;
    TWindowHook extra;
    extra.Hook(Application().Handle(), [&](TMessage& m) { hooked += m.Msg == WM_HOTKEY; });
    // The last manager's word: the press travels the whole chain.
    const LPARAM press = MAKELPARAM(MOD_CONTROL | MOD_ALT, 0x41 + 31);

    const TClock clock;
    constexpr int kWarmup = 200, kRounds = 3000;
    std::vector<double> a, b, c, d;
    for (int i = 0; i < kWarmup + kRounds; ++i) {
        const double ta = clock.Micros([&] { SendMessageW(player.wnd, WM_COMMAND, wa::kCmdNext, 0); });
        const double tb = clock.Micros([&] { link.TrackNext(); });
        const double tc = clock.Micros([&] { SendMessageW(Application().Handle(), WM_HOTKEY, 0xC000, press); });
        const double td = clock.Micros([&] { FindWindowW(wa::kWindowClass, nullptr); });
        if (i < kWarmup) continue;
        a.push_back(ta);
        b.push_back(tb);
        c.push_back(tc);
        d.push_back(td);
    }
    if (handled != kWarmup + kRounds || hooked != handled) {
        std::printf("the chain lost presses: %ld handled, %ld seen by the extra hook\n", handled, hooked);
        return 1;
    }
    const double ma = Median(a), mb = Median(b), mc = Median(c), md = Median(d);
    std::printf("Hot-key path, medians of %d calls each (microseconds)\n", kRounds);
    std::printf("  (a) bare cross-process SendMessage to the player  %8.1f\n", ma);
    std::printf("  (b) TrackNext through the command link            %8.1f\n", mb);
    std::printf("  (c) WM_HOTKEY through 32 managers and one hook     %8.1f\n", mc);
    std::printf("  (d) window lookup by class alone                  %8.1f\n", md);
    std::printf("  b/a = %.2f (target <= 1.1)   c/a = %.3f (target <= 0.2)\n", mb / ma, mc / ma);
    std::printf("  (b - d)/a = %.2f (the link without the lookup)\n", (mb - md) / ma);
    return 0;
}
