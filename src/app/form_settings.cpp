// Loading, saving and resetting the settings, and the two buttons that do it.
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/settings_registry.h"
#include "app/settings_transfer.h"
#include "app/texts.h"

namespace {

std::wstring ShortPath(const std::wstring& path) {
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    const DWORD m = GetShortPathNameW(path.c_str(), out.data(), n);
    if (m == 0 || m >= n) return {};
    out.resize(m);
    return out;
}

}  // namespace

// The short form has no spaces as a rule; where the system gives none, or
// one with spaces, the full path goes in quotes so the entry still starts us.
std::wstring TForm1::AutoStartCommand() const {
    const std::wstring full = ProgramPath();
    const std::wstring shortPath = ShortPath(full);
    if (!shortPath.empty() && shortPath.find(L' ') == std::wstring::npos) return shortPath;
    return L"\"" + (shortPath.empty() ? full : shortPath) + L"\"";
}

void TForm1::LoadSettings() {
    const std::vector<std::wstring> errors = Settings.Load(*Store);
    if (Settings.Language != CurrentLanguage()) {
        SetCurrentLanguage(Settings.Language);
        ApplyTexts();
    }
    ShowSettings();
    if (errors.empty()) return;
    std::wstring text;
    for (const auto& e : errors) text += (text.empty() ? L"" : L"\n") + e;
    Application().MessageBox(text, Application().Title(), MB_OK | MB_ICONERROR);
}

// Nothing is written of settings the program never loaded (a close while
// the start-up question waits, a failed load), nor while it is being taken
// apart.
void TForm1::SaveSettings() {
    if (FDestroying || !Settings.Save(*Store)) return;
    TRegistry& reg = SettingsRegistry();
    TKeyCloser closer(reg);
    if (!reg.OpenKey(kRunKey, false)) return;
    if (Settings.Options[optAutoStart])
        reg.WriteString(L"Plovik", AutoStartCommand());
    else if (reg.ValueExists(L"Plovik"))
        reg.DeleteValue(L"Plovik");
}

void TForm1::ResetSettings() {
    if (Application().MessageBox(Text(TTextId::AskReset), Text(TTextId::WarningCaption),
                                 MB_OKCANCEL | MB_ICONWARNING) != IDOK)
        return;
    Settings.Reset();
    SetAlarmArmed(false);
    ShowSettings();
    ApplyHotKeys();
    SaveSettings();
}

void TForm1::Button1Click() {
    ResetSettings();
    SaveSettings();
}

void TForm1::Button2Click() {
    ApplyHotKeys();
    SaveSettings();
    if (Settings.Options[optHideOnSave]) ShowWindow(Application().Handle(), SW_MINIMIZE);
}

void TForm1::ExportSettings() {
    TransferDialog.Owner = nullptr;
    TransferDialog.Save = true;
    TransferDialog.DefaultExt = L"reg";
    TransferDialog.Title = Text(TTextId::ExportTitle);
    TransferDialog.Filter = Text(TTextId::TransferFilter);
    if (!TransferDialog.Execute()) return;
    std::wstring error;
    if (!TSettingsTransfer::Export(Settings, TransferDialog.FileName, error))
        Application().MessageBox(error, Application().Title(), MB_OK | MB_ICONERROR);
}

void TForm1::ImportSettings() {
    TransferDialog.Save = false;
    TransferDialog.DefaultExt.clear();
    TransferDialog.Title = Text(TTextId::ImportTitle);
    TransferDialog.Filter = Text(TTextId::TransferFilter);
    if (!TransferDialog.Execute()) return;
    std::vector<TNamedValue> values;
    std::wstring error;
    if (!TSettingsTransfer::Read(TransferDialog.FileName, values, error)) {
        Application().MessageBox(error, Application().Title(), MB_OK | MB_ICONERROR);
        return;
    }
    ApplyImported(values);
}

// Read as a load reads, over what the program holds: a value the file does
// not name stays as it is. The language and the player's place, which a
// save does not write, are written here.
void TForm1::ApplyImported(const std::vector<TNamedValue>& values) {
    TMemoryStore imported(values);
    TSettings next = Settings;
    next.Load(imported);
    Settings = next;
    {
        TStoreSession store(*Store);
        if (store.Opened()) {
            if (imported.ValueExists(kLanguageValue)) store->WriteString(kLanguageValue, LanguageCode(Settings.Language));
            if (imported.ValueExists(kPlayerPathValue)) store->WriteString(kPlayerPathValue, Settings.PlayerPath);
        }
    }
    if (Settings.Language != CurrentLanguage()) {
        SetCurrentLanguage(Settings.Language);
        ApplyTexts();
    }
    ShowSettings();
    ApplyHotKeys();
    SaveSettings();
}
