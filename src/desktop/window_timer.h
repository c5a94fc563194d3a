// Window timers on the calling (user-interface) thread. Every timer of the
// process ticks through one shared hidden window, so a form full of timers
// costs one window, not one each.
#pragma once

#include <windows.h>

#include <functional>

// The hidden window that receives the ticks of every timer. Made by the first
// timer that needs it, destroyed when the last one goes.
class TSimpleTimerHandler {
public:
    static HWND Acquire();
    static void Release() noexcept;
    static unsigned References() noexcept;
    static HWND Window() noexcept;
};

// A timer with an event. Owns its system timer: destroying or disabling it
// kills the timer. An interval of 0 never ticks.
class TWindowTimer {
public:
    TWindowTimer();
    ~TWindowTimer();
    TWindowTimer(const TWindowTimer&) = delete;
    TWindowTimer& operator=(const TWindowTimer&) = delete;

    UINT Interval() const noexcept { return FInterval; }
    void SetInterval(UINT ms);
    bool Enabled() const noexcept { return FEnabled; }
    void SetEnabled(bool on);
    // Whether the system timer is really set: false while disabled, with an
    // interval of 0, or when the system refused the timer.
    bool Running() const noexcept { return FRunning; }
    // How late a tick may come so that the system can wake once for several
    // programs' timers; 0 (the start) asks for ticks on time. Needs a
    // system that batches timers; elsewhere every tick is on time.
    UINT Tolerance() const noexcept { return FTolerance; }
    void SetTolerance(UINT ms);
    // One tick through the message queue as soon as the thread gets to it,
    // whether or not the timer is enabled; several before it comes are one.
    void PostTick();

    std::function<void()> OnTimer;

private:
    friend class TSimpleTimerHandler;
    void Update();
    void Tick();
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND FWnd = nullptr;
    UINT FInterval = 1000;
    UINT FTolerance = 0;
    bool FEnabled = false;
    bool FRunning = false;
    bool FTickPosted = false;
};

// A timer that calls a plain function with the object that owns it, for
// components that keep several timers. Errors escaping the callback are
// swallowed: a failing tick must not disturb the message loop.
class TSimpleTimer {
public:
    using TCallback = void (*)(void* Owner);

    TSimpleTimer(void* Owner, TCallback Callback);
    ~TSimpleTimer();
    TSimpleTimer(const TSimpleTimer&) = delete;
    TSimpleTimer& operator=(const TSimpleTimer&) = delete;

    // Restarts the count when already active; false (and inactive) when the
    // system refuses the timer.
    bool Start(UINT Interval);
    // True if a running timer was stopped.
    bool Stop();

    bool Active() const noexcept { return FActive; }
    UINT Interval() const noexcept { return FTimer.Interval(); }

private:
    void* FOwner;
    TCallback FCallback;
    TWindowTimer FTimer;
    bool FActive = false;
};
