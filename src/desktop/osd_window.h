// The on-screen display: one line of text, with a bar under it when there
// is a level to show, drawn by the program over everything else on the
// monitor the user works on. It never takes a click, a key or the
// activation, and it goes away by itself.
#pragma once

#include <windows.h>

#include <string>

#include "desktop/window_timer.h"

// Where on the monitor the display stands; stored as its number.
enum class TOsdPlace : int { BottomRight, BottomLeft, TopRight, TopLeft, Centre };
constexpr int kOsdPlaceCount = 5;
constexpr int kOsdMinSeconds = 1, kOsdMaxSeconds = 10;

class TOsdWindow {
public:
    TOsdWindow();
    ~TOsdWindow();
    TOsdWindow(const TOsdWindow&) = delete;
    TOsdWindow& operator=(const TOsdWindow&) = delete;

    TOsdPlace Place = TOsdPlace::BottomRight;
    int Seconds = 2;  // before the fade begins

    // Replaces whatever shows. A bar from 0 to 100 is drawn under the text;
    // a negative one is not drawn.
    void Show(const std::wstring& Text, int BarPercent = -1);
    // The text of the display that shows now, if any, with new content
    // that arrived later: neither its place on screen nor its time starts
    // again.
    void Refresh(const std::wstring& Text, int BarPercent = -1);
    void Hide();

    // Null until the first display.
    HWND Handle() const noexcept { return FWnd; }
    bool Showing() const noexcept { return FWnd && IsWindowVisible(FWnd); }
    const std::wstring& Text() const noexcept { return FText; }

private:
    void EnsureWindow();
    void Render(BYTE Alpha, bool Move);
    void StartFade();
    void FadeStep();
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND FWnd = nullptr;
    std::wstring FText;
    int FBar = -1;
    BYTE FAlpha = 255;
    POINT FPos{};
    HMONITOR FMonitor = nullptr;
    TWindowTimer FHold;  // until the fade
    TWindowTimer FFade;  // its steps
};
