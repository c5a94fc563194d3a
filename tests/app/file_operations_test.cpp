// Copying, moving and deleting the playing file, on real files.
#include "app_fixture.h"

#include <algorithm>

namespace {

const std::string kNext = "COMMAND 40048 0";

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class FileOpTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        music = MakeTempDir(L"music");
        target = MakeTempDir(L"target");
        first = music + L"\\First Song.mp3";
        second = music + L"\\Second Song.mp3";
        WriteFileBytes(first, "first song");
        WriteFileBytes(second, "second song");
        Start({L"--file", first, L"--file", second, L"--play"});
        SetWindowTextW(Form().Edit1, target.c_str());
        Form().SetChecked(Form().CheckBox[9], true);  // success messages
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
    }
    void Start(const std::vector<std::wstring>& args) {
        peer.reset();
        peer = std::make_unique<TPeerPlayer>(false, args);
        ASSERT_TRUE(peer->Started());
        peer->Mark();
    }
    std::wstring Balloon() { return Form().TrayIcon->IconData().szInfo; }
    bool PlayerMovedOn() {
        const auto lines = peer->Lines();
        return std::find(lines.begin(), lines.end(), kNext) != lines.end();
    }
    std::vector<std::wstring> Questions() {
        std::vector<std::wstring> texts;
        for (const auto& a : asked) texts.push_back(a.Text);
        return texts;
    }

    std::unique_ptr<TPeerPlayer> peer;
    std::wstring music, target, first, second;
};

}  // namespace

TEST_F(FileOpTest, CopyReplacesAnExistingFileAndKeepsTheTrack) {
    WriteFileBytes(target + L"\\First Song.mp3", "an older copy");
    Form().FileOperation(L"Copy");
    EXPECT_EQ(ReadFileBytes(target + L"\\First Song.mp3"), "first song");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно СКОПИРОВАН");
    EXPECT_EQ(Form().TrayIcon->IconData().szInfoTitle, std::wstring(L"Сообщение"));
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_TRUE(asked.empty());
}

TEST_F(FileOpTest, MoveAsksFirstThenMovesOnAndMoves) {
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_EQ(Questions(), std::vector<std::wstring>{L"Вы действительно хотите ПЕРЕМЕСТИТЬ данный файл ?"});
    EXPECT_EQ(asked[0].Caption, L"Warning");
    EXPECT_FALSE(Exists(first));
    EXPECT_EQ(ReadFileBytes(target + L"\\First Song.mp3"), "first song");
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"Файл " + target + L"\\First Song.mp3 удачно ПЕРЕМЕЩЕН");
}

TEST_F(FileOpTest, AMoveThatFailsKeepsTheFileAndClaimsNothing) {
    SetWindowTextW(Form().Edit1, (target + L"\\gone").c_str());
    answers = {IDOK};
    Form().FileOperation(L"Move");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, DeleteAsksThenDeletesAndALockedFileIsNotClaimed) {
    answers = {IDOK};
    Form().FileOperation(L"Del");
    EXPECT_EQ(Questions(), std::vector<std::wstring>{L"Вы действительно хотите УДАЛИТЬ данный файл ?"});
    EXPECT_FALSE(Exists(first));
    EXPECT_TRUE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"Файл " + first + L" удачно УДАЛЕН");

    // The player is on the second song now; another program holds it open.
    Form().TrayIcon->HideBalloonHint();
    HANDLE held = CreateFileW(second.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    answers = {IDOK};
    Form().FileOperation(L"Del");
    CloseHandle(held);
    EXPECT_EQ(ReadFileBytes(second), "second song");
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, CancelChangesNothing) {
    answers = {IDCANCEL, IDCANCEL};
    Form().FileOperation(L"Move");
    Form().FileOperation(L"Del");
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, WithoutSuccessMessagesASuccessShowsNothing) {
    Form().SetChecked(Form().CheckBox[9], false);
    Form().FileOperation(L"Copy");
    EXPECT_TRUE(Exists(target + L"\\First Song.mp3"));
    EXPECT_EQ(Balloon(), L"");
}

TEST_F(FileOpTest, NoFolderNoPlayerOrNoFileNameMeansNothingDone) {
    SetWindowTextW(Form().Edit1, L"");
    Form().FileOperation(L"Copy");
    Form().FileOperation(L"Move");
    EXPECT_EQ(Questions(), (std::vector<std::wstring>{L"Каталог для файлов не выбран", L"Каталог для файлов не выбран"}));
    EXPECT_FALSE(PlayerMovedOn());

    // A player that cannot tell its file: nothing is touched, it is not moved on.
    SetWindowTextW(Form().Edit1, target.c_str());
    asked.clear();
    Start({L"--file", first, L"--play", L"--without", L"211,214,120", L"--playlist-dir", MakeTempDir(L"nolist")});
    answers = {IDOK, IDOK};
    Form().FileOperation(L"Copy");
    Form().FileOperation(L"Del");
    EXPECT_EQ(ReadFileBytes(first), "first song");
    EXPECT_FALSE(Exists(target + L"\\First Song.mp3"));
    EXPECT_FALSE(PlayerMovedOn());
    EXPECT_EQ(Balloon(), L"");

    peer.reset();
    asked.clear();
    for (const wchar_t* op : {L"Copy", L"Move", L"Del"}) Form().FileOperation(op);
    EXPECT_EQ(Questions(), std::vector<std::wstring>(3, L"Winamp не найден"));
    EXPECT_EQ(ReadFileBytes(first), "first song");
}

// The player plays the second song and answers the first requests of an
// operation, then stops answering in time. Read as 0, the position of the
// playing entry would name the first song. However far it gets: no file
// touched, not moved on, nothing claimed, nothing more asked; and once it
// answers everything the operation is done on the right file.
TEST_F(FileOpTest, APlayerThatStopsAnsweringOnTheWayGetsNothingDone) {
    const std::wstring copied = target + L"\\Second Song.mp3";
    for (const wchar_t* op : {L"Copy", L"Move", L"Del"}) {
        WriteFileBytes(second, "second song");
        DeleteFileW(copied.c_str());
        peer->SetEntryNow(1);
        bool done = false;
        for (size_t answered = 0; !done && answered < 12; ++answered) {
            Form().TrayIcon->HideBalloonHint();
            answers = {IDOK};
            peer->Mark();
            peer->SlowAfter(static_cast<int>(answered), 1500);
            Form().FileOperation(op);
            const std::vector<std::string> lines = peer->Lines();
            const size_t received = peer->Received();
            peer->SlowAfter(0, 0);
            done = std::find(lines.begin(), lines.end(), "SLOW 1500") == lines.end();
            if (done) break;
            const std::string how = WideToUtf8(op) + " with " + std::to_string(answered) + " answered";
            EXPECT_EQ(received, answered + 1) << how;
            EXPECT_EQ(ReadFileBytes(first), "first song") << how;
            EXPECT_EQ(ReadFileBytes(second), "second song") << how;
            EXPECT_FALSE(Exists(target + L"\\First Song.mp3")) << how;
            EXPECT_FALSE(Exists(copied)) << how;
            EXPECT_EQ(Balloon(), L"") << how;
            // Only the next-track command itself may be the one left unanswered.
            auto next = std::find(lines.begin(), lines.end(), kNext);
            EXPECT_TRUE(next == lines.end() || next + 2 == lines.end()) << how;
        }
        ASSERT_TRUE(done) << WideToUtf8(op);
        EXPECT_EQ(ReadFileBytes(first), "first song");
        EXPECT_NE(Balloon(), L"") << WideToUtf8(op);
        EXPECT_EQ(Exists(second), std::wstring(op) == L"Copy");
        EXPECT_EQ(Exists(copied), std::wstring(op) != L"Del");
    }
}

TEST_F(FileOpTest, TheChosenFolderIsShownAndStoredAndCancelKeepsIt) {
    WriteDword(L"Play", 0);  // the settings key exists
    const std::wstring chosen = MakeTempDir(L"chosen");
    bool cancel = false;
    Form().BrowsFldr->BrowseFn = [&](BROWSEINFOW&) -> PIDLIST_ABSOLUTE {
        return cancel ? nullptr : ILCreateFromPathW(chosen.c_str());
    };
    Form().Button3Click();
    EXPECT_EQ(EditText(), chosen);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), chosen);
    cancel = true;
    Form().N3Click();
    EXPECT_EQ(EditText(), chosen);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), chosen);
}
