// A flat, transparent tool bar that decides clicks itself: a click counts
// only when the button goes down and comes up on the same tool button, and a
// drop-down button only left of its arrow. In a cool bar (rebar) it keeps its
// band tall enough for its buttons.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>

#include "look/xp_control.h"

// Version of the loaded common-controls library as MAKELONG(minor, major).
DWORD ComCtlVersion();
constexpr DWORD kComCtlVersionIE4 = MAKELONG(70, 4);  // 4.70

class TXPToolBar : public TXPControl {
public:
    TXPToolBar() = default;

    bool Create(HWND parent, const RECT& bounds, UINT id);

    // style: BTNS_BUTTON, BTNS_CHECK, BTNS_CHECKGROUP, BTNS_DROPDOWN ...
    // allowAllUp: a pressed button of a check group may be clicked up again.
    bool AddButton(int command, const std::wstring& text, BYTE style = BTNS_BUTTON,
                   bool allowAllUp = false);
    bool AddSeparator();
    int ButtonCount() const;
    bool Checked(int command) const;
    bool Flat() const;

    // Extra space around the buttons, in pixels.
    int BorderWidth = 0;
    // Minimum height of the band that holds this tool bar in a cool bar.
    int BandMinHeight() const;
    // Applies BandMinHeight to the band if the parent is a cool bar.
    void UpdateBandHeight();

    // Raised for every click that counts (the parent also gets WM_COMMAND).
    std::function<void(TXPToolBar& Sender, int command)> OnClick;

protected:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT WMEraseBkgnd(HDC dc);

private:
    int HitButton(int x, int y) const;        // index of the tool button at x, y, or -1
    bool InDropDownArrow(int index, int x) const;
    void Click(int index);
    void CheckGroupButton(int index);
    LRESULT MouseDown(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT MouseUp(UINT msg, WPARAM wp, LPARAM lp);
    void CancelPress();

    int FDownIndex = -1;
    bool FUpdatingBand = false;
};
