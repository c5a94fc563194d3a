// The on-screen display: a window that shows over everything, takes no
// click, key or activation from the program the user works in, stands where
// it is asked to and goes away by itself.
#include "desktop/osd_window.h"

#include <gtest/gtest.h>

#include <string>

#include "support/peer_player.h"

namespace {

std::wstring EditText(HWND edit) {
    wchar_t text[64] = {};
    GetWindowTextW(edit, text, 64);
    return text;
}

// Another program's window with a focused edit field, in front.
struct TFocusedEdit {
    HWND Frame = nullptr, Edit = nullptr;
    TFocusedEdit() {
        Frame = CreateWindowExW(0, L"STATIC", L"writer", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 400, 200,
                                nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        Edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 300, 24, Frame, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(Frame);
        SetFocus(Edit);
    }
    ~TFocusedEdit() { DestroyWindow(Frame); }
};

void Type(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

int OsdWindowsOfThisThread() {
    int n = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM lp) -> BOOL {
            wchar_t cls[32] = {};
            GetClassNameW(w, cls, 32);
            if (std::wstring(cls) == L"TPlovikOsd" && IsWindowVisible(w)) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&n));
    return n;
}

}  // namespace

TEST(OsdWindowTest, ShowsOnTopWithoutTakingTheActivationTheFocusOrAClick) {
    TFocusedEdit writer;
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == writer.Frame && GetFocus() == writer.Edit; }));
    TOsdWindow osd;
    osd.Seconds = 10;
    osd.Show(L"Громкость: 40%", 40);
    ASSERT_TRUE(osd.Showing());
    const auto ex = static_cast<DWORD>(GetWindowLongPtrW(osd.Handle(), GWL_EXSTYLE));
    for (DWORD style : {DWORD{WS_EX_TOPMOST}, DWORD{WS_EX_LAYERED}, DWORD{WS_EX_TRANSPARENT}, DWORD{WS_EX_NOACTIVATE},
                        DWORD{WS_EX_TOOLWINDOW}})
        EXPECT_EQ(ex & style, style) << std::hex << style;
    EXPECT_EQ(ex & WS_EX_APPWINDOW, 0u) << "not in the taskbar";
    EXPECT_EQ(GetForegroundWindow(), writer.Frame);
    EXPECT_EQ(GetFocus(), writer.Edit);

    // A click on the display lands on what is under it.
    RECT r{};
    GetWindowRect(osd.Handle(), &r);
    const POINT centre{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    EXPECT_NE(WindowFromPoint(centre), osd.Handle());

    // Keys typed while it shows go where the user types.
    Type('K');
    EXPECT_TRUE(WaitFor([&] { return EditText(writer.Edit) == L"k"; }));
    EXPECT_TRUE(osd.Showing());
}

TEST(OsdWindowTest, GoesAwayByItselfAndANewOneReplacesTheOld) {
    TOsdWindow osd;
    osd.Seconds = 1;
    osd.Show(L"first");
    osd.Show(L"second");
    EXPECT_EQ(OsdWindowsOfThisThread(), 1);
    EXPECT_EQ(osd.Text(), L"second");
    EXPECT_TRUE(osd.Showing());
    EXPECT_TRUE(WaitFor([&] { return !osd.Showing(); }, 4000));
    osd.Show(L"third");
    EXPECT_TRUE(osd.Showing());
}

// Each place in its corner of the work area (or its middle), whole.
TEST(OsdWindowTest, StandsAtThePlaceAskedFor) {
    struct TRow {
        TOsdPlace Place;
        bool Right, Bottom, Centre;
    };
    const TRow rows[] = {{TOsdPlace::BottomRight, true, true, false},
                         {TOsdPlace::BottomLeft, false, true, false},
                         {TOsdPlace::TopRight, true, false, false},
                         {TOsdPlace::TopLeft, false, false, false},
                         {TOsdPlace::Centre, false, false, true}};
    TOsdWindow osd;
    for (const TRow& row : rows) {
        osd.Place = row.Place;
        osd.Show(L"Случайный выбор: вкл.");
        RECT r{};
        GetWindowRect(osd.Handle(), &r);
        MONITORINFO mi{};
        mi.cbSize = sizeof(mi);
        GetMonitorInfoW(MonitorFromWindow(osd.Handle(), MONITOR_DEFAULTTOPRIMARY), &mi);
        const RECT& w = mi.rcWork;
        SCOPED_TRACE(static_cast<int>(row.Place));
        EXPECT_TRUE(r.left >= w.left && r.right <= w.right && r.top >= w.top && r.bottom <= w.bottom);
        const LONG midX = (w.left + w.right) / 2, midY = (w.top + w.bottom) / 2;
        if (row.Centre) {
            EXPECT_LE(std::abs((r.left + r.right) / 2 - midX), 1);
            EXPECT_LE(std::abs((r.top + r.bottom) / 2 - midY), 1);
            continue;
        }
        EXPECT_EQ(r.left > midX, row.Right);
        EXPECT_EQ(r.top > midY, row.Bottom);
    }
}
