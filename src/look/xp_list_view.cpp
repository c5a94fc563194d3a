#include "look/xp_list_view.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

// Posted to itself: the window is rebuilt once the style change is through,
// not inside the broadcast that announced it.
const UINT kRecreateMessage = RegisterWindowMessageW(L"PlovikXPListViewRecreate");

struct TSavedColumn {
    LVCOLUMNW Column{};
    std::wstring Text;
};

struct TSavedItem {
    LVITEMW Item{};
    std::vector<std::wstring> Texts;  // one per column (item text first)
};

std::wstring ItemText(HWND list, int item, int subItem) {
    std::vector<wchar_t> buffer(260);
    for (;;) {
        LVITEMW lv{};
        lv.iSubItem = subItem;
        lv.pszText = buffer.data();
        lv.cchTextMax = static_cast<int>(buffer.size());
        const int n = static_cast<int>(SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv)));
        if (n < static_cast<int>(buffer.size()) - 1) return std::wstring(buffer.data(), static_cast<size_t>(n));
        buffer.resize(buffer.size() * 2);
    }
}

std::vector<TSavedColumn> SaveColumns(HWND list) {
    std::vector<TSavedColumn> out;
    for (int i = 0;; ++i) {
        TSavedColumn c;
        std::vector<wchar_t> text(260);
        c.Column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM | LVCF_IMAGE | LVCF_ORDER;
        c.Column.pszText = text.data();
        c.Column.cchTextMax = static_cast<int>(text.size());
        if (!SendMessageW(list, LVM_GETCOLUMNW, i, reinterpret_cast<LPARAM>(&c.Column))) break;
        c.Text = text.data();
        c.Column.pszText = nullptr;
        out.push_back(std::move(c));
    }
    return out;
}

std::vector<TSavedItem> SaveItems(HWND list, size_t columns) {
    std::vector<TSavedItem> out;
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TSavedItem s;
        s.Item.mask = LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
        s.Item.iItem = i;
        s.Item.stateMask = static_cast<UINT>(-1);
        SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&s.Item));
        for (size_t c = 0; c < std::max<size_t>(columns, 1); ++c)
            s.Texts.push_back(ItemText(list, i, static_cast<int>(c)));
        out.push_back(std::move(s));
    }
    return out;
}

}  // namespace

bool TXPListView::Create(HWND parent, const RECT& bounds, UINT id, DWORD style) {
    if (!CreateHandle(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                      bounds, parent, id))
        return false;
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    if (font) SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return true;
}

bool TXPListView::RecreateWnd() {
    HWND old = FHandle;
    if (!old) return false;
    HWND parent = GetParent(old);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(old, GWL_EXSTYLE));
    const UINT id = static_cast<UINT>(GetDlgCtrlID(old));
    RECT bounds{};
    GetWindowRect(old, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageW(old, WM_GETFONT, 0, 0));
    const LRESULT lvExStyle = SendMessageW(old, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0);
    const HIMAGELIST largeImages = reinterpret_cast<HIMAGELIST>(SendMessageW(old, LVM_GETIMAGELIST, LVSIL_NORMAL, 0));
    const HIMAGELIST smallImages = reinterpret_cast<HIMAGELIST>(SendMessageW(old, LVM_GETIMAGELIST, LVSIL_SMALL, 0));
    const HIMAGELIST stateImages = reinterpret_cast<HIMAGELIST>(SendMessageW(old, LVM_GETIMAGELIST, LVSIL_STATE, 0));
    const std::vector<TSavedColumn> columns = SaveColumns(old);
    const bool virtualList = (style & LVS_OWNERDATA) != 0;
    const int count = static_cast<int>(SendMessageW(old, LVM_GETITEMCOUNT, 0, 0));
    const std::vector<TSavedItem> items = virtualList ? std::vector<TSavedItem>{} : SaveItems(old, columns.size());

    // The image lists outlive the old window: they go to the new one.
    SetWindowLongPtrW(old, GWL_STYLE, static_cast<LONG_PTR>(style | LVS_SHAREIMAGELISTS));
    Detach();
    HWND fresh = CreateWindowExW(exStyle, WC_LISTVIEWW, L"", style, bounds.left, bounds.top,
                                 bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    if (!fresh || !Attach(fresh)) {
        if (fresh) DestroyWindow(fresh);
        SetWindowLongPtrW(old, GWL_STYLE, static_cast<LONG_PTR>(style));
        Attach(old);
        return false;
    }
    SetWindowPos(fresh, old, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DestroyWindow(old);

    if (font) SendMessageW(fresh, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessageW(fresh, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, lvExStyle);
    if (largeImages) SendMessageW(fresh, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(largeImages));
    if (smallImages) SendMessageW(fresh, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(smallImages));
    if (stateImages) SendMessageW(fresh, LVM_SETIMAGELIST, LVSIL_STATE, reinterpret_cast<LPARAM>(stateImages));
    for (size_t i = 0; i < columns.size(); ++i) {
        LVCOLUMNW c = columns[i].Column;
        c.pszText = const_cast<wchar_t*>(columns[i].Text.c_str());
        SendMessageW(fresh, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&c));
    }
    if (virtualList) {
        SendMessageW(fresh, LVM_SETITEMCOUNT, count, 0);
    } else {
        for (const TSavedItem& s : items) {
            LVITEMW item = s.Item;
            item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM | LVIF_STATE | LVIF_INDENT;
            item.pszText = const_cast<wchar_t*>(s.Texts[0].c_str());
            const int at = static_cast<int>(SendMessageW(fresh, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
            // Insertion does not take every state (check boxes, selection): set them after.
            LVITEMW state{};
            state.stateMask = static_cast<UINT>(-1);
            state.state = s.Item.state;
            SendMessageW(fresh, LVM_SETITEMSTATE, at, reinterpret_cast<LPARAM>(&state));
            for (size_t c = 1; c < s.Texts.size(); ++c) {
                LVITEMW sub{};
                sub.iSubItem = static_cast<int>(c);
                sub.pszText = const_cast<wchar_t*>(s.Texts[c].c_str());
                SendMessageW(fresh, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
            }
        }
    }
    if (OnRecreated) OnRecreated(*this);
    return true;
}

LRESULT TXPListView::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_THEMECHANGED: {
        const LRESULT r = DefaultHandler(msg, wp, lp);
        PostMessageW(FHandle, kRecreateMessage, 0, 0);
        return r;
    }
    case LVM_SETCOLUMNW:
    case LVM_INSERTCOLUMNW:
    case LVM_SETCOLUMNA:
    case LVM_INSERTCOLUMNA: {
        // Image -1 means "no image"; the control would draw image -1 instead.
        const auto* given = reinterpret_cast<const LVCOLUMNW*>(lp);
        if (given && (given->mask & LVCF_IMAGE) && given->iImage == -1) {
            LVCOLUMNW column = *given;  // same layout in both character sets
            column.mask &= ~LVCF_IMAGE;
            return DefaultHandler(msg, wp, reinterpret_cast<LPARAM>(&column));
        }
        break;
    }
    default:
        if (msg == kRecreateMessage) {
            RecreateWnd();
            return 0;
        }
        break;
    }
    return DefaultHandler(msg, wp, lp);
}
