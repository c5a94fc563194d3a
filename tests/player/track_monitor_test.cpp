#include "player/track_monitor.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/application.h"
#include "player/player_memory.h"
#include "player/player_window.h"
#include "player/winamp_api.h"
#include "player/winamp_query.h"
#include "player_fixtures.h"

namespace {

bool SameData(const TTrackData& a, const TTrackData& b) {
    return a.HasTag == b.HasTag && a.Title == b.Title && a.Artist == b.Artist && a.Album == b.Album &&
           a.Comment == b.Comment && a.Year == b.Year && a.Genre == b.Genre;
}

// The monitor against the stand-in player in either width, with every
// event counted and error messages answered in place of a person.
class MonitorTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        Application().MessageBoxFn = [this](HWND, const std::wstring& text, const std::wstring&, UINT) {
            errors.push_back(text);
            return IDOK;
        };
        TTagSpec t1{"First", "Artist One", "Album One", "2001", "Comment one", 17};
        TTagSpec t2{"Second", "Artist Two", "Album Two", "2002", "Comment two", 125};
        TTagSpec t3{"Third", "Artist Three", "Album Three", "2003", "Comment three", 255};
        files = {MakeTrack(dir, L"one.mp3", TagBytes(t1)), MakeTrack(dir, L"two.mp3", TagBytes(t2)),
                 MakeTrack(dir, L"three.mp3", TagBytes(t3)), MakeTrack(dir, L"untagged.mp3", "")};
    }
    void TearDown() override {
        monitor.reset();
        if (peer) peer->Stop();
    }

    void Start(int pos, std::vector<std::wstring> extra = {}) {
        std::vector<std::wstring> args{L"--playlist-dir", settings, L"--pos", std::to_wstring(pos)};
        for (const auto& f : files) args.insert(args.end(), {L"--file", f});
        args.insert(args.end(), extra.begin(), extra.end());
        peer = std::make_unique<TPeerPlayer>(GetParam(), args);
        ASSERT_TRUE(peer->Started());
    }

    void Watch() {
        listChanges = trackChanges = 0;
        entriesAtListChange.clear();
        monitor = std::make_unique<TWinAmpCtr>();
        monitor->OnListChange = [this](TWinAmpCtr& sender) {
            EXPECT_EQ(&sender, monitor.get());
            ++listChanges;
            entriesAtListChange.push_back(PlaylistEntries(settings + L"\\winamp.m3u8").size());
        };
        monitor->OnTrackChange = [this](TWinAmpCtr& sender) {
            EXPECT_EQ(&sender, monitor.get());
            ++trackChanges;
        };
    }

    // Lets the monitor look at the player n more times, with whatever the
    // player's window events bring in between.
    void Ticks(size_t n) {
        for (size_t i = 0; i < n; ++i) {
            monitor->EventTimer();
            WaitFor([] { return false; }, 20);
        }
    }

    static TTrackData Expected(const char* title, const char* artist, const char* album, const char* year,
                               const char* comment, const wchar_t* genre) {
        return {true, Utf8ToWide(title), Utf8ToWide(artist), Utf8ToWide(album), Utf8ToWide(comment),
                Utf8ToWide(year), genre};
    }

    TUninstallEntry entry;  // no installation entry: only the player tells where its files are
    std::wstring dir = MakeTempDir(L"tracks");
    std::wstring settings = MakeTempDir(L"settings");
    std::vector<std::wstring> files;
    std::unique_ptr<TPeerPlayer> peer;
    std::unique_ptr<TWinAmpCtr> monitor;
    int listChanges = 0, trackChanges = 0;
    std::vector<size_t> entriesAtListChange;
    std::vector<std::wstring> errors;
};

}  // namespace

TEST_P(MonitorTest, ReportsTheListAndEveryJumpOfTheCurrentEntry) {
    Start(1);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    EXPECT_EQ(entriesAtListChange, std::vector<size_t>{4}) << "the list file is written before the event";
    EXPECT_TRUE(SameData(monitor->TrackData(),
                         Expected("Second", "Artist Two", "Album Two", "2002", "Comment two", L"DanceHall")));

    // A jump from entry 2 to entry 3: one event with entry 3's tag.
    ASSERT_TRUE(peer->ForceEntry(2));
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 2; }));
    Ticks(5);
    EXPECT_EQ(trackChanges, 2);
    EXPECT_EQ(listChanges, 1);
    EXPECT_TRUE(SameData(monitor->TrackData(),
                         Expected("Third", "Artist Three", "Album Three", "2003", "Comment three", L"")));

    // One more entry: one list event, the file already rewritten.
    ASSERT_TRUE(peer->AppendCopy(0));
    ASSERT_TRUE(WaitFor([&] { return listChanges == 2; }));
    Ticks(5);
    EXPECT_EQ(listChanges, 2);
    EXPECT_EQ(trackChanges, 2);
    EXPECT_EQ(entriesAtListChange, (std::vector<size_t>{4, 5}));

    // Playing the same entry again from its start is no change of track.
    WA_PlayTrack(3);
    monitor->SetTrackPos(0);
    Ticks(5);
    EXPECT_EQ(trackChanges, 2);

    // An entry without a tag empties the track data.
    ASSERT_TRUE(peer->ForceEntry(3));
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 3; }));
    EXPECT_TRUE(SameData(monitor->TrackData(), TTrackData{}));
    EXPECT_TRUE(errors.empty());
}

// A player that stops answering in the middle of a tick, however far in:
// no event while it does not answer (a time-out is neither an empty list
// nor entry 1), then the one right event when it answers again. A tick asks
// nothing more after its first time-out.
TEST_P(MonitorTest, APlayerThatStopsAnsweringRaisesNothingUntilItAnswers) {
    Start(1);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    auto slowAnswers = [&] {
        size_t n = 0;
        for (const auto& l : peer->Lines()) n += l.rfind("SLOW ", 0) == 0;
        return n;
    };
    // Answered: the list length; the length and the entry; the length, the
    // entry and the first name request.
    for (int answered = 0; answered < 3; ++answered) {
        const int entry = answered % 2 == 0 ? 2 : 1;
        peer->SetEntryNow(entry);
        peer->Mark();
        peer->SlowAfter(answered, 1500);
        EXPECT_TRUE(WaitFor([&] { return slowAnswers() >= 2; }, 15000));
        EXPECT_EQ(listChanges, 1) << answered << " answered";
        EXPECT_EQ(trackChanges, answered + 1) << answered << " answered";
        peer->SlowAfter(0, 0);
        ASSERT_TRUE(WaitFor([&] { return trackChanges == answered + 2; })) << answered << " answered";
        Ticks(5);
        EXPECT_EQ(listChanges, 1);
        EXPECT_EQ(trackChanges, answered + 2);
        EXPECT_EQ(monitor->TrackData().Title, entry == 2 ? L"Third" : L"Second");
    }

    peer->Mark();
    peer->SlowAfter(0, 1500);
    monitor->EventTimer();
    EXPECT_EQ(peer->Received(), 1u) << "nothing is asked after the first time-out";
    peer->SlowAfter(0, 0);
    EXPECT_TRUE(errors.empty());
}

// While nothing changes the monitor lets the player sleep: no question
// about the entry, and the list length about once a second; a change of
// entry is still seen at once.
TEST_P(MonitorTest, WhileNothingChangesThePlayerIsAskedOnlyItsListLength) {
    Start(1);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    peer->Mark();
    WaitFor([] { return false; }, 2500);
    size_t lengths = 0;
    for (const auto& l : peer->Lines()) {
        EXPECT_EQ(l, "USER 0 124");
        lengths += l == "USER 0 124";
    }
    EXPECT_GE(lengths, 1u);
    EXPECT_LE(lengths, 4u);
    peer->SetEntryNow(3);
    EXPECT_TRUE(WaitFor([&] { return trackChanges == 2; }, 500));
    EXPECT_EQ(listChanges, 1);
}

// A player may name the new entry in its caption before it moves its list
// position there. A look in between reads the new caption with the old
// entry: that caption must not vouch for the entry, or the move, which
// changes the caption no more, is never reported.
TEST_P(MonitorTest, ACaptionAheadOfTheListPositionDoesNotHideTheNewEntry) {
    Start(1);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    peer->Mark();
    peer->LeadCaption(2, 1500);
    monitor->EventTimer();
    ASSERT_FALSE(peer->WaitForLine("MOVED 2", 0)) << "the look came after the move";
    EXPECT_EQ(trackChanges, 1);
    ASSERT_TRUE(peer->WaitForLine("MOVED 2"));
    EXPECT_TRUE(WaitFor([&] { return trackChanges == 2; }, 3000));
    EXPECT_EQ(monitor->TrackData().Title, L"Third");
    EXPECT_EQ(listChanges, 1);
}

// With the confirming poll a minute away, only the player's caption event
// can bring a new entry at once; a caption that scrolls but names the same
// entry asks the player nothing.
TEST_P(MonitorTest, ACaptionEventAloneBringsTheNewEntryAtOnce) {
    Start(1);
    Watch();
    monitor->SetConfirmInterval(60000);
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    // The first caption change shows that the system delivers such events.
    peer->SetEntryNow(2);
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 2; }));
    int expected = 2;
    for (int entry : {0, 3, 1}) {
        peer->SetEntryNow(entry);
        EXPECT_TRUE(WaitFor([&] { return trackChanges == expected + 1; }, 50)) << "entry " << entry;
        ASSERT_TRUE(WaitFor([&] { return trackChanges == expected + 1; })) << "entry " << entry;
        ++expected;
    }
    EXPECT_EQ(monitor->TrackData().Title, L"Second");

    peer->ScrollCaption(30);
    peer->Mark();
    WaitFor([] { return false; }, 600);
    EXPECT_EQ(peer->Received(), 0u) << "the scrolling caption still names the entry known";
    peer->SetEntryNow(2);
    EXPECT_TRUE(WaitFor([&] { return trackChanges == expected + 1; }, 50)) << "while scrolling";
    peer->ScrollCaption(0);
    EXPECT_TRUE(WaitFor([&] { return trackChanges == expected + 1; }));
    EXPECT_EQ(listChanges, 1);
}

// A caption that cannot tell the entry, one without the number (Winamp with
// numbers off) or one that never changes (a clone), vouches for nothing: the
// monitor asks the entry itself, and every move is reported with the
// confirming poll a minute away.
TEST_P(MonitorTest, ACaptionThatCannotTellTheEntryLeavesItToTheMonitorsOwnAsking) {
    for (const wchar_t* kind : {L"plain", L"fixed"}) {
        SCOPED_TRACE(WideToUtf8(kind));
        Start(1, {L"--caption", kind});
        Watch();
        monitor->SetConfirmInterval(60000);
        ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
        int expected = 1;
        for (int entry : {2, 0, 3}) {
            peer->SetEntryNow(entry);
            ASSERT_TRUE(WaitFor([&] { return trackChanges == expected + 1; })) << "entry " << entry;
            ++expected;
        }
        EXPECT_TRUE(SameData(monitor->TrackData(), TTrackData{}));
        EXPECT_EQ(listChanges, 1);
        monitor.reset();
        peer->Stop();
    }
}

// A player that appears while the confirming poll is a minute away is
// noticed by the creation of its window.
TEST_P(MonitorTest, APlayerAppearingIsNoticedByItsWindowsCreation) {
    ASSERT_TRUE(WaitFor([] { return FindWindowW(wa::kWindowClass, nullptr) == nullptr; }));
    Watch();
    monitor->SetConfirmInterval(60000);
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; })) << "the first look, with no player";
    Start(1);
    EXPECT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 2; }));
    EXPECT_EQ(monitor->TrackData().Title, L"Second");
}

TEST_P(MonitorTest, ClosingThePlayerReportsAnEmptyListAndEntryOne) {
    Start(1);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 1 && trackChanges == 1; }));
    const TTrackData before = monitor->TrackData();
    ASSERT_TRUE(before.HasTag);
    peer->Stop();
    ASSERT_TRUE(WaitFor([&] { return listChanges == 2 && trackChanges == 2; }));
    EXPECT_EQ(monitor->HighestTrackNo(), 0);
    EXPECT_EQ(monitor->GetTrackNumber(), 1);
    EXPECT_FALSE(monitor->IsRunning());
    EXPECT_TRUE(SameData(monitor->TrackData(), before)) << "no list file to be found: the data stays";
    EXPECT_EQ(monitor->GetPlayState(), TPlayState::psStop);
    EXPECT_EQ(monitor->TimeElapsed(), L"00:00");
    EXPECT_EQ(monitor->TrackFileName(), L"");
    // Even with the list file found again, no file is playing now.
    entry.SetFolder(settings);
    std::wstring left;
    ASSERT_TRUE(WA_FindTrackFileName(1, left));
    EXPECT_EQ(left, files[0]);
    EXPECT_EQ(monitor->TrackFileName(), L"");
    EXPECT_TRUE(errors.empty());
}

TEST_P(MonitorTest, ATrackFileLockedAgainstReadingIsReportedOnce) {
    Start(0);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; }));
    const TTrackData first = monitor->TrackData();
    TLockedFile lock(files[1]);
    ASSERT_TRUE(lock.Locked());
    ASSERT_TRUE(peer->ForceEntry(1));
    ASSERT_TRUE(WaitFor([&] { return errors.size() == 1; }));
    Ticks(20);
    ASSERT_EQ(errors.size(), 1u) << "the error is shown once, not at every tick";
    EXPECT_NE(errors[0].find(L"Cannot open file \"" + files[1] + L"\""), std::wstring::npos)
        << WideToUtf8(errors[0]);
    EXPECT_EQ(trackChanges, 1);
    EXPECT_TRUE(SameData(monitor->TrackData(), first));
    // The polling goes on: the next entry is read as usual.
    ASSERT_TRUE(peer->ForceEntry(2));
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 2; }));
    EXPECT_EQ(monitor->TrackData().Title, L"Third");
}

TEST_P(MonitorTest, PropertiesReadAndSetThePlayer) {
    Start(0);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; }));
    EXPECT_TRUE(monitor->IsRunning());
    EXPECT_EQ(monitor->Version(), 0x5091);
    EXPECT_EQ(monitor->HighestTrackNo(), 4);

    EXPECT_EQ(monitor->GetPlayState(), TPlayState::psStop);
    peer->Mark();
    monitor->SetPlayState(TPlayState::psPause);
    ASSERT_TRUE(peer->Stall(0));
    for (const auto& l : peer->Lines()) EXPECT_NE(l, "COMMAND 40046 0") << "pausing a stopped player";
    monitor->SetPlayState(TPlayState::psPlay);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetPlayState() == TPlayState::psPlay; }));
    monitor->SetPlayState(TPlayState::psPause);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetPlayState() == TPlayState::psPause; }));

    for (auto [ms, text] : {std::pair{65000, L"01:05"}, std::pair{3725000, L"62:05"}, std::pair{9000, L"00:09"},
                            std::pair{0, L"00:00"}, std::pair{600000, L"10:00"}}) {
        monitor->SetTrackPos(ms);
        EXPECT_EQ(monitor->GetTrackPos(), ms);
        EXPECT_EQ(monitor->TimeElapsed(), text);
    }
    monitor->SetPlayState(TPlayState::psStop);
    ASSERT_TRUE(WaitFor([&] { return monitor->GetPlayState() == TPlayState::psStop; }));

    EXPECT_EQ(monitor->GetPlaySequence(), TPlaySequence::psqNext);
    monitor->SetPlaySequence(TPlaySequence::psqRandom);
    EXPECT_EQ(monitor->GetPlaySequence(), TPlaySequence::psqRandom);
    monitor->SetPlaySequence(TPlaySequence::psqNext);
    EXPECT_EQ(monitor->GetPlaySequence(), TPlaySequence::psqNext);

    monitor->SetTrackNumber(3);
    EXPECT_EQ(monitor->GetTrackNumber(), 3);
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 2; }));
    EXPECT_EQ(monitor->TrackData().Title, L"Third");
    // The new entry's play command is posted: it is handled, and logged,
    // after the requests sent since.
    ASSERT_TRUE(WaitFor([&] { return monitor->GetPlayState() == TPlayState::psPlay; }));

    peer->Mark();
    monitor->DoNextTrack();
    monitor->DoPrevTrack();
    monitor->DoSeekForward();
    monitor->DoSeekBack();
    ASSERT_TRUE(peer->Stall(0));
    std::vector<std::string> commands;
    for (const auto& l : peer->Lines())
        if (l.rfind("COMMAND", 0) == 0) commands.push_back(l);
    EXPECT_EQ(commands, (std::vector<std::string>{"COMMAND 40048 0", "COMMAND 40044 0", "COMMAND 40148 0",
                                                  "COMMAND 40144 0"}));

    monitor->SetWinAmpVisible(false);
    EXPECT_TRUE(WaitFor([&] { return !monitor->GetWinAmpVisible(); }));
    monitor->SetWinAmpVisible(true);
    EXPECT_TRUE(WaitFor([&] { return monitor->GetWinAmpVisible(); }));
    EXPECT_TRUE(errors.empty());
}

TEST_P(MonitorTest, NextArtistSkipsTheSameArtist) {
    TTagSpec a{"A1", "Same"}, b{"B1", "Other"};
    files = {MakeTrack(dir, L"a1.mp3", TagBytes(a)), MakeTrack(dir, L"a2.mp3", TagBytes(a)),
             MakeTrack(dir, L"b1.mp3", TagBytes(b))};
    Start(0);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; }));
    monitor->DoNextArtist();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 2; }));
    EXPECT_EQ(monitor->GetTrackNumber(), 3);
    EXPECT_EQ(monitor->TrackData().Artist, L"Other");
}

TEST_P(MonitorTest, TrackFileNameIsTheEntryPlayingNow) {
    Start(0);
    Watch();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; }));
    EXPECT_EQ(monitor->TrackFileName(), files[0]);
    // Reordered without a change of length: the list file on disk still
    // names the old order, the player does not.
    ASSERT_TRUE(peer->ReverseList());
    EXPECT_EQ(PlaylistEntries(settings + L"\\winamp.m3u8").front(), WideToUtf8(files[0]));
    EXPECT_EQ(monitor->TrackFileName(), files[3]);

    // A player that will not tell the name: a freshly written list file.
    monitor.reset();
    peer->Stop();
    Start(1, {L"--without", L"211,214"});
    Watch();
    ASSERT_TRUE(WaitFor([&] { return trackChanges == 1; }));
    EXPECT_EQ(monitor->TrackData().Title, L"Second");
    ASSERT_TRUE(peer->ReverseList());
    EXPECT_EQ(monitor->TrackFileName(), files[2]);
}

TEST_P(MonitorTest, StartedStartsAndClosesThePlayerProgram) {
    ASSERT_TRUE(WaitFor([] { return FindWindowW(wa::kWindowClass, nullptr) == nullptr; }));
    const std::wstring install = MakeTempDir(L"install");
    ASSERT_TRUE(CopyFileW(PeerExe(GetParam()).c_str(), (install + L"\\Winamp.exe").c_str(), FALSE));
    entry.SetFolder(install);
    Watch();
    ASSERT_FALSE(monitor->IsRunning());
    monitor->SetRunState(true);
    HWND wnd = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (wnd = FindWindowW(wa::kWindowClass, nullptr)) != nullptr; }, 15000));
    ASSERT_TRUE(WaitFor([&] { return monitor->IsRunning(); }));
    EXPECT_EQ(Upper(WindowProgramPath(wnd)), Upper(install + L"\\Winamp.exe"));
    // Asked again while it runs: no second player.
    monitor->SetRunState(true);
    WaitFor([] { return false; }, 1000);
    int players = 0;
    EnumWindows(
        [](HWND w, LPARAM count) -> BOOL {
            wchar_t cls[64];
            if (GetClassNameW(w, cls, 64) && std::wstring(cls) == wa::kWindowClass) ++*reinterpret_cast<int*>(count);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&players));
    EXPECT_EQ(players, 1);
    monitor->SetRunState(false);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(wnd); }));
    EXPECT_FALSE(monitor->IsRunning());
    if (IsWindow(wnd)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(wnd, &pid);
        if (HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid)) {
            TerminateProcess(p, 1);
            CloseHandle(p);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, MonitorTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Player32" : "Player64"; });
