#include "look/xp_animate.h"

#include <commctrl.h>

#include "look/visual_styles.h"

bool TXPAnimate::Create(HWND parent, const RECT& bounds, UINT id, DWORD style) {
    return CreateHandle(0, ANIMATE_CLASSW, L"", WS_CHILD | WS_VISIBLE | style, bounds, parent, id);
}

bool TXPAnimate::Open(const std::wstring& fileName) {
    return FHandle && SendMessageW(FHandle, ACM_OPENW, 0, reinterpret_cast<LPARAM>(fileName.c_str())) != FALSE;
}

LRESULT TXPAnimate::WMEraseBkgnd(HDC dc) {
    if (UseThemes()) return 1;
    return DefaultHandler(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
}

LRESULT TXPAnimate::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return WMEraseBkgnd(reinterpret_cast<HDC>(wp));
    return DefaultHandler(msg, wp, lp);
}
