// Common ground of the themed controls: a window of a system class whose
// messages pass through a member function first, and the per-control tag
// that a group box uses to remember which children to enable again.
#pragma once

#include <windows.h>

#include <string>

// Bit 24 of a control's tag: the child was enabled when its group was last
// disabled, and is to be enabled again with the group.
constexpr LONG_PTR kReenableMark = 0x1000000;

// A free integer kept with any window (as a window property), 0 when unset.
LONG_PTR GetControlTag(HWND wnd);
void SetControlTag(HWND wnd, LONG_PTR tag);

// Name of a window's class, for telling child controls apart.
std::wstring WindowClassName(HWND wnd);
bool IsWindowClass(HWND wnd, const wchar_t* className);

class TXPControl {
public:
    TXPControl() = default;
    virtual ~TXPControl();
    TXPControl(const TXPControl&) = delete;
    TXPControl& operator=(const TXPControl&) = delete;

    HWND Handle() const noexcept { return FHandle; }
    int Width() const;
    int Height() const;
    bool Enabled() const { return FHandle && IsWindowEnabled(FHandle); }
    void SetEnabled(bool on) {
        if (FHandle) EnableWindow(FHandle, on);
    }
    void Destroy();

protected:
    // Makes the window and routes its messages through Dispatch.
    bool CreateHandle(DWORD exStyle, const wchar_t* className, const std::wstring& text,
                      DWORD style, const RECT& bounds, HWND parent, UINT id);
    // Routes an existing window's messages through Dispatch.
    bool Attach(HWND wnd);
    void Detach();

    virtual LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    // The processing the window would get without this object.
    LRESULT DefaultHandler(UINT msg, WPARAM wp, LPARAM lp);

    HWND FHandle = nullptr;

private:
    static LRESULT CALLBACK SubclassProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR data) noexcept;
};
