#include "look/xp_tool_bar.h"

#include <shlwapi.h>
#include <windowsx.h>

#include "look/visual_styles.h"

namespace {

// Kept in a button's data: may a pressed button of a check group be clicked up?
constexpr DWORD_PTR kAllowAllUp = 1;

bool ButtonAt(HWND bar, int index, TBBUTTON& button) {
    button = TBBUTTON{};
    return SendMessageW(bar, TB_GETBUTTON, index, reinterpret_cast<LPARAM>(&button)) != FALSE;
}

}  // namespace

DWORD ComCtlVersion() {
    HMODULE lib = GetModuleHandleW(L"comctl32.dll");
    if (!lib) return 0;
    auto getVersion = reinterpret_cast<DLLGETVERSIONPROC>(
        reinterpret_cast<void*>(GetProcAddress(lib, "DllGetVersion")));
    if (!getVersion) return kComCtlVersionIE4;  // older libraries lack the entry
    DLLVERSIONINFO info{};
    info.cbSize = sizeof(info);
    if (FAILED(getVersion(&info))) return 0;
    return MAKELONG(info.dwMinorVersion, info.dwMajorVersion);
}

bool TXPToolBar::Create(HWND parent, const RECT& bounds, UINT id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | TBSTYLE_FLAT | TBSTYLE_TRANSPARENT |
                        TBSTYLE_TOOLTIPS | CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    if (!CreateHandle(0, TOOLBARCLASSNAMEW, L"", style, bounds, parent, id)) return false;
    SendMessageW(FHandle, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessageW(FHandle, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessageW(FHandle, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (font) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
}

bool TXPToolBar::AddButton(int command, const std::wstring& text, BYTE style, bool allowAllUp) {
    if (!FHandle) return false;
    TBBUTTON button{};
    button.iBitmap = I_IMAGENONE;
    button.idCommand = command;
    button.fsState = TBSTATE_ENABLED;
    button.fsStyle = style;
    button.dwData = allowAllUp ? kAllowAllUp : 0;
    button.iString = reinterpret_cast<INT_PTR>(text.c_str());
    const bool ok = SendMessageW(FHandle, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)) != FALSE;
    SendMessageW(FHandle, TB_AUTOSIZE, 0, 0);
    UpdateBandHeight();
    return ok;
}

bool TXPToolBar::AddSeparator() {
    if (!FHandle) return false;
    TBBUTTON button{};
    button.fsStyle = BTNS_SEP;
    return SendMessageW(FHandle, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button)) != FALSE;
}

int TXPToolBar::ButtonCount() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, TB_BUTTONCOUNT, 0, 0)) : 0;
}

bool TXPToolBar::Checked(int command) const {
    return FHandle && SendMessageW(FHandle, TB_ISBUTTONCHECKED, command, 0) != FALSE;
}

bool TXPToolBar::Flat() const {
    return FHandle && (GetWindowLongPtrW(FHandle, GWL_STYLE) & TBSTYLE_FLAT) != 0;
}

int TXPToolBar::BandMinHeight() const {
    const int buttonHeight = FHandle ? HIWORD(SendMessageW(FHandle, TB_GETBUTTONSIZE, 0, 0)) : 0;
    // A top and a bottom edge of two pixels each, four more for raised buttons.
    return 2 * BorderWidth + buttonHeight + 2 + 2 + (Flat() ? 0 : 4);
}

void TXPToolBar::UpdateBandHeight() {
    HWND parent = FHandle ? GetParent(FHandle) : nullptr;
    if (!parent || FUpdatingBand || !IsWindowClass(parent, REBARCLASSNAMEW)) return;
    const int bands = static_cast<int>(SendMessageW(parent, RB_GETBANDCOUNT, 0, 0));
    for (int i = 0; i < bands; ++i) {
        REBARBANDINFOW band{};
        band.cbSize = sizeof(band);
        band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
        if (!SendMessageW(parent, RB_GETBANDINFOW, i, reinterpret_cast<LPARAM>(&band))) continue;
        if (band.hwndChild != FHandle) continue;
        const UINT wanted = static_cast<UINT>(BandMinHeight());
        if (band.cyMinChild == wanted) return;
        band.fMask = RBBIM_CHILDSIZE;
        band.cyMinChild = wanted;
        // Setting the band resizes this bar, which would bring us back here.
        FUpdatingBand = true;
        SendMessageW(parent, RB_SETBANDINFOW, i, reinterpret_cast<LPARAM>(&band));
        FUpdatingBand = false;
        return;
    }
}

int TXPToolBar::HitButton(int x, int y) const {
    POINT pt{x, y};
    const int index = static_cast<int>(SendMessageW(FHandle, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
    if (index < 0 || index >= ButtonCount()) return -1;
    TBBUTTON button;
    if (!ButtonAt(FHandle, index, button) || (button.fsStyle & BTNS_SEP)) return -1;
    return index;
}

bool TXPToolBar::InDropDownArrow(int index, int x) const {
    TBBUTTON button;
    if (!ButtonAt(FHandle, index, button) || !(button.fsStyle & BTNS_DROPDOWN)) return false;
    // Older libraries have no separate arrow: the whole button drops down.
    if (ComCtlVersion() <= kComCtlVersionIE4) return false;
    RECT arrow{};
    if (SendMessageW(FHandle, TB_GETITEMDROPDOWNRECT, index, reinterpret_cast<LPARAM>(&arrow)) &&
        arrow.right > arrow.left)
        return x >= arrow.left;
    RECT whole{};
    SendMessageW(FHandle, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&whole));
    HDC dc = GetDC(FHandle);
    const int arrowWidth = MulDiv(11, dc ? GetDeviceCaps(dc, LOGPIXELSX) : 96, 96);
    if (dc) ReleaseDC(FHandle, dc);
    return x >= whole.right - arrowWidth;
}

void TXPToolBar::CheckGroupButton(int index) {
    TBBUTTON button;
    ButtonAt(FHandle, index, button);
    const bool down = (button.fsState & TBSTATE_CHECKED) != 0;
    if (down) {
        if (button.dwData & kAllowAllUp) SendMessageW(FHandle, TB_CHECKBUTTON, button.idCommand, FALSE);
        return;
    }
    // Release the other buttons of the group: the run of group buttons around this one.
    const int count = ButtonCount();
    auto release = [&](int i) {
        TBBUTTON other;
        if (!ButtonAt(FHandle, i, other) || !(other.fsStyle & BTNS_GROUP)) return false;
        SendMessageW(FHandle, TB_CHECKBUTTON, other.idCommand, FALSE);
        return true;
    };
    for (int i = index - 1; i >= 0 && release(i); --i) {
    }
    for (int i = index + 1; i < count && release(i); ++i) {
    }
    SendMessageW(FHandle, TB_CHECKBUTTON, button.idCommand, TRUE);
}

void TXPToolBar::Click(int index) {
    TBBUTTON button;
    if (!ButtonAt(FHandle, index, button) || !(button.fsState & TBSTATE_ENABLED)) return;
    if (button.fsStyle & BTNS_CHECK) {
        if (button.fsStyle & BTNS_GROUP)
            CheckGroupButton(index);
        else
            SendMessageW(FHandle, TB_CHECKBUTTON, button.idCommand,
                         (button.fsState & TBSTATE_CHECKED) ? FALSE : TRUE);
    }
    if (HWND parent = GetParent(FHandle))
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(button.idCommand, BN_CLICKED),
                     reinterpret_cast<LPARAM>(FHandle));
    if (OnClick) OnClick(*this, button.idCommand);
}

void TXPToolBar::CancelPress() {
    if (FDownIndex < 0) return;
    TBBUTTON button;
    if (ButtonAt(FHandle, FDownIndex, button)) SendMessageW(FHandle, TB_PRESSBUTTON, button.idCommand, FALSE);
    FDownIndex = -1;
    if (GetCapture() == FHandle) ReleaseCapture();
}

LRESULT TXPToolBar::MouseDown(UINT msg, WPARAM wp, LPARAM lp) {
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    const int index = HitButton(x, y);
    TBBUTTON button;
    if (index < 0 || !ButtonAt(FHandle, index, button) || !(button.fsState & TBSTATE_ENABLED))
        return DefaultHandler(msg, wp, lp);
    // The arrow of a drop-down button keeps the library's own handling (its menu).
    if (InDropDownArrow(index, x)) return DefaultHandler(msg, wp, lp);
    FDownIndex = index;
    SendMessageW(FHandle, TB_PRESSBUTTON, button.idCommand, TRUE);
    SetCapture(FHandle);
    return 0;
}

LRESULT TXPToolBar::MouseUp(UINT msg, WPARAM wp, LPARAM lp) {
    if (FDownIndex < 0) return DefaultHandler(msg, wp, lp);
    const int down = FDownIndex;
    CancelPress();
    const int x = GET_X_LPARAM(lp), y = GET_Y_LPARAM(lp);
    if (HitButton(x, y) == down && !InDropDownArrow(down, x)) Click(down);
    return 0;
}

LRESULT TXPToolBar::WMEraseBkgnd(HDC dc) {
    // Transparent over a themed parent: show the parent's background.
    if (UseThemes() && PaintParentBackground(FHandle, dc)) return 1;
    return DefaultHandler(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

LRESULT TXPToolBar::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        return MouseDown(msg, wp, lp);
    case WM_LBUTTONUP:
        return MouseUp(msg, wp, lp);
    case WM_MOUSEMOVE:
        if (FDownIndex >= 0) {
            // The button looks pressed only while the pointer is on it.
            TBBUTTON button;
            if (ButtonAt(FHandle, FDownIndex, button)) {
                const bool over = HitButton(GET_X_LPARAM(lp), GET_Y_LPARAM(lp)) == FDownIndex;
                SendMessageW(FHandle, TB_PRESSBUTTON, button.idCommand, over);
            }
            return 0;
        }
        break;
    case WM_CAPTURECHANGED:
        if (FDownIndex >= 0 && reinterpret_cast<HWND>(lp) != FHandle) {
            const int down = FDownIndex;
            FDownIndex = -1;
            TBBUTTON button;
            if (ButtonAt(FHandle, down, button)) SendMessageW(FHandle, TB_PRESSBUTTON, button.idCommand, FALSE);
        }
        break;
    case WM_ERASEBKGND:
        return WMEraseBkgnd(reinterpret_cast<HDC>(wp));
    case WM_SIZE:
    case TB_SETBUTTONSIZE:
    case TB_AUTOSIZE:
    case WM_SETFONT: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        UpdateBandHeight();
        return r;
    }
    default:
        break;
    }
    return DefaultHandler(msg, wp, lp);
}

LRESULT TXPToolBar::Dispatch(UINT msg, WPARAM wp, LPARAM lp) { return WndProc(msg, wp, lp); }
