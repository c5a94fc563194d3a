#include "look/xp_group_box.h"

#include <commctrl.h>
#include <vssym32.h>

#include <vector>

#include "desktop/application.h"
#include "look/visual_styles.h"

namespace {

const wchar_t kGroupBoxClass[] = L"PlovikXPGroupBox";

void RegisterGroupBoxClass() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    // The behaviour lives in TXPGroupBox::Dispatch (a subclass); the class
    // itself only knows default processing and the classic background.
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    wc.lpszClassName = kGroupBoxClass;
    registered = RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) out.push_back(c);
    return out;
}

bool IsColourRequest(UINT msg) {
    return msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORBTN || msg == WM_CTLCOLORSTATIC;
}

}  // namespace

bool TXPGroupBox::Create(HWND parent, const RECT& bounds, const std::wstring& caption, UINT id) {
    RegisterGroupBoxClass();
    if (!CreateHandle(WS_EX_CONTROLPARENT, kGroupBoxClass, caption,
                      WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, bounds, parent, id))
        return false;
    FFont = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    return true;
}

HWND TXPGroupBox::CreateChild(const wchar_t* className, const std::wstring& text, DWORD style,
                              const RECT& bounds, UINT id, DWORD exStyle) {
    if (!FHandle) return nullptr;
    HWND child = CreateWindowExW(exStyle, className, text.c_str(), style | WS_CHILD, bounds.left,
                                 bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                                 FHandle, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (child && FFont) SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(FFont), FALSE);
    return child;
}

std::wstring TXPGroupBox::Caption() const {
    return FHandle ? WindowText(FHandle) : std::wstring();
}

void TXPGroupBox::SetCaption(const std::wstring& caption) {
    if (FHandle) SetWindowTextW(FHandle, caption.c_str());
}

void TXPGroupBox::SetFont(HFONT font) {
    if (FHandle) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
}

RECT TXPGroupBox::CaptionRect(HDC dc) const {
    HGDIOBJ old = SelectObject(dc, FFont ? FFont : GetStockObject(DEFAULT_GUI_FONT));
    SIZE zero{};
    GetTextExtentPoint32W(dc, L"0", 1, &zero);
    const std::wstring text = Caption();
    SIZE size{};
    if (!text.empty()) GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(dc, old);
    // An empty caption leaves no gap in the frame.
    const int gap = text.empty() ? 0 : 1;
    const int left = 0 + 7;
    return RECT{left, 0, left + size.cx + 2 * gap, zero.cy};
}

void TXPGroupBox::Paint(HDC dc) {
    if (!FHandle) return;
    HGDIOBJ oldFont = SelectObject(dc, FFont ? FFont : GetStockObject(DEFAULT_GUI_FONT));
    SIZE zero{};
    GetTextExtentPoint32W(dc, L"0", 1, &zero);
    const RECT frame{0, zero.cy / 2, Width(), Height()};
    const bool rtl = (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    const UINT textFlags = DT_SINGLELINE | (rtl ? DT_RTLREADING : 0);
    const RECT caption = CaptionRect(dc);
    const int gap = GetWindowTextLengthW(FHandle) > 0 ? 1 : 0;

    bool painted = false;
    if (UseThemes()) {
        TThemeData theme(FHandle, L"Button");
        if (theme) {
            PaintThemed(dc, theme.Handle(), frame, caption, textFlags);
            painted = true;
        }
    }
    if (!painted) PaintClassic(dc, frame, caption, textFlags, gap);
    SelectObject(dc, oldFont);
}

void TXPGroupBox::PaintThemed(HDC dc, HANDLE theme, RECT frame, RECT caption, UINT textFlags) {
    const TThemeLibrary& lib = ThemeLibrary();
    const int state = IsWindowEnabled(FHandle) ? GBS_NORMAL : GBS_DISABLED;
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, caption.left, caption.top, caption.right, caption.bottom);
    if (lib.DrawThemeBackground) lib.DrawThemeBackground(theme, dc, BP_GROUPBOX, state, &frame, nullptr);
    RestoreDC(dc, saved);
    const std::wstring text = Caption();
    if (lib.DrawThemeText && !text.empty())
        lib.DrawThemeText(theme, dc, BP_GROUPBOX, state, text.c_str(), -1, textFlags, 0, &caption);
}

void TXPGroupBox::PaintClassic(HDC dc, RECT frame, RECT caption, UINT textFlags, int gap) {
    const int saved = SaveDC(dc);
    ExcludeClipRect(dc, caption.left, caption.top, caption.right, caption.bottom);
    if (Ctl3D) {
        ++frame.left;
        ++frame.top;
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
        OffsetRect(&frame, -1, -1);
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_BTNSHADOW));
    } else {
        FrameRect(dc, &frame, GetSysColorBrush(COLOR_WINDOWFRAME));
    }
    RestoreDC(dc, saved);

    const std::wstring text = Caption();
    if (text.empty()) return;
    caption.left += gap;
    DrawTextW(dc, text.c_str(), -1, &caption, textFlags | DT_CALCRECT);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = GetTextColor(dc);
    if (!IsWindowEnabled(FHandle)) {
        // Embossed: a highlight copy one pixel down and right under a shadow copy.
        OffsetRect(&caption, 1, 1);
        SetTextColor(dc, GetSysColor(COLOR_BTNHIGHLIGHT));
        DrawTextW(dc, text.c_str(), -1, &caption, textFlags);
        OffsetRect(&caption, -1, -1);
        SetTextColor(dc, GetSysColor(COLOR_BTNSHADOW));
        DrawTextW(dc, text.c_str(), -1, &caption, textFlags);
    } else {
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        DrawTextW(dc, text.c_str(), -1, &caption, textFlags);
    }
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

LRESULT TXPGroupBox::WMEraseBkgnd(HDC dc) {
    if (UseThemes() && PaintParentBackground(FHandle, dc)) return 1;
    return DefaultHandler(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

void TXPGroupBox::CMEnabledChanged() {
    InvalidateRect(FHandle, nullptr, TRUE);
    const bool enabled = IsWindowEnabled(FHandle) != FALSE;
    for (HWND child : Children(FHandle)) {
        const LONG_PTR tag = GetControlTag(child);
        if (enabled) {
            if (tag & kReenableMark) EnableWindow(child, TRUE);
            SetControlTag(child, tag & ~kReenableMark);
        } else {
            // Children disabled on their own get no mark and stay disabled later.
            if (IsWindowEnabled(child)) SetControlTag(child, tag | kReenableMark);
            EnableWindow(child, FALSE);
        }
    }
}

HWND TXPGroupBox::ChildOf(HWND requester) const {
    for (HWND child : Children(FHandle))
        if (child == requester) return child;
    return nullptr;
}

LRESULT TXPGroupBox::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    if (!UseThemes()) return PlainDispatch(msg, wp, lp);
    if (msg == WM_PAINT) {
        // Track bars repaint their background only when told their state.
        for (HWND child : Children(FHandle))
            if (IsWindowClass(child, TRACKBAR_CLASSW))
                SendMessageW(child, WM_ENABLE, IsWindowEnabled(child), 0);
        return PlainDispatch(msg, wp, lp);
    }
    if (IsColourRequest(msg)) return ColourRequest(msg, wp, lp);
    return PlainDispatch(msg, wp, lp);
}

LRESULT TXPGroupBox::ColourRequest(UINT msg, WPARAM wp, LPARAM lp) {
    HWND child = ChildOf(reinterpret_cast<HWND>(lp));
    if (!child || IsWindowClass(child, ANIMATE_CLASSW)) return PlainDispatch(msg, wp, lp);
    if (!IsWindowClass(child, WC_BUTTONW) && !IsWindowClass(child, TRACKBAR_CLASSW))
        return PlainDispatch(msg, wp, lp);
    // Buttons and track bars show the group's themed background through a
    // hollow brush.
    HDC dc = reinterpret_cast<HDC>(wp);
    PaintParentBackground(child, dc);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

LRESULT TXPGroupBox::PassToParent(UINT msg, WPARAM wp, LPARAM lp) {
    HWND parent = GetParent(FHandle);
    return parent ? SendMessageW(parent, msg, wp, lp) : DefaultHandler(msg, wp, lp);
}

void TXPGroupBox::ForgetChildTags() {
    for (HWND child : Children(FHandle)) SetControlTag(child, 0);
}

LRESULT TXPGroupBox::PlainDispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(FHandle, &ps);
        Paint(dc);
        EndPaint(FHandle, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (lp & PRF_ERASEBKGND) WMEraseBkgnd(reinterpret_cast<HDC>(wp));
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_ERASEBKGND:
        return WMEraseBkgnd(reinterpret_cast<HDC>(wp));
    case WM_ENABLE: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        CMEnabledChanged();
        return r;
    }
    case WM_SETFONT:
        FFont = reinterpret_cast<HFONT>(wp);
        if (LOWORD(lp)) InvalidateRect(FHandle, nullptr, TRUE);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(FFont);
    case WM_SETTEXT: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        InvalidateRect(FHandle, nullptr, TRUE);
        return r;
    }
    // The group is only a frame: its children's messages belong to the window
    // that placed it.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
        return PassToParent(msg, wp, lp);
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lp) return PassToParent(msg, wp, lp);
        break;
    case WM_DESTROY:
        ForgetChildTags();
        break;
    default:
        break;
    }
    return DefaultHandler(msg, wp, lp);
}
