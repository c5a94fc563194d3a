#include "player/file_io.h"

#include "desktop/application.h"

namespace {

std::wstring SystemMessage(DWORD code) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring out = n && text ? std::wstring(text, n) : L"System error " + std::to_wstring(code) + L".";
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == L'\n' || out.back() == L'\r' || out.back() == L' '))
        out.pop_back();
    return out;
}

}  // namespace

bool IsExistingFile(const std::wstring& Name) {
    if (Name.empty() || Name.find(L'\0') != std::wstring::npos) return false;
    const DWORD attr = GetFileAttributesW(Name.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

HANDLE OpenSharedForReading(const std::wstring& Name) {
    return CreateFileW(Name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void ThrowFileError(const wchar_t* What, const std::wstring& Name, DWORD Code) {
    throw EPlovikError(std::wstring(What) + L" \"" + Name + L"\". " + SystemMessage(Code));
}
