// A group box that draws in the desktop's visual style when one is active
// and in the classic style otherwise, and takes its children with it when it
// is enabled or disabled.
//
// Children are ordinary windows created with the group box as their parent
// (CreateChild does that and gives them the group's font). Their commands and
// notifications are passed on to the group's own parent, so the window that
// places the group handles its children's clicks as if they were its own.
#pragma once

#include <windows.h>

#include <string>

#include "look/xp_control.h"

class TXPGroupBox : public TXPControl {
public:
    TXPGroupBox() = default;

    // The group box as a child of parent at bounds (parent's client pixels).
    // It takes the parent's font.
    bool Create(HWND parent, const RECT& bounds, const std::wstring& caption, UINT id = 0);

    // A child control of the group: style gets WS_CHILD, the font is the group's.
    HWND CreateChild(const wchar_t* className, const std::wstring& text, DWORD style,
                     const RECT& bounds, UINT id, DWORD exStyle = 0);

    std::wstring Caption() const;
    void SetCaption(const std::wstring& caption);
    HFONT Font() const noexcept { return FFont; }
    void SetFont(HFONT font);

    // Three-dimensional frame in the classic style (a highlight line inside a
    // shadow line); without it the frame is one line in the window-frame colour.
    bool Ctl3D = true;

    // Draws frame and caption into dc, in the current style.
    void Paint(HDC dc);

    // Where Paint puts the caption, for the given device context.
    RECT CaptionRect(HDC dc) const;

protected:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
    LRESULT WMEraseBkgnd(HDC dc);
    void CMEnabledChanged();

private:
    LRESULT PlainDispatch(UINT msg, WPARAM wp, LPARAM lp);  // what the group does without themes
    LRESULT ColourRequest(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT PassToParent(UINT msg, WPARAM wp, LPARAM lp);
    HWND ChildOf(HWND requester) const;
    void PaintThemed(HDC dc, HANDLE theme, RECT frame, RECT caption, UINT textFlags);
    void PaintClassic(HDC dc, RECT frame, RECT caption, UINT textFlags, int gap);
    void ForgetChildTags();

    HFONT FFont = nullptr;
};
