// Export and import of the settings: a file of the registry's export
// format (.reg, which regedit imports too) or of the portable file's (.ini).
#pragma once

#include <string>
#include <vector>

#include "app/settings.h"
#include "app/settings_text.h"

class TSettingsTransfer {
public:
    // The format by the name's extension: .ini the portable file's, any
    // other the registry's.
    static bool IsIniName(const std::wstring& path);
    // Every setting into the file, written whole or not at all.
    static bool Export(const TSettings& settings, const std::wstring& path, std::wstring& error);
    // Every value of the file, each checked (name, type, range); on any
    // problem nothing is returned and the message says what is wrong, line
    // by line.
    static bool Read(const std::wstring& path, std::vector<TNamedValue>& values, std::wstring& error);
};
