#include "app/track_title.h"

#include <gtest/gtest.h>

TEST(TrackTitle, CutsAtTheRightmostSuffixInAnyCase) {
    EXPECT_EQ(TrackTitleFromCaption(L"3. Artist - Song - Winamp"), L"3. Artist - Song");
    EXPECT_EQ(TrackTitleFromCaption(L"3. Artist - Song - Winamp [Paused]"), L"3. Artist - Song");
    EXPECT_EQ(TrackTitleFromCaption(L"3. ARTIST - SONG - WINAMP"), L"3. ARTIST - SONG");
    EXPECT_EQ(TrackTitleFromCaption(L"1. Band - Winamp Song - Winamp"), L"1. Band - Winamp Song");
    EXPECT_EQ(TrackTitleFromCaption(L"7. Кино - Группа крови   - winamp [Stopped]"), L"7. Кино - Группа крови");
}

TEST(TrackTitle, NothingToCutGivesEmptyText) {
    EXPECT_EQ(TrackTitleFromCaption(L""), L"");
    EXPECT_EQ(TrackTitleFromCaption(L"Winamp"), L"");
    EXPECT_EQ(TrackTitleFromCaption(L"- Winam"), L"");
    EXPECT_EQ(TrackTitleFromCaption(L"- Winamp"), L"");
    EXPECT_EQ(TrackTitleFromCaption(L"   - Winamp"), L"");
    EXPECT_EQ(TrackTitleFromCaption(L"Artist -Winamp"), L"");
    // Only spaces go, not other blanks.
    EXPECT_EQ(TrackTitleFromCaption(L"Song\t - Winamp"), L"Song\t");
}
