#include "app/settings_store.h"

#include "app/settings.h"
#include "app/settings_registry.h"

bool TRegistryStore::Exists() const { return SettingsRegistry().KeyExists(kSettingsKey); }
void TRegistryStore::Begin() { SettingsRegistry().BeginScope(); }
bool TRegistryStore::Open(bool create) { return SettingsRegistry().OpenKey(kSettingsKey, create); }
void TRegistryStore::End() { SettingsRegistry().EndScope(); }
bool TRegistryStore::ValueExists(const std::wstring& name) const { return SettingsRegistry().ValueExists(name); }
std::uint32_t TRegistryStore::ReadInteger(const std::wstring& name) const {
    return SettingsRegistry().ReadInteger(name);
}
std::wstring TRegistryStore::ReadString(const std::wstring& name) const { return SettingsRegistry().ReadString(name); }
void TRegistryStore::WriteInteger(const std::wstring& name, std::uint32_t value) {
    SettingsRegistry().WriteInteger(name, value);
}
void TRegistryStore::WriteString(const std::wstring& name, const std::wstring& value) {
    SettingsRegistry().WriteString(name, value);
}
