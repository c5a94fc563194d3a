#include "look/xp_control.h"

#include <commctrl.h>

#include <iterator>

#include "desktop/application.h"

namespace {
const wchar_t kTagProperty[] = L"PlovikControlTag";
}

LONG_PTR GetControlTag(HWND wnd) {
    return wnd ? reinterpret_cast<LONG_PTR>(GetPropW(wnd, kTagProperty)) : 0;
}

void SetControlTag(HWND wnd, LONG_PTR tag) {
    if (!wnd) return;
    // An unset tag keeps no property: nothing is left behind on the window.
    if (tag == 0)
        RemovePropW(wnd, kTagProperty);
    else
        SetPropW(wnd, kTagProperty, reinterpret_cast<HANDLE>(tag));
}

std::wstring WindowClassName(HWND wnd) {
    wchar_t name[128]{};
    const int n = GetClassNameW(wnd, name, static_cast<int>(std::size(name)));
    return std::wstring(name, n > 0 ? static_cast<size_t>(n) : 0);
}

bool IsWindowClass(HWND wnd, const wchar_t* className) {
    return lstrcmpiW(WindowClassName(wnd).c_str(), className) == 0;
}

TXPControl::~TXPControl() { Destroy(); }

void TXPControl::Destroy() {
    if (!FHandle) return;
    HWND wnd = FHandle;
    // Stop routing first: the derived part of this object may be gone already.
    Detach();
    if (IsWindow(wnd)) DestroyWindow(wnd);
}

int TXPControl::Width() const {
    RECT r{};
    if (FHandle) GetClientRect(FHandle, &r);
    return r.right - r.left;
}

int TXPControl::Height() const {
    RECT r{};
    if (FHandle) GetClientRect(FHandle, &r);
    return r.bottom - r.top;
}

bool TXPControl::CreateHandle(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                              DWORD style, const RECT& bounds, HWND parent, UINT id) {
    Destroy();
    HWND wnd = CreateWindowExW(exStyle, className, text.c_str(), style, bounds.left, bounds.top,
                               bounds.right - bounds.left, bounds.bottom - bounds.top, parent,
                               reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)),
                               GetModuleHandleW(nullptr), nullptr);
    if (!wnd) return false;
    if (!Attach(wnd)) {
        DestroyWindow(wnd);
        return false;
    }
    return true;
}

bool TXPControl::Attach(HWND wnd) {
    if (!SetWindowSubclass(wnd, &TXPControl::SubclassProc, reinterpret_cast<UINT_PTR>(this),
                           reinterpret_cast<DWORD_PTR>(this)))
        return false;
    FHandle = wnd;
    return true;
}

void TXPControl::Detach() {
    if (!FHandle) return;
    RemoveWindowSubclass(FHandle, &TXPControl::SubclassProc, reinterpret_cast<UINT_PTR>(this));
    FHandle = nullptr;
}

LRESULT TXPControl::Dispatch(UINT msg, WPARAM wp, LPARAM lp) { return DefaultHandler(msg, wp, lp); }

LRESULT TXPControl::DefaultHandler(UINT msg, WPARAM wp, LPARAM lp) {
    return DefSubclassProc(FHandle, msg, wp, lp);
}

LRESULT CALLBACK TXPControl::SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                          DWORD_PTR data) noexcept {
    auto* self = reinterpret_cast<TXPControl*>(data);
    if (msg == WM_NCDESTROY) {
        // The window goes away on its own (with its parent, say): forget it.
        if (self && self->FHandle == wnd) self->Detach();
        return DefSubclassProc(wnd, msg, wp, lp);
    }
    if (!self || self->FHandle != wnd) return DefSubclassProc(wnd, msg, wp, lp);
    try {
        return self->Dispatch(msg, wp, lp);
    } catch (...) {
        Application().HandleException();
    }
    return DefSubclassProc(wnd, msg, wp, lp);
}
