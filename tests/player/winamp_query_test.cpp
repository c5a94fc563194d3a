#include "player/winamp_query.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "player/player_window.h"
#include "player/winamp_api.h"
#include "player_fixtures.h"

namespace {

using Lines = std::vector<std::string>;

std::string Cmd(int id) { return "COMMAND " + std::to_string(id) + " 0"; }

bool Has(const Lines& lines, const std::string& line) {
    for (const auto& l : lines)
        if (l == line) return true;
    return false;
}

// The logged interface messages only, in order (no stall or control lines).
Lines Interface(const Lines& lines) {
    Lines out;
    for (const auto& l : lines)
        if (l.rfind("COMMAND", 0) == 0 || l.rfind("USER", 0) == 0) out.push_back(l);
    return out;
}

bool NoPlayer() {
    return WaitFor([] { return FindWindowW(wa::kWindowClass, nullptr) == nullptr; }, 5000);
}

// The folder of a playlist file the tests write by hand, known to the
// functions through the installation entry.
class PlaylistFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(NoPlayer());
        entry.SetFolder(dir);
    }
    void List(const std::string& text, const wchar_t* name = L"winamp.m3u") { WriteFileBytes(dir + L"\\" + name, text); }

    TUninstallEntry entry;
    std::wstring dir = MakeTempDir(L"list");
};

// The stand-in player in either width: the real one is a 32-bit program.
class QueryTest : public ::testing::TestWithParam<bool> {
protected:
    void Start(std::vector<std::wstring> args) {
        peer = std::make_unique<TPeerPlayer>(GetParam(), std::move(args));
        ASSERT_TRUE(peer->Started());
    }
    // Every command posted before this call has been handled when it returns.
    void Drain() { ASSERT_TRUE(peer->Stall(0)); }

    TUninstallEntry entry;
    std::wstring dir = MakeTempDir(L"query");
    std::unique_ptr<TPeerPlayer> peer;
};

}  // namespace

// ---- no player ---------------------------------------------------------------

TEST(QueryNoPlayer, RequestsReadZeroAndCommandsGoNowhere) {
    ASSERT_TRUE(NoPlayer());
    TUninstallEntry entry;
    EXPECT_FALSE(WA_IsRunning());
    EXPECT_EQ(WA_Version(), 0);
    EXPECT_EQ(WA_CurrentTrackNo(), 1);
    EXPECT_EQ(WA_PlayState(), 0);
    EXPECT_EQ(WA_NoOfTracksLoaded(), 0);
    EXPECT_EQ(WA_TrackPos(), 0);
    EXPECT_EQ(WA_TrackLength(), 0);
    EXPECT_EQ(WA_PlaySequence(), 0);
    EXPECT_FALSE(WA_IsVisible());
    WA_Stop();
    WA_PrevTrack();
    WA_NextTrack();
    WA_SeekBack();
    WA_SeekForward();
    WA_Close();
    WA_Play();
    WA_Pause();
    WA_PlayTrack(3);
    WA_Visible(true);
    EXPECT_FALSE(WA_NextArtist());
    std::wstring name = L"untouched";
    EXPECT_FALSE(WA_AskTrackFileName(1, name));
    EXPECT_FALSE(WA_FindTrackFileName(1, name));
    EXPECT_EQ(name, L"untouched");
    // A command to no window must not land in this thread's own queue.
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

// ---- the installation folder -----------------------------------------------------

TEST(WinAmpDir, CutsTheUninstallStringAfterItsLastBackslash) {
    ASSERT_TRUE(NoPlayer());
    TUninstallEntry entry;
    struct Case {
        const wchar_t* Value;
        const wchar_t* Dir;
    } cases[] = {
        {L"\"C:\\Apps\\Player\\UninstWA.exe\"", L"C:\\APPS\\PLAYER\\"},
        {L"C:\\Apps\\Player\\UninstWA.exe", L"C:\\APPS\\PLAYER\\"},
        {L"C:\\Apps\\Player\\UninstWA.exe /S /D=C:\\Other\\x", L"C:\\APPS\\PLAYER\\UNINSTWA.EXE /S /D=C:\\OTHER\\"},
        {L"\"c:\\m\u00fcsic\\\u0436\\u.exe\"", L"C:\\M\u00fcSIC\\\u0436\\"},  // only a to z change case
        {L"C:\\", L"C:\\"},
        {L"UninstWA.exe", L""},
        {L"\"", L""},
        {L"", L""},
    };
    for (const Case& c : cases) {
        entry.Set(c.Value);
        EXPECT_EQ(WinAmpDir(), c.Dir) << WideToAnsi(c.Value);
    }
    // The 32-bit player's installer writes to the 32-bit view.
    entry.Clear();
    EXPECT_EQ(WinAmpDir(), L"");
    entry.Set(L"\"C:\\Program Files (x86)\\Winamp\\UninstWA.exe\"", true);
    EXPECT_EQ(WinAmpDir(), L"C:\\PROGRAM FILES (X86)\\WINAMP\\");
}

TEST(WinAmpDir, WithoutEntryOrPlayerNothingIsGuessedInTheCurrentFolder) {
    ASSERT_TRUE(NoPlayer());
    TUninstallEntry entry;
    const std::wstring dir = MakeTempDir(L"cwd");
    WriteFileBytes(dir + L"\\winamp.m3u", "#EXTM3U\r\nC:\\stray.mp3\r\nC:\\stray2.mp3\r\n");
    wchar_t old[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, old);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.c_str()));
    EXPECT_EQ(WinAmpDir(), L"");
    EXPECT_EQ(WA_PlayListDir(), L"");
    std::wstring name = L"untouched";
    EXPECT_FALSE(WA_GetTrackFileName(1, name));
    EXPECT_EQ(name, L"untouched");
    EXPECT_FALSE(WA_GetTrackFileName(0, name));
    SetCurrentDirectoryW(old);
}

// ---- the playlist file ------------------------------------------------------------

TEST_F(PlaylistFileTest, HeaderAndInformationLinesAreComments) {
    List("#EXTM3U\r\n#EXTINF:200,Artist - Title\r\nC:\\music\\one.mp3\r\n");
    std::wstring name = L"untouched";
    ASSERT_TRUE(WA_GetTrackFileName(1, name));
    EXPECT_EQ(name, L"C:\\music\\one.mp3");
    name = L"untouched";
    EXPECT_FALSE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name, L"untouched");
    EXPECT_TRUE(WA_GetTrackFileName(0, name));
    EXPECT_EQ(name, L"");
    // The same with bare line feeds, blank lines, blanks and tabs.
    List("#EXTM3U\n\n\n  C:\\a.mp3\n\t\n#EXTINF:1,x\n\tC:\\b c.mp3  \n\n");
    ASSERT_TRUE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name, L"C:\\b c.mp3  ") << "trailing blanks are part of the name";
    EXPECT_FALSE(WA_GetTrackFileName(3, name));
    // Names in the 8-bit file are in the system's code page.
    List("#EXTM3U\r\nC:\\caf\xE9.mp3\r\n");
    ASSERT_TRUE(WA_GetTrackFileName(1, name));
    EXPECT_EQ(name, AnsiToWide("C:\\caf\xE9.mp3"));
}

TEST_F(PlaylistFileTest, TheUtf8ListIsPreferredAndBadBytesLoseNothingElse) {
    List("#EXTM3U\r\nC:\\ansi.mp3\r\n");
    std::string utf8 = "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:200,x\r\nC:\\\xD0\xBC\xD1\x83\xD0\xB7\\\xD0\xB6.mp3\r\n"
                       "C:\\bad\xFF\xC0\xE2\x82.mp3\r\nC:\\ok.mp3\r\n";
    utf8 += std::string("C:\\zero\0inside.mp3\r\n", 20);
    utf8 += "C:\\" + std::string(100000, 'n') + ".mp3\r\nC:\\last.mp3\r\n";
    List(utf8, L"winamp.m3u8");
    std::wstring name;
    ASSERT_TRUE(WA_GetTrackFileName(1, name));
    EXPECT_EQ(name, L"C:\\\u043c\u0443\u0437\\\u0436.mp3");
    ASSERT_TRUE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name.substr(0, 6), L"C:\\bad");
    EXPECT_NE(name.find(L'\uFFFD'), std::wstring::npos) << "invalid UTF-8 shows as replacement characters";
    ASSERT_TRUE(WA_GetTrackFileName(3, name));
    EXPECT_EQ(name, L"C:\\ok.mp3");
    // An entry with a zero byte names no file, but it still counts.
    name = L"untouched";
    EXPECT_FALSE(WA_GetTrackFileName(4, name));
    EXPECT_EQ(name, L"untouched");
    ASSERT_TRUE(WA_GetTrackFileName(5, name));
    EXPECT_EQ(name.size(), 100007u);
    ASSERT_TRUE(WA_GetTrackFileName(6, name));
    EXPECT_EQ(name, L"C:\\last.mp3");
}

TEST_F(PlaylistFileTest, AListThatCannotBeOpenedIsFalse) {
    List("#EXTM3U\r\nC:\\a.mp3\r\n");
    std::wstring name = L"untouched";
    {
        TLockedFile lock(dir + L"\\winamp.m3u");
        ASSERT_TRUE(lock.Locked());
        EXPECT_FALSE(WA_GetTrackFileName(1, name));
    }
    EXPECT_EQ(name, L"untouched");
    DeleteFileW((dir + L"\\winamp.m3u").c_str());
    EXPECT_FALSE(WA_GetTrackFileName(1, name));
    CreateDirectoryW((dir + L"\\winamp.m3u8").c_str(), nullptr);
    EXPECT_FALSE(WA_GetTrackFileName(1, name)) << "a folder of that name is no list";
}

// ---- requests and commands ----------------------------------------------------------

// The tests below read the player's state right after a posted command; a
// request is sent, and a sent message overtakes everything still posted.
TEST_P(QueryTest, EveryDrainWaitsForTheCommandsPostedBeforeIt) {
    Start({L"--file", L"C:\\a.mp3"});
    Drain();
    ASSERT_TRUE(peer->Stall(400));
    PostMessageW(peer->Window(), WM_COMMAND, wa::kCmdPlay, 0);
    Drain();
    EXPECT_EQ(WA_PlayState(), 1) << "the second drain returned on the first one's answer";
}

TEST_P(QueryTest, RequestsAreSentAndTheirAnswersConverted) {
    Start({L"--file", L"C:\\a.mp3", L"--file", L"C:\\b.mp3", L"--file", L"C:\\c.mp3", L"--pos", L"1", L"--version",
           L"5091", L"--length", L"321"});
    EXPECT_TRUE(WA_IsRunning());
    EXPECT_EQ(WA_Version(), 0x5091);
    EXPECT_EQ(WA_NoOfTracksLoaded(), 3);
    EXPECT_EQ(WA_CurrentTrackNo(), 2);
    EXPECT_EQ(WA_TrackLength(), 321);
    EXPECT_EQ(WA_PlayState(), 0);
    ASSERT_TRUE(peer->ForceState(3));
    EXPECT_EQ(WA_PlayState(), 3);
    WA_SetTrackPos(65000);
    EXPECT_EQ(WA_TrackPos(), 65000);
    EXPECT_EQ(WA_PlaySequence(), 0);
    WA_SetPlaySequence(1);
    EXPECT_EQ(WA_PlaySequence(), 1);
    WA_SetPlaySequence(0);
    EXPECT_EQ(WA_PlaySequence(), 0);
    EXPECT_TRUE(WA_IsVisible());
    EXPECT_EQ(Interface(peer->Lines()),
              (Lines{"USER 0 0", "USER 0 0", "USER 0 124", "USER 0 125", "USER 1 105", "USER 0 104", "USER 0 104",
                     "USER 65000 106", "USER 0 105", "USER 0 250", "USER 1 252", "USER 0 250", "USER 0 252",
                     "USER 0 250"}));
    // An empty list has no length: the player's -1 comes through in either width.
    peer->Stop();
    Start({});
    EXPECT_EQ(WA_TrackLength(), -1);
    EXPECT_EQ(WA_NoOfTracksLoaded(), 0);
}

TEST_P(QueryTest, CommandsArePostedWithoutWaitingForThePlayer) {
    Start({L"--file", L"C:\\a.mp3", L"--file", L"C:\\b.mp3", L"--file", L"C:\\c.mp3", L"--pos", L"1", L"--play"});
    ASSERT_TRUE(peer->Stall(3000));
    WA_Stop();
    WA_PrevTrack();
    WA_NextTrack();
    WA_SeekBack();
    WA_SeekForward();
    WA_Visible(false);
    EXPECT_FALSE(Has(peer->Lines(), "STALL END")) << "a command waited for the stalled player";
    ASSERT_TRUE(peer->WaitForLine("STALL END", 10000));
    Drain();
    EXPECT_EQ(Interface(peer->Lines()), (Lines{Cmd(40047), Cmd(40044), Cmd(40048), Cmd(40144), Cmd(40148)}));
    EXPECT_TRUE(WaitFor([] { return !WA_IsVisible(); }));
    WA_Visible(true);
    EXPECT_TRUE(WaitFor([] { return WA_IsVisible(); }));
    HWND wnd = peer->Window();
    WA_Close();
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(wnd); }));
    EXPECT_FALSE(WA_IsRunning());
}

TEST_P(QueryTest, PlayAndPauseActOnlyWhereTheStateAllows) {
    Start({L"--file", L"C:\\a.mp3", L"--file", L"C:\\b.mp3"});
    struct Case {
        int State;
        void (*Op)();
        Lines Posted;
    } cases[] = {
        {0, WA_Play, {Cmd(40045)}}, {1, WA_Play, {}}, {3, WA_Play, {Cmd(40046)}},
        {1, WA_Pause, {Cmd(40046)}}, {0, WA_Pause, {}}, {3, WA_Pause, {}},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(peer->ForceState(c.State));
        peer->Mark();
        c.Op();
        Drain();
        Lines posted;
        for (const auto& l : Interface(peer->Lines()))
            if (l.rfind("COMMAND", 0) == 0) posted.push_back(l);
        EXPECT_EQ(posted, c.Posted) << "state " << c.State;
    }
    peer->Stop();
    Start({});
    WA_Play();
    Drain();
    EXPECT_EQ(Interface(peer->Lines()), (Lines{"USER 0 124"})) << "an empty list is not played";
}

TEST_P(QueryTest, PlayTrackStopsMovesAndPlays) {
    std::vector<std::wstring> args;
    for (int i = 1; i <= 6; ++i) args.insert(args.end(), {L"--file", L"C:\\t" + std::to_wstring(i) + L".mp3"});
    args.push_back(L"--play");
    Start(args);
    WA_PlayTrack(5);
    Drain();
    EXPECT_EQ(Interface(peer->Lines()), (Lines{Cmd(40047), "USER 4 121", "USER 0 124", "USER 0 104", Cmd(40045)}));
    EXPECT_EQ(WA_CurrentTrackNo(), 5);
    EXPECT_EQ(WA_PlayState(), 1);
    // Again and again while playing: it always ends playing the chosen entry.
    for (int n : {2, 6, 1, 3}) {
        WA_PlayTrack(n);
        Drain();
        EXPECT_EQ(WA_CurrentTrackNo(), n);
        EXPECT_EQ(WA_PlayState(), 1) << n;
    }
}

// ---- file names -------------------------------------------------------------------------

TEST_P(QueryTest, TheEntryFileNameComesFromThePlayersMemory) {
    const std::wstring cyrillic = L"C:\\\u043c\u0443\u0437\u044b\u043a\u0430\\\u0436.mp3";
    Start({L"--texts-high", L"--file", L"C:\\first.mp3", L"--file", cyrillic, L"--file", L"C:\\third one .mp3"});
    if (GetParam()) {
        // The 32-bit player's address above 2 GB arrives sign-extended here.
        const LRESULT raw = PlayerSend(peer->Window(), WM_USER, 0, wa::kIpcGetPlaylistFileW);
        EXPECT_LT(raw, 0) << "the texts are not above 2 GB: the test proves nothing about sign extension";
    }
    std::wstring name;
    ASSERT_TRUE(WA_AskTrackFileName(1, name));
    EXPECT_EQ(name, L"C:\\first.mp3");
    ASSERT_TRUE(WA_AskTrackFileName(2, name));
    EXPECT_EQ(name, cyrillic);
    ASSERT_TRUE(WA_AskTrackFileName(3, name));
    EXPECT_EQ(name, L"C:\\third one .mp3");
    name = L"untouched";
    EXPECT_FALSE(WA_AskTrackFileName(4, name));
    EXPECT_FALSE(WA_AskTrackFileName(0, name));
    EXPECT_EQ(name, L"untouched");
    EXPECT_TRUE(Has(peer->Lines(), "USER 1 214"));
    EXPECT_FALSE(Has(peer->Lines(), "USER 1 211")) << "the wide answer was enough";
}

TEST_P(QueryTest, APlayerWithoutTheWideRequestAnswersInItsCodePage) {
    Start({L"--without", L"214", L"--texts-high", L"--file", L"C:\\first.mp3", L"--file", L"C:\\caf\u00e9.mp3"});
    std::wstring name;
    ASSERT_TRUE(WA_AskTrackFileName(2, name));
    EXPECT_EQ(name, AnsiToWide(WideToAnsi(L"C:\\caf\u00e9.mp3")));
    EXPECT_EQ(Interface(peer->Lines()), (Lines{"USER 1 214", "USER 1 211"}));
    peer->Stop();
    Start({L"--without", L"214,211", L"--file", L"C:\\first.mp3"});
    EXPECT_FALSE(WA_AskTrackFileName(1, name)) << "an answer of 1 is no address";
}

TEST_P(QueryTest, ThePlaylistFileIsWrittenAfreshWhereThePlayerKeepsIt) {
    const std::wstring settings = MakeTempDir(L"settings");
    const std::wstring a = MakeTaggedTrack(dir, L"a.mp3", "A"), b = MakeTaggedTrack(dir, L"\u0436.mp3", "B");
    Start({L"--playlist-dir", settings, L"--file", a, L"--file", b});
    EXPECT_EQ(WA_PlayListDir(), settings + L"\\");
    std::wstring name;
    ASSERT_TRUE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name, b) << "read from the UTF-8 list";
    EXPECT_TRUE(Has(peer->Lines(), "USER 0 120"));
    // A list reordered without a change of length is read as it is now.
    ASSERT_TRUE(peer->ReverseList());
    ASSERT_TRUE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name, a);

    // A player that only tells its folder in its code page.
    peer->Stop();
    Start({L"--without", L"338", L"--playlist-dir", settings, L"--file", a});
    EXPECT_EQ(WA_PlayListDir(), settings + L"\\");
    // One that tells nothing: its installation folder, from the registry or
    // else from its running program, where it writes by default.
    peer->Stop();
    Start({L"--without", L"337,338", L"--file", b, L"--file", a});
    EXPECT_EQ(WinAmpDir(), Upper(TestBinDir() + L"\\"));
    EXPECT_EQ(WA_PlayListDir(), WinAmpDir());
    ASSERT_TRUE(WA_GetTrackFileName(2, name));
    EXPECT_EQ(name, a);
    entry.SetFolder(settings);
    EXPECT_EQ(WA_PlayListDir(), Upper(settings + L"\\"));
}

TEST_P(QueryTest, FindTrackFileNameAsksThePlayerBeforeTheFile) {
    const std::wstring settings = MakeTempDir(L"settings");
    Start({L"--playlist-dir", settings, L"--file", L"C:\\one.mp3", L"--file", L"C:\\two.mp3"});
    std::wstring name;
    ASSERT_TRUE(WA_FindTrackFileName(2, name));
    EXPECT_EQ(name, L"C:\\two.mp3");
    EXPECT_FALSE(Has(peer->Lines(), "USER 0 120")) << "the player answered: no list file needed";
    peer->Stop();
    Start({L"--without", L"211,214", L"--playlist-dir", settings, L"--file", L"C:\\one.mp3", L"--file",
           L"C:\\two.mp3"});
    ASSERT_TRUE(WA_FindTrackFileName(2, name));
    EXPECT_EQ(name, L"C:\\two.mp3");
    EXPECT_TRUE(Has(peer->Lines(), "USER 0 120"));
}

// ---- next artist ------------------------------------------------------------------------

TEST_P(QueryTest, NextArtistPlaysTheFirstEntryOfAnotherArtist) {
    const std::wstring settings = MakeTempDir(L"settings");
    auto startWith = [&](std::vector<std::string> artists, int pos) {
        if (peer) peer->Stop();
        std::vector<std::wstring> args{L"--playlist-dir", settings, L"--pos", std::to_wstring(pos)};
        for (size_t i = 0; i < artists.size(); ++i) {
            const std::wstring name = L"t" + std::to_wstring(i) + L".mp3";
            const std::wstring path = artists[i] == "-" ? MakeTrack(dir, name, "") : MakeTaggedTrack(dir, name, artists[i]);
            args.insert(args.end(), {L"--file", path});
        }
        Start(args);
    };
    startWith({"A", "A", "B", "A"}, 0);
    EXPECT_TRUE(WA_NextArtist());
    Drain();
    EXPECT_EQ(WA_CurrentTrackNo(), 3);
    EXPECT_EQ(WA_PlayState(), 1);
    EXPECT_TRUE(Has(peer->Lines(), "USER 2 121"));

    startWith({"A", "A", "A"}, 0);
    EXPECT_FALSE(WA_NextArtist());
    EXPECT_EQ(WA_CurrentTrackNo(), 1);
    EXPECT_FALSE(Has(peer->Lines(), Cmd(40047)));

    // The current entry is the last: the list file is not even asked for.
    startWith({"A", "B"}, 1);
    EXPECT_FALSE(WA_NextArtist());
    EXPECT_FALSE(Has(peer->Lines(), "USER 0 120"));

    // Exact comparison: case and trailing blanks count, no tag is no artist.
    startWith({"A", "A ", "a"}, 0);
    EXPECT_TRUE(WA_NextArtist());
    EXPECT_EQ(WA_CurrentTrackNo(), 2);
    startWith({"A", "a"}, 0);
    EXPECT_TRUE(WA_NextArtist());
    EXPECT_EQ(WA_CurrentTrackNo(), 2);
    startWith({"A", "-", "A"}, 0);
    EXPECT_TRUE(WA_NextArtist());
    EXPECT_EQ(WA_CurrentTrackNo(), 2);
    startWith({"-", "-", "B"}, 1);
    EXPECT_TRUE(WA_NextArtist());
    EXPECT_EQ(WA_CurrentTrackNo(), 3);
}

INSTANTIATE_TEST_SUITE_P(BothWidths, QueryTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Player32" : "Player64"; });
