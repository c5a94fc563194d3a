#include "app/settings_transfer.h"

#include <windows.h>

#include "app/settings_store.h"

bool TSettingsTransfer::IsIniName(const std::wstring& path) {
    return path.size() >= 4 && _wcsicmp(path.c_str() + path.size() - 4, L".ini") == 0;
}

bool TSettingsTransfer::Export(const TSettings& settings, const std::wstring& path, std::wstring& error) {
    const std::vector<TNamedValue> values = settings.Export();
    const std::string bytes =
        IsIniName(path) ? FormatIniFile(values, kIniSection) : FormatRegFile(values, kRegExportKey);
    std::wstring why;
    if (WriteFileAtomically(path, bytes, why)) return true;
    error = Text(TTextId::ExportFailed, path, why);
    return false;
}

bool TSettingsTransfer::Read(const std::wstring& path, std::vector<TNamedValue>& values, std::wstring& error) {
    std::string bytes;
    std::wstring why, text;
    if (!ReadWholeFile(path, bytes, why)) {
        error = Text(TTextId::ImportUnreadable, path, why);
        return false;
    }
    DecodeSettingsFile(bytes, text);  // another code page is no reason to refuse an import
    const TSettingsText parsed = ParseSettingsText(text, !IsIniName(path), IsIniName(path) ? kIniSection : kRegExportKey);
    std::vector<std::wstring> lines;
    for (const TLineProblem& p : parsed.Problems) lines.push_back(ProblemText(path, p));
    for (const TNamedValue& v : parsed.Values) {
        const std::wstring why2 = TSettings::Check(v);
        if (!why2.empty()) lines.push_back(Text(TTextId::SettingsFileLine, path, std::to_wstring(v.Value.Line)) + L": " + why2);
    }
    if (parsed.Values.empty() && lines.empty()) lines.push_back(ProblemText(path, {1, TTextProblem::NotAValue, {}}));
    if (lines.empty()) {
        values = parsed.Values;
        return true;
    }
    error = Text(TTextId::ImportRefused, path);
    for (const std::wstring& l : lines) error += L"\n" + l;
    return false;
}
