// An animation control that leaves its background alone while a visual
// style is in use, so it does not flicker over a themed parent.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "look/xp_control.h"

class TXPAnimate : public TXPControl {
public:
    TXPAnimate() = default;

    bool Create(HWND parent, const RECT& bounds, UINT id, DWORD style = ACS_CENTER | ACS_TRANSPARENT);
    // Opens an AVI clip from a file; false when the control cannot play it.
    bool Open(const std::wstring& fileName);

protected:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT WMEraseBkgnd(HDC dc);
};
