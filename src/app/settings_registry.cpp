#include "app/settings_registry.h"

#include <vector>

#include "app/texts.h"
#include "desktop/application.h"

namespace {
EPlovikError RegistryError(TTextId text, const std::wstring& name) { return EPlovikError(Text(text, name)); }
}  // namespace

TRegistry& SettingsRegistry() {
    static TRegistry reg(HKEY_CURRENT_USER, KEY_ALL_ACCESS);
    return reg;
}

TRegistry::TRegistry(HKEY root, REGSAM access) : FRoot(root), FAccess(access) {}

TRegistry::~TRegistry() {
    for (HKEY k : FKeys)
        if (k) RegCloseKey(k);
}

void TRegistry::SetRootKey(HKEY root) {
    if (root == FRoot) return;
    CloseKey();
    FRoot = root;
}

bool TRegistry::KeyExists(const std::wstring& key) const {
    HKEY k = nullptr;
    if (RegOpenKeyExW(FRoot, key.c_str(), 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
    RegCloseKey(k);
    return true;
}

bool TRegistry::OpenKey(const std::wstring& key, bool canCreate) {
    CloseKey();
    HKEY k = nullptr;
    LONG rc = canCreate ? RegCreateKeyExW(FRoot, key.c_str(), 0, nullptr, 0, FAccess, nullptr, &k, nullptr)
                        : RegOpenKeyExW(FRoot, key.c_str(), 0, FAccess, &k);
    if (rc != ERROR_SUCCESS) return false;
    FKeys.back() = k;
    return true;
}

void TRegistry::CloseKey() {
    if (!FKeys.back()) return;
    RegCloseKey(FKeys.back());
    FKeys.back() = nullptr;
}

void TRegistry::BeginScope() { FKeys.push_back(nullptr); }

void TRegistry::EndScope() {
    CloseKey();
    if (FKeys.size() > 1) FKeys.pop_back();
}

bool TRegistry::ValueExists(const std::wstring& name) const {
    return Key() && RegQueryValueExW(Key(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::uint32_t TRegistry::ReadInteger(const std::wstring& name) const {
    DWORD type = 0, value = 0, size = sizeof(value);
    const LONG rc = RegQueryValueExW(Key(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&value), &size);
    if (rc != ERROR_SUCCESS) throw RegistryError(TTextId::RegistryGetFailed, name);
    if (type != REG_DWORD) throw RegistryError(TTextId::RegistryBadType, name);
    return value;
}

std::wstring TRegistry::ReadString(const std::wstring& name) const {
    DWORD type = 0, size = 0;
    LONG rc = RegQueryValueExW(Key(), name.c_str(), nullptr, &type, nullptr, &size);
    if (rc == ERROR_FILE_NOT_FOUND) return {};
    if (rc != ERROR_SUCCESS) throw RegistryError(TTextId::RegistryGetFailed, name);
    if (type != REG_SZ && type != REG_EXPAND_SZ) throw RegistryError(TTextId::RegistryBadType, name);
    std::vector<wchar_t> buf(size / sizeof(wchar_t) + 2, L'\0');
    DWORD bytes = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    rc = RegQueryValueExW(Key(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buf.data()), &bytes);
    if (rc != ERROR_SUCCESS) throw RegistryError(TTextId::RegistryGetFailed, name);
    return std::wstring(buf.data());  // up to the first zero, which may be missing in the data
}

void TRegistry::WriteInteger(const std::wstring& name, std::uint32_t value) {
    const DWORD v = value;
    if (!Key() || RegSetValueExW(Key(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v)) !=
                     ERROR_SUCCESS)
        throw RegistryError(TTextId::RegistrySetFailed, name);
}

void TRegistry::WriteString(const std::wstring& name, const std::wstring& value) {
    const DWORD bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
    if (!Key() ||
        RegSetValueExW(Key(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) !=
            ERROR_SUCCESS)
        throw RegistryError(TTextId::RegistrySetFailed, name);
}

bool TRegistry::DeleteValue(const std::wstring& name) {
    return Key() && RegDeleteValueW(Key(), name.c_str()) == ERROR_SUCCESS;
}
