#include "desktop/time_field.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "desktop/application.h"
#include "support/peer_player.h"

namespace {

// A visible top-level window to hold the field.
class THost {
public:
    THost() {
        Wnd = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 200, 200, 200, 100,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~THost() { DestroyWindow(Wnd); }
    HWND Wnd;
};

std::wstring TextOf(HWND wnd) {
    wchar_t buf[128] = {};
    GetWindowTextW(wnd, buf, 128);
    return buf;
}

std::wstring UserTimeText(int h, int m, int s) {
    SYSTEMTIME st{};
    st.wYear = 2003;
    st.wMonth = 3;
    st.wDay = 20;
    st.wHour = static_cast<WORD>(h);
    st.wMinute = static_cast<WORD>(m);
    st.wSecond = static_cast<WORD>(s);
    wchar_t buf[64] = {};
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, 64);
    return buf;
}

SYSTEMTIME Date(WORD y, WORD mo, WORD d, WORD h = 0, WORD mi = 0, WORD s = 0, WORD ms = 0) {
    SYSTEMTIME st{};
    st.wYear = y;
    st.wMonth = mo;
    st.wDay = d;
    st.wHour = h;
    st.wMinute = mi;
    st.wSecond = s;
    st.wMilliseconds = ms;
    return st;
}

// The colour the field shows at a point of the picker, as painted now.
COLORREF PickerPixel(const THTime& t, int x, int y) {
    RedrawWindow(t.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    HDC dc = GetDC(t.Picker());
    const COLORREF c = GetPixel(dc, x, y);
    ReleaseDC(t.Picker(), dc);
    return c;
}

}  // namespace

TEST(DateTime, DayCountFrom30December1899) {
    EXPECT_EQ(SystemTimeToDateTime(Date(1899, 12, 30)), 0.0);
    EXPECT_EQ(SystemTimeToDateTime(Date(1900, 1, 1)), 2.0);
    EXPECT_EQ(SystemTimeToDateTime(Date(1970, 1, 1)), 25569.0);
    EXPECT_EQ(SystemTimeToDateTime(Date(2000, 1, 1, 18)), 36526.75);
    EXPECT_EQ(SystemTimeToDateTime(Date(1899, 12, 29, 6)), -1.25) << "before the epoch the time still counts forward";

    SYSTEMTIME st{};
    ASSERT_TRUE(DateTimeToSystemTime(37699.5, st));
    EXPECT_EQ(st.wYear, 2003);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 19);
    EXPECT_EQ(st.wDayOfWeek, 3) << "a Wednesday";
    EXPECT_EQ(st.wHour, 12);
    ASSERT_TRUE(DateTimeToSystemTime(-1.25, st));
    EXPECT_EQ(st.wDay, 29);
    EXPECT_EQ(st.wHour, 6);
    ASSERT_TRUE(DateTimeToSystemTime(1.9999999999, st)) << "rounds up to the next midnight";
    EXPECT_EQ(st.wDay, 1);
    EXPECT_EQ(st.wMonth, 1);
    EXPECT_EQ(st.wHour, 0);
    ASSERT_TRUE(DateTimeToSystemTime(25569 + 12345.0 / 86400000, st));
    EXPECT_EQ(st.wSecond, 12);
    EXPECT_EQ(st.wMilliseconds, 345);

    EXPECT_FALSE(DateTimeToSystemTime(NAN, st));
    EXPECT_FALSE(DateTimeToSystemTime(1e12, st));
    EXPECT_FALSE(DateTimeToSystemTime(-200000, st)) << "before 1601";
}

TEST(HTime, PickerInTimeFormatWithUpDownAndItsSize) {
    THost host;
    THTime t(host.Wnd);
    wchar_t cls[64] = {};
    GetClassNameW(t.Picker(), cls, 64);
    EXPECT_STREQ(cls, DATETIMEPICK_CLASSW);
    EXPECT_EQ(GetParent(t.Picker()), t.Handle());
    EXPECT_EQ(GetParent(t.Handle()), host.Wnd);
    const LONG_PTR style = GetWindowLongPtrW(t.Picker(), GWL_STYLE);
    EXPECT_EQ(style & DTS_TIMEFORMAT, DTS_TIMEFORMAT);
    EXPECT_TRUE(style & DTS_UPDOWN);
    EXPECT_EQ(t.Width(), 68);
    EXPECT_EQ(t.Height(), 21);

    t.SetBounds(10, 20, 73, 21);
    EXPECT_EQ(t.Left(), 10);
    EXPECT_EQ(t.Top(), 20);
    EXPECT_EQ(t.Width(), 73);
    RECT r{};
    GetWindowRect(t.Picker(), &r);
    EXPECT_EQ(r.right - r.left, 68) << "the picker keeps its own size";
    EXPECT_EQ(r.bottom - r.top, 21);

    // On a 144 dpi monitor the owner scales the picker; the owner's font goes to it.
    t.ScalePicker(144);
    GetWindowRect(t.Picker(), &r);
    EXPECT_EQ(r.right - r.left, 102);
    EXPECT_EQ(r.bottom - r.top, 32);
    EXPECT_EQ(t.Width(), 73);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SendMessageW(t.Handle(), WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(t.Picker(), WM_GETFONT, 0, 0)), font);
    DestroyWindow(t.Handle());
    DeleteObject(font);
}

TEST(HTime, TimeTakesOnlyTheTimeOfDayAndShowsInTheUsersFormat) {
    THost host;
    THTime t(host.Wnd);
    const double created = t.GetTime();
    SYSTEMTIME today{};
    GetLocalTime(&today);
    EXPECT_EQ(std::floor(created), SystemTimeToDateTime(Date(today.wYear, today.wMonth, today.wDay)));

    t.SetTime(37699.75);
    EXPECT_EQ(t.GetTime(), std::floor(created) + 0.75) << "the picker keeps its own date";
    EXPECT_EQ(TextOf(t.Picker()), UserTimeText(18, 0, 0));

    t.SetTime(12.75);
    EXPECT_EQ(t.GetTime(), std::floor(created) + 0.75) << "the same time of day changes nothing";

    t.SetTime(37699);  // the main window's stored value: midnight
    EXPECT_EQ(t.GetTime(), std::floor(created));
    EXPECT_EQ(TextOf(t.Picker()), UserTimeText(0, 0, 0));

    t.SetTime(-1.25);
    EXPECT_EQ(t.GetTime(), std::floor(created) + 0.25);

    t.SetTime(NAN);
    t.SetTime(1e15);
    EXPECT_EQ(t.GetTime(), std::floor(created) + 0.25) << "values no clock can show are ignored";
}

TEST(HTime, DisabledFieldIsAPlainBarAndEnablingRestoresTheColours) {
    THost host;
    THTime t(host.Wnd);
    EXPECT_TRUE(t.GetEnabled());
    EXPECT_EQ(t.PickerColor(), clWindow);
    EXPECT_EQ(t.PickerFontColor(), clWindowText);
    const COLORREF window = GetSysColor(COLOR_WINDOW);
    const COLORREF bar = GetSysColor(COLOR_INACTIVECAPTION);
    ASSERT_NE(window, bar);
    EXPECT_EQ(PickerPixel(t, 2, 2), window);

    t.SetEnabled(false);
    EXPECT_FALSE(t.GetEnabled());
    EXPECT_FALSE(IsWindowEnabled(t.Picker()));
    EXPECT_TRUE(IsWindowEnabled(t.Handle())) << "the container itself stays enabled";
    EXPECT_EQ(t.PickerColor(), clInactiveCaption);
    EXPECT_EQ(t.PickerFontColor(), clInactiveCaption);
    // No digit is left legible: every pixel of the text area is the bar's.
    RECT r{};
    GetClientRect(t.Picker(), &r);
    PickerPixel(t, 0, 0);
    HDC dc = GetDC(t.Picker());
    int other = 0;
    for (int x = 2; x < 40; ++x)
        for (int y = 2; y < r.bottom - 2; ++y) other += GetPixel(dc, x, y) != bar;
    ReleaseDC(t.Picker(), dc);
    EXPECT_EQ(other, 0);

    t.SetEnabled(true);
    EXPECT_TRUE(t.GetEnabled());
    EXPECT_EQ(t.PickerColor(), clWindow);
    EXPECT_EQ(t.PickerFontColor(), clWindowText);
    EXPECT_EQ(PickerPixel(t, 2, 2), window);
}

TEST(HTime, SettingTheCurrentStateNeitherRecoloursNorRepaints) {
    THost host;
    THTime t(host.Wnd);
    int paints = 0;
    TWindowHook watch;
    watch.Hook(t.Handle(), [&](TMessage& m) { paints += m.Msg == WM_PAINT; });
    RedrawWindow(t.Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    ASSERT_GT(paints, 0);
    const int before = paints;
    t.SetEnabled(true);
    UpdateWindow(t.Handle());
    EXPECT_EQ(paints, before);
    EXPECT_FALSE(GetUpdateRect(t.Handle(), nullptr, FALSE));

    t.SetEnabled(false);
    EXPECT_GT(paints, before) << "a change repaints at once";
    const int disabled = paints;
    t.SetEnabled(false);
    UpdateWindow(t.Handle());
    EXPECT_EQ(paints, disabled);
    EXPECT_EQ(t.PickerColor(), clInactiveCaption);
}

TEST(HTime, TimeEnterFiresWhenThePickerGetsTheFocus) {
    THost host;
    THTime t(host.Wnd);
    HWND other = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE, 100, 0, 50, 20, host.Wnd, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    int entered = 0;
    THTime* sender = nullptr;
    EXPECT_FALSE(t.GetOnTimeEnter());
    t.SetOnTimeEnter([&](THTime& s) {
        ++entered;
        sender = &s;
    });
    EXPECT_TRUE(t.GetOnTimeEnter());
    SetFocus(other);
    EXPECT_EQ(entered, 0);
    SetFocus(t.Picker());
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(sender, &t);
    SetFocus(other);
    SetFocus(t.Picker());
    EXPECT_EQ(entered, 2);
}
