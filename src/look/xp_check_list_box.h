// A list box whose items carry a check box drawn in the desktop's visual
// style (or the classic one). A left click anywhere on an item's row toggles
// it, so does the space key on the focused item.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "look/xp_control.h"

enum class TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TXPCheckListBox : public TXPControl {
public:
    TXPCheckListBox() = default;
    ~TXPCheckListBox() override;

    bool Create(HWND parent, const RECT& bounds, UINT id);

    int AddItem(const std::wstring& text);
    int Count() const;
    std::wstring ItemText(int index) const;
    int ItemIndex() const;
    void SetItemIndex(int index);

    TCheckBoxState GetState(int index) const;
    void SetState(int index, TCheckBoxState state);
    bool Checked(int index) const { return GetState(index) == TCheckBoxState::cbChecked; }
    void SetChecked(int index, bool on) {
        SetState(index, on ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked);
    }
    bool GetItemEnabled(int index) const;
    void SetItemEnabled(int index, bool on);

    bool AllowGrayed = false;
    bool Flat = true;

    // Raised after a click or the space key changed an item's check.
    std::function<void(TXPCheckListBox& Sender)> OnClickCheck;

    // Width of the strip left of each item that holds its check box.
    int CheckWidth() const;
    // Draws one item: rect is the item's text area (the check strip lies left of it).
    void DrawItem(HDC dc, int index, RECT rect, UINT odState);
    void DrawItemText(HDC dc, int index, RECT rect, bool selected);
    void DrawItemCheck(HDC dc, RECT rect, TCheckBoxState state, bool enabled);
    void ToggleClickCheck(int index);

protected:
    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) override;
    void KeyPress(wchar_t key);
    void MouseDown(int x, int y);
    void CMEnabledChanged();
    void CMExit();
    // The owner-draw request the parent received for this list.
    void CNDrawItem(const DRAWITEMSTRUCT& item);

private:
    static LRESULT CALLBACK ParentProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                       DWORD_PTR data) noexcept;
    LPARAM ItemData(int index) const;
    void SetItemData(int index, LPARAM data);
    void InvalidateItem(int index);

    HWND FParent = nullptr;
};
