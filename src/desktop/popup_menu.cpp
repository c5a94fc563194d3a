#include "desktop/popup_menu.h"

#include <type_traits>

#include "desktop/application.h"

namespace {

struct TMenuCloser {
    void operator()(HMENU m) const noexcept { DestroyMenu(m); }
};
using TUniqueMenu = std::unique_ptr<std::remove_pointer_t<HMENU>, TMenuCloser>;

// Item n of the list answers to command n + 1: 0 means nothing was chosen.
TUniqueMenu BuildMenu(const std::vector<std::unique_ptr<TMenuItem>>& items) {
    TUniqueMenu menu(CreatePopupMenu());
    if (!menu) return menu;
    for (size_t i = 0; i < items.size(); ++i) {
        const TMenuItem& item = *items[i];
        if (item.IsSeparator()) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item.Enabled ? MF_ENABLED : MF_GRAYED);
        AppendMenuW(menu.get(), flags, i + 1, item.Caption.c_str());
        if (item.Default) SetMenuDefaultItem(menu.get(), static_cast<UINT>(i + 1), FALSE);
    }
    return menu;
}

}  // namespace

void TMenuItem::Click() {
    if (Enabled && OnClick) OnClick();
}

TMenuItem& TPopupMenu::Add(const std::wstring& Caption, std::function<void()> OnClick) {
    auto item = std::make_unique<TMenuItem>();
    item->Caption = Caption;
    item->OnClick = std::move(OnClick);
    FItems.push_back(std::move(item));
    return *FItems.back();
}

TMenuItem* TPopupMenu::DefaultItem() {
    for (auto& item : FItems)
        if (item->Default && !item->IsSeparator()) return item.get();
    return nullptr;
}

void TPopupMenu::Popup(int X, int Y, HWND Owner) {
    if (OnPopup) OnPopup();
    TUniqueMenu menu = BuildMenu(FItems);
    if (!menu) return;
    const UINT cmd = static_cast<UINT>(TrackPopupMenuEx(
        menu.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, X, Y, Owner, nullptr));
    menu.reset();
    if (cmd == 0 || cmd > FItems.size()) return;
    FItems[cmd - 1]->Click();
}
