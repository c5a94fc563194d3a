// The track as the player shows it in its window title.
#pragma once

#include <string>

// The title cut before the rightmost "- Winamp" (any letter case), with the
// blanks before it removed; empty when the title has no such part.
std::wstring TrackTitleFromCaption(const std::wstring& caption);
