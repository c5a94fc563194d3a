#include "app/settings_store.h"

#include "app/settings.h"
#include "app/settings_registry.h"
#include "app/texts.h"
#include "desktop/application.h"
#include "desktop/atomic_file.h"
#include "look/folder_dialog.h"

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

// ---- values in memory ------------------------------------------------------

namespace {
bool SameName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}
}  // namespace

const TStoredValue* TMemoryStore::Find(const std::wstring& name) const {
    for (const TNamedValue& v : FValues)
        if (SameName(v.Name, name)) return &v.Value;
    return nullptr;
}

void TMemoryStore::Set(const std::wstring& name, const TStoredValue& value) {
    for (TNamedValue& v : FValues)
        if (SameName(v.Name, name)) {
            if (v.Value.Type == value.Type && v.Value.Int == value.Int && v.Value.Str == value.Str) return;
            v.Value = value;
            FChanged = true;
            return;
        }
    FValues.push_back({name, value});
    FChanged = true;
}

std::vector<std::wstring> TMemoryStore::Names() const {
    std::vector<std::wstring> out;
    for (const TNamedValue& v : FValues) out.push_back(v.Name);
    return out;
}

std::uint32_t TMemoryStore::ReadInteger(const std::wstring& name) const {
    const TStoredValue* v = Find(name);
    if (!v) throw EPlovikError(Text(TTextId::RegistryGetFailed, name));
    if (v->Type != TStoredValue::Integer) throw EPlovikError(Text(TTextId::RegistryBadType, name));
    return v->Int;
}

// An absent text reads as empty, as the registry's does.
std::wstring TMemoryStore::ReadString(const std::wstring& name) const {
    const TStoredValue* v = Find(name);
    if (!v) return {};
    if (v->Type != TStoredValue::String) throw EPlovikError(Text(TTextId::RegistryBadType, name));
    return v->Str;
}

void TMemoryStore::WriteInteger(const std::wstring& name, std::uint32_t value) {
    TStoredValue v;
    v.Type = TStoredValue::Integer;
    v.Int = value;
    Set(name, v);
}

void TMemoryStore::WriteString(const std::wstring& name, const std::wstring& value) {
    TStoredValue v;
    v.Type = TStoredValue::String;
    v.Str = value;
    Set(name, v);
}

// ---- files -------------------------------------------------------------------

const wchar_t kIniSection[] = L"MRWPLOVIK";
const wchar_t kRegExportKey[] = L"HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK";

std::wstring ProgramPath() {
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

std::wstring PortableSettingsPath() {
    const std::wstring path = ProgramPath();
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"Plovik.ini";
}

std::unique_ptr<TSettingsStore> MakeSettingsStore() {
    const std::wstring ini = PortableSettingsPath();
    if (GetFileAttributesW(ini.c_str()) != INVALID_FILE_ATTRIBUTES) return std::make_unique<TIniFileStore>(ini);
    return std::make_unique<TRegistryStore>();
}

bool DecodeSettingsFile(const std::string& bytes, std::wstring& text) {
    if (DecodeSettingsBytes(bytes, text)) return true;
    const int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    text.assign(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), n);
    return false;
}

std::wstring ProblemText(const std::wstring& file, const TLineProblem& problem) {
    std::wstring what;
    switch (problem.Problem) {
        case TTextProblem::NotAValue: what = Text(TTextId::ProblemNotAValue); break;
        case TTextProblem::UnknownType: what = Text(TTextId::ProblemUnknownType); break;
        case TTextProblem::BadNumber: what = Text(TTextId::ProblemBadNumber); break;
        case TTextProblem::BadString: what = Text(TTextId::ProblemBadString); break;
        case TTextProblem::ForeignKey: what = Text(TTextId::ProblemForeignKey, problem.Name); break;
        case TTextProblem::NotRegFile: what = Text(TTextId::ProblemNotRegFile); break;
    }
    return Text(TTextId::SettingsFileLine, file, std::to_wstring(problem.Line)) + L": " + what;
}

namespace {
std::wstring LineOf(const std::wstring& text, int number) {
    size_t at = 0;
    for (int n = 1; n < number && at != std::wstring::npos; ++n) {
        at = text.find(L'\n', at);
        if (at != std::wstring::npos) ++at;
    }
    if (at == std::wstring::npos) return {};
    const size_t end = text.find(L'\n', at);
    std::wstring line = text.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    return line;
}
}  // namespace

bool TIniFileStore::Exists() const { return GetFileAttributesW(FPath.c_str()) != INVALID_FILE_ATTRIBUTES; }

// A bad line is told and left out; a named value the line could not give
// reads as one of the wrong type, so the load tells it as it tells a bad
// registry value and keeps the designed state.
bool TIniFileStore::Read() {
    FRead = true;
    std::string bytes;
    std::wstring why;
    if (!ReadWholeFile(FPath, bytes, why)) {
        FWarnings.push_back(Text(TTextId::SettingsFileUnreadable, FPath, why));
        return FReadable = false;
    }
    std::wstring text;
    if (!DecodeSettingsFile(bytes, text)) FWarnings.push_back(Text(TTextId::SettingsFileEncoding, FPath));
    const TSettingsText parsed = ParseSettingsText(text, false, kIniSection);
    FValues = parsed.Values;
    FKeptLines.clear();
    for (const TLineProblem& p : parsed.Problems) {
        FWarnings.push_back(ProblemText(FPath, p));
        FKeptLines.push_back(LineOf(text, p.Line));
        if (!p.Name.empty() && !Find(p.Name)) FValues.push_back({p.Name, TStoredValue{}});
    }
    FChanged = false;
    return FReadable = true;
}

bool TIniFileStore::Open(bool) {
    if (!FRead) Read();
    return FReadable;
}

void TIniFileStore::End() {
    if (FDepth > 0 && --FDepth == 0 && FChanged && FReadable) Write();
}

// Values the program does not know are written back as they were read, and
// lines it could not read as comments: the file loses nothing the user put
// in it, and a bad line is not read twice.
void TIniFileStore::Write() {
    std::vector<TNamedValue> out;
    for (const TNamedValue& v : FValues)
        if (v.Value.Type != TStoredValue::Bad) out.push_back(v);
    std::string bytes = FormatIniFile(out, kIniSection);
    for (const std::wstring& line : FKeptLines) bytes += WideToUtf8(L"; " + line) + "\r\n";
    std::wstring why;
    if (WriteFileAtomically(FPath, bytes, why)) {
        FChanged = false;
        return;
    }
    if (FWriteFailedTold || !OnWriteFailed) return;
    FWriteFailedTold = true;
    OnWriteFailed(Text(TTextId::SettingsFileUnwritable, FPath, why));
}

std::vector<std::wstring> TIniFileStore::TakeWarnings() {
    std::vector<std::wstring> out;
    out.swap(FWarnings);
    return out;
}
