#include "desktop/atomic_file.h"

#include <windows.h>

#include "look/folder_dialog.h"

namespace {

// A reader that has the file open without sharing its deletion (C's fopen,
// and so most programs that poll a text file) keeps the name from being
// taken for the moment of its read: the replace is tried again for a
// little while, which such a read never outlasts.
constexpr int kReplaceTries = 50;
constexpr DWORD kReplacePauseMs = 5;

struct THandle {
    HANDLE H;
    ~THandle() {
        if (H != INVALID_HANDLE_VALUE) CloseHandle(H);
    }
};

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

DWORD WriteTemp(const std::wstring& temp, const std::string& bytes) {
    THandle file{CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.H == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.H, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
                           written != bytes.size()))
        return GetLastError() ? GetLastError() : ERROR_HANDLE_DISK_FULL;
    return FlushFileBuffers(file.H) ? ERROR_SUCCESS : GetLastError();
}

DWORD ReplaceTarget(const std::wstring& temp, const std::wstring& path) {
    DWORD error = ERROR_SUCCESS;
    for (int i = 0; i < kReplaceTries; ++i) {
        if (MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return ERROR_SUCCESS;
        error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
        Sleep(kReplacePauseMs);
    }
    return error;
}

}  // namespace

bool WriteFileAtomically(const std::wstring& path, const std::string& bytes, std::wstring& why) {
    // A file the user made read-only is not replaced, although a rename
    // over it would succeed on some systems.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        why = SystemErrorText(ERROR_ACCESS_DENIED);
        return false;
    }
    wchar_t temp[MAX_PATH + 1] = {};
    if (!GetTempFileNameW(FolderOf(path).c_str(), L"plv", 0, temp)) {
        why = SystemErrorText(GetLastError());
        return false;
    }
    DWORD error = WriteTemp(temp, bytes);
    if (error == ERROR_SUCCESS) error = ReplaceTarget(temp, path);
    if (error == ERROR_SUCCESS) return true;
    DeleteFileW(temp);
    why = SystemErrorText(error);
    return false;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes, std::wstring& why) {
    THandle f{CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (f.H == INVALID_HANDLE_VALUE) {
        why = SystemErrorText(GetLastError());
        return false;
    }
    bytes.clear();
    char buf[16384];
    DWORD got = 0;
    bool ok = true;
    while ((ok = ReadFile(f.H, buf, sizeof(buf), &got, nullptr) != FALSE) && got > 0) bytes.append(buf, got);
    if (!ok) why = SystemErrorText(GetLastError());
    return ok;
}
