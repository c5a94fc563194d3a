// Where the program finds the player, when it starts it, and what it does
// with it at start-up.
#include "app_fixture.h"

#include <algorithm>

namespace {

const std::string kPlay = "COMMAND 40045 0";

class LaunchTest : public AppTest {
protected:
    // The settings key as a second start finds it.
    static void MakeKey() { WriteDword(L"Play", 0); }
    // Turns "AutoPlay" on as stored, so that a restart starts with it.
    void StoreOption(int box) {
        Form().SetChecked(Form().CheckBox[box], true);
        Form().SaveSettings();
    }
};

}  // namespace

TEST_F(LaunchTest, TheUsualPlaceWinsWheneverItHoldsThePlayer) {
    InstallDefaultPlayer();
    // First start on a clean account: no key yet, so nothing is stored.
    Form();
    EXPECT_EQ(Text(kSettingsKey, L"WA"), L"<absent>");
    EXPECT_EQ(openDialogRuns, 0);
    // Second start: the usual place is stored, without asking.
    Restart();
    EXPECT_EQ(Text(kSettingsKey, L"WA"), TForm1::DefaultPlayerPath());
    // A player chosen elsewhere gives way to the usual place at every start.
    const std::wstring other = MakeTempDir(L"other") + L"\\winamp.exe";
    WriteFileBytes(other, "MZ");
    WriteRaw(L"WA", REG_SZ, other.c_str(), static_cast<DWORD>((other.size() + 1) * sizeof(wchar_t)));
    Restart();
    EXPECT_EQ(Text(kSettingsKey, L"WA"), TForm1::DefaultPlayerPath());
    EXPECT_EQ(openDialogRuns, 0);
}

TEST_F(LaunchTest, WithoutThePlayerInTheUsualPlaceTheUserIsAsked) {
    MakeKey();
    Form();
    ASSERT_EQ(openDialogRuns, 1);
    EXPECT_EQ(Form().OpenDialog1.Title, L"Укажите где расположен Winamp");
    EXPECT_EQ(Form().OpenDialog1.Filter, L"Winamp Executable|winamp.exe");
    // Cancelled: the empty text is stored, and the next start asks again.
    EXPECT_EQ(Text(kSettingsKey, L"WA"), L"");
    Restart();
    EXPECT_EQ(openDialogRuns, 2);
    // Chosen: stored, and no more questions while the file is there.
    const std::wstring chosen = MakeTempDir(L"chosen") + L"\\winamp.exe";
    WriteFileBytes(chosen, "MZ");
    openDialogAnswer = chosen;
    Restart();
    EXPECT_EQ(openDialogRuns, 3);
    EXPECT_EQ(Text(kSettingsKey, L"WA"), chosen);
    Restart();
    EXPECT_EQ(openDialogRuns, 3);
    // Nothing stored means nothing started, not even a player that stands
    // ready at the usual place.
    WriteRaw(L"WA", REG_SZ, L"", sizeof(wchar_t));
    const std::wstring log = InstallDefaultPlayer();
    Form().HotKeyManager1HotKeyPressed(0, 1);
    EXPECT_FALSE(WaitFor([] { return PlayerWindows() != 0; }, 1500));
    EXPECT_EQ(GetFileAttributesW(log.c_str()), INVALID_FILE_ATTRIBUTES) << "the player never ran";
}

// A path with spaces is started as that program, not as "C:\Program.exe"
// with arguments; with "AutoPlay" on, the new player plays at once.
TEST_F(LaunchTest, TheOnKeyStartsTheStoredPlayerAndPlays) {
    const std::wstring path = MakeTempDir(L"with spaces") + L"\\My Player\\Winamp.exe";
    const std::wstring log = InstallPlayer(path, {L"--file", L"C:\\a.mp3"});
    MakeKey();
    openDialogAnswer = path;
    Form();
    ASSERT_EQ(Text(kSettingsKey, L"WA"), path);
    Form().SetChecked(Form().CheckBox[13], true);
    Form().HotKeyManager1HotKeyPressed(0, 1);
    EXPECT_EQ(PlayerWindows(), 1);
    EXPECT_TRUE(WaitFor([&] { return LogHas(log, kPlay); }));
    // Running already: no second player, and a playing one is left alone.
    Form().HotKeyManager1HotKeyPressed(0, 1);
    EXPECT_EQ(PlayerWindows(), 1);
    Sleep(200);
    EXPECT_EQ(ReadFileBytes(log).find(kPlay), ReadFileBytes(log).rfind(kPlay));
}

TEST_F(LaunchTest, TheOnKeyPlaysARunningPlayerThatIsStoppedOrPaused) {
    TPeerPlayer peer(false, {L"--file", L"C:\\a.mp3"});
    ASSERT_TRUE(peer.Started());
    Form().SetChecked(Form().CheckBox[13], true);
    for (int state : {0, 3}) {
        ASSERT_TRUE(peer.ForceState(state));
        peer.Mark();
        Form().HotKeyManager1HotKeyPressed(0, 1);
        EXPECT_EQ(peer.Lines().back(), kPlay) << "state " << state;
    }
    peer.Mark();
    Form().HotKeyManager1HotKeyPressed(0, 1);
    for (const auto& line : peer.Lines()) EXPECT_NE(line, kPlay);
    // Without "AutoPlay" the key only starts a missing player.
    Form().SetChecked(Form().CheckBox[13], false);
    ASSERT_TRUE(peer.ForceState(0));
    peer.Mark();
    Form().HotKeyManager1HotKeyPressed(0, 1);
    for (const auto& line : peer.Lines()) EXPECT_NE(line, kPlay);
    EXPECT_EQ(PlayerWindows(), 1);
}

TEST_F(LaunchTest, StartUpOptionsStartThePlayerAndPlayIt) {
    const std::wstring log = InstallDefaultPlayer({L"--file", L"C:\\a.mp3"});
    MakeKey();
    Form();  // stores the usual place
    StoreOption(3);   // "AutoLoadPr&Wa"
    StoreOption(13);  // "AutoPlay"
    StoreOption(4);   // "VolMaxOnLoadWa"
    Restart();
    EXPECT_EQ(PlayerWindows(), 1);
    EXPECT_TRUE(WaitFor([&] { return LogHas(log, "USER 255 122") && LogHas(log, kPlay); }));
}

TEST_F(LaunchTest, AutoPlayAtStartLeavesAPausedPlayerPaused) {
    TPeerPlayer peer(false, {L"--file", L"C:\\a.mp3"});
    ASSERT_TRUE(peer.Started());
    MakeKey();
    StoreOption(13);
    for (int state : {3, 0}) {
        ASSERT_TRUE(peer.ForceState(state));
        peer.Mark();
        Restart();
        const auto lines = peer.Lines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), kPlay), state == 0 ? 1 : 0) << "state " << state;
    }
}
