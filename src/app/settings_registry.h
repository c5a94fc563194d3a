// The one registry accessor of the program. It holds at most one open key:
// opening a key closes the one opened before.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

class TRegistry {
public:
    explicit TRegistry(HKEY root = HKEY_CURRENT_USER, REGSAM access = KEY_ALL_ACCESS);
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    HKEY RootKey() const noexcept { return FRoot; }
    void SetRootKey(HKEY root);

    bool KeyExists(const std::wstring& key) const;
    bool OpenKey(const std::wstring& key, bool canCreate);
    void CloseKey();
    bool HasKey() const noexcept { return FKey != nullptr; }

    bool ValueExists(const std::wstring& name) const;
    // Errors carry the text the user is shown:
    // "Invalid data type for '%s'", "Failed to get data for '%s'",
    // "Failed to set data for '%s'".
    std::uint32_t ReadInteger(const std::wstring& name) const;
    bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
    std::wstring ReadString(const std::wstring& name) const;
    void WriteInteger(const std::wstring& name, std::uint32_t value);
    void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }
    void WriteString(const std::wstring& name, const std::wstring& value);
    bool DeleteValue(const std::wstring& name);

private:
    HKEY FRoot;
    REGSAM FAccess;
    HKEY FKey = nullptr;
};

// The program's accessor: HKEY_CURRENT_USER, full access, for the whole run.
TRegistry& SettingsRegistry();

// Keeps the accessor's key closed on every way out of a block.
class TKeyCloser {
public:
    explicit TKeyCloser(TRegistry& reg) : FReg(reg) {}
    ~TKeyCloser() { FReg.CloseKey(); }
    TKeyCloser(const TKeyCloser&) = delete;
    TKeyCloser& operator=(const TKeyCloser&) = delete;

private:
    TRegistry& FReg;
};
