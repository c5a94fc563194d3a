// What plays, on the display and in the now-playing file: each template
// field after a change of song, the file emptied when the player stops or
// goes, a reader that never finds half a file, one message for a folder
// that cannot be written, and a display that does not wait on a hung player.
#include "app_fixture.h"

#include <atomic>
#include <set>
#include <thread>

#include "player/player_fixtures.h"
#include "player/winamp_query.h"

namespace {

class ShowSongTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        dir = MakeTempDir(L"nowplaying");
        const std::wstring tagged = MakeTrack(dir, L"track1.mp3", TagBytes(TTagSpec("Title One", "Artist One", "Album One")));
        const std::wstring plain = MakeTrack(dir, L"Plain Artist - Plain Song.mp3", "");
        peer = std::make_unique<TPeerPlayer>(
            false, std::vector<std::wstring>{L"--file", tagged, L"--file", plain, L"--length", L"225", L"--play"});
        ASSERT_TRUE(peer->Started());
        file = dir + L"\\now playing.txt";
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
    }
    TForm1& StartWritingTo(const std::wstring& path) {
        TForm1& f = StartWithoutWindow();
        f.Settings.Options[optNowPlaying] = true;
        f.Settings.NowPlayingFile = path;
        return f;
    }
    std::string Content() const { return ReadFileBytes(file); }

    std::wstring dir, file;
    std::unique_ptr<TPeerPlayer> peer;
};

}  // namespace

// Each row moves to the other entry, so that every row is a change of song.
TEST_F(ShowSongTest, TheFileHoldsTheSongInTheTemplateAfterEachChange) {
    struct TRow {
        const wchar_t* Template;
        int Entry;
        const char* Expected;  // UTF-8
    };
    const TRow rows[] = {
        {L"%artist% - %title%", 1, "Plain Artist - Plain Song"},  // no tag: the player's title
        {L"%artist% - %title%", 0, "Artist One - Title One"},     // the tag
        {L"%number%. %title%", 1, "2. Plain Song"},
        {L"%album% (%length%)", 0, "Album One (3:45)"},
        {L"%artist%|%album%|%number%", 1, "Plain Artist||2"},
        {L"Сейчас: %title% %title%", 0, "\xD0\xA1\xD0\xB5\xD0\xB9\xD1\x87\xD0\xB0\xD1\x81: Title One Title One"},
    };
    TForm1& f = StartWritingTo(file);
    ASSERT_TRUE(WaitFor([&] { return Content() == "Artist One - Title One"; })) << Content();
    for (const TRow& row : rows) {
        f.Settings.NowPlayingTemplate = row.Template;
        ASSERT_TRUE(peer->ForceEntry(row.Entry));
        EXPECT_TRUE(WaitFor([&] { return Content() == row.Expected; })) << row.Expected << " / " << Content();
    }
}

TEST_F(ShowSongTest, TheFileIsEmptiedWhenThePlayerStopsOrGoesAndFilledWhenItPlaysAgain) {
    TForm1& f = StartWritingTo(file);
    ASSERT_TRUE(WaitFor([&] { return Content() == "Artist One - Title One"; }));
    f.HotKeyPressed(8);
    EXPECT_EQ(Content(), "");
    f.HotKeyPressed(6);
    EXPECT_EQ(Content(), "Artist One - Title One");
    ASSERT_TRUE(peer->ForceEntry(1));
    ASSERT_TRUE(WaitFor([&] { return Content() == "Plain Artist - Plain Song"; }));
    // Going from the first entry, the player's end changes no entry number.
    ASSERT_TRUE(peer->ForceEntry(0));
    ASSERT_TRUE(WaitFor([&] { return Content() == "Artist One - Title One"; }));
    peer.reset();
    EXPECT_TRUE(WaitFor([&] { return Content().empty(); })) << Content();
}

// Chosen in the window: the file names the song at once, and the choice is kept.
TEST_F(ShowSongTest, TheFileChosenInTheWindowIsWrittenAtOnceAndKept) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[optNowPlaying], true);
    openDialogAnswer = file;
    SendMessageW(f.NowPlayingButton, BM_CLICK, 0, 0);
    EXPECT_EQ(openDialogRuns, 1);
    EXPECT_EQ(Content(), "Artist One - Title One");
    f.SaveSettings();
    Restart();
    EXPECT_EQ(Form().Settings.NowPlayingFile, file);
    EXPECT_TRUE(Form().Checked(Form().CheckBox[optNowPlaying]));
}

// The reader opens the file as C's fopen does (no sharing of deletion), the
// way a broadcasting program reads its text source.
TEST_F(ShowSongTest, AReaderPollingTheFileNeverFindsAPartOfIt) {
    const std::wstring longText(2000, L'ж');
    const std::wstring shortText = L"Artist - Title";
    const std::set<std::string> whole = {AppTest::Utf8(longText), AppTest::Utf8(shortText)};
    TNowPlayingFile writer;
    int failures = 0;
    writer.OnFailure = [&](const std::wstring&) { ++failures; };
    ASSERT_TRUE(writer.Write(file, shortText));
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, partial{0};
    std::thread reader([&] {
        while (!done) {
            HANDLE h = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            std::string bytes(8192, '\0');
            DWORD got = 0;
            ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
            CloseHandle(h);
            bytes.resize(got);
            ++reads;
            if (!whole.count(bytes)) ++partial;
            Sleep(1);  // as often as a reader that polls at all
        }
    });
    int written = 0;
    for (int i = 0; i < 400; ++i) written += writer.Write(file, i % 2 ? longText : shortText) ? 1 : 0;
    done = true;
    reader.join();
    EXPECT_EQ(written, 400);
    EXPECT_EQ(failures, 0);
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(partial.load(), 0) << "of " << reads.load() << " reads";
    // Nothing of the writes is left beside the file.
    WIN32_FIND_DATAW found{};
    int files = 0;
    HANDLE find = FindFirstFileW((dir + L"\\*.tmp").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do ++files;
        while (FindNextFileW(find, &found));
        FindClose(find);
    }
    EXPECT_EQ(files, 0);
}

TEST_F(ShowSongTest, AFolderThatCannotBeWrittenGivesOneMessageAndNothingElseStops) {
    const std::wstring folder = dir + L"\\not yet";
    file = folder + L"\\now.txt";
    TForm1& f = StartWritingTo(file);
    f.Settings.Options[optTrackHint] = true;
    const auto balloon = [&] { return std::wstring(f.TrayIcon->IconData().szInfo); };
    for (int entry : {1, 0, 1}) {
        ASSERT_TRUE(peer->ForceEntry(entry));
        // The song's balloon still comes.
        EXPECT_TRUE(WaitFor([&] { return balloon().find(entry ? L"Plain Song" : L"Title One") != std::wstring::npos; }));
    }
    ASSERT_TRUE(WaitFor([&] { return !asked.empty(); }));
    WaitFor([] { return false; }, 300);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].Text.find(file), std::wstring::npos) << WideToUtf8(asked[0].Text);
    // Once the folder is there, the next song is written.
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(peer->ForceEntry(0));
    EXPECT_TRUE(WaitFor([&] { return Content() == "Artist One - Title One"; }));
    EXPECT_EQ(asked.size(), 1u);
}

// Each key's display after its command, in the order the rows run (the
// player's state goes on from row to row).
TEST_F(ShowSongTest, EachKeyShowsWhatItChanged) {
    TForm1& f = StartWithoutWindow();
    f.Settings.Options[optOsdKeys] = true;
    const auto setPos = [] { WA_SetTrackPos(60000); };
    const auto volume = [&f](std::uint8_t v) { return [&f, v] { f.wControl.SetVolume(v); }; };
    struct TRow {
        int Action;
        std::function<void()> Before;
        std::wstring Shown;
    };
    const TRow rows[] = {
        {17, nullptr, L"Повтор: вкл."},
        {16, nullptr, L"Случайный выбор: вкл."},
        {7, nullptr, L"Пауза"},
        {13, setPos, L"Позиция: 1:05 / 3:45"},
        {14, nullptr, L"Позиция: 1:00 / 3:45"},
        {33, nullptr, L"Играет"},
        {11, volume(255), L"Громкость: 100%"},
        {12, volume(0), L"Громкость: 0%"},
        {8, nullptr, L"Стоп"},
        {28, nullptr, L"Стоп: 1. Artist One - Title One (3:45)"},
        {5, nullptr, L"Горячие клавиши выключены"},
        {5, nullptr, L"Горячие клавиши включены"},
    };
    for (const TRow& row : rows) {
        f.Osd.Hide();
        if (row.Before) row.Before();
        f.HotKeyPressed(row.Action);
        EXPECT_TRUE(f.Osd.Showing()) << row.Action;
        EXPECT_TRUE(WaitFor([&] { return f.Osd.Text() == row.Shown; }, 2000))
            << row.Action << ": " << WideToUtf8(f.Osd.Text());
    }
    f.Osd.Hide();
    f.Settings.Options[optOsdKeys] = false;
    f.HotKeyPressed(17);
    EXPECT_FALSE(f.Osd.Showing());
}

// The display stands at once with what the caption tells; what only the
// player can tell (the length, the volume) is filled in when it answers.
TEST_F(ShowSongTest, AHungPlayerDoesNotKeepTheDisplayWaiting) {
    TForm1& f = StartWithoutWindow();
    f.Settings.Options[optOsdSongs] = true;
    f.Settings.Options[optOsdKeys] = true;
    ASSERT_TRUE(WaitFor([&] { return f.Osd.Text() == L"Играет: 1. Artist One - Title One (3:45)"; }));
    f.Osd.Hide();
    ASSERT_TRUE(peer->Stall(2000));
    f.HotKeyPressed(28);
    EXPECT_TRUE(f.Osd.Showing());
    EXPECT_EQ(f.Osd.Text(), L"Играет: 1. Artist One - Title One");
    EXPECT_TRUE(WaitFor([&] { return f.Osd.Text() == L"Играет: 1. Artist One - Title One (3:45)"; }, 6000));

    f.wControl.SetVolume(102);
    ASSERT_TRUE(peer->Stall(2000));
    f.HotKeyPressed(12);  // its command is withdrawn unanswered; the display goes up all the same
    EXPECT_TRUE(f.Osd.Showing());
    EXPECT_EQ(f.Osd.Text(), L"Громкость");
    EXPECT_TRUE(WaitFor([&] { return f.Osd.Text() == L"Громкость: 40%"; }, 6000)) << WideToUtf8(f.Osd.Text());
}
