#include "player/playlist_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// Serves a text in pieces of at most Piece bytes, as a file read would.
TPlaylistReader::TSource Serve(std::string text, size_t piece = 1 << 20) {
    auto at = std::make_shared<size_t>(0);
    auto data = std::make_shared<std::string>(std::move(text));
    return [=](char* buffer, size_t size) {
        const size_t n = std::min({size, piece, data->size() - *at});
        memcpy(buffer, data->data() + *at, n);
        *at += n;
        return n;
    };
}

std::vector<std::string> AllLines(const std::string& text, size_t piece = 1 << 20) {
    TPlaylistReader r(Serve(text, piece));
    std::vector<std::string> out;
    std::string line;
    while (r.ReadLine(line)) out.push_back(line);
    return out;
}

bool Entry(const std::string& text, int n, std::string& entry) {
    TPlaylistReader r(Serve(text));
    return r.SkipTo(n, entry);
}

}  // namespace

TEST(PlaylistReader, CommentsDoNotCountAndEntriesCountFromOne) {
    const std::string list = "#EXTM3U\r\n#EXTINF:200,Artist - Title\r\nC:\\music\\one.mp3\r\n";
    std::string e = "untouched";
    ASSERT_TRUE(Entry(list, 1, e));
    EXPECT_EQ(e, "C:\\music\\one.mp3");
    e = "untouched";
    EXPECT_FALSE(Entry(list, 2, e));
    EXPECT_EQ(e, "untouched");
    EXPECT_TRUE(Entry(list, 0, e));
    EXPECT_EQ(e, "");
    EXPECT_FALSE(Entry(list, -1, e));
    EXPECT_FALSE(Entry("", 1, e));
    EXPECT_FALSE(Entry("#only a comment", 1, e));
}

TEST(PlaylistReader, BlanksControlCharactersAndLineEndsAreSkipped) {
    const std::string list = std::string("\r\n\r\n  \tC:\\a.mp3  \n\n\n\x01\x1F C:\\b.mp3\rC:\\c.mp3\r\n") +
                             std::string("\0\0C:\\d.mp3", 10) + "\n   \t  \r\n#x\n  #indented comment\nC:\\e.mp3";
    EXPECT_EQ(AllLines(list), (std::vector<std::string>{"C:\\a.mp3  ", "C:\\b.mp3", "C:\\c.mp3", "C:\\d.mp3", "#x",
                                                       "#indented comment", "C:\\e.mp3"}));
    std::string e;
    ASSERT_TRUE(Entry(list, 5, e));
    EXPECT_EQ(e, "C:\\e.mp3") << "comments, even indented ones, are not entries";
    // A zero byte inside a line stays part of it; the caller decides.
    EXPECT_EQ(AllLines(std::string("C:\\a\0b.mp3\nC:\\c.mp3", 19)),
              (std::vector<std::string>{std::string("C:\\a\0b.mp3", 10), "C:\\c.mp3"}));
}

TEST(PlaylistReader, AByteOrderMarkOpensTheFileButIsNoEntry) {
    const std::string list = "\xEF\xBB\xBF#EXTM3U\r\nC:\\\xD0\xB6.mp3\r\n";
    std::string e;
    ASSERT_TRUE(Entry(list, 1, e));
    EXPECT_EQ(e, "C:\\\xD0\xB6.mp3");
    EXPECT_FALSE(Entry(list, 2, e));
    // Only at the very start: further down the bytes are part of a line.
    EXPECT_EQ(AllLines("a\n\xEF\xBB\xBF" "b"), (std::vector<std::string>{"a", "\xEF\xBB\xBF" "b"}));
    EXPECT_EQ(AllLines("\xEF\xBB\xBF"), std::vector<std::string>{});
    EXPECT_EQ(AllLines("\xEF\xBB"), std::vector<std::string>{"\xEF\xBB"});
}

TEST(PlaylistReader, PiecesOfAnySizeReadAlike) {
    std::string list = "\xEF\xBB\xBF#EXTM3U\r\n";
    for (int i = 0; i < 50; ++i)
        list += "#EXTINF:" + std::to_string(i) + ",x\r\n" + std::string(static_cast<size_t>(i * 37), 'p') + "\\" +
                std::to_string(i) + ".mp3\r\n\r\n";
    const auto whole = AllLines(list);
    ASSERT_EQ(whole.size(), 101u);
    for (size_t piece : {1, 2, 3, 7, 64, 4096}) EXPECT_EQ(AllLines(list, piece), whole) << piece;
}

TEST(PlaylistReader, VeryLongLinesAreReadWhole) {
    const std::string longName = "C:\\" + std::string(100000, 'n') + ".mp3";
    const std::string list = "#EXTM3U\n" + longName + "\nC:\\after.mp3\n";
    std::string e;
    ASSERT_TRUE(Entry(list, 1, e));
    EXPECT_EQ(e, longName);
    ASSERT_TRUE(Entry(list, 2, e));
    EXPECT_EQ(e, "C:\\after.mp3");
}

TEST(PlaylistReader, ReadErrorsReachTheCaller) {
    int calls = 0;
    TPlaylistReader r([&](char* buffer, size_t) -> size_t {
        if (++calls > 1) throw std::runtime_error("read failed");
        memcpy(buffer, "C:\\a.mp3\nC:\\b", 13);
        return 13;
    });
    std::string line;
    ASSERT_TRUE(r.ReadLine(line));
    EXPECT_EQ(line, "C:\\a.mp3");
    EXPECT_THROW(r.ReadLine(line), std::runtime_error);
}
