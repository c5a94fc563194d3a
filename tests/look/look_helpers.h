// Helpers shared by the look tests: a parent window, a bitmap to paint into,
// a switch for the desktop's visual style and screenshots on request.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "look/visual_styles.h"

// A plain top-level window to put controls on. Handler may answer a message.
class TTestWindow {
public:
    using THandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

    explicit TTestWindow(int width = 420, int height = 300, bool visible = false, int x = 40, int y = 40) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof(wc);
            wc.lpfnWndProc = &TTestWindow::Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
            wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
            wc.lpszClassName = L"PlovikLookTestWindow";
            RegisterClassExW(&wc);
            registered = true;
        }
        FWnd = CreateWindowExW(0, L"PlovikLookTestWindow", L"Look test",
                               WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | (visible ? WS_VISIBLE : 0), x, y,
                               width, height, nullptr, nullptr, GetModuleHandleW(nullptr), this);
        SendMessageW(FWnd, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    }
    ~TTestWindow() {
        if (IsWindow(FWnd)) DestroyWindow(FWnd);
    }
    TTestWindow(const TTestWindow&) = delete;
    TTestWindow& operator=(const TTestWindow&) = delete;

    HWND Handle() const { return FWnd; }
    THandler Handler;
    std::vector<MSG> Commands;  // WM_COMMAND messages received, in order

private:
    static LRESULT CALLBACK Proc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
            SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
        }
        auto* self = reinterpret_cast<TTestWindow*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
        if (self) {
            if (msg == WM_COMMAND) self->Commands.push_back(MSG{wnd, msg, wp, lp, 0, {}});
            if (msg == WM_SETFONT) self->FFont = reinterpret_cast<HFONT>(wp);
            if (msg == WM_GETFONT) return reinterpret_cast<LRESULT>(self->FFont);
            if (self->Handler)
                if (auto r = self->Handler(wnd, msg, wp, lp)) return *r;
        }
        return DefWindowProcW(wnd, msg, wp, lp);
    }
    HWND FWnd = nullptr;
    HFONT FFont = nullptr;
};

// A 32-bit bitmap in a memory device context, prefilled with one colour.
class TBitmapDC {
public:
    TBitmapDC(int width, int height, COLORREF fill) : FWidth(width), FHeight(height) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = width;
        bi.bmiHeader.biHeight = -height;  // top-down
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        FDC = CreateCompatibleDC(nullptr);
        FBitmap = CreateDIBSection(FDC, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&FBits), nullptr, 0);
        FOld = SelectObject(FDC, FBitmap);
        HBRUSH brush = CreateSolidBrush(fill);
        RECT r{0, 0, width, height};
        FillRect(FDC, &r, brush);
        DeleteObject(brush);
    }
    ~TBitmapDC() {
        SelectObject(FDC, FOld);
        DeleteObject(FBitmap);
        DeleteDC(FDC);
    }
    TBitmapDC(const TBitmapDC&) = delete;
    TBitmapDC& operator=(const TBitmapDC&) = delete;

    HDC DC() const { return FDC; }
    COLORREF Pixel(int x, int y) const {
        GdiFlush();
        const std::uint32_t v = FBits[static_cast<size_t>(y) * FWidth + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    int Count(const RECT& area, COLORREF colour) const {
        int n = 0;
        for (int y = area.top; y < area.bottom; ++y)
            for (int x = area.left; x < area.right; ++x)
                if (Pixel(x, y) == colour) ++n;
        return n;
    }
    std::vector<std::uint32_t> Pixels() const {
        GdiFlush();
        return std::vector<std::uint32_t>(FBits, FBits + static_cast<size_t>(FWidth) * FHeight);
    }

private:
    int FWidth, FHeight;
    HDC FDC = nullptr;
    HBITMAP FBitmap = nullptr;
    HGDIOBJ FOld = nullptr;
    std::uint32_t* FBits = nullptr;
};

// Turns the desktop's visual style off or on for the life of the object and
// puts it back afterwards. It goes through the theme-file entries of the
// visual-style library (ordinals 2-4, what the display settings use), since
// EnableTheming can only ever switch styles off.
class TThemeSwitch {
public:
    explicit TThemeSwitch(bool on) : FWas(UseThemes()) { Set(on); }
    ~TThemeSwitch() { Set(FWas); }
    TThemeSwitch(const TThemeSwitch&) = delete;
    TThemeSwitch& operator=(const TThemeSwitch&) = delete;

    static bool Set(bool on) {
        using TOpenThemeFile = HRESULT(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, HANDLE*, DWORD);
        using TCloseThemeFile = HRESULT(WINAPI*)(HANDLE);
        using TApplyTheme = HRESULT(WINAPI*)(HANDLE, char*, HWND);
        HMODULE ux = ThemeLibrary().Module;
        if (!ux) return false;
        auto open = reinterpret_cast<TOpenThemeFile>(reinterpret_cast<void*>(GetProcAddress(ux, MAKEINTRESOURCEA(2))));
        auto close = reinterpret_cast<TCloseThemeFile>(reinterpret_cast<void*>(GetProcAddress(ux, MAKEINTRESOURCEA(3))));
        auto apply = reinterpret_cast<TApplyTheme>(reinterpret_cast<void*>(GetProcAddress(ux, MAKEINTRESOURCEA(4))));
        if (!open || !close || !apply) return false;
        if (UseThemes() == on) return true;
        if (!on) return SUCCEEDED(apply(nullptr, nullptr, nullptr));
        HANDLE file = nullptr;
        if (FAILED(open(L"C:\\windows\\resources\\themes\\light\\light.msstyles", L"Blue", L"NormalSize", &file, 0)))
            return false;
        const bool ok = SUCCEEDED(apply(file, nullptr, nullptr));
        close(file);
        return ok;
    }

private:
    bool FWas;
};

// Folder for screenshots, from PLOVIK_SHOT_DIR; empty when none are wanted.
inline std::wstring ShotDir() {
    const wchar_t* dir = _wgetenv(L"PLOVIK_SHOT_DIR");
    return dir ? std::wstring(dir) : std::wstring();
}

// Saves a part of the screen as a 24-bit BMP file (if screenshots are wanted).
inline bool SaveScreenArea(const std::wstring& name, RECT area) {
    const std::wstring dir = ShotDir();
    if (dir.empty()) return false;
    const int w = area.right - area.left, h = area.bottom - area.top;
    if (w <= 0 || h <= 0) return false;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 24;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bmp = CreateDIBSection(mem, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const DWORD stride = ((static_cast<DWORD>(w) * 3 + 3) & ~3u);
    const DWORD size = stride * static_cast<DWORD>(h);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof(fh) + sizeof(bi.bmiHeader);
    fh.bfSize = fh.bfOffBits + size;
    bi.bmiHeader.biSizeImage = size;
    bool ok = false;
    HANDLE file = CreateFileW((dir + L"\\" + name + L".bmp").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        ok = WriteFile(file, &fh, sizeof(fh), &written, nullptr) &&
             WriteFile(file, &bi.bmiHeader, sizeof(bi.bmiHeader), &written, nullptr) &&
             WriteFile(file, bits, size, &written, nullptr);
        CloseHandle(file);
    }
    SelectObject(mem, old);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    return ok;
}

inline bool SaveWindowShot(const std::wstring& name, HWND wnd) {
    RECT r{};
    GetWindowRect(wnd, &r);
    return SaveScreenArea(name, r);
}
