#include "app/now_playing.h"

#include <windows.h>

#include <string>

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& field, const std::wstring& value) {
    for (size_t at = text.find(field); at != std::wstring::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

struct THandle {
    HANDLE H;
    ~THandle() {
        if (H != INVALID_HANDLE_VALUE) CloseHandle(H);
    }
};

// The new content goes to a file of its own beside the target, on disk
// before it takes the target's name.
bool WriteTemp(const std::wstring& temp, const std::string& bytes) {
    THandle file{CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.H == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    if (!bytes.empty() &&
        (!WriteFile(file.H, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
         written != bytes.size()))
        return false;
    return FlushFileBuffers(file.H) != FALSE;
}

// A reader that has the file open without sharing its deletion (C's fopen,
// and so most programs that poll a text file) keeps the name from being
// taken for the moment of its read: the replace is tried again for a
// little while, which such a read never outlasts.
bool ReplaceTarget(const wchar_t* temp, const std::wstring& path) {
    constexpr int kTries = 50;
    constexpr DWORD kPauseMs = 5;
    for (int i = 0; i < kTries; ++i) {
        if (MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) return false;
        Sleep(kPauseMs);
    }
    return false;
}

}  // namespace

std::wstring FormatDuration(int Seconds) {
    if (Seconds < 0) return {};
    const int h = Seconds / 3600, m = Seconds / 60 % 60, s = Seconds % 60;
    const auto two = [](int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    return h ? std::to_wstring(h) + L":" + two(m) + L":" + two(s) : std::to_wstring(m) + L":" + two(s);
}

std::wstring FillNowPlaying(const std::wstring& Template, const TNowPlayingSong& Song) {
    std::wstring text = Template;
    ReplaceAll(text, L"%artist%", Song.Artist);
    ReplaceAll(text, L"%title%", Song.Title);
    ReplaceAll(text, L"%album%", Song.Album);
    ReplaceAll(text, L"%number%", Song.Number > 0 ? std::to_wstring(Song.Number) : std::wstring());
    ReplaceAll(text, L"%length%", FormatDuration(Song.LengthSeconds));
    return text;
}

bool TNowPlayingFile::Write(const std::wstring& Path, const std::wstring& Text) {
    wchar_t temp[MAX_PATH + 1] = {};
    bool done = GetTempFileNameW(FolderOf(Path).c_str(), L"plv", 0, temp) != 0;
    if (done) {
        done = WriteTemp(temp, Utf8(Text)) && ReplaceTarget(temp, Path);
        if (!done) DeleteFileW(temp);
    }
    if (done) {
        FFailing = false;
        return true;
    }
    if (FFailing && FFailingPath == Path) return false;
    FFailing = true;
    FFailingPath = Path;
    if (OnFailure) OnFailure(Path);
    return false;
}
