#include "desktop/window_timer.h"

#include "desktop/application.h"

namespace {
const wchar_t kTimerClass[] = L"PlovikTimerWindow";
constexpr UINT_PTR kTimerId = 1;

void RegisterTimerClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerClass;
    RegisterClassExW(&wc);
    done = true;
}
}  // namespace

TWindowTimer::TWindowTimer() {
    RegisterTimerClass();
    FWnd = CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
    SetWindowLongPtrW(FWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(FWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TWindowTimer::WndProc));
}

TWindowTimer::~TWindowTimer() {
    if (!FWnd) return;
    KillTimer(FWnd, kTimerId);
    DestroyWindow(FWnd);
}

void TWindowTimer::SetInterval(UINT ms) {
    if (ms == FInterval) return;
    FInterval = ms;
    Update();
}

void TWindowTimer::SetEnabled(bool on) {
    if (on == FEnabled) return;
    FEnabled = on;
    Update();
}

// Setting a running timer again restarts its count.
void TWindowTimer::Update() {
    KillTimer(FWnd, kTimerId);
    if (FEnabled && FInterval > 0) SetTimer(FWnd, kTimerId, FInterval, nullptr);
}

LRESULT CALLBACK TWindowTimer::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_TIMER && wp == kTimerId) {
        auto* self = reinterpret_cast<TWindowTimer*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self && self->OnTimer) Guarded([&] { self->OnTimer(); });
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}
