#include "app_fixture.h"

#include <algorithm>

#include "player/winamp_api.h"

namespace {

// A distinct Ctrl+Alt combination for every action.
TShortCut KeyOf(int n) { return static_cast<TShortCut>(0xC000 | (n <= 26 ? 'A' + n - 1 : VK_F1 + n - 27)); }

std::string Cmd(int id) { return "COMMAND " + std::to_string(id) + " 0"; }

class ActionTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        peer = std::make_unique<TPeerPlayer>(false, std::vector<std::wstring>{L"--file", L"C:\\a.mp3", L"--file",
                                                                              L"C:\\b.mp3"});
        ASSERT_TRUE(peer->Started());
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
    }
    void BindAll() {
        for (int n = 1; n <= kActionCount; ++n) SetHotKeyWord(Form().HotKey[n], KeyOf(n));
        Form().ApplyHotKeys();
    }
    std::unique_ptr<TPeerPlayer> peer;
};

}  // namespace

TEST_F(ActionTest, EachPlayerActionSendsItsCommand) {
    BindAll();
    const std::pair<int, int> table[] = {
        {6, 40045},  {7, 40046},  {8, 40047},  {9, 40044},  {10, 40048}, {11, 40058}, {12, 40059},
        {13, 40148}, {14, 40144}, {15, 40041}, {17, 40022}, {18, 40040}, {19, 40012}, {20, 40298},
        {21, 40258}, {22, 40036}, {23, 40192}, {24, 40188}, {25, 40190}, {26, 40029}, {27, 40194},
    };
    for (auto [n, id] : table) {
        peer->Mark();
        Press(KeyOf(n));
        EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(id)}) << "action " << n;
    }
    // Stop fades out when the option says so.
    Form().SetChecked(Form().CheckBox[6], true);
    peer->Mark();
    Press(KeyOf(8));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40147)});
    // Close Winamp.
    peer->Mark();
    Press(KeyOf(2));
    EXPECT_TRUE(peer->WaitForLine(Cmd(40001)));
}

TEST_F(ActionTest, SameCombinationTwiceBelongsToTheLowerAction) {
    SetHotKeyWord(Form().HotKey[6], KeyOf(1));
    SetHotKeyWord(Form().HotKey[10], KeyOf(1));
    Form().ApplyHotKeys();
    Press(KeyOf(1));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40045)});
}

TEST_F(ActionTest, AnEditTakesEffectOnlyWhenApplied) {
    SetHotKeyWord(Form().HotKey[10], KeyOf(10));
    Form().ApplyHotKeys();
    SetHotKeyWord(Form().HotKey[10], KeyOf(11));
    Press(KeyOf(11));
    Press(KeyOf(10));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40048)});
    Form().Button2Click();  // "Сохранить настройки" applies
    peer->Mark();
    Press(KeyOf(10));
    Press(KeyOf(11));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40048)});
    EXPECT_EQ(Dword(L"PlayNext"), KeyOf(11));
}

TEST_F(ActionTest, OnOffKeySavesAndSuspendsThenReloadsAndResumes) {
    BindAll();
    SetHotKeyWord(Form().HotKey[6], 0xC000 | VK_F12);  // edited, never saved
    Press(KeyOf(5));
    EXPECT_TRUE(Form().HotKeysSuspended);
    EXPECT_EQ(Dword(L"Play"), 0xC000u | VK_F12) << "suspending saves the fields as they are";
    EXPECT_TRUE(HotKeyAvailable(KeyOf(10))) << "the other keys are free for other programs";
    EXPECT_FALSE(HotKeyAvailable(KeyOf(5))) << "the on/off key stays live";
    Press(KeyOf(10));
    EXPECT_TRUE(peer->Lines().empty());

    WriteDword(L"PlayNext", 0xC000 | VK_F11);  // changed meanwhile in the registry
    Press(KeyOf(5));
    EXPECT_FALSE(Form().HotKeysSuspended);
    EXPECT_EQ(GetHotKeyWord(Form().HotKey[10]), 0xC000 | VK_F11);
    Press(0xC000 | VK_F11);
    Press(0xC000 | VK_F12);
    EXPECT_EQ(peer->Lines(), (std::vector<std::string>{Cmd(40048), Cmd(40045)}));
}

TEST_F(ActionTest, MinMaxTogglesANormalPlayerAndLeavesAMaximisedOne) {
    BindAll();
    HWND w = peer->Window();
    ShowWindow(w, SW_SHOWNORMAL);
    Press(KeyOf(3));
    EXPECT_TRUE(WaitFor([&] { return IsIconic(w) != FALSE; }, 3000));
    Press(KeyOf(3));
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(w); }, 3000));
    ShowWindow(w, SW_SHOWMAXIMIZED);
    WaitFor([&] { return IsZoomed(w) != FALSE; }, 3000);
    Press(KeyOf(3));
    WaitFor([] { return false; }, 200);
    EXPECT_FALSE(IsIconic(w));
}

// A key pressed while the player does not answer holds the program up for
// one time-out at most, whatever the action would send, claims nothing, and
// the next key works.
TEST_F(ActionTest, AKeyPressedWhileThePlayerHangsReturnsAndTheNextKeyWorks) {
    BindAll();
    // Shuffle: a command, then a question for the balloon.
    Form().TrayIcon->HideBalloonHint();
    peer->Mark();
    peer->SlowAfter(0, 1500);
    Press(KeyOf(16));
    EXPECT_EQ(peer->Received(), 1u) << "nothing is asked after the first time-out";
    peer->SlowAfter(0, 0);
    EXPECT_EQ(std::wstring(Form().TrayIcon->IconData().szInfo), L"") << "no play order was told";
    peer->Mark();
    Press(KeyOf(9));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40044)});

    // Minimise: a player that takes in no message at all is not waited for.
    HWND w = peer->Window();
    ShowWindow(w, SW_SHOWNORMAL);
    ASSERT_TRUE(peer->Stall(4000));
    Press(KeyOf(3));
    const auto during = peer->Lines();
    EXPECT_EQ(std::find(during.begin(), during.end(), "STALL END"), during.end()) << "the key waited for the player";
    ASSERT_TRUE(peer->WaitForLine("STALL END", 10000));
    EXPECT_TRUE(WaitFor([&] { return IsIconic(w) != FALSE; }, 3000)) << "the player catches up";
    peer->Mark();
    Press(KeyOf(10));
    EXPECT_EQ(peer->Lines(), std::vector<std::string>{Cmd(40048)});
}

TEST_F(ActionTest, ExitAllAnsweredNoHasQuitThePlayerAndKeepsRunning) {
    BindAll();
    Form().SetChecked(Form().CheckBox[10], true);
    answers = {IDNO};
    Press(KeyOf(4));
    EXPECT_TRUE(peer->WaitForLine(Cmd(40001)));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Вы действительно хотите выйти ?");
    EXPECT_EQ(asked[0].Caption, L"Confirm");
    EXPECT_FALSE(Form().Closed());
}

TEST_F(AppTest, ExitButtonAsksTwiceAndEveryCloseSaves) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);
    SetHotKeyWord(f.HotKey[9], 0xC000 | 'P');
    answers = {IDYES, IDNO};
    f.Button4Click();
    EXPECT_EQ(asked.size(), 2u);
    EXPECT_FALSE(f.Closed());
    EXPECT_FALSE(HotKeyAvailable(0xC000 | 'P')) << "applied before the question";
    EXPECT_EQ(Dword(L"PlayPrev"), 0xC000u | 'P') << "saved before the question";

    f.SetChecked(f.CheckBox[9], true);
    answers = {IDYES, IDYES};
    f.Button4Click();
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(Dword(L"HintOnComplete"), 1u);
}

TEST_F(AppTest, CloseWithoutTheQuestionEndsAtOnceAndSaves) {
    TForm1& f = Form();
    f.SaveSettings();
    f.SetChecked(f.CheckBox[4], true);
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(f.Closed());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Dword(L"VolMaxOnLoadWa"), 1u);
}
