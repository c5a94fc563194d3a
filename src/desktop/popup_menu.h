// A pop-up menu described by its items; the system menu is built when it
// opens, so items can change at any time in between.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TMenuItem {
public:
    std::wstring Caption;  // "-" makes a separator
    bool Default = false;  // shown in bold; a double click on the tray icon chooses it
    bool Enabled = true;
    std::function<void()> OnClick;

    bool IsSeparator() const { return Caption == L"-"; }
    void Click();
};

class TPopupMenu {
public:
    TPopupMenu() = default;
    TPopupMenu(const TPopupMenu&) = delete;
    TPopupMenu& operator=(const TPopupMenu&) = delete;

    // False: the menu is never opened or chosen from by the component using it.
    bool AutoPopup = true;
    // The component that opened the menu last (for handlers that need it).
    void* PopupComponent = nullptr;

    TMenuItem& Add(const std::wstring& Caption, std::function<void()> OnClick = nullptr);
    size_t Count() const noexcept { return FItems.size(); }
    TMenuItem& Items(size_t Index) { return *FItems.at(Index); }
    // The first item marked as default, or none.
    TMenuItem* DefaultItem();

    // Opens the menu at the screen point, owned by the given window, and runs
    // the chosen item's handler after the menu has closed.
    void Popup(int X, int Y, HWND Owner);
    // Called when the menu is about to open.
    std::function<void()> OnPopup;

private:
    std::vector<std::unique_ptr<TMenuItem>> FItems;
};
