#include "app/track_title.h"

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
