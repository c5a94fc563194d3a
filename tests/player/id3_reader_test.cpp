#include "player/id3_reader.h"

#include <gtest/gtest.h>

#include <cstring>

#include "desktop/application.h"
#include "player_fixtures.h"

namespace {

class ID3ReaderTest : public ::testing::Test {
protected:
    std::wstring dir = MakeTempDir(L"id3");

    // Reads into a record that holds another tag first, so that a reset
    // that does not happen shows.
    bool Read(const std::wstring& path) {
        TTagSpec old;
        old.Artist = "Leftover";
        const std::string bytes = TagBytes(old);
        memcpy(&tag, bytes.data(), sizeof tag);
        return GetID3Info(path, tag);
    }

    static void ExpectReset(const TID3Rec& t) {
        EXPECT_EQ(std::string(t.Marker, 3), std::string("NO\0", 3));
        for (const std::string& field : {ID3FieldText(t.Title), ID3FieldText(t.Artist), ID3FieldText(t.Album),
                                         ID3FieldText(t.Year), ID3FieldText(t.Comment)})
            EXPECT_EQ(field, "");
        EXPECT_EQ(t.Genre, 126);
        EXPECT_EQ(ID3GenreName(t), L"");
    }

    TID3Rec tag{};
};

}  // namespace

TEST_F(ID3ReaderTest, ReadsEveryFieldOfATag) {
    TTagSpec t{"Title", "Artist", "Album", "2001", "A comment", 17};
    ASSERT_TRUE(Read(MakeTrack(dir, L"a.mp3", TagBytes(t))));
    EXPECT_EQ(std::string(tag.Marker, 3), "TAG");
    EXPECT_EQ(ID3FieldText(tag.Title), "Title");
    EXPECT_EQ(ID3FieldText(tag.Artist), "Artist");
    EXPECT_EQ(ID3FieldText(tag.Album), "Album");
    EXPECT_EQ(ID3FieldText(tag.Year), "2001");
    EXPECT_EQ(ID3FieldText(tag.Comment), "A comment");
    EXPECT_EQ(ID3GenreName(tag), L"Rock");

    // Only the last 128 bytes count: a tag further up is audio data.
    TTagSpec inner{"Inner", "Inner"};
    ASSERT_FALSE(Read(MakeTrack(dir, L"inner.mp3", TagBytes(inner) + std::string(300, 'x'))));
    ExpectReset(tag);
}

TEST_F(ID3ReaderTest, GenreBytesAboveTheTableReadAsNoGenre) {
    struct Case {
        unsigned char Byte;
        unsigned char Genre;
        const wchar_t* Name;
    } cases[] = {{0, 0, L"Blues"},       {17, 17, L"Rock"},      {79, 79, L"HardRock"}, {80, 80, L"Folk"},
                 {125, 125, L"DanceHall"}, {126, 126, L""},       {127, 126, L""},       {200, 126, L""},
                 {255, 126, L""}};
    for (const Case& c : cases) {
        TTagSpec t;
        t.Genre = c.Byte;
        ASSERT_TRUE(Read(MakeTrack(dir, L"g.mp3", TagBytes(t)))) << int(c.Byte);
        EXPECT_EQ(tag.Genre, c.Genre) << int(c.Byte);
        EXPECT_EQ(ID3GenreName(tag), c.Name) << int(c.Byte);
    }
    EXPECT_EQ(GenreStr.size(), 127u);
    for (const wchar_t* name : GenreStr) ASSERT_NE(name, nullptr);
    EXPECT_STREQ(GenreStr[126], L"NO DATA");
}

TEST_F(ID3ReaderTest, FieldTextsEndAtTheFirstZeroAndKeepBlanks) {
    std::string bytes = TagBytes({});
    memcpy(&bytes[33], "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234", 30);  // artist: 30 letters, no zero
    memcpy(&bytes[3], "Abc                           ", 30);  // title: blank-filled
    memcpy(&bytes[97], "Comment of twenty-eight char", 28);  // comment of the 1.1 form
    bytes[97 + 28] = '\0';
    bytes[97 + 29] = 7;  // track number
    memcpy(&bytes[93], "19", 2);  // year: two digits, then zeros
    ASSERT_TRUE(Read(MakeTrack(dir, L"f.mp3", bytes)));
    EXPECT_EQ(ID3FieldText(tag.Artist), "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
    EXPECT_EQ(ID3FieldText(tag.Title), "Abc                           ");
    EXPECT_EQ(ID3FieldText(tag.Comment), "Comment of twenty-eight char");
    EXPECT_EQ(ID3FieldText(tag.Year), "19");
    // Bytes above 127 stay as they are: they are text in the 8-bit code page.
    memcpy(&bytes[63], "Caf\xE9", 4);
    ASSERT_TRUE(Read(MakeTrack(dir, L"f2.mp3", bytes)));
    EXPECT_EQ(ID3FieldText(tag.Album), "Caf\xE9");
}

TEST_F(ID3ReaderTest, FilesWithoutATagGiveFalseAndTheResetState) {
    EXPECT_FALSE(Read(dir + L"\\missing.mp3"));
    ExpectReset(tag);
    EXPECT_FALSE(Read(MakeTrack(dir, L"empty.mp3", "", 0)));
    ExpectReset(tag);
    // 1 to 127 bytes, even when they begin with the marker.
    for (size_t n = 1; n < 128; ++n) {
        ASSERT_FALSE(Read(MakeTrack(dir, L"short.mp3", TagBytes({}).substr(0, n), 0))) << n;
        ExpectReset(tag);
    }
    TTagSpec lower{"Title", "Artist"};
    lower.Marker = "tag";
    EXPECT_FALSE(Read(MakeTrack(dir, L"lower.mp3", TagBytes(lower))));
    ExpectReset(tag);
    // A folder where a file was expected, and names that are no file.
    const std::wstring folder = dir + L"\\folder.mp3";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_FALSE(Read(folder));
    ExpectReset(tag);
    EXPECT_FALSE(Read(L""));
    ExpectReset(tag);
    const std::wstring tagged = MakeTrack(dir, L"t.mp3", TagBytes({"T", "A"}));
    EXPECT_FALSE(Read(dir + std::wstring(1, L'\0') + L"\\t.mp3")) << "a zero character cuts the name short";
    EXPECT_FALSE(Read(std::wstring(100000, L'x')));
    ExpectReset(tag);
    EXPECT_TRUE(Read(tagged));
}

TEST_F(ID3ReaderTest, ATagOfExactly128BytesIsATag) {
    ASSERT_TRUE(Read(MakeTrack(dir, L"only.mp3", TagBytes({"Only", "Tag"}), 0)));
    EXPECT_EQ(ID3FieldText(tag.Title), "Only");
}

TEST_F(ID3ReaderTest, AFileLockedAgainstReadingRaisesAnOpenError) {
    const std::wstring path = MakeTrack(dir, L"locked.mp3", TagBytes({"T", "A"}));
    TLockedFile lock(path);
    ASSERT_TRUE(lock.Locked());
    try {
        Read(path);
        FAIL() << "no error";
    } catch (const EPlovikError& e) {
        EXPECT_NE(e.Message().find(L"Cannot open file \"" + path + L"\""), std::wstring::npos) << WideToUtf8(e.Message());
    }
    ExpectReset(tag);
}

TEST_F(ID3ReaderTest, ReadsWhileAnotherProgramWritesTheFile) {
    const std::wstring path = MakeTrack(dir, L"shared.mp3", TagBytes({"Shared", "Artist"}));
    HANDLE writer = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Read(path));
    EXPECT_EQ(ID3FieldText(tag.Title), "Shared");
    // The reader never holds the file: the writer can still write and
    // others can still open it exclusively once the writer is done.
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(writer, "x", 1, &written, nullptr));
    CloseHandle(writer);
    TLockedFile exclusive(path);
    EXPECT_TRUE(exclusive.Locked());
}
