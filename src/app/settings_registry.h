// The one registry accessor of the program. Each operation holds at most one
// open key: opening a key closes the one the same operation opened before.
// An operation that runs inside another (a save while a start-up box waits,
// a change of folder inside a question) works in a scope of its own, so it
// can neither close nor write through the key the outer operation holds.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

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
    bool HasKey() const noexcept { return FKeys.back() != nullptr; }

    // A nested operation's own slot for its key; closing the scope closes
    // that key and gives the outer operation its own back.
    void BeginScope();
    void EndScope();

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
    HKEY Key() const noexcept { return FKeys.back(); }
    std::vector<HKEY> FKeys{nullptr};  // one slot per open scope, the base first
};

// The program's accessor: HKEY_CURRENT_USER, full access, for the whole run.
TRegistry& SettingsRegistry();

// One operation's scope on the accessor: the key it opens is closed on every
// way out of the block, and a key of an operation around it stays as it was.
class TKeyCloser {
public:
    explicit TKeyCloser(TRegistry& reg) : FReg(reg) { FReg.BeginScope(); }
    ~TKeyCloser() { FReg.EndScope(); }
    TKeyCloser(const TKeyCloser&) = delete;
    TKeyCloser& operator=(const TKeyCloser&) = delete;

private:
    TRegistry& FReg;
};
