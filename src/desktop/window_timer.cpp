#include "desktop/window_timer.h"

#include <unordered_set>

#include "desktop/application.h"

namespace {
const wchar_t kTimerClass[] = L"PlovikTimerWindow";

HWND GHandlerWindow = nullptr;
unsigned GHandlerReferences = 0;

// The timers alive now: a tick whose identifier is not here belongs to a
// timer that is gone and is dropped rather than followed.
std::unordered_set<const void*>& LiveTimers() {
    static std::unordered_set<const void*> timers;
    return timers;
}

void RegisterTimerClass(WNDPROC proc) {
    static bool done = false;
    if (done) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kTimerClass;
    RegisterClassExW(&wc);
    done = true;
}

UINT_PTR TimerId(const void* timer) { return reinterpret_cast<UINT_PTR>(timer); }
}  // namespace

// ---- TSimpleTimerHandler ---------------------------------------------------

HWND TSimpleTimerHandler::Acquire() {
    ++GHandlerReferences;
    if (!GHandlerWindow) {
        RegisterTimerClass(&TWindowTimer::WndProc);
        GHandlerWindow = CreateWindowExW(0, kTimerClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleW(nullptr), nullptr);
    }
    return GHandlerWindow;
}

void TSimpleTimerHandler::Release() noexcept {
    if (GHandlerReferences == 0) return;
    if (--GHandlerReferences > 0) return;
    if (GHandlerWindow) DestroyWindow(GHandlerWindow);
    GHandlerWindow = nullptr;
}

unsigned TSimpleTimerHandler::References() noexcept { return GHandlerReferences; }

HWND TSimpleTimerHandler::Window() noexcept { return GHandlerWindow; }

// ---- TWindowTimer ----------------------------------------------------------

TWindowTimer::TWindowTimer() : FWnd(TSimpleTimerHandler::Acquire()) { LiveTimers().insert(this); }

TWindowTimer::~TWindowTimer() {
    if (FRunning) KillTimer(FWnd, TimerId(this));
    LiveTimers().erase(this);
    TSimpleTimerHandler::Release();
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
    if (FRunning) KillTimer(FWnd, TimerId(this));
    FRunning = FEnabled && FInterval > 0 && FWnd && SetTimer(FWnd, TimerId(this), FInterval, nullptr) != 0;
}

void TWindowTimer::Tick() {
    if (OnTimer) Guarded([&] { OnTimer(); });
}

LRESULT CALLBACK TWindowTimer::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg != WM_TIMER) return DefWindowProcW(wnd, msg, wp, lp);
    auto* timer = reinterpret_cast<TWindowTimer*>(wp);
    if (LiveTimers().count(timer) != 0) {
        timer->Tick();
    } else {
        KillTimer(wnd, wp);  // a leftover of a timer that is gone
    }
    return 0;
}

// ---- TSimpleTimer ----------------------------------------------------------

TSimpleTimer::TSimpleTimer(void* Owner, TCallback Callback) : FOwner(Owner), FCallback(Callback) {
    FTimer.OnTimer = [this] {
        if (!FCallback) return;
        try {
            FCallback(FOwner);
        } catch (...) {
        }
    };
}

TSimpleTimer::~TSimpleTimer() {
    if (FActive) Stop();
}

bool TSimpleTimer::Start(UINT Interval) {
    if (FActive) Stop();
    FTimer.SetEnabled(false);
    FTimer.SetInterval(Interval);
    FTimer.SetEnabled(true);
    FActive = FTimer.Running();
    if (!FActive) FTimer.SetEnabled(false);
    return FActive;
}

bool TSimpleTimer::Stop() {
    FActive = false;
    const bool wasRunning = FTimer.Running();
    FTimer.SetEnabled(false);
    return wasRunning;
}
