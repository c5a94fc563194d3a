// The current song in a text file that other programs show (a broadcasting
// program's text source reads it again and again). Each write replaces the
// whole file at once, so a reader never finds half a line.
#pragma once

#include <functional>
#include <string>

struct TNowPlayingSong {
    std::wstring Artist, Title, Album;
    int Number = 0;          // in the list, 1-based; 0 when not known
    int LengthSeconds = -1;  // negative when not known
};

// The template with %artist%, %title%, %album%, %number% and %length%
// replaced; a field not known is empty. Other text stays as it is.
std::wstring FillNowPlaying(const std::wstring& Template, const TNowPlayingSong& Song);
// "m:ss", or "h:mm:ss" from an hour on.
std::wstring FormatDuration(int Seconds);

class TNowPlayingFile {
public:
    // True when the file holds the text (UTF-8) in full.
    bool Write(const std::wstring& Path, const std::wstring& Text);
    // Told once when writing starts failing; again only after a success or
    // with another file.
    std::function<void(const std::wstring& Path)> OnFailure;

private:
    bool FFailing = false;
    std::wstring FFailingPath;
};
