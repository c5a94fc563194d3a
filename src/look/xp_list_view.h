// A list view that rebuilds its window when the desktop's visual style
// changes (so it takes the new style's metrics), keeping its columns and
// items, and that accepts image index -1 on a column as "no image".
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "look/xp_control.h"

class TXPListView : public TXPControl {
public:
    TXPListView() = default;

    bool Create(HWND parent, const RECT& bounds, UINT id, DWORD style = LVS_REPORT);

    // Raised after the window has been made again: Handle() is new then.
    std::function<void(TXPListView& Sender)> OnRecreated;

    // Makes the window again with the same place, style, columns and items.
    bool RecreateWnd();

protected:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
};
