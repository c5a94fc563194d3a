#include "app/track_title.h"

#include <algorithm>
#include <cwctype>

namespace {
constexpr wchar_t kSuffix[] = L"- Winamp";
constexpr size_t kSuffixLength = 8;

bool MatchesAt(const std::wstring& text, size_t pos) {
    for (size_t i = 0; i < kSuffixLength; ++i)
        if (std::towlower(text[pos + i]) != std::towlower(kSuffix[i])) return false;
    return true;
}
}  // namespace

std::wstring TrackTitleFromCaption(const std::wstring& caption) {
    if (caption.size() < kSuffixLength) return {};
    for (size_t pos = caption.size() - kSuffixLength + 1; pos-- > 0;) {
        if (!MatchesAt(caption, pos)) continue;
        std::wstring title = caption.substr(0, pos);
        while (!title.empty() && title.back() == L' ') title.pop_back();
        return title;
    }
    return {};
}

TCaptionSong SongFromCaption(const std::wstring& caption) {
    TCaptionSong song;
    std::wstring rest = TrackTitleFromCaption(caption);
    // The state stands after the player's name, in brackets.
    const std::wstring tail = caption.substr(std::min(caption.size(), rest.size()));
    song.Stopped = tail.find(L"[Stopped]") != std::wstring::npos;
    song.Paused = tail.find(L"[Paused]") != std::wstring::npos;
    size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= L'0' && rest[digits] <= L'9') ++digits;
    if (digits > 0 && digits < 10 && rest.compare(digits, 2, L". ") == 0) {
        song.Number = std::stoi(rest.substr(0, digits));
        rest.erase(0, digits + 2);
    }
    const size_t dash = rest.find(L" - ");
    if (dash == std::wstring::npos) {
        song.Title = rest;
        return song;
    }
    song.Artist = rest.substr(0, dash);
    song.Title = rest.substr(dash + 3);
    return song;
}
