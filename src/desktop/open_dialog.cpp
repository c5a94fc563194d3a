#include "desktop/open_dialog.h"

#include <commdlg.h>

#include <vector>

std::wstring TOpenDialog::SystemFilter() const {
    std::wstring f = Filter;
    for (wchar_t& c : f)
        if (c == L'|') c = L'\0';
    f.push_back(L'\0');
    f.push_back(L'\0');
    return f;
}

std::function<bool(TOpenDialog&)> TOpenDialog::DefaultExecuteFn;

bool TOpenDialog::Execute() {
    if (ExecuteFn) return ExecuteFn(*this);
    if (DefaultExecuteFn) return DefaultExecuteFn(*this);
    std::vector<wchar_t> buf(32768, L'\0');
    FileName.copy(buf.data(), std::min(FileName.size(), buf.size() - 1));
    const std::wstring filter = SystemFilter();
    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = Owner;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buf.data();
    ofn.nMaxFile = static_cast<DWORD>(buf.size());
    ofn.lpstrTitle = Title.empty() ? nullptr : Title.c_str();
    ofn.Flags = OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_EXPLORER | (Save ? OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT : 0);
    ofn.lpstrDefExt = DefaultExt.empty() ? nullptr : DefaultExt.c_str();
    if (!(Save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn))) return false;
    FileName = buf.data();
    return true;
}
