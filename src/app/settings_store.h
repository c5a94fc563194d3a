// Where the settings are kept. One interface, so that the settings object
// does not care whether they live in the registry or, later, in a file.
#pragma once

#include <cstdint>
#include <string>

class TSettingsStore {
public:
    virtual ~TSettingsStore() = default;

    // Whether any settings are kept at all: a first start finds none.
    virtual bool Exists() const = 0;
    // One operation's access, opened in a scope of its own: an operation
    // that runs inside another (a save while a start-up box waits) neither
    // closes nor writes through the outer one's access. Every Begin is
    // followed by one End.
    virtual void Begin() = 0;
    virtual bool Open(bool create) = 0;
    virtual void End() = 0;

    virtual bool ValueExists(const std::wstring& name) const = 0;
    // Errors carry the text the user is shown.
    virtual std::uint32_t ReadInteger(const std::wstring& name) const = 0;
    virtual std::wstring ReadString(const std::wstring& name) const = 0;
    virtual void WriteInteger(const std::wstring& name, std::uint32_t value) = 0;
    virtual void WriteString(const std::wstring& name, const std::wstring& value) = 0;

    bool ReadBool(const std::wstring& name) const { return ReadInteger(name) != 0; }
    void WriteBool(const std::wstring& name, bool value) { WriteInteger(name, value ? 1 : 0); }
};

// One operation on the store: open for the block, closed on every way out.
class TStoreSession {
public:
    TStoreSession(TSettingsStore& store, bool create = false) : FStore(store) {
        FStore.Begin();
        FOpen = FStore.Open(create);
    }
    ~TStoreSession() { FStore.End(); }
    TStoreSession(const TStoreSession&) = delete;
    TStoreSession& operator=(const TStoreSession&) = delete;

    bool Opened() const noexcept { return FOpen; }
    TSettingsStore& operator*() const noexcept { return FStore; }
    TSettingsStore* operator->() const noexcept { return &FStore; }

private:
    TSettingsStore& FStore;
    bool FOpen = false;
};

// The settings under the program's key in the current user's registry,
// through the program's one registry accessor.
class TRegistryStore : public TSettingsStore {
public:
    bool Exists() const override;
    void Begin() override;
    bool Open(bool create) override;
    void End() override;
    bool ValueExists(const std::wstring& name) const override;
    std::uint32_t ReadInteger(const std::wstring& name) const override;
    std::wstring ReadString(const std::wstring& name) const override;
    void WriteInteger(const std::wstring& name, std::uint32_t value) override;
    void WriteString(const std::wstring& name, const std::wstring& value) override;
};
