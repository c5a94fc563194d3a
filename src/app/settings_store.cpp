// Moving the settings between the registry and the controls.
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/hotkey_field.h"
#include "app/settings_registry.h"
#include "app/texts.h"

namespace {

std::wstring OwnPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring ShortPath(const std::wstring& path) {
    const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::wstring out(n, L'\0');
    const DWORD m = GetShortPathNameW(path.c_str(), out.data(), n);
    if (m == 0 || m >= n) return {};
    out.resize(m);
    return out;
}

// Reads one value into its control; a bad value is noted and skipped so
// that it cannot cost the user the settings stored after it.
template <class F>
void LoadValue(const TRegistry& reg, const wchar_t* name, std::vector<std::wstring>& errors, F&& apply) {
    if (!reg.ValueExists(name)) return;
    try {
        apply();
    } catch (const EPlovikError& e) {
        errors.push_back(e.Message());
    }
}

// A stored language the program does not have, or a value of the wrong
// type, leaves the program in its own language, with the usual message.
void LoadLanguage(const TRegistry& reg) {
    TLanguage language = kLanguages[0].Language;
    try {
        const std::wstring code = reg.ReadString(kLanguageValue);
        if (!LanguageFromCode(code, language)) throw EPlovikError(Text(TTextId::RegistryBadValue, kLanguageValue));
    } catch (...) {
        SetCurrentLanguage(kLanguages[0].Language);
        throw;
    }
    SetCurrentLanguage(language);
}

}  // namespace

// The short form has no spaces as a rule; where the system gives none, or
// one with spaces, the full path goes in quotes so the entry still starts us.
std::wstring TForm1::AutoStartCommand() const {
    const std::wstring full = OwnPath();
    const std::wstring shortPath = ShortPath(full);
    if (!shortPath.empty() && shortPath.find(L' ') == std::wstring::npos) return shortPath;
    return L"\"" + (shortPath.empty() ? full : shortPath) + L"\"";
}

void TForm1::LoadSettings() {
    TRegistry& reg = SettingsRegistry();
    reg.SetRootKey(HKEY_CURRENT_USER);
    std::vector<std::wstring> errors;
    const TLanguage language = CurrentLanguage();
    // Until the load is over the window may hold anything but the stored
    // settings: a save meanwhile would write that over them.
    FSettingsLoaded = false;
    {
        TKeyCloser closer(reg);
        if (!reg.KeyExists(kSettingsKey)) {
            FSettingsLoaded = reg.OpenKey(kSettingsKey, true);
            return;
        }
        if (!reg.OpenKey(kSettingsKey, false)) return;
        const auto loadHotKey = [&](int n) {
            const wchar_t* name = kActions[n - 1].Value;
            LoadValue(reg, name, errors,
                      [&] { LoadHotKeyWord(n, static_cast<TShortCut>(reg.ReadInteger(name) & 0xFFFF)); });
        };
        for (int n = 1; n <= kDesignedActionCount; ++n) loadHotKey(n);
        for (const TAlarmActionInfo& a : kAlarmActions)
            LoadValue(reg, a.Value, errors, [&] { SetRadio(a.RadioButton, reg.ReadBool(a.Value)); });
        for (const TOptionInfo& o : kOptions)
            LoadValue(reg, o.Value, errors, [&] { SetChecked(CheckBox[o.CheckBox], reg.ReadBool(o.Value)); });
        LoadValue(reg, L"Dir", errors, [&] { SetWindowTextW(Edit1, reg.ReadString(L"Dir").c_str()); });
        for (const TOptionInfo& o : kLaterOptions)
            LoadValue(reg, o.Value, errors, [&] { SetChecked(CheckBox[o.CheckBox], reg.ReadBool(o.Value)); });
        // Actions added since come after every designed value.
        for (int n = kDesignedActionCount + 1; n <= kActionCount; ++n) loadHotKey(n);
        LoadValue(reg, kLanguageValue, errors, [&] { LoadLanguage(reg); });
        // A bad value was left as the window showed it, and the user is told
        // below: that is what the window holds from now on.
        FSettingsLoaded = true;
    }
    if (CurrentLanguage() != language) ApplyTexts();
    if (errors.empty()) return;
    std::wstring text;
    for (const auto& e : errors) text += (text.empty() ? L"" : L"\n") + e;
    Application().MessageBox(text, Application().Title(), MB_OK | MB_ICONERROR);
}

void TForm1::SaveSettings() {
    // Controls that are gone would read as empty and overwrite every
    // stored value with nothing; so would a window whose settings were never
    // loaded (a close while the start-up question waits, a failed load).
    if (!FHandle || !IsWindow(FHandle) || FDestroying || !FSettingsLoaded) return;
    TRegistry& reg = SettingsRegistry();
    {
        TKeyCloser closer(reg);
        if (!reg.OpenKey(kSettingsKey, false)) return;
        for (int n = 1; n <= kDesignedActionCount; ++n) reg.WriteInteger(kActions[n - 1].Value, StoredHotKeyWord(n));
        for (const TAlarmActionInfo& a : kAlarmActions) reg.WriteBool(a.Value, Checked(RadioButton[a.RadioButton]));
        for (const TOptionInfo& o : kOptions) reg.WriteBool(o.Value, Checked(CheckBox[o.CheckBox]));
        reg.WriteString(L"Dir", WindowText(Edit1));  // whatever its length
        for (const TOptionInfo& o : kLaterOptions) reg.WriteBool(o.Value, Checked(CheckBox[o.CheckBox]));
        for (int n = kDesignedActionCount + 1; n <= kActionCount; ++n)
            reg.WriteInteger(kActions[n - 1].Value, StoredHotKeyWord(n));
    }
    TKeyCloser closer(reg);
    if (!reg.OpenKey(kRunKey, false)) return;
    if (Checked(CheckBox[2]))
        reg.WriteString(L"Plovik", AutoStartCommand());
    else if (reg.ValueExists(L"Plovik"))
        reg.DeleteValue(L"Plovik");
}

void TForm1::ResetSettings() {
    if (Application().MessageBox(Text(TTextId::AskReset), Text(TTextId::WarningCaption),
                                 MB_OKCANCEL | MB_ICONWARNING) != IDOK)
        return;
    for (int n = 1; n <= kActionCount; ++n) SetHotKeyWord(HotKey[n], 0);
    ClearKeptHotKeys();
    for (int n : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}) SetChecked(CheckBox[n], false);
    SetDesignedLaterOptions();
    ApplyHotKeys();
    SaveSettings();
}

// A reset brings the later options back to their designed state: for the
// Recycle Bin that is on, and a reset must not make deletions final.
void TForm1::SetDesignedLaterOptions() {
    for (const TOptionInfo& o : kLaterOptions) SetChecked(CheckBox[o.CheckBox], o.DesignedOn);
}

void TForm1::Button1Click() {
    ResetSettings();
    SaveSettings();
}

void TForm1::Button2Click() {
    ApplyHotKeys();
    SaveSettings();
    if (Checked(CheckBox[7])) ShowWindow(Application().Handle(), SW_MINIMIZE);
}
