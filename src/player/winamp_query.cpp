#include "player/winamp_query.h"

#include <windows.h>

#include <cstdint>
#include <optional>
#include <utility>

#include "desktop/application.h"
#include "player/file_io.h"
#include "player/id3_reader.h"
#include "player/player_memory.h"
#include "player/player_window.h"
#include "player/playlist_reader.h"
#include "player/winamp_api.h"

namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp";
const wchar_t kUninstallValue[] = L"UninstallString";
const wchar_t kPlaylistUtf8[] = L"winamp.m3u8";
const wchar_t kPlaylistAnsi[] = L"winamp.m3u";

HWND Player() { return FindPlayerWindow(wa::kWindowClass); }

// A 32-bit player's answer reaches a 64-bit program sign-extended: only the
// low 32 bits are the player's.
int Low32(LRESULT answer) { return static_cast<int>(static_cast<std::uint32_t>(answer)); }

LRESULT Request(WPARAM wp, LPARAM code) { return PlayerSend(Player(), WM_USER, wp, code); }
int RequestInt(WPARAM wp, LPARAM code) { return Low32(Request(wp, code)); }
WPARAM IntParam(int value) { return static_cast<WPARAM>(static_cast<INT_PTR>(value)); }

void Post(WPARAM command) {
    // Posting to no window would post to this thread instead.
    if (HWND wnd = Player()) PostMessageW(wnd, WM_COMMAND, command, 0);
}

// ---- the installation folder ------------------------------------------------

// Upper case (ASCII letters only), no opening quote, cut after the last
// backslash; nothing when there is no backslash.
std::wstring FolderOf(std::wstring path) {
    for (wchar_t& c : path)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    if (!path.empty() && path.front() == L'"') path.erase(0, 1);
    const size_t slash = path.rfind(L'\\');
    if (slash == std::wstring::npos) return {};
    path.resize(slash + 1);
    return path;
}

// Reading needs no more than the right to read: an ordinary user may not
// open the local-machine key for anything else.
std::optional<std::wstring> UninstallString(REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_QUERY_VALUE | view, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::wstring value;
    DWORD bytes = 0;
    LSTATUS rc = RegGetValueW(key, nullptr, kUninstallValue, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                              nullptr, nullptr, &bytes);
    if (rc == ERROR_SUCCESS && bytes > 0) {
        value.assign(bytes / sizeof(wchar_t) + 1, L'\0');
        bytes = static_cast<DWORD>(value.size() * sizeof(wchar_t));
        rc = RegGetValueW(key, nullptr, kUninstallValue, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                          nullptr, value.data(), &bytes);
        value.resize(rc == ERROR_SUCCESS ? wcsnlen(value.c_str(), value.size()) : 0);
    }
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) return std::nullopt;
    return value;
}

// ---- the playlist file ----------------------------------------------------

// Directory text as the player answers it, with the closing backslash.
std::wstring AsFolder(std::wstring dir) {
    if (!dir.empty() && dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    return dir;
}

struct TPlaylistFile {
    TFileHandle File;
    std::wstring Name;
    bool Utf8 = false;
};

// Asks the player for a fresh playlist, then opens its UTF-8 form, or the
// 8-bit one when that is all there is. False when no folder is known or
// no file can be opened: the current folder is never guessed.
bool OpenPlayList(TPlaylistFile& list) {
    WA_WritePlayList();
    const std::wstring dir = WA_PlayListDir();
    if (dir.empty()) return false;
    for (const auto& [name, utf8] : {std::pair{kPlaylistUtf8, true}, std::pair{kPlaylistAnsi, false}}) {
        const std::wstring path = dir + name;
        if (!IsExistingFile(path)) continue;
        HANDLE h = OpenSharedForReading(path);
        if (h == INVALID_HANDLE_VALUE) return false;
        list.File.Reset(h);
        list.Name = path;
        list.Utf8 = utf8;
        return true;
    }
    return false;
}

TPlaylistReader::TSource SourceOf(const TPlaylistFile& list) {
    return [&list](char* buffer, std::size_t size) -> std::size_t {
        DWORD got = 0;
        if (!ReadFile(list.File.Get(), buffer, static_cast<DWORD>(size), &got, nullptr))
            ThrowFileError(L"Cannot read file", list.Name, GetLastError());
        return got;
    };
}

// An entry's file name; empty when the line cannot name a file.
std::wstring EntryName(const std::string& line, bool utf8) {
    if (line.find('\0') != std::string::npos) return {};
    return utf8 ? Utf8ToWide(line) : AnsiToWide(line);
}

std::string ArtistOf(const std::wstring& fileName) {
    TID3Rec tag;
    GetID3Info(fileName, tag);
    return ID3FieldText(tag.Artist);
}

}  // namespace

// ---- requests and commands ----------------------------------------------------

bool WA_IsRunning() { return RequestInt(0, wa::kIpcGetVersion) != 0; }
int WA_Version() { return RequestInt(0, wa::kIpcGetVersion); }

void WA_Visible(bool Show) {
    if (HWND wnd = Player()) ShowWindowAsync(wnd, Show ? wa::kShowPlayer : wa::kHidePlayer);
}

bool WA_IsVisible() {
    HWND wnd = Player();
    return wnd && IsWindowVisible(wnd);
}

void WA_Close() { Post(wa::kCmdQuit); }
int WA_TrackLength() { return RequestInt(1, wa::kIpcGetOutputTime); }
int WA_TrackPos() { return RequestInt(0, wa::kIpcGetOutputTime); }
void WA_SetTrackPos(int Ms) { Request(IntParam(Ms), wa::kIpcJumpToTime); }
void WA_WritePlayList() { Request(0, wa::kIpcWritePlaylist); }
int WA_PlayState() { return RequestInt(0, wa::kIpcIsPlaying); }
int WA_CurrentTrackNo() { return RequestInt(0, wa::kIpcGetListPos) + 1; }
int WA_NoOfTracksLoaded() { return RequestInt(0, wa::kIpcGetListLength); }
void WA_Stop() { Post(wa::kCmdStop); }
void WA_PrevTrack() { Post(wa::kCmdPrev); }
void WA_NextTrack() { Post(wa::kCmdNext); }
void WA_SeekBack() { Post(wa::kCmdRewind5s); }
void WA_SeekForward() { Post(wa::kCmdForward5s); }
void WA_SetPlaySequence(int Value) { Request(IntParam(Value), wa::kIpcSetShuffle); }
int WA_PlaySequence() { return RequestInt(0, wa::kIpcGetShuffle); }

void WA_Play() {
    TPlayerRound round;
    if (WA_NoOfTracksLoaded() <= 0) return;
    switch (WA_PlayState()) {
        case wa::kStateStopped: Post(wa::kCmdPlay); break;
        case wa::kStatePaused: Post(wa::kCmdPause); break;  // the pause toggle resumes
        default: break;
    }
}

void WA_Pause() {
    if (WA_PlayState() == wa::kStatePlaying) Post(wa::kCmdPause);
}

// The stop is sent, not posted: a posted stop may reach the player after
// the requests that follow, and would then stop the track just started.
void WA_PlayTrack(int N) {
    TPlayerRound round;
    PlayerSend(Player(), WM_COMMAND, wa::kCmdStop, 0);
    Request(IntParam(N - 1), wa::kIpcSetPlaylistPos);
    WA_Play();
}

// ---- folders ------------------------------------------------------------------

std::wstring WinAmpDir() {
    // The 32-bit player's installer writes to the 32-bit view of the key.
    for (REGSAM view : {REGSAM{0}, REGSAM{KEY_WOW64_32KEY}}) {
        if (auto value = UninstallString(view)) {
            std::wstring dir = FolderOf(*value);
            if (!dir.empty()) return dir;
        }
    }
    return FolderOf(WindowProgramPath(Player()));
}

std::wstring WA_PlayListDir() {
    if (HWND wnd = Player()) {
        std::wstring wide;
        if (ReadPlayerTextW(wnd, PlayerSend(wnd, WM_USER, 0, wa::kIpcGetM3uDirectoryW), wide) && !wide.empty())
            return AsFolder(wide);
        std::string ansi;
        if (ReadPlayerTextA(wnd, PlayerSend(wnd, WM_USER, 0, wa::kIpcGetM3uDirectory), ansi) && !ansi.empty())
            return AsFolder(AnsiToWide(ansi));
    }
    return WinAmpDir();
}

// ---- playlist entries ---------------------------------------------------------

bool WA_GetTrackFileName(int N, std::wstring& FileName) {
    TPlaylistFile list;
    if (!OpenPlayList(list)) return false;
    TPlaylistReader reader(SourceOf(list));
    std::string line;
    if (!reader.SkipTo(N, line)) return false;
    if (N == 0) {
        FileName.clear();
        return true;
    }
    std::wstring name = EntryName(line, list.Utf8);
    if (name.empty()) return false;
    FileName = std::move(name);
    return true;
}

bool WA_AskTrackFileName(int N, std::wstring& FileName) {
    HWND wnd = Player();
    if (!wnd || N < 1) return false;
    const WPARAM index = IntParam(N - 1);
    std::wstring wide;
    if (ReadPlayerTextW(wnd, PlayerSend(wnd, WM_USER, index, wa::kIpcGetPlaylistFileW), wide) && !wide.empty()) {
        FileName = std::move(wide);
        return true;
    }
    std::string ansi;
    if (ReadPlayerTextA(wnd, PlayerSend(wnd, WM_USER, index, wa::kIpcGetPlaylistFile), ansi) && !ansi.empty()) {
        FileName = AnsiToWide(ansi);
        return true;
    }
    return false;
}

bool WA_FindTrackFileName(int N, std::wstring& FileName) {
    return WA_AskTrackFileName(N, FileName) || WA_GetTrackFileName(N, FileName);
}

bool WA_NextArtist() {
    TPlayerRound round;
    const int current = WA_CurrentTrackNo();
    // Guessed numbers would skip from some other entry.
    if (WA_NoOfTracksLoaded() <= current || round.GaveUp()) return false;
    int found = 0;
    {
        TPlaylistFile list;
        if (!OpenPlayList(list)) return false;
        TPlaylistReader reader(SourceOf(list));
        std::string line;
        if (!reader.SkipTo(current, line)) return false;
        const std::string artist = ArtistOf(EntryName(line, list.Utf8));
        for (int i = current; reader.ReadLine(line);) {
            if (TPlaylistReader::IsComment(line)) continue;
            ++i;
            if (ArtistOf(EntryName(line, list.Utf8)) != artist) {
                found = i;
                break;
            }
        }
    }  // the list file is closed before the player is told anything
    if (found == 0) return false;
    WA_PlayTrack(found);
    return true;
}
