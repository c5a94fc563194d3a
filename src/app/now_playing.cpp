#include "app/now_playing.h"

#include <windows.h>

#include <string>

#include "desktop/application.h"
#include "desktop/atomic_file.h"

namespace {

void ReplaceAll(std::wstring& text, const std::wstring& field, const std::wstring& value) {
    for (size_t at = text.find(field); at != std::wstring::npos; at = text.find(field, at + value.size()))
        text.replace(at, field.size(), value);
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
    std::wstring why;
    if (WriteFileAtomically(Path, WideToUtf8(Text), why)) {
        FFailing = false;
        return true;
    }
    if (FFailing && FFailingPath == Path) return false;
    FFailing = true;
    FFailingPath = Path;
    if (OnFailure) OnFailure(Path);
    return false;
}
