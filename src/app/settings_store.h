// Where the settings are kept. One interface, so that the settings object
// does not care whether they live in the registry or, later, in a file.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/settings_text.h"
#include "desktop/atomic_file.h"

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

    // What the store found wrong while reading, for the load's one message.
    virtual std::vector<std::wstring> TakeWarnings() { return {}; }
    // Every name it holds, where it can tell (files): names the program does
    // not know are told and kept.
    virtual std::vector<std::wstring> Names() const { return {}; }
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

// Values held in memory, in their order: what an import read, what an
// export writes, and the file store's picture of its file.
class TMemoryStore : public TSettingsStore {
public:
    TMemoryStore() = default;
    explicit TMemoryStore(std::vector<TNamedValue> values) : FValues(std::move(values)) {}

    bool Exists() const override { return true; }
    void Begin() override {}
    bool Open(bool) override { return true; }
    void End() override {}
    bool ValueExists(const std::wstring& name) const override { return Find(name) != nullptr; }
    std::uint32_t ReadInteger(const std::wstring& name) const override;
    std::wstring ReadString(const std::wstring& name) const override;
    void WriteInteger(const std::wstring& name, std::uint32_t value) override;
    void WriteString(const std::wstring& name, const std::wstring& value) override;

    const std::vector<TNamedValue>& Values() const noexcept { return FValues; }
    std::vector<std::wstring> Names() const override;

protected:
    const TStoredValue* Find(const std::wstring& name) const;
    void Set(const std::wstring& name, const TStoredValue& value);
    std::vector<TNamedValue> FValues;
    bool FChanged = false;
};

// Portable mode: the settings in a file beside the program, read when first
// opened and written whole, through a new file that replaces the old one,
// at the end of each outermost operation that changed them.
class TIniFileStore : public TMemoryStore {
public:
    explicit TIniFileStore(std::wstring path) : FPath(std::move(path)) {}

    bool Exists() const override;
    void Begin() override { ++FDepth; }
    bool Open(bool create) override;
    void End() override;
    std::vector<std::wstring> TakeWarnings() override;

    const std::wstring& Path() const noexcept { return FPath; }
    // A write that failed, told once a run; nothing else stops.
    std::function<void(const std::wstring& Text)> OnWriteFailed;

private:
    bool Read();
    void Write();
    std::wstring FPath;
    int FDepth = 0;
    bool FRead = false, FReadable = false, FWriteFailedTold = false;
    std::vector<std::wstring> FWarnings;
    std::vector<std::wstring> FKeptLines;  // lines that could not be read
};

// The section of the portable file, and the registry key of an export.
extern const wchar_t kIniSection[];
extern const wchar_t kRegExportKey[];
// The running program's file, whatever the length of its path.
std::wstring ProgramPath();
// The file beside the program that makes it portable.
std::wstring PortableSettingsPath();
// Plovik.ini beside the program when it is there, the registry otherwise.
std::unique_ptr<TSettingsStore> MakeSettingsStore();
// A settings file's bytes as text; bytes that are no UTF-8 nor UTF-16 are
// read in the system's code page, and false says so.
bool DecodeSettingsFile(const std::string& bytes, std::wstring& text);
// A line's problem as the user reads it.
std::wstring ProblemText(const std::wstring& file, const TLineProblem& problem);
