#include "desktop/time_field.h"

#include <commctrl.h>

#include <cmath>

#include "desktop/application.h"

namespace {

const wchar_t kContainerClass[] = L"PlovikTimeField";
constexpr int kPickerWidth = 68;
constexpr int kPickerHeight = 21;
constexpr long long kMsPerDay = 86400000;
constexpr long long kUnixEpochOleDay = 25569;  // 1 January 1970 counted from 30 December 1899

// Days between 1 January 1970 and the given civil date (proleptic Gregorian).
long long DaysFromCivil(long long y, unsigned m, unsigned d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

void CivilFromDays(long long z, long long& y, unsigned& m, unsigned& d) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<long long>(yoe) + era * 400 + (m <= 2);
}

void RegisterContainerClass(WNDPROC proc) {
    static bool done = false;
    if (done) return;
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kContainerClass;
    RegisterClassExW(&wc);
    done = true;
}

}  // namespace

TDateTime SystemTimeToDateTime(const SYSTEMTIME& st) {
    const long long day = DaysFromCivil(st.wYear, st.wMonth, st.wDay) + kUnixEpochOleDay;
    const long long ms = ((st.wHour * 60LL + st.wMinute) * 60 + st.wSecond) * 1000 + st.wMilliseconds;
    const double fraction = static_cast<double>(ms) / kMsPerDay;
    // Before 30 December 1899 the fraction still counts forward from midnight.
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

bool DateTimeToSystemTime(TDateTime value, SYSTEMTIME& st) {
    // Far beyond the years a SYSTEMTIME holds; also keeps the cast below defined.
    if (!std::isfinite(value) || std::fabs(value) > 2e7) return false;
    long long day = static_cast<long long>(std::trunc(value));
    long long ms = std::llround(std::fabs(value - std::trunc(value)) * kMsPerDay);
    if (ms >= kMsPerDay) {  // rounds up to the next midnight
        ms = 0;
        day += value < 0 ? -1 : 1;
    }
    long long y = 0;
    unsigned m = 0, d = 0;
    CivilFromDays(day - kUnixEpochOleDay, y, m, d);
    if (y < 1601 || y > 30827) return false;
    st = {};
    st.wYear = static_cast<WORD>(y);
    st.wMonth = static_cast<WORD>(m);
    st.wDay = static_cast<WORD>(d);
    st.wDayOfWeek = static_cast<WORD>(((day - 1) % 7 + 7) % 7);  // day 1 was a Sunday
    st.wHour = static_cast<WORD>(ms / 3600000);
    st.wMinute = static_cast<WORD>(ms / 60000 % 60);
    st.wSecond = static_cast<WORD>(ms / 1000 % 60);
    st.wMilliseconds = static_cast<WORD>(ms % 1000);
    return true;
}

COLORREF ColorToRGB(TColor color) {
    if (color & 0x80000000u) return GetSysColor(static_cast<int>(color & 0xFF));
    return static_cast<COLORREF>(color);
}

// ---- THTime ----------------------------------------------------------------

THTime::THTime(HWND Parent) {
    RegisterContainerClass(&THTime::ContainerProc);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    // A control parent, so that the dialog keys reach the picker inside.
    FHandle = CreateWindowExW(WS_EX_CONTROLPARENT, kContainerClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 0, 0,
                              Parent, nullptr, inst, this);
    if (!FHandle) throw EPlovikError(L"The time field could not be created");
    FPicker = CreateWindowExW(0, DATETIMEPICK_CLASSW, L"",
                              WS_CHILD | WS_VISIBLE | WS_TABSTOP | DTS_TIMEFORMAT | DTS_UPDOWN, 0, 0,
                              kPickerWidth, kPickerHeight, FHandle, nullptr, inst, nullptr);
    if (!FPicker) {
        DestroyWindow(FHandle);
        throw EPlovikError(L"The time field could not be created");
    }
    SetWindowSubclass(FPicker, &THTime::PickerProc, 1, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(FPicker, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    SetPickerColors(clWindow, clWindowText);
    RECT r{};
    GetWindowRect(FPicker, &r);
    SetWindowPos(FHandle, nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
}

THTime::~THTime() {
    if (IsWindow(FPicker)) DestroyWindow(FPicker);
    if (IsWindow(FHandle)) DestroyWindow(FHandle);
    if (FBrush) DeleteObject(FBrush);
}

TDateTime THTime::GetTime() const {
    SYSTEMTIME st{};
    if (SendMessageW(FPicker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) return 0;
    return SystemTimeToDateTime(st);
}

void THTime::SetTime(TDateTime Value) {
    SYSTEMTIME wanted{};
    if (!DateTimeToSystemTime(Value, wanted)) return;
    SYSTEMTIME st{};
    if (SendMessageW(FPicker, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&st)) != GDT_VALID) GetLocalTime(&st);
    st.wHour = wanted.wHour;
    st.wMinute = wanted.wMinute;
    st.wSecond = wanted.wSecond;
    st.wMilliseconds = wanted.wMilliseconds;
    const TDateTime before = GetTime();
    SendMessageW(FPicker, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&st));
    // A time set in code is a change like the user's: whoever keeps the
    // time hears of it.
    if (FOnChange && GetTime() != before) FOnChange(*this);
}

bool THTime::GetEnabled() const { return IsWindowEnabled(FPicker) != FALSE; }

// Disabled, text and background take one colour, so the field shows as a
// plain bar with no digits that could be mistaken for a live setting.
void THTime::SetEnabled(bool Value) {
    if (Value == GetEnabled()) return;
    EnableWindow(FPicker, Value);
    if (Value) {
        SetPickerColors(clWindow, clWindowText);
    } else {
        SetPickerColors(clInactiveCaption, clInactiveCaption);
    }
    RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void THTime::SetPickerColors(TColor Background, TColor Text) {
    FPickerColor = Background;
    FPickerFontColor = Text;
    if (FBrush) DeleteObject(FBrush);
    FBrush = CreateSolidBrush(ColorToRGB(Background));
}

void THTime::PaintDisabled(HDC dc) const {
    RECT r{};
    GetClientRect(FPicker, &r);
    FillRect(dc, &r, FBrush);
}

RECT THTime::Bounds() const {
    RECT r{};
    GetWindowRect(FHandle, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(FHandle), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int THTime::Left() const { return Bounds().left; }
int THTime::Top() const { return Bounds().top; }
int THTime::Width() const { return Bounds().right - Bounds().left; }
int THTime::Height() const { return Bounds().bottom - Bounds().top; }

void THTime::SetBounds(int Left, int Top, int Width, int Height) {
    SetWindowPos(FHandle, nullptr, Left, Top, Width, Height, SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK THTime::ContainerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<THTime*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (self && (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC) &&
        reinterpret_cast<HWND>(lp) == self->FPicker) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, ColorToRGB(self->FPickerFontColor));
        SetBkColor(dc, ColorToRGB(self->FPickerColor));
        return reinterpret_cast<LRESULT>(self->FBrush);
    }
    if (self && msg == WM_NOTIFY && self->FOnChange) {
        const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
        if (hdr->hwndFrom == self->FPicker && hdr->code == DTN_DATETIMECHANGE) {
            Guarded([&] { self->FOnChange(*self); });
            return 0;
        }
    }
    // The owner's font is the picker's: the container shows nothing itself.
    if (self && msg == WM_SETFONT && self->FPicker) SendMessageW(self->FPicker, WM_SETFONT, wp, lp);
    if (msg == WM_NCDESTROY) SetWindowLongPtrW(wnd, GWLP_USERDATA, 0);
    return DefWindowProcW(wnd, msg, wp, lp);
}

void THTime::ScalePicker(UINT Dpi) {
    SetWindowPos(FPicker, nullptr, 0, 0, MulDiv(kPickerWidth, static_cast<int>(Dpi), 96),
                 MulDiv(kPickerHeight, static_cast<int>(Dpi), 96), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The picker draws a disabled field in its own grey with grey digits; the
// field wants its own colours there, so the disabled picker is painted here.
LRESULT CALLBACK THTime::PickerProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                    DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<THTime*>(data);
    const bool disabled = !IsWindowEnabled(wnd);
    switch (msg) {
        case WM_ERASEBKGND:
            if (!disabled) break;
            self->PaintDisabled(reinterpret_cast<HDC>(wp));
            return 1;
        case WM_PAINT:
            if (!disabled) break;
            {
                PAINTSTRUCT ps;
                HDC dc = BeginPaint(wnd, &ps);
                self->PaintDisabled(dc);
                EndPaint(wnd, &ps);
            }
            return 0;
        case WM_PRINTCLIENT:
            if (!disabled) break;
            self->PaintDisabled(reinterpret_cast<HDC>(wp));
            return 0;
        case WM_SETFOCUS: {
            const LRESULT r = DefSubclassProc(wnd, msg, wp, lp);
            if (self->FOnTimeEnter) Guarded([&] { self->FOnTimeEnter(*self); });
            return r;
        }
        case WM_NCDESTROY:
            RemoveWindowSubclass(wnd, &THTime::PickerProc, id);
            break;
        default:
            break;
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
