#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "look/xp_animate.h"
#include "look/xp_check_list_box.h"
#include "look/xp_list_view.h"
#include "look/xp_tool_bar.h"
#include "look_helpers.h"
#include "support/peer_player.h"

namespace {

RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

using S = TCheckBoxState;

RECT ItemRect(HWND list, int index) {
    RECT r{};
    SendMessageW(list, LB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&r));
    return r;
}

void Click(HWND wnd, int x, int y) {
    SendMessageW(wnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    SendMessageW(wnd, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

struct TCheckList {
    TTestWindow Form;
    TXPCheckListBox List;
    int ClickChecks = 0;
    TCheckList() {
        EXPECT_TRUE(List.Create(Form.Handle(), Rect(10, 10, 200, 150), 5));
        for (const wchar_t* t : {L"Play", L"Pause", L"Stop", L"Next"}) List.AddItem(t);
        List.OnClickCheck = [this](TXPCheckListBox&) { ++ClickChecks; };
    }
};

}  // namespace

// ---- TXPCheckListBox -------------------------------------------------------------

TEST(XPCheckListBox, ToggleOrderWithAndWithoutGrayedAndNeverOnDisabledItems) {
    TCheckList c;
    TXPCheckListBox& l = c.List;
    std::vector<S> seen;
    for (int i = 0; i < 3; ++i) {
        l.ToggleClickCheck(0);
        seen.push_back(l.GetState(0));
    }
    EXPECT_EQ(seen, (std::vector<S>{S::cbChecked, S::cbUnchecked, S::cbChecked}));

    l.AllowGrayed = true;
    l.SetState(1, S::cbUnchecked);
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        l.ToggleClickCheck(1);
        seen.push_back(l.GetState(1));
    }
    EXPECT_EQ(seen, (std::vector<S>{S::cbGrayed, S::cbChecked, S::cbUnchecked, S::cbGrayed}));
    EXPECT_EQ(c.ClickChecks, 7);

    l.SetItemEnabled(2, false);
    l.ToggleClickCheck(2);
    l.ToggleClickCheck(-1);
    l.ToggleClickCheck(4);
    EXPECT_EQ(l.GetState(2), S::cbUnchecked);
    EXPECT_EQ(c.ClickChecks, 7) << "nothing toggled, nothing reported";
    // The item's own flags survive each other's changes.
    l.SetState(2, S::cbChecked);
    EXPECT_FALSE(l.GetItemEnabled(2));
    EXPECT_EQ(l.GetState(2), S::cbChecked);
}

TEST(XPCheckListBox, AClickAnywhereOnARowOrTheSpaceKeyTogglesIt) {
    TCheckList c;
    TXPCheckListBox& l = c.List;
    const RECT row = ItemRect(l.Handle(), 1);
    Click(l.Handle(), row.right - 5, (row.top + row.bottom) / 2);  // far right of the box
    EXPECT_EQ(l.ItemIndex(), 1);
    EXPECT_EQ(l.GetState(1), S::cbChecked);
    // A double click counts as two presses.
    SendMessageW(l.Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(row.left + 2, row.top + 2));
    SendMessageW(l.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(row.left + 2, row.top + 2));
    EXPECT_EQ(l.GetState(1), S::cbUnchecked);

    // Below the last item nothing toggles.
    Click(l.Handle(), 20, 140);
    for (int i = 0; i < l.Count(); ++i) EXPECT_EQ(l.GetState(i), S::cbUnchecked);

    l.SetItemIndex(3);
    SendMessageW(l.Handle(), WM_CHAR, L' ', 0);
    EXPECT_EQ(l.GetState(3), S::cbChecked);
    SendMessageW(l.Handle(), WM_CHAR, L'x', 0);
    EXPECT_EQ(l.GetState(3), S::cbChecked);
    EXPECT_EQ(c.ClickChecks, 3);
}

TEST(XPCheckListBox, DisablingOrLeavingClearsTheSelection) {
    TCheckList c;
    TXPCheckListBox& l = c.List;
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 220, 10, 80, 20, c.Form.Handle(),
                                 nullptr, nullptr, nullptr);
    SetFocus(l.Handle());
    ASSERT_EQ(GetFocus(), l.Handle());
    l.SetItemIndex(2);
    SetFocus(other);
    EXPECT_EQ(l.ItemIndex(), -1);

    l.SetItemIndex(1);
    l.SetEnabled(false);
    EXPECT_EQ(l.ItemIndex(), -1);
    // With nothing selected the space key toggles nothing.
    l.SetEnabled(true);
    SendMessageW(l.Handle(), WM_CHAR, L' ', 0);
    EXPECT_EQ(c.ClickChecks, 0);
}

TEST(XPCheckListBox, DrawsEachStateDistinctlyInBothStylesAndRowsThroughTheParent) {
    TCheckList c;
    TXPCheckListBox& l = c.List;
    const int strip = l.CheckWidth();
    auto draw = [&](S state, bool enabled) {
        TBitmapDC bmp(strip + 4, 20, RGB(1, 2, 3));
        l.DrawItemCheck(bmp.DC(), RECT{strip, 0, strip + 4, 20}, state, enabled);
        return bmp.Pixels();
    };
    for (bool themed : {true, false}) {
        TThemeSwitch style(themed);
        ASSERT_EQ(UseThemes(), themed);
        const auto unchecked = draw(S::cbUnchecked, true), checked = draw(S::cbChecked, true),
                   grayed = draw(S::cbGrayed, true), off = draw(S::cbChecked, false);
        EXPECT_NE(unchecked, checked) << themed;
        EXPECT_NE(checked, grayed) << themed;
        EXPECT_NE(unchecked, grayed) << themed;
        EXPECT_NE(checked, off) << themed;
        // The box stays inside its strip, one pixel in from each side.
        TBitmapDC bmp(strip + 4, 20, RGB(1, 2, 3));
        l.DrawItemCheck(bmp.DC(), RECT{strip, 0, strip + 4, 20}, S::cbChecked, true);
        EXPECT_EQ(bmp.Count(RECT{0, 0, 1, 20}, RGB(1, 2, 3)), 20);
        EXPECT_EQ(bmp.Count(RECT{strip - 1, 0, strip + 4, 20}, RGB(1, 2, 3)), 5 * 20);
    }

    // The owner-draw request reaches the list through its parent.
    l.SetChecked(0, true);
    const RECT row = ItemRect(l.Handle(), 0);
    TBitmapDC bmp(row.right, row.bottom, RGB(1, 2, 3));
    DRAWITEMSTRUCT di{};
    di.CtlType = ODT_LISTBOX;
    di.CtlID = 5;
    di.itemID = 0;
    di.itemAction = ODA_DRAWENTIRE;
    di.hwndItem = l.Handle();
    di.hDC = bmp.DC();
    di.rcItem = row;
    EXPECT_EQ(SendMessageW(c.Form.Handle(), WM_DRAWITEM, 5, reinterpret_cast<LPARAM>(&di)), TRUE);
    EXPECT_EQ(bmp.Count(row, RGB(1, 2, 3)), 0) << "the whole row painted";
    EXPECT_GT(bmp.Count(RECT{strip, row.top, row.right, row.bottom}, GetSysColor(COLOR_WINDOWTEXT)), 5)
        << "item text right of the box";
}

// ---- TXPToolBar ------------------------------------------------------------------

namespace {

struct TBar {
    TTestWindow Form;
    TXPToolBar Bar;
    std::vector<int> Clicks;
    TBar() {
        EXPECT_TRUE(Bar.Create(Form.Handle(), Rect(0, 0, 400, 30), 9));
        Bar.AddButton(10, L"Plain");
        Bar.AddButton(11, L"Left", BTNS_CHECKGROUP, true);
        Bar.AddButton(12, L"Right", BTNS_CHECKGROUP, true);
        Bar.AddSeparator();
        Bar.AddButton(13, L"Shuffle", BTNS_CHECK);
        Bar.AddButton(14, L"More", BTNS_DROPDOWN);
        Bar.AddButton(15, L"One", BTNS_CHECKGROUP);
        Bar.AddButton(16, L"Two", BTNS_CHECKGROUP);
        Bar.OnClick = [this](TXPToolBar&, int id) { Clicks.push_back(id); };
    }
    RECT ButtonRect(int id) {
        RECT r{};
        SendMessageW(Bar.Handle(), TB_GETRECT, id, reinterpret_cast<LPARAM>(&r));
        return r;
    }
    POINT Centre(int id) {
        const RECT r = ButtonRect(id);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    void Press(POINT down, POINT up) {
        SendMessageW(Bar.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(down.x, down.y));
        SendMessageW(Bar.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(up.x, up.y));
    }
    void ClickOn(int id) { Press(Centre(id), Centre(id)); }
};

}  // namespace

TEST(XPToolBar, ACountsOnlyWhenDownAndUpFallOnTheSameButton) {
    TBar b;
    EXPECT_TRUE(b.Bar.Flat());
    EXPECT_TRUE(GetWindowLongPtrW(b.Bar.Handle(), GWL_STYLE) & TBSTYLE_TRANSPARENT);
    b.ClickOn(10);
    b.Press(b.Centre(10), b.Centre(13));
    b.Press(b.Centre(13), POINT{398, 5});
    EXPECT_EQ(b.Clicks, std::vector<int>{10});
    ASSERT_EQ(b.Form.Commands.size(), 1u);
    EXPECT_EQ(LOWORD(b.Form.Commands[0].wParam), 10);
    EXPECT_FALSE(b.Bar.Checked(13)) << "a press that slid off is no click";
    EXPECT_EQ(SendMessageW(b.Bar.Handle(), TB_ISBUTTONPRESSED, 10, 0), 0) << "released afterwards";
}

TEST(XPToolBar, CheckButtonsToggleAndAGroupThatAllowsAllUpCanBeClickedUp) {
    TBar b;
    b.ClickOn(13);
    EXPECT_TRUE(b.Bar.Checked(13));
    b.ClickOn(13);
    EXPECT_FALSE(b.Bar.Checked(13));

    b.ClickOn(11);
    EXPECT_TRUE(b.Bar.Checked(11));
    b.ClickOn(12);
    EXPECT_TRUE(b.Bar.Checked(12));
    EXPECT_FALSE(b.Bar.Checked(11)) << "one of a group";
    b.ClickOn(12);
    EXPECT_FALSE(b.Bar.Checked(12)) << "all up is allowed";

    b.ClickOn(15);
    b.ClickOn(15);
    EXPECT_TRUE(b.Bar.Checked(15)) << "a group that does not allow all up stays down";
    b.ClickOn(16);
    EXPECT_TRUE(b.Bar.Checked(16));
    EXPECT_FALSE(b.Bar.Checked(15));
    EXPECT_FALSE(b.Bar.Checked(12)) << "the separator and the other buttons end the group";
    EXPECT_EQ(b.Clicks.size(), 8u);
}

TEST(XPToolBar, ADropDownButtonCountsOnlyLeftOfItsArrow) {
    ASSERT_GT(ComCtlVersion(), kComCtlVersionIE4);
    TBar b;
    const RECT r = b.ButtonRect(14);
    const int y = (r.top + r.bottom) / 2;
    b.Press(POINT{r.left + 3, y}, POINT{r.left + 4, y});
    EXPECT_EQ(b.Clicks, std::vector<int>{14});
    b.Press(POINT{r.left + 3, y}, POINT{r.right - 3, y});
    EXPECT_EQ(b.Clicks.size(), 1u) << "released on the arrow";
}

TEST(XPToolBar, KeepsItsBandInACoolBarTallEnough) {
    TTestWindow form;
    HWND rebar = CreateWindowExW(0, REBARCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE | RBS_VARHEIGHT, 0, 0, 400, 40,
                                 form.Handle(), nullptr, nullptr, nullptr);
    ASSERT_NE(rebar, nullptr);
    TXPToolBar bar;
    ASSERT_TRUE(bar.Create(rebar, Rect(0, 0, 300, 30), 3));
    bar.AddButton(1, L"Play");
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
    band.hwndChild = bar.Handle();
    band.cxMinChild = 100;
    band.cyMinChild = 5;
    ASSERT_TRUE(SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)));
    auto minHeight = [&] {
        REBARBANDINFOW got{};
        got.cbSize = sizeof(got);
        got.fMask = RBBIM_CHILDSIZE;
        SendMessageW(rebar, RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&got));
        return static_cast<int>(got.cyMinChild);
    };
    const int buttonHeight = HIWORD(SendMessageW(bar.Handle(), TB_GETBUTTONSIZE, 0, 0));
    SendMessageW(bar.Handle(), TB_AUTOSIZE, 0, 0);
    EXPECT_EQ(minHeight(), buttonHeight + 4);

    bar.BorderWidth = 3;
    SendMessageW(bar.Handle(), TB_SETBUTTONSIZE, 0, MAKELPARAM(60, 30));
    const int newHeight = HIWORD(SendMessageW(bar.Handle(), TB_GETBUTTONSIZE, 0, 0));
    EXPECT_EQ(minHeight(), 2 * 3 + newHeight + 4);

    SetWindowLongPtrW(bar.Handle(), GWL_STYLE, GetWindowLongPtrW(bar.Handle(), GWL_STYLE) & ~TBSTYLE_FLAT);
    EXPECT_EQ(bar.BandMinHeight(), 2 * 3 + newHeight + 8) << "raised buttons need four more";
}

// ---- TXPListView -----------------------------------------------------------------

namespace {

bool HeaderHasImage(HWND list, int column) {
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item));
    return (item.fmt & HDF_IMAGE) != 0;
}

std::wstring CellText(HWND list, int item, int sub) {
    wchar_t buffer[64]{};
    LVITEMW lv{};
    lv.iSubItem = sub;
    lv.pszText = buffer;
    lv.cchTextMax = 64;
    SendMessageW(list, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(&lv));
    return buffer;
}

}  // namespace

TEST(XPListView, AColumnWithImageMinusOneGetsNoImage) {
    TTestWindow form;
    TXPListView view;
    ASSERT_TRUE(view.Create(form.Handle(), Rect(0, 0, 300, 200), 4));
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_IMAGE;
    col.cx = 80;
    col.pszText = const_cast<wchar_t*>(L"Title");
    col.iImage = -1;
    ASSERT_EQ(SendMessageW(view.Handle(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&col)), 0);
    col.iImage = 0;
    col.pszText = const_cast<wchar_t*>(L"Artist");
    ASSERT_EQ(SendMessageW(view.Handle(), LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&col)), 1);
    EXPECT_FALSE(HeaderHasImage(view.Handle(), 0));
    EXPECT_TRUE(HeaderHasImage(view.Handle(), 1)) << "a real image index keeps its image";

    col.iImage = -1;
    SendMessageW(view.Handle(), LVM_SETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    col.mask = LVCF_TEXT;
    wchar_t text[32]{};
    col.pszText = text;
    col.cchTextMax = 32;
    SendMessageW(view.Handle(), LVM_GETCOLUMNW, 1, reinterpret_cast<LPARAM>(&col));
    EXPECT_STREQ(text, L"Artist") << "the rest of the change still applies";
}

TEST(XPListView, AStyleChangeRebuildsTheWindowWithItsColumnsAndItems) {
    TTestWindow form;
    TXPListView view;
    ASSERT_TRUE(view.Create(form.Handle(), Rect(5, 6, 300, 200), 4));
    SendMessageW(view.Handle(), LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    for (int c = 0; c < 2; ++c) {
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.cx = 70 + c;
        col.pszText = const_cast<wchar_t*>(c ? L"Artist" : L"Title");
        SendMessageW(view.Handle(), LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&col));
    }
    for (int i = 0; i < 3; ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = i;
        item.lParam = 100 + i;
        const std::wstring title = L"Song " + std::to_wstring(i);
        item.pszText = const_cast<wchar_t*>(title.c_str());
        SendMessageW(view.Handle(), LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        const std::wstring artist = L"Band " + std::to_wstring(i);
        LVITEMW sub{};
        sub.iSubItem = 1;
        sub.pszText = const_cast<wchar_t*>(artist.c_str());
        SendMessageW(view.Handle(), LVM_SETITEMTEXTW, i, reinterpret_cast<LPARAM>(&sub));
    }
    ListView_SetCheckState(view.Handle(), 1, TRUE);

    HWND before = view.Handle();
    int recreated = 0;
    view.OnRecreated = [&](TXPListView&) { ++recreated; };
    SendMessageW(before, WM_THEMECHANGED, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return recreated == 1; }, 2000));
    HWND after = view.Handle();
    EXPECT_NE(after, before);
    EXPECT_FALSE(IsWindow(before));
    EXPECT_EQ(GetDlgCtrlID(after), 4);
    RECT r{};
    GetWindowRect(after, &r);
    MapWindowPoints(nullptr, form.Handle(), reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(SendMessageW(after, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0) & (LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT),
              LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
    EXPECT_EQ(SendMessageW(after, LVM_GETCOLUMNWIDTH, 1, 0), 71);
    ASSERT_EQ(SendMessageW(after, LVM_GETITEMCOUNT, 0, 0), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(CellText(after, i, 0), L"Song " + std::to_wstring(i));
        EXPECT_EQ(CellText(after, i, 1), L"Band " + std::to_wstring(i));
        LVITEMW item{};
        item.mask = LVIF_PARAM;
        item.iItem = i;
        SendMessageW(after, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.lParam, 100 + i);
    }
    EXPECT_TRUE(ListView_GetCheckState(after, 1));
    EXPECT_FALSE(ListView_GetCheckState(after, 0));

    // The rebuilt window keeps the column rule.
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_IMAGE;
    col.pszText = const_cast<wchar_t*>(L"Year");
    col.iImage = -1;
    SendMessageW(after, LVM_INSERTCOLUMNW, 2, reinterpret_cast<LPARAM>(&col));
    EXPECT_FALSE(HeaderHasImage(after, 2));
}

// ---- TXPAnimate ------------------------------------------------------------------

TEST(XPAnimate, LeavesItsBackgroundAloneOnlyWhileAStyleIsInUse) {
    TTestWindow form;
    TXPAnimate anim;
    ASSERT_TRUE(anim.Create(form.Handle(), Rect(0, 0, 40, 40), 6));
    const COLORREF marker = RGB(1, 2, 3);
    {
        TThemeSwitch themed(true);
        TBitmapDC bmp(40, 40, marker);
        EXPECT_EQ(SendMessageW(anim.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp.DC()), 0), 1);
        EXPECT_EQ(bmp.Pixel(20, 20), marker);
    }
    {
        TThemeSwitch classic(false);
        TBitmapDC bmp(40, 40, marker);
        SendMessageW(anim.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp.DC()), 0);
        EXPECT_NE(bmp.Pixel(20, 20), marker) << "the control's own erasing";
    }
    EXPECT_FALSE(anim.Open(L"C:\\no such clip.avi"));
}
