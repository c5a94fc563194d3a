#include "look/xp_group_box.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "look_helpers.h"
#include "support/peer_player.h"

namespace {

RECT Rect(int x, int y, int w, int h) { return RECT{x, y, x + w, y + h}; }

bool Enabled(HWND wnd) { return IsWindowEnabled(wnd) != FALSE; }

// The alarm actions as the settings window has them: five radio buttons
// designed disabled and marked, in a group designed disabled.
struct TActionGroup {
    TTestWindow Form;
    TXPGroupBox Group;
    std::array<HWND, 5> Radios{};

    TActionGroup() {
        EXPECT_TRUE(Group.Create(Form.Handle(), Rect(10, 10, 260, 170), L" Действие ", 40));
        Group.SetEnabled(false);
        for (int i = 0; i < 5; ++i) {
            Radios[i] = Group.CreateChild(L"BUTTON", L"Action " + std::to_wstring(i + 1),
                                          BS_AUTORADIOBUTTON | WS_VISIBLE | WS_DISABLED,
                                          Rect(12, 20 + 26 * i, 200, 22), 100 + i);
            SetControlTag(Radios[i], kReenableMark);
        }
    }
};

}  // namespace

TEST(XPGroupBox, FirstEnablingEnablesMarkedChildrenAndACycleRestoresExactlyTheEnabledOnes) {
    TActionGroup g;
    for (HWND r : g.Radios) EXPECT_FALSE(Enabled(r));

    g.Group.SetEnabled(true);
    for (HWND r : g.Radios) {
        EXPECT_TRUE(Enabled(r));
        EXPECT_EQ(GetControlTag(r), 0) << "the mark is cleared once used";
    }

    // One action switched off on its own while the group is enabled.
    EnableWindow(g.Radios[2], FALSE);
    g.Group.SetEnabled(false);
    for (HWND r : g.Radios) EXPECT_FALSE(Enabled(r));
    EXPECT_EQ(GetControlTag(g.Radios[0]), kReenableMark);
    EXPECT_EQ(GetControlTag(g.Radios[2]), 0) << "a child disabled by itself gets no mark";

    g.Group.SetEnabled(true);
    EXPECT_TRUE(Enabled(g.Radios[0]));
    EXPECT_TRUE(Enabled(g.Radios[1]));
    EXPECT_FALSE(Enabled(g.Radios[2])) << "stays disabled across the cycle";
    EXPECT_TRUE(Enabled(g.Radios[3]));
    EXPECT_TRUE(Enabled(g.Radios[4]));

    // Enabling an enabled group changes nothing (no enabled-change happens).
    SetControlTag(g.Radios[2], kReenableMark);
    g.Group.SetEnabled(true);
    EXPECT_FALSE(Enabled(g.Radios[2]));
}

TEST(XPGroupBox, CascadeKeepsOtherTagBitsAndReachesIntoNestedGroups) {
    TTestWindow form;
    TXPGroupBox outer, inner;
    ASSERT_TRUE(outer.Create(form.Handle(), Rect(5, 5, 380, 250), L" Outer "));
    HWND edit = outer.CreateChild(L"EDIT", L"text", WS_VISIBLE | WS_BORDER, Rect(10, 20, 100, 20), 7);
    SetControlTag(edit, 0x5);
    ASSERT_TRUE(inner.Create(outer.Handle(), Rect(10, 50, 300, 150), L" Inner "));
    HWND check = inner.CreateChild(L"BUTTON", L"Check", BS_AUTOCHECKBOX | WS_VISIBLE, Rect(10, 20, 100, 20), 8);

    outer.SetEnabled(false);
    EXPECT_FALSE(Enabled(edit));
    EXPECT_EQ(GetControlTag(edit), 0x5 | kReenableMark);
    EXPECT_FALSE(inner.Enabled());
    EXPECT_FALSE(Enabled(check)) << "the inner group took its own children along";
    EXPECT_EQ(GetControlTag(check), kReenableMark);

    outer.SetEnabled(true);
    EXPECT_TRUE(Enabled(edit));
    EXPECT_EQ(GetControlTag(edit), 0x5);
    EXPECT_TRUE(inner.Enabled());
    EXPECT_TRUE(Enabled(check));
    EXPECT_EQ(GetControlTag(check), 0);
}

TEST(XPGroupBox, PassesChildrenCommandsToTheWindowThatPlacedIt) {
    TTestWindow form;
    TXPGroupBox group;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, 200, 100), L" Таймер "));
    EXPECT_EQ(group.Font(), GetStockObject(DEFAULT_GUI_FONT)) << "takes the parent's font";
    HWND button = group.CreateChild(L"BUTTON", L"Go", BS_PUSHBUTTON | WS_VISIBLE, Rect(10, 20, 60, 24), 77);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0)), group.Font());
    SendMessageW(button, BM_CLICK, 0, 0);
    ASSERT_EQ(form.Commands.size(), 1u);
    EXPECT_EQ(LOWORD(form.Commands[0].wParam), 77);
    EXPECT_EQ(reinterpret_cast<HWND>(form.Commands[0].lParam), button);
}

TEST(XPGroupBox, ThemedColourRequestsOfButtonsGetAHollowBrushOthersGoToTheParent) {
    TThemeSwitch themed(true);
    ASSERT_TRUE(UseThemes());
    TTestWindow form;
    HBRUSH parentBrush = CreateSolidBrush(RGB(10, 200, 30));
    form.Handler = [&](HWND, UINT msg, WPARAM, LPARAM) -> std::optional<LRESULT> {
        if (msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORBTN)
            return reinterpret_cast<LRESULT>(parentBrush);
        return std::nullopt;
    };
    TXPGroupBox group;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, 300, 200), L" Таймер "));
    HWND check = group.CreateChild(L"BUTTON", L"Check", BS_AUTOCHECKBOX | WS_VISIBLE, Rect(10, 20, 100, 20), 1);
    HWND label = group.CreateChild(L"STATIC", L"Label", WS_VISIBLE, Rect(10, 50, 100, 20), 2);
    HWND edit = group.CreateChild(L"EDIT", L"", WS_VISIBLE | WS_BORDER, Rect(10, 80, 100, 20), 3);
    HWND anim = group.CreateChild(L"SysAnimate32", L"", WS_VISIBLE, Rect(10, 110, 40, 40), 4);
    TTestWindow stranger;
    HWND foreign = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD, 0, 0, 10, 10, stranger.Handle(), nullptr,
                                   nullptr, nullptr);

    TBitmapDC bmp(120, 30, RGB(1, 2, 3));
    auto ask = [&](UINT msg, HWND child) {
        return reinterpret_cast<HBRUSH>(
            SendMessageW(group.Handle(), msg, reinterpret_cast<WPARAM>(bmp.DC()), reinterpret_cast<LPARAM>(child)));
    };
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, check), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(GetBkMode(bmp.DC()), TRANSPARENT);
    EXPECT_EQ(ask(WM_CTLCOLORBTN, check), GetStockObject(NULL_BRUSH));
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, label), parentBrush);
    EXPECT_EQ(ask(WM_CTLCOLOREDIT, edit), parentBrush);
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, anim), parentBrush) << "animations take the normal way";
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, foreign), parentBrush) << "not one of its children";

    TThemeSwitch classic(false);
    EXPECT_EQ(ask(WM_CTLCOLORSTATIC, check), parentBrush) << "without a style every request goes to the parent";
    DeleteObject(parentBrush);
}

TEST(XPGroupBox, BackgroundIsTheParentsWithAStyleAndTheClassicFaceWithout) {
    TTestWindow form;
    const COLORREF parentColour = RGB(200, 40, 40);
    form.Handler = [&](HWND wnd, UINT msg, WPARAM wp, LPARAM) -> std::optional<LRESULT> {
        if (msg != WM_ERASEBKGND) return std::nullopt;
        RECT r;
        GetClientRect(wnd, &r);
        HBRUSH b = CreateSolidBrush(parentColour);
        FillRect(reinterpret_cast<HDC>(wp), &r, b);
        DeleteObject(b);
        return 1;
    };
    TXPGroupBox group;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, 100, 60), L" X "));
    {
        TThemeSwitch themed(true);
        TBitmapDC bmp(100, 60, RGB(1, 2, 3));
        EXPECT_EQ(SendMessageW(group.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp.DC()), 0), 1);
        EXPECT_EQ(bmp.Pixel(50, 30), parentColour);
    }
    {
        TThemeSwitch classic(false);
        TBitmapDC bmp(100, 60, RGB(1, 2, 3));
        EXPECT_NE(SendMessageW(group.Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(bmp.DC()), 0), 0);
        EXPECT_EQ(bmp.Pixel(50, 30), GetSysColor(COLOR_BTNFACE));
    }
}

TEST(XPGroupBox, ClassicPaintingFramesInTwoLinesLeavesTheCaptionGapAndEmbossesWhenDisabled) {
    TThemeSwitch classic(false);
    ASSERT_FALSE(UseThemes());
    TTestWindow form;
    TXPGroupBox group;
    const int w = 200, h = 90;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, w, h), L" Таймер "));
    const COLORREF marker = RGB(1, 2, 3);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), light = GetSysColor(COLOR_BTNHIGHLIGHT);

    TBitmapDC on(w, h, marker);
    group.Paint(on.DC());
    const RECT caption = group.CaptionRect(on.DC());
    const int mid = caption.bottom / 2;  // the frame's top line
    EXPECT_EQ(caption.left, 7);
    EXPECT_GT(caption.right, caption.left + 20);
    // Shadow line outside, highlight line inside, on every side.
    EXPECT_EQ(on.Pixel(0, h / 2), shadow);
    EXPECT_EQ(on.Pixel(1, h / 2), light);
    EXPECT_EQ(on.Pixel(w - 2, h / 2), shadow);
    EXPECT_EQ(on.Pixel(w - 1, h / 2), light);
    EXPECT_EQ(on.Pixel(w / 2 + 60, mid), shadow);
    EXPECT_EQ(on.Pixel(w / 2 + 60, mid + 1), light);
    EXPECT_EQ(on.Pixel(w / 2, h - 2), shadow);
    EXPECT_EQ(on.Pixel(w / 2, h - 1), light);
    // No frame line behind the caption, and the caption is drawn in the text colour.
    EXPECT_EQ(on.Pixel(3, mid), shadow);
    EXPECT_EQ(on.Count(RECT{caption.left, mid, caption.right, mid + 1}, shadow), 0);
    EXPECT_GT(on.Count(caption, GetSysColor(COLOR_WINDOWTEXT)), 10);
    EXPECT_EQ(on.Count(caption, light), 0);

    group.SetEnabled(false);
    TBitmapDC off(w, h, marker);
    group.Paint(off.DC());
    EXPECT_EQ(off.Count(caption, GetSysColor(COLOR_WINDOWTEXT)), 0);
    const int lightPixels = off.Count(RECT{caption.left, 0, caption.right + 1, caption.bottom + 1}, light);
    const int shadowPixels = off.Count(caption, shadow);
    EXPECT_GT(lightPixels, 10) << "highlight copy";
    EXPECT_GT(shadowPixels, 10) << "shadow copy";
    // The highlight copy sits one pixel right and down: the shadow's lowest,
    // rightmost pixel has a highlight pixel diagonally below it.
    bool embossed = false;
    for (int y = caption.bottom - 1; y >= 0 && !embossed; --y)
        for (int x = caption.right - 1; x >= caption.left && !embossed; --x)
            if (off.Pixel(x, y) == shadow) embossed = off.Pixel(x + 1, y + 1) == light;
    EXPECT_TRUE(embossed);
}

TEST(XPGroupBox, AnEmptyCaptionLeavesNoGapAndTheFlatFrameIsOneLine) {
    TThemeSwitch classic(false);
    TTestWindow form;
    TXPGroupBox group;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, 120, 60), L""));
    TBitmapDC bmp(120, 60, RGB(1, 2, 3));
    group.Paint(bmp.DC());
    const RECT caption = group.CaptionRect(bmp.DC());
    EXPECT_EQ(caption.right, caption.left) << "no text, no gap";
    const int mid = caption.bottom / 2;
    EXPECT_EQ(bmp.Count(RECT{0, mid, 119, mid + 1}, GetSysColor(COLOR_BTNSHADOW)), 119);

    group.Ctl3D = false;
    TBitmapDC flat(120, 60, RGB(1, 2, 3));
    group.Paint(flat.DC());
    EXPECT_EQ(flat.Pixel(0, 30), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(flat.Pixel(119, 30), GetSysColor(COLOR_WINDOWFRAME));
    EXPECT_EQ(flat.Pixel(1, 30), RGB(1, 2, 3)) << "one line only";
}

TEST(XPGroupBox, ThemedPaintingDrawsTheStylesFrameNotTheClassicOne) {
    TThemeSwitch themed(true);
    ASSERT_TRUE(UseThemes());
    TTestWindow form;
    TXPGroupBox group;
    const int w = 200, h = 90;
    ASSERT_TRUE(group.Create(form.Handle(), Rect(5, 5, w, h), L" Таймер "));
    const COLORREF marker = RGB(1, 2, 3);
    TBitmapDC on(w, h, marker);
    group.Paint(on.DC());
    const RECT caption = group.CaptionRect(on.DC());
    const int mid = caption.bottom / 2;
    EXPECT_NE(on.Pixel(0, h / 2), marker) << "left edge of the frame";
    EXPECT_NE(on.Pixel(w / 2 + 60, mid), marker) << "top edge right of the caption";
    EXPECT_EQ(on.Pixel(caption.left + 1, mid), marker) << "the caption cuts the frame";
    EXPECT_GT(caption.bottom * (caption.right - caption.left) - on.Count(caption, marker), 10)
        << "caption text drawn";

    // Disabled, it still paints in the style (the Light style of the test
    // prefix gives both states the same colours, so only the run is checked).
    group.SetEnabled(false);
    TBitmapDC off(w, h, marker);
    group.Paint(off.DC());
    EXPECT_NE(off.Pixel(0, h / 2), marker);

    TThemeSwitch classic(false);
    group.SetEnabled(true);
    TBitmapDC plain(w, h, marker);
    group.Paint(plain.DC());
    EXPECT_NE(on.Pixels(), plain.Pixels()) << "the style's frame is not the classic two-line one";
}

TEST(XPGroupBox, ScreenshotOfBothStatesInBothStyles) {
    if (ShotDir().empty()) GTEST_SKIP() << "set PLOVIK_SHOT_DIR for screenshots";
    for (bool themedLook : {true, false}) {
        TThemeSwitch style(themedLook);
        TTestWindow form(600, 240, true, 20, 20);
        SetWindowTextW(form.Handle(), themedLook ? L"Themed" : L"Classic");
        TXPGroupBox timer, action;
        ASSERT_TRUE(timer.Create(form.Handle(), Rect(10, 10, 280, 180), L" Таймер "));
        timer.CreateChild(L"BUTTON", L"Включить будильник", BS_AUTOCHECKBOX | WS_VISIBLE, Rect(12, 22, 200, 22), 1);
        timer.CreateChild(L"STATIC", L"Время:", WS_VISIBLE, Rect(12, 56, 60, 20), 2);
        timer.CreateChild(L"EDIT", L"07:30:00", WS_VISIBLE | WS_BORDER, Rect(80, 54, 100, 22), 3);
        timer.CreateChild(L"BUTTON", L"Сохранить", BS_PUSHBUTTON | WS_VISIBLE, Rect(12, 100, 100, 26), 4);
        ASSERT_TRUE(action.Create(form.Handle(), Rect(300, 10, 280, 180), L" Действие "));
        for (int i = 0; i < 5; ++i)
            action.CreateChild(L"BUTTON", L"Действие " + std::to_wstring(i + 1), BS_AUTORADIOBUTTON | WS_VISIBLE,
                               Rect(12, 22 + 28 * i, 200, 22), 10 + i);
        action.SetEnabled(false);
        UpdateWindow(form.Handle());
        WaitFor([] { return false; }, 300);
        EXPECT_TRUE(SaveWindowShot(themedLook ? L"group_box_themed" : L"group_box_classic", form.Handle()));
    }
}
