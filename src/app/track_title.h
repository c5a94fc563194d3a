// The track as the player shows it in its window title.
#pragma once

#include <string>

// The title cut before the rightmost "- Winamp" (any letter case), with the
// blanks before it removed; empty when the title has no such part.
std::wstring TrackTitleFromCaption(const std::wstring& caption);

// What the caption tells of the song: "12. Artist - Title - Winamp [Paused]".
struct TCaptionSong {
    int Number = 0;  // 0 when the caption has no number
    std::wstring Artist, Title;
    bool Stopped = false, Paused = false;
};
TCaptionSong SongFromCaption(const std::wstring& caption);
