#include "player/file_tail.h"

#include "player/file_io.h"

TFileTail ReadFileTail(const std::wstring& FileName, unsigned char* Buffer, std::size_t Size) {
    if (!IsExistingFile(FileName)) return TFileTail::NoFile;
    TFileHandle f(OpenSharedForReading(FileName));
    if (!f.Valid()) ThrowFileError(L"Cannot open file", FileName, GetLastError());
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(f.Get(), &size)) ThrowFileError(L"Cannot read file", FileName, GetLastError());
    if (size.QuadPart < static_cast<LONGLONG>(Size)) return TFileTail::TooShort;
    LARGE_INTEGER at{};
    at.QuadPart = size.QuadPart - static_cast<LONGLONG>(Size);
    if (!SetFilePointerEx(f.Get(), at, nullptr, FILE_BEGIN))
        ThrowFileError(L"Cannot read file", FileName, GetLastError());
    DWORD got = 0;
    if (!ReadFile(f.Get(), Buffer, static_cast<DWORD>(Size), &got, nullptr))
        ThrowFileError(L"Cannot read file", FileName, GetLastError());
    // The file shrank between taking its size and reading: no whole tag.
    if (got != Size) return TFileTail::TooShort;
    return TFileTail::Read;
}
