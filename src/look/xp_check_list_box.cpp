#include "look/xp_check_list_box.h"

#include <commctrl.h>
#include <vssym32.h>
#include <windowsx.h>

#include <algorithm>

#include "desktop/application.h"
#include "look/visual_styles.h"

namespace {

// Each item's check state and enabled flag live in its item data, so they
// move with the item whatever the list does.
constexpr LPARAM kStateMask = 0x3;
constexpr LPARAM kDisabledBit = 0x4;

int ScaleForDpi(HWND wnd, int pixels) {
    HDC dc = GetDC(wnd);
    const int dpi = dc ? GetDeviceCaps(dc, LOGPIXELSY) : 96;
    if (dc) ReleaseDC(wnd, dc);
    return MulDiv(pixels, dpi, 96);
}

int ThemedCheckState(TCheckBoxState state, bool enabled) {
    switch (state) {
    case TCheckBoxState::cbChecked:
        return enabled ? CBS_CHECKEDNORMAL : CBS_CHECKEDDISABLED;
    case TCheckBoxState::cbGrayed:
        return enabled ? CBS_MIXEDNORMAL : CBS_MIXEDDISABLED;
    default:
        return enabled ? CBS_UNCHECKEDNORMAL : CBS_UNCHECKEDDISABLED;
    }
}

}  // namespace

TXPCheckListBox::~TXPCheckListBox() {
    if (FParent)
        RemoveWindowSubclass(FParent, &TXPCheckListBox::ParentProc, reinterpret_cast<UINT_PTR>(this));
    FParent = nullptr;
}

bool TXPCheckListBox::Create(HWND parent, const RECT& bounds, UINT id) {
    const DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY |
                        LBS_OWNERDRAWFIXED | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
    if (!CreateHandle(WS_EX_CLIENTEDGE, WC_LISTBOXW, L"", style, bounds, parent, id)) return false;
    // Owner-draw requests go to the parent; catch ours there.
    FParent = parent;
    SetWindowSubclass(parent, &TXPCheckListBox::ParentProc, reinterpret_cast<UINT_PTR>(this),
                      reinterpret_cast<DWORD_PTR>(this));
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (font) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    HDC dc = GetDC(FHandle);
    HGDIOBJ old = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(FHandle, dc);
    const int height = std::max<int>(tm.tmHeight, CheckWidth());
    SendMessageW(FHandle, LB_SETITEMHEIGHT, 0, height);
    return true;
}

int TXPCheckListBox::AddItem(const std::wstring& text) {
    if (!FHandle) return -1;
    const int index = static_cast<int>(SendMessageW(FHandle, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    if (index >= 0) SetItemData(index, 0);
    return index;
}

int TXPCheckListBox::Count() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, LB_GETCOUNT, 0, 0)) : 0;
}

std::wstring TXPCheckListBox::ItemText(int index) const {
    if (index < 0 || index >= Count()) return {};
    const LRESULT n = SendMessageW(FHandle, LB_GETTEXTLEN, index, 0);
    if (n <= 0) return {};
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    SendMessageW(FHandle, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(n));
    return text;
}

int TXPCheckListBox::ItemIndex() const {
    return FHandle ? static_cast<int>(SendMessageW(FHandle, LB_GETCURSEL, 0, 0)) : -1;
}

void TXPCheckListBox::SetItemIndex(int index) {
    if (FHandle) SendMessageW(FHandle, LB_SETCURSEL, index, 0);
}

LPARAM TXPCheckListBox::ItemData(int index) const {
    if (index < 0 || index >= Count()) return 0;
    const LRESULT data = SendMessageW(FHandle, LB_GETITEMDATA, index, 0);
    return data == LB_ERR ? 0 : data;
}

void TXPCheckListBox::SetItemData(int index, LPARAM data) {
    if (index < 0 || index >= Count()) return;
    SendMessageW(FHandle, LB_SETITEMDATA, index, data);
    InvalidateItem(index);
}

void TXPCheckListBox::InvalidateItem(int index) {
    RECT r{};
    if (SendMessageW(FHandle, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r)) != LB_ERR)
        InvalidateRect(FHandle, &r, FALSE);
}

TCheckBoxState TXPCheckListBox::GetState(int index) const {
    switch (ItemData(index) & kStateMask) {
    case 1:
        return TCheckBoxState::cbChecked;
    case 2:
        return TCheckBoxState::cbGrayed;
    default:
        return TCheckBoxState::cbUnchecked;
    }
}

void TXPCheckListBox::SetState(int index, TCheckBoxState state) {
    const LPARAM bits = state == TCheckBoxState::cbChecked ? 1 : state == TCheckBoxState::cbGrayed ? 2 : 0;
    SetItemData(index, (ItemData(index) & ~kStateMask) | bits);
}

bool TXPCheckListBox::GetItemEnabled(int index) const {
    return index >= 0 && index < Count() && (ItemData(index) & kDisabledBit) == 0;
}

void TXPCheckListBox::SetItemEnabled(int index, bool on) {
    const LPARAM data = ItemData(index);
    SetItemData(index, on ? data & ~kDisabledBit : data | kDisabledBit);
}

int TXPCheckListBox::CheckWidth() const { return ScaleForDpi(FHandle, 13) + 2; }

void TXPCheckListBox::ToggleClickCheck(int index) {
    if (index < 0 || index >= Count() || !GetItemEnabled(index)) return;
    switch (GetState(index)) {
    case TCheckBoxState::cbUnchecked:
        SetState(index, AllowGrayed ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
        break;
    case TCheckBoxState::cbChecked:
        SetState(index, TCheckBoxState::cbUnchecked);
        break;
    case TCheckBoxState::cbGrayed:
        SetState(index, TCheckBoxState::cbChecked);
        break;
    }
    if (OnClickCheck) OnClickCheck(*this);
}

void TXPCheckListBox::DrawItemCheck(HDC dc, RECT rect, TCheckBoxState state, bool enabled) {
    const int strip = CheckWidth();
    const int side = strip - 2;
    const bool rtl = (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    const int stripLeft = rtl ? rect.right : rect.left - strip;
    RECT box;
    box.left = stripLeft + (strip - side) / 2;
    box.top = rect.top + (rect.bottom - rect.top - side) / 2;
    box.right = box.left + side;
    box.bottom = box.top + side;

    if (UseThemes()) {
        TThemeData theme(FHandle, L"Button");
        const TThemeLibrary& lib = ThemeLibrary();
        if (theme && lib.DrawThemeBackground) {
            lib.DrawThemeBackground(theme.Handle(), dc, BP_CHECKBOX, ThemedCheckState(state, enabled),
                                    &box, nullptr);
            return;
        }
    }
    UINT flags = DFCS_BUTTONCHECK;
    if (state == TCheckBoxState::cbChecked) flags |= DFCS_CHECKED;
    if (state == TCheckBoxState::cbGrayed) flags |= DFCS_CHECKED | DFCS_BUTTON3STATE;
    if (!enabled) flags |= DFCS_INACTIVE;
    if (Flat) flags |= DFCS_FLAT;
    DrawFrameControl(dc, &box, DFC_BUTTON, flags);
}

void TXPCheckListBox::DrawItemText(HDC dc, int index, RECT rect, bool selected) {
    const bool enabled = GetItemEnabled(index) && Enabled();
    COLORREF colour = GetSysColor(COLOR_WINDOWTEXT);
    if (!enabled)
        colour = GetSysColor(COLOR_GRAYTEXT);
    else if (selected)
        colour = GetSysColor(COLOR_HIGHLIGHTTEXT);
    const COLORREF oldColour = SetTextColor(dc, colour);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    rect.left += 2;
    const std::wstring text = ItemText(index);
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &rect,
              DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
}

void TXPCheckListBox::DrawItem(HDC dc, int index, RECT rect, UINT odState) {
    const bool selected = (odState & ODS_SELECTED) != 0 && Enabled();
    FillRect(dc, &rect, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    DrawItemText(dc, index, rect, selected);
    if (selected && (odState & ODS_FOCUS)) DrawFocusRect(dc, &rect);
}

void TXPCheckListBox::CNDrawItem(const DRAWITEMSTRUCT& item) {
    RECT full = item.rcItem;
    FillRect(item.hDC, &full, GetSysColorBrush(COLOR_WINDOW));
    if (item.itemID == static_cast<UINT>(-1)) return;  // an empty list being focused
    const int index = static_cast<int>(item.itemID);
    RECT text = full;
    const bool rtl = (GetWindowLongPtrW(FHandle, GWL_EXSTYLE) & WS_EX_RTLREADING) != 0;
    if (rtl)
        text.right -= CheckWidth();
    else
        text.left += CheckWidth();
    DrawItem(item.hDC, index, text, item.itemState);
    DrawItemCheck(item.hDC, text, GetState(index), GetItemEnabled(index) && Enabled());
}

void TXPCheckListBox::KeyPress(wchar_t key) {
    if (key == L' ') ToggleClickCheck(ItemIndex());
}

void TXPCheckListBox::MouseDown(int x, int y) {
    const LRESULT hit = SendMessageW(FHandle, LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    if (HIWORD(hit) != 0) return;  // below the last item
    ToggleClickCheck(static_cast<int>(LOWORD(hit)));
}

void TXPCheckListBox::CMEnabledChanged() {
    if (!Enabled()) SetItemIndex(-1);
    InvalidateRect(FHandle, nullptr, TRUE);
}

void TXPCheckListBox::CMExit() { SetItemIndex(-1); }

LRESULT TXPCheckListBox::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        // The list selects the item first, then the row's check toggles.
        const LRESULT r = DefaultHandler(msg, wp, lp);
        MouseDown(GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
        return r;
    }
    case WM_CHAR:
        KeyPress(static_cast<wchar_t>(wp));
        return DefaultHandler(msg, wp, lp);
    case WM_ENABLE: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        CMEnabledChanged();
        return r;
    }
    case WM_KILLFOCUS: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        CMExit();
        return r;
    }
    case WM_DESTROY:
        if (FParent)
            RemoveWindowSubclass(FParent, &TXPCheckListBox::ParentProc,
                                 reinterpret_cast<UINT_PTR>(this));
        FParent = nullptr;
        break;
    default:
        break;
    }
    return DefaultHandler(msg, wp, lp);
}

LRESULT CALLBACK TXPCheckListBox::ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                             DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TXPCheckListBox*>(data);
    if (msg == WM_DRAWITEM && self && self->FHandle) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (item && item->CtlType == ODT_LISTBOX && item->hwndItem == self->FHandle) {
            Guarded([&] { self->CNDrawItem(*item); });
            return TRUE;
        }
    }
    if (msg == WM_NCDESTROY && self) {
        RemoveWindowSubclass(wnd, &TXPCheckListBox::ParentProc, reinterpret_cast<UINT_PTR>(self));
        self->FParent = nullptr;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
