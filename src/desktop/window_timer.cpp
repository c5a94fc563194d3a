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

// A tick asked for through the queue rather than by the clock.
constexpr UINT kPostedTick = WM_APP + 1;
// SetCoalescableTimer's "no batching": a tolerance of 0 would mean the
// system's default batching instead.
constexpr ULONG kNoCoalescing = 0xFFFFFFFF;

using TSetCoalescableTimer = UINT_PTR(WINAPI*)(HWND, UINT_PTR, UINT, TIMERPROC, ULONG);

// Windows 8 and later; looked up once, by name, so that the program still
// starts on older systems.
TSetCoalescableTimer CoalescableTimerFunction() {
    static const TSetCoalescableTimer fn = [] {
        HMODULE user = GetModuleHandleW(L"user32.dll");
        FARPROC proc = user ? GetProcAddress(user, "SetCoalescableTimer") : nullptr;
        return reinterpret_cast<TSetCoalescableTimer>(reinterpret_cast<void*>(proc));
    }();
    return fn;
}

bool StartSystemTimer(HWND wnd, UINT_PTR id, UINT interval, UINT tolerance) {
    if (TSetCoalescableTimer coalescable = CoalescableTimerFunction())
        return coalescable(wnd, id, interval, nullptr, tolerance ? tolerance : kNoCoalescing) != 0;
    return SetTimer(wnd, id, interval, nullptr) != 0;
}
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

void TWindowTimer::SetTolerance(UINT ms) {
    if (ms == FTolerance) return;
    FTolerance = ms;
    Update();
}

void TWindowTimer::PostTick() {
    if (FTickPosted || !FWnd) return;
    FTickPosted = PostMessageW(FWnd, kPostedTick, TimerId(this), 0) != FALSE;
}

// Setting a running timer again restarts its count.
void TWindowTimer::Update() {
    if (FRunning) KillTimer(FWnd, TimerId(this));
    FRunning = FEnabled && FInterval > 0 && FWnd && StartSystemTimer(FWnd, TimerId(this), FInterval, FTolerance);
}

void TWindowTimer::Tick() {
    if (OnTimer) Guarded([&] { OnTimer(); });
}

LRESULT CALLBACK TWindowTimer::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg != WM_TIMER && msg != kPostedTick) return DefWindowProcW(wnd, msg, wp, lp);
    auto* timer = reinterpret_cast<TWindowTimer*>(wp);
    if (LiveTimers().count(timer) == 0) {
        if (msg == WM_TIMER) KillTimer(wnd, wp);  // a leftover of a timer that is gone
        return 0;
    }
    if (msg == kPostedTick) timer->FTickPosted = false;
    timer->Tick();
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
