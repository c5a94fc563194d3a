// While action 5 has the keys switched off, the tray says so: a dimmed icon,
// a tip that ends with the state, and a balloon at each switch.
#include <string>
#include <vector>

#include "app/form1.h"

namespace {

// Grey, and half as opaque: the icon reads as "off" at tray size on every
// background. Icons without an alpha channel keep their mask and are only
// greyed and lightened.
HICON MakeDimmedIcon(HICON source) {
    ICONINFO info{};
    if (!source || !GetIconInfo(source, &info)) return nullptr;
    HICON result = nullptr;
    BITMAP bm{};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(bm), &bm)) {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = bm.bmWidth;
        bi.bmiHeader.biHeight = -bm.bmHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        bi.bmiHeader.biCompression = BI_RGB;
        std::vector<RGBQUAD> px(static_cast<size_t>(bm.bmWidth) * static_cast<size_t>(bm.bmHeight));
        HDC dc = GetDC(nullptr);
        if (GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(bm.bmHeight), px.data(), &bi, DIB_RGB_COLORS)) {
            bool alpha = false;
            for (const RGBQUAD& p : px) alpha = alpha || p.rgbReserved != 0;
            for (RGBQUAD& p : px) {
                const int grey = (p.rgbRed * 30 + p.rgbGreen * 59 + p.rgbBlue * 11) / 100;
                const BYTE light = static_cast<BYTE>((grey + 2 * 192) / 3);
                p.rgbRed = p.rgbGreen = p.rgbBlue = alpha ? static_cast<BYTE>(grey) : light;
                if (alpha) p.rgbReserved = static_cast<BYTE>(p.rgbReserved / 2);
            }
            HBITMAP color = CreateCompatibleBitmap(dc, bm.bmWidth, bm.bmHeight);
            if (color && SetDIBits(dc, color, 0, static_cast<UINT>(bm.bmHeight), px.data(), &bi, DIB_RGB_COLORS)) {
                ICONINFO dimmed = info;
                dimmed.hbmColor = color;
                result = CreateIconIndirect(&dimmed);
            }
            if (color) DeleteObject(color);
        }
        ReleaseDC(nullptr, dc);
    }
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    return result;
}

}  // namespace

void TForm1::ShowKeysSuspended(bool suspended, bool balloon) {
    if (!TrayIcon) return;
    if (suspended && FKeysOnIcon.Empty()) {
        FKeysOnIcon.Assign(TrayIcon->Icon().Handle());
        FKeysOffIcon.Adopt(MakeDimmedIcon(FKeysOnIcon.Handle()));
    }
    if (suspended && !FKeysOffIcon.Empty()) TrayIcon->SetIcon(FKeysOffIcon.Handle());
    if (!suspended && !FKeysOnIcon.Empty()) TrayIcon->SetIcon(FKeysOnIcon.Handle());
    // The tip is the program's own with the state after it, in the language
    // of the moment.
    TrayIcon->SetHint(suspended ? kTrayHint + std::wstring(Text(TTextId::KeysOffTipSuffix)) : kTrayHint);
    if (balloon) ShowKeysBalloon(Text(suspended ? TTextId::KeysOffBalloon : TTextId::KeysOnBalloon));
}
