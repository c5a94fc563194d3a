#include "player/winamp_link.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "player/winamp_api.h"
#include "support/peer_player.h"

namespace {

using Lines = std::vector<std::string>;

std::string Cmd(int id) { return "COMMAND " + std::to_string(id) + " 0"; }
std::string Req(long long wp, int code) { return "USER " + std::to_string(wp) + " " + std::to_string(code); }

// A plug-in hosted beside the player: hands out a window of its choosing.
class TTestPlugin : public TTarnWinAmpCustomPlugin {
public:
    TTestPlugin(HWND wnd, TTarnWinAmpPluginType type) : FWnd(wnd), FType(type) {}
    HWND GetHWindow() override { return FWnd; }
    TTarnWinAmpPluginType GetPluginType() override { return FType; }

private:
    HWND FWnd;
    TTarnWinAmpPluginType FType;
};

// The stand-in player in either width: the real one is a 32-bit program.
class LinkTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        peer = std::make_unique<TPeerPlayer>(GetParam(), Args());
        ASSERT_TRUE(peer->Started());
    }
    virtual std::vector<std::wstring> Args() { return {L"--file", L"C:\\a.mp3", L"--file", L"C:\\b.mp3"}; }
    Lines Sent() { return peer->Lines(); }

    std::unique_ptr<TPeerPlayer> peer;
    TTarnWinAmpLink link;
};

struct CommandCase {
    void (TTarnWinAmpLink::*Op)();
    int Id;
};

const CommandCase kCommands[] = {
    {&TTarnWinAmpLink::TogglePreferences, 40012}, {&TTarnWinAmpLink::ToggleAlwaysOnTop, 40019},
    {&TTarnWinAmpLink::ToggleRepeat, 40022},      {&TTarnWinAmpLink::ToggleShuffle, 40023},
    {&TTarnWinAmpLink::OpenFileDialog, 40029},    {&TTarnWinAmpLink::ToggleEQ, 40036},
    {&TTarnWinAmpLink::TogglePL, 40040},          {&TTarnWinAmpLink::ToggleAbout, 40041},
    {&TTarnWinAmpLink::TrackPrev, 40044},         {&TTarnWinAmpLink::TrackPlay, 40045},
    {&TTarnWinAmpLink::TrackPause, 40046},        {&TTarnWinAmpLink::TrackContinue, 40046},
    {&TTarnWinAmpLink::TrackNext, 40048},         {&TTarnWinAmpLink::VolRaise, 40058},
    {&TTarnWinAmpLink::VolLower, 40059},          {&TTarnWinAmpLink::ToggleWindowShade, 40064},
    {&TTarnWinAmpLink::TogglePlaylistWindowShade, 40266},
    {&TTarnWinAmpLink::TrackFR, 40144},           {&TTarnWinAmpLink::TrackFF, 40148},
    {&TTarnWinAmpLink::PlaylistStart, 40154},     {&TTarnWinAmpLink::OpenURLDialog, 40155},
    {&TTarnWinAmpLink::PlaylistEnd, 40158},       {&TTarnWinAmpLink::ToggleDoubleSize, 40165},
    {&TTarnWinAmpLink::ToggleEasyMove, 40186},    {&TTarnWinAmpLink::OpenInfoDialog, 40188},
    {&TTarnWinAmpLink::ToggleAutoScroll, 40189},  {&TTarnWinAmpLink::VizOpenOptions, 40190},
    {&TTarnWinAmpLink::VizOpenPluginOptions, 40191}, {&TTarnWinAmpLink::VizExec, 40192},
    {&TTarnWinAmpLink::OpenJumpToTime, 40193},    {&TTarnWinAmpLink::OpenJumpToFile, 40194},
    {&TTarnWinAmpLink::SkinSelect, 40219},        {&TTarnWinAmpLink::VizConfigurePlugIn, 40221},
    {&TTarnWinAmpLink::ToggleMain, 40258},        {&TTarnWinAmpLink::SkinReload, 40291},
    {&TTarnWinAmpLink::ToggleBrowser, 40298},
};

}  // namespace

TEST_P(LinkTest, EveryCommandArrivesWithItsIdInOrder) {
    Lines expected;
    for (const auto& c : kCommands) {
        (link.*c.Op)();
        expected.push_back(Cmd(c.Id));
    }
    link.TrackStop(true, true);
    link.TrackStop(false, true);
    link.TrackStop(false, false);
    link.SetTimeDisplayMode(TTarnWinAmpTimeDisplayMode::watdmElapsed);
    link.SetTimeDisplayMode(TTarnWinAmpTimeDisplayMode::watdmUnknown);
    link.SetTimeDisplayMode(TTarnWinAmpTimeDisplayMode::watdmRemaining);
    for (int id : {40147, 40157, 40047, 40037, 40038}) expected.push_back(Cmd(id));
    link.Quit();
    expected.push_back(Cmd(40001));
    EXPECT_EQ(Sent(), expected);
}

TEST_P(LinkTest, RequestsCarryTheirParametersAndCodes) {
    link.PlaylistClear();
    link.TrackPlaySelected();
    link.SetTrackPosition(90000);
    link.PlaylistSave();
    link.SetPlaylistIndex(1);
    link.SetVolume(255);
    link.SetPanning(0x80);
    link.GetPlaylistCount();
    link.GetPlaylistIndex();
    link.GetTrackSampleRate();
    link.GetTrackBitRate();
    link.GetTrackChannels();
    link.GetEQData(4);
    link.GetEQPreamp();
    link.GetEQEnabled();
    link.SetEQData(3, 40);
    link.Restart();
    link.SetBrowserBlock(true);
    link.SetBrowserBlock(false);
    link.GetTrackLength();
    link.GetTrackPosition();
    EXPECT_EQ(Sent(), (Lines{Req(0, 101), Req(0, 102), Req(90000, 106), Req(0, 120), Req(1, 121),
                             Req(255, 122), Req(128, 123), Req(0, 124), Req(0, 125), Req(0, 126),
                             Req(1, 126), Req(2, 126), Req(4, 127), Req(10, 127), Req(11, 127),
                             Req(3, 127), Req(40, 128), Req(0, 135), Req(1, 248), Req(0, 248),
                             Req(1, 105), Req(0, 105)}));
    // What the player did with them.
    EXPECT_EQ(link.GetEQData(3), 40);
}

TEST_P(LinkTest, TextRequestsSendAnAddressUnderTheirCode) {
    link.AddToBookmarkList(L"C:\\x.mp3");
    link.VizSelExec(L"vis_avs.dll", 2);
    link.SetBrowserURL(L"http://example.org/");
    link.BrowserForceURL(L"http://example.org/");
    Lines got = Sent();
    ASSERT_EQ(got.size(), 4u);
    const int codes[] = {129, 202, 241, 249};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_TRUE(got[i].starts_with("USER ")) << got[i];
        const std::string code = std::to_string(codes[i]);
        EXPECT_EQ(got[i].substr(got[i].size() - code.size() - 1), ' ' + code) << got[i];
        EXPECT_NE(got[i], Req(0, codes[i])) << "a text goes as a non-null address";
    }
}

TEST_P(LinkTest, CopyDataRequestsCarryTheTextAcrossProcesses) {
    link.PlaybackStart(L"C:\\a.mp3");  // 8 characters
    link.ChangeDir(L"D:\\Music");
    EXPECT_EQ(Sent(), (Lines{"COPYDATA 100 9 C:\\a.mp3", "COPYDATA 103 9 D:\\Music"}));
    // As the real player: the file joins the list and nothing starts.
    EXPECT_EQ(link.GetPlayBackStatus(), TTarnWinAmpPlayBackStatus::wapsStopped);
    EXPECT_EQ(link.GetPlaylistCount(), 3);
    EXPECT_EQ(link.GetPlaylistIndex(), 0);
    // Nothing playing: the player answers -1 for the position.
    EXPECT_EQ(link.GetTrackPosition(), 0u);
}

TEST_P(LinkTest, PlayStateAnswersMapToTheLinksOwnOrder) {
    const std::pair<int, TTarnWinAmpPlayBackStatus> cases[] = {
        {1, TTarnWinAmpPlayBackStatus::wapsPlaying}, {3, TTarnWinAmpPlayBackStatus::wapsPaused},
        {0, TTarnWinAmpPlayBackStatus::wapsStopped}, {2, TTarnWinAmpPlayBackStatus::wapsStopped},
        {4, TTarnWinAmpPlayBackStatus::wapsStopped}};
    for (auto [answer, status] : cases) {
        ASSERT_TRUE(peer->ForceState(answer));
        EXPECT_EQ(link.GetPlayBackStatus(), status) << "answer " << answer;
    }
}

TEST_P(LinkTest, AnswersAreReadFromTheBitsTheInterfaceDefines) {
    EXPECT_TRUE(link.IsRunning());
    EXPECT_EQ(link.GetVersion(), 0x5091);
    EXPECT_EQ(link.GetVersionString(), L"v5.91");
    EXPECT_EQ(link.GetTrackSampleRate(), 44);
    EXPECT_EQ(link.GetTrackBitRate(), 128);
    EXPECT_EQ(link.GetTrackChannels(), 2);
    EXPECT_EQ(link.GetEQPreamp(), 31);
    EXPECT_FALSE(link.GetEQEnabled());
    link.TrackPlay();
    link.SetTrackPosition(4000000000u);  // beyond 31 bits: read back unsigned
    EXPECT_GE(link.GetTrackPosition(), 4000000000u);
    link.PlaylistClear();
    // The player answers -1 for the length of nothing: a 32-bit -1 reaches
    // us sign-extended, and only the low 16 bits count.
    EXPECT_EQ(link.GetTrackLength(), 0xFFFF);
    EXPECT_EQ(link.GetPlaylistCount(), 0);
}

class LinkOddAnswers : public LinkTest {
    std::vector<std::wstring> Args() override {
        return {L"--file", L"C:\\a.mp3", L"--version", L"2091", L"--length", L"74565"};
    }
};

TEST_P(LinkOddAnswers, VersionAndLengthConversions) {
    EXPECT_EQ(link.GetVersionString(), L"v2.91");
    EXPECT_EQ(link.GetTrackLength(), 9029);  // 65536 + 9029: only the low 16 bits
}

TEST_P(LinkTest, PluginGateKeepsInProcessRequestsFromAForeignPlayer) {
    // No plug-in: nothing is sent, and the answers are empty.
    EXPECT_EQ(link.GetSkin(), L"");
    EXPECT_EQ(link.GetPlaylistFileName(0), L"");
    EXPECT_EQ(link.GetPlaylistTitle(0), L"");
    EXPECT_EQ(link.GetBrowserURL(), L"");
    EXPECT_FALSE(link.GetShuffle());
    EXPECT_FALSE(link.GetRepeat());
    EXPECT_FALSE(link.GetInternet());
    link.SetShuffle(true);
    link.SetRepeat(true);
    link.SetSkin(L"Bento");
    link.UpdateInfo();
    // A plug-in of kind "none" opens nothing either.
    TTestPlugin none(peer->Window(), TTarnWinAmpPluginType::waplNone);
    link.SetPlugin(&none);
    EXPECT_FALSE(link.GetShuffle());
    link.SetShuffle(true);
    EXPECT_EQ(Sent(), Lines{});
    link.SetPlugin(nullptr);
}

TEST_P(LinkTest, HostedPluginQueriesBeforeSettingShuffleAndRepeat) {
    TTestPlugin hosted(peer->Window(), TTarnWinAmpPluginType::waplGeneric);
    link.SetPlugin(&hosted);
    EXPECT_FALSE(link.GetShuffle());
    link.SetShuffle(true);
    EXPECT_TRUE(link.GetShuffle());
    link.SetShuffle(true);   // already on: only the query goes
    link.SetRepeat(false);   // already off
    EXPECT_TRUE(link.GetInternet());
    EXPECT_EQ(Sent(), (Lines{Req(0, 250), Req(0, 250), Req(1, 252), Req(0, 250), Req(0, 250),
                             Req(0, 251), Req(0, 242)}));
    link.SetPlugin(nullptr);
}

TEST_P(LinkTest, PluginWindowComesFirstAndItsDestructionFallsBackToTheClass) {
    HWND other = CreateWindowExW(0, L"STATIC", L"elsewhere", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    {
        TTestPlugin plugin(other, TTarnWinAmpPluginType::waplGeneric);
        link.SetPlugin(&plugin);
        EXPECT_EQ(link.GetHWindow(), other);
        TTestPlugin silent(nullptr, TTarnWinAmpPluginType::waplGeneric);
        link.SetPlugin(&silent);
        EXPECT_EQ(link.GetHWindow(), peer->Window());  // a plug-in answering 0
        link.SetPlugin(&plugin);
    }
    EXPECT_EQ(link.GetPlugin(), nullptr);
    EXPECT_EQ(link.GetHWindow(), peer->Window());
    link.TrackNext();
    EXPECT_EQ(Sent(), Lines{Cmd(40048)});
    DestroyWindow(other);
}

TEST_P(LinkTest, StalledPlayerNeverFreezesTheCaller) {
    ASSERT_TRUE(peer->Stall(3000));
    const ULONGLONG t0 = GetTickCount64();
    const WORD version = link.GetVersion();
    const ULONGLONG waited = GetTickCount64() - t0;
    EXPECT_EQ(version, 0) << "a request that times out reads as 0";
    EXPECT_LT(waited, 2000u) << "waited " << waited << " ms";
    link.TrackNext();
    // A message the player never took in is withdrawn when its time is up,
    // as if the player had been absent; what follows arrives in order.
    ASSERT_TRUE(peer->WaitForLine("STALL END", 8000));
    link.TrackPrev();
    link.TrackPlay();
    EXPECT_EQ(link.GetVersion(), 0x5091);
    EXPECT_EQ(Sent(), (Lines{"STALL 3000", "STALL END", Cmd(40044), Cmd(40045), Req(0, 0)}));
}

// The operations that send two messages send the second only to a player
// that answered the first: one time-out at most, and no value set on a
// band or a setting that the player never took in.
TEST_P(LinkTest, ASecondMessageFollowsOnlyAnAnsweredFirst) {
    TTestPlugin hosted(peer->Window(), TTarnWinAmpPluginType::waplGeneric);
    link.SetPlugin(&hosted);
    for (int op = 0; op < 3; ++op) {
        peer->Mark();
        peer->SlowAfter(0, 1500);
        if (op == 0) link.SetEQData(3, 40);
        if (op == 1) link.SetShuffle(true);
        if (op == 2) link.SetRepeat(true);
        EXPECT_EQ(peer->Received(), 1u) << "operation " << op;
        peer->SlowAfter(0, 0);
    }
    EXPECT_EQ(link.GetEQData(3), 31);
    EXPECT_FALSE(link.GetShuffle());
    EXPECT_FALSE(link.GetRepeat());
    // Answered again: both messages go.
    peer->Mark();
    link.SetEQData(3, 40);
    link.SetShuffle(true);
    EXPECT_EQ(Sent(), (Lines{Req(3, 127), Req(40, 128), Req(0, 250), Req(1, 252)}));
    EXPECT_EQ(link.GetEQData(3), 40);
    link.SetPlugin(nullptr);
}

INSTANTIATE_TEST_SUITE_P(Widths, LinkTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Player32" : "Player64"; });
INSTANTIATE_TEST_SUITE_P(Widths, LinkOddAnswers, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Player32" : "Player64"; });

TEST(LinkWithoutPlayer, EverythingReadsAsZeroAndNothingFails) {
    TTarnWinAmpLink link;
    link.SetWindowClassName(L"No Such Player Class");
    EXPECT_EQ(link.WindowClassName(), L"No Such Player Class");
    EXPECT_FALSE(link.IsRunning());
    EXPECT_EQ(link.GetVersion(), 0);
    EXPECT_EQ(link.GetVersionString(), L"v0.00");
    EXPECT_EQ(link.GetPlayBackStatus(), TTarnWinAmpPlayBackStatus::wapsStopped);
    EXPECT_EQ(link.GetPlaylistCount(), 0);
    EXPECT_EQ(link.GetTrackLength(), 0);
    EXPECT_FALSE(link.GetEQEnabled());
    link.TrackNext();
    link.PlaybackStart(L"C:\\a.mp3");
    link.SetEQData(1, 2);
}
