// A window timer on the calling (user-interface) thread with an event.
// Owns its timer: destroying or disabling it kills the system timer.
#pragma once

#include <windows.h>

#include <functional>

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

    std::function<void()> OnTimer;

private:
    void Update();
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND FWnd = nullptr;  // a hidden window of its own receives WM_TIMER
    UINT FInterval = 1000;
    bool FEnabled = false;
};
