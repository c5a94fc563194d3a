#include "desktop/osd_window.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

constexpr wchar_t kOsdClass[] = L"TPlovikOsd";
constexpr BYTE kPanelAlpha = 0xD8;  // the panel lets a little of what is under it through
constexpr COLORREF kPanelColour = RGB(24, 24, 28);
constexpr COLORREF kTextColour = RGB(255, 255, 255);
constexpr COLORREF kBarColour = RGB(80, 170, 255);
constexpr COLORREF kTroughColour = RGB(70, 70, 76);
constexpr UINT kFadeStepMs = 40;
constexpr int kFadeSteps = 8;
// Sizes at 96 dpi.
constexpr int kFontPoints = 16, kPadding = 14, kRadius = 10, kBarHeight = 8, kBarGap = 8, kMargin = 48;
constexpr int kMinBarWidth = 260;

// The monitor's own DPI where the system tells it (Windows 8.1 and later).
UINT MonitorDpi(HMONITOR monitor) {
    using TGetDpiForMonitor = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const auto getDpi = [] {
        HMODULE shcore = LoadLibraryW(L"shcore.dll");
        return shcore ? reinterpret_cast<TGetDpiForMonitor>(
                            reinterpret_cast<void*>(GetProcAddress(shcore, "GetDpiForMonitor")))
                      : nullptr;
    }();
    UINT x = 0, y = 0;
    if (getDpi && SUCCEEDED(getDpi(monitor, 0, &x, &y)) && x) return x;
    HDC dc = GetDC(nullptr);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

// The monitor the user looks at: the one of the window in front.
HMONITOR MonitorInFront() {
    HWND front = GetForegroundWindow();
    if (front) return MonitorFromWindow(front, MONITOR_DEFAULTTOPRIMARY);
    const POINT origin{0, 0};
    return MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY);
}

struct TGdi {
    HGDIOBJ Obj;
    explicit TGdi(HGDIOBJ o) : Obj(o) {}
    ~TGdi() {
        if (Obj) DeleteObject(Obj);
    }
    TGdi(const TGdi&) = delete;
    TGdi& operator=(const TGdi&) = delete;
};

struct TMemDC {
    HDC Dc;
    TMemDC() : Dc(CreateCompatibleDC(nullptr)) {}
    ~TMemDC() { DeleteDC(Dc); }
    TMemDC(const TMemDC&) = delete;
    TMemDC& operator=(const TMemDC&) = delete;
};

HFONT MakeFont(UINT dpi) {
    NONCLIENTMETRICSW ncm{};
    ncm.cbSize = sizeof(ncm);
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(ncm), &ncm, 0);
    LOGFONTW lf = ncm.lfMessageFont;
    lf.lfHeight = -MulDiv(kFontPoints, static_cast<int>(dpi), 72);
    lf.lfWeight = FW_SEMIBOLD;
    // Grey smoothing: ClearType's coloured fringes show on a see-through panel.
    lf.lfQuality = ANTIALIASED_QUALITY;
    return CreateFontIndirectW(&lf);
}

bool InsideRounded(int x, int y, int w, int h, int r) {
    const int cx = x < r ? r : (x >= w - r ? w - r - 1 : x);
    const int cy = y < r ? r : (y >= h - r ? h - r - 1 : y);
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= r * r;
}

// GDI draws colour only; the panel's shape and see-through come from here,
// premultiplied as the layered window wants them.
void ApplyAlpha(std::uint32_t* bits, int w, int h, int radius) {
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint32_t& p = bits[y * w + x];
            if (!InsideRounded(x, y, w, h, radius)) {
                p = 0;
                continue;
            }
            const std::uint32_t b = (p & 0xFF) * kPanelAlpha / 255, g = ((p >> 8) & 0xFF) * kPanelAlpha / 255,
                                r = ((p >> 16) & 0xFF) * kPanelAlpha / 255;
            p = (std::uint32_t{kPanelAlpha} << 24) | (r << 16) | (g << 8) | b;
        }
    }
}

void Fill(HDC dc, const RECT& r, COLORREF colour) {
    TGdi brush(CreateSolidBrush(colour));
    FillRect(dc, &r, static_cast<HBRUSH>(brush.Obj));
}

POINT PlaceOn(const RECT& area, SIZE size, TOsdPlace place, int margin) {
    const LONG left = area.left + margin, right = area.right - margin - size.cx;
    const LONG top = area.top + margin, bottom = area.bottom - margin - size.cy;
    switch (place) {
        case TOsdPlace::BottomLeft: return {left, bottom};
        case TOsdPlace::TopRight: return {right, top};
        case TOsdPlace::TopLeft: return {left, top};
        case TOsdPlace::Centre:
            return {area.left + (area.right - area.left - size.cx) / 2, area.top + (area.bottom - area.top - size.cy) / 2};
        case TOsdPlace::BottomRight:
        default: return {right, bottom};
    }
}

}  // namespace

TOsdWindow::TOsdWindow() {
    FHold.OnTimer = [this] { StartFade(); };
    FFade.OnTimer = [this] { FadeStep(); };
    FFade.SetInterval(kFadeStepMs);
}

TOsdWindow::~TOsdWindow() {
    if (FWnd) DestroyWindow(FWnd);
}

LRESULT CALLBACK TOsdWindow::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_NCHITTEST: return HTTRANSPARENT;
        default: return DefWindowProcW(wnd, msg, wp, lp);
    }
}

// Made at the first display: most runs of the program never need it.
void TOsdWindow::EnsureWindow() {
    if (FWnd) return;
    static const ATOM cls = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &TOsdWindow::WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = kOsdClass;
        return RegisterClassExW(&wc);
    }();
    (void)cls;
    const DWORD ex = WS_EX_LAYERED | WS_EX_TRANSPARENT | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW;
    FWnd = CreateWindowExW(ex, kOsdClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void TOsdWindow::Show(const std::wstring& Text, int BarPercent) {
    EnsureWindow();
    if (!FWnd) return;
    FText = Text;
    FBar = BarPercent;
    FFade.SetEnabled(false);
    FMonitor = MonitorInFront();
    Render(255, true);
    ShowWindow(FWnd, SW_SHOWNOACTIVATE);
    // A full-screen window raised after the display was made would cover it.
    SetWindowPos(FWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    FHold.SetEnabled(false);
    FHold.SetInterval(static_cast<UINT>(std::clamp(Seconds, kOsdMinSeconds, kOsdMaxSeconds)) * 1000);
    FHold.SetEnabled(true);
}

void TOsdWindow::Refresh(const std::wstring& Text, int BarPercent) {
    if (!Showing()) return;
    FText = Text;
    FBar = BarPercent;
    Render(FAlpha, true);
}

void TOsdWindow::Hide() {
    FHold.SetEnabled(false);
    FFade.SetEnabled(false);
    if (FWnd) ShowWindow(FWnd, SW_HIDE);
}

void TOsdWindow::StartFade() {
    FHold.SetEnabled(false);
    FFade.SetEnabled(true);
}

void TOsdWindow::FadeStep() {
    const int step = 255 / kFadeSteps + 1;
    if (FAlpha <= step) {
        Hide();
        FAlpha = 255;
        return;
    }
    FAlpha = static_cast<BYTE>(FAlpha - step);
    BLENDFUNCTION blend{AC_SRC_OVER, 0, FAlpha, AC_SRC_ALPHA};
    UpdateLayeredWindow(FWnd, nullptr, nullptr, nullptr, nullptr, nullptr, 0, &blend, ULW_ALPHA);
}

void TOsdWindow::Render(BYTE Alpha, bool Move) {
    FAlpha = Alpha;
    const UINT dpi = MonitorDpi(FMonitor);
    const auto scale = [dpi](int v) { return MulDiv(v, static_cast<int>(dpi), 96); };
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(FMonitor, &mi);
    const RECT& work = mi.rcWork;

    TMemDC mem;
    TGdi font(MakeFont(dpi));
    HGDIOBJ oldFont = SelectObject(mem.Dc, font.Obj);
    const int pad = scale(kPadding);
    const LONG maxText = (work.right - work.left) * 4 / 5 - 2 * pad;
    RECT textRect{0, 0, maxText, 0};
    DrawTextW(mem.Dc, FText.c_str(), static_cast<int>(FText.size()), &textRect,
              DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    LONG textW = std::min<LONG>(textRect.right, maxText);
    if (FBar >= 0) textW = std::max<LONG>(textW, scale(kMinBarWidth));
    const LONG textH = textRect.bottom;
    const SIZE size{textW + 2 * pad, textH + 2 * pad + (FBar >= 0 ? scale(kBarGap) + scale(kBarHeight) : 0)};

    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = size.cx;
    bi.bmiHeader.biHeight = -size.cy;  // top-down
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    TGdi dib(CreateDIBSection(mem.Dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib.Obj || !bits) {
        SelectObject(mem.Dc, oldFont);
        return;
    }
    HGDIOBJ oldBitmap = SelectObject(mem.Dc, dib.Obj);
    Fill(mem.Dc, RECT{0, 0, size.cx, size.cy}, kPanelColour);
    SetBkMode(mem.Dc, TRANSPARENT);
    SetTextColor(mem.Dc, kTextColour);
    RECT textAt{pad, pad, pad + textW, pad + textH};
    DrawTextW(mem.Dc, FText.c_str(), static_cast<int>(FText.size()), &textAt,
              DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS | (FBar >= 0 ? DT_CENTER : DT_LEFT));
    if (FBar >= 0) {
        const LONG top = pad + textH + scale(kBarGap);
        const RECT trough{pad, top, pad + textW, top + scale(kBarHeight)};
        Fill(mem.Dc, trough, kTroughColour);
        const RECT level{pad, top, pad + textW * std::clamp(FBar, 0, 100) / 100, top + scale(kBarHeight)};
        Fill(mem.Dc, level, kBarColour);
    }
    GdiFlush();
    ApplyAlpha(static_cast<std::uint32_t*>(bits), size.cx, size.cy, scale(kRadius));

    if (Move) FPos = PlaceOn(work, size, Place, scale(kMargin));
    POINT origin{0, 0};
    SIZE wanted = size;
    BLENDFUNCTION blend{AC_SRC_OVER, 0, Alpha, AC_SRC_ALPHA};
    UpdateLayeredWindow(FWnd, nullptr, &FPos, &wanted, mem.Dc, &origin, 0, &blend, ULW_ALPHA);
    SelectObject(mem.Dc, oldBitmap);
    SelectObject(mem.Dc, oldFont);
}
