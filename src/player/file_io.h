// Small pieces of file access shared by the player link's readers.
#pragma once

#include <windows.h>

#include <string>

class TFileHandle {
public:
    explicit TFileHandle(HANDLE h = INVALID_HANDLE_VALUE) noexcept : FHandle(h) {}
    ~TFileHandle() {
        if (Valid()) CloseHandle(FHandle);
    }
    TFileHandle(const TFileHandle&) = delete;
    TFileHandle& operator=(const TFileHandle&) = delete;
    HANDLE Get() const noexcept { return FHandle; }
    void Reset(HANDLE h) noexcept {
        if (Valid()) CloseHandle(FHandle);
        FHandle = h;
    }
    bool Valid() const noexcept { return FHandle != INVALID_HANDLE_VALUE && FHandle != nullptr; }

private:
    HANDLE FHandle;
};

// True for an existing file that is not a folder. A name holding a zero
// character is no file: passed on, it would name another one.
bool IsExistingFile(const std::wstring& Name);

// Opens an existing file for reading while others may go on reading,
// writing, renaming or deleting it.
HANDLE OpenSharedForReading(const std::wstring& Name);

// Throws EPlovikError: What, the quoted file name and the system's text
// for the error code.
[[noreturn]] void ThrowFileError(const wchar_t* What, const std::wstring& Name, DWORD Code);
