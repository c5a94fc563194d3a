// Audio files with and without tags, playlist files and installation
// entries that the player tests make for themselves.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "support/peer_player.h"

struct TTagSpec {
    TTagSpec() = default;
    TTagSpec(std::string title, std::string artist, std::string album = "", std::string year = "",
             std::string comment = "", unsigned char genre = 0)
        : Title(std::move(title)), Artist(std::move(artist)), Album(std::move(album)), Year(std::move(year)),
          Comment(std::move(comment)), Genre(genre) {}

    std::string Title, Artist, Album, Year, Comment;
    unsigned char Genre = 0;
    std::string Marker = "TAG";
};

// The 128 bytes of an ID3v1 tag, each field zero-filled after its text.
inline std::string TagBytes(const TTagSpec& t) {
    std::string tag(128, '\0');
    auto put = [&](size_t at, size_t size, const std::string& text) {
        memcpy(&tag[at], text.data(), std::min(size, text.size()));
    };
    put(0, 3, t.Marker);
    put(3, 30, t.Title);
    put(33, 30, t.Artist);
    put(63, 30, t.Album);
    put(93, 4, t.Year);
    put(97, 30, t.Comment);
    tag[127] = static_cast<char>(t.Genre);
    return tag;
}

// Some audio-like bytes followed by the tag.
inline std::wstring MakeTrack(const std::wstring& dir, const std::wstring& name, const std::string& tag,
                              size_t body = 2000) {
    const std::wstring path = dir + L"\\" + name;
    WriteFileBytes(path, std::string(body, '\x55') + tag);
    return path;
}

inline std::wstring MakeTaggedTrack(const std::wstring& dir, const std::wstring& name, const std::string& artist,
                                    const std::string& title = "Song") {
    TTagSpec t;
    t.Title = title;
    t.Artist = artist;
    t.Album = "Album";
    t.Year = "1999";
    t.Genre = 17;
    return MakeTrack(dir, name, TagBytes(t));
}

// Holds the player's installation entry in both registry views empty
// while it lives, whatever earlier tests or players left there.
class TUninstallEntry {
public:
    TUninstallEntry() { Clear(); }
    ~TUninstallEntry() { Clear(); }
    TUninstallEntry(const TUninstallEntry&) = delete;
    TUninstallEntry& operator=(const TUninstallEntry&) = delete;

    void Set(const std::wstring& value, bool view32 = false) {
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, nullptr, 0, KEY_WRITE | (view32 ? KEY_WOW64_32KEY : 0),
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
    }
    // An installation of the player in Folder, as its installer records it.
    void SetFolder(const std::wstring& folder) { Set(L"\"" + folder + L"\\UninstWA.exe\""); }

    void Clear() {
        for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{KEY_WOW64_32KEY}})
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, kKey, view, 0);
    }

private:
    static constexpr const wchar_t* kKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
};

// Holds a file open with no sharing, so nobody else can open it.
class TLockedFile {
public:
    explicit TLockedFile(const std::wstring& path)
        : FHandle(CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~TLockedFile() {
        if (FHandle != INVALID_HANDLE_VALUE) CloseHandle(FHandle);
    }
    TLockedFile(const TLockedFile&) = delete;
    TLockedFile& operator=(const TLockedFile&) = delete;
    bool Locked() const { return FHandle != INVALID_HANDLE_VALUE; }

private:
    HANDLE FHandle;
};

// Entries of a playlist file the stand-in player wrote (UTF-8, with the
// byte-order mark): every line that is neither blank nor a comment.
inline std::vector<std::string> PlaylistEntries(const std::wstring& path) {
    std::string text = ReadFileBytes(path);
    std::vector<std::string> out;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find_first_of("\r\n", at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        if (!line.empty() && line[0] != '#') out.push_back(line);
        at = end + 1;
    }
    return out;
}

inline std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return s;
}
