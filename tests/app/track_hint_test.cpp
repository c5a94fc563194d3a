// The balloon that names the track: on a change of track when asked for,
// replaced by a newer one, and taken down two seconds after the last.
#include "app_fixture.h"

namespace {

class HintTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        peer = std::make_unique<TPeerPlayer>(
            false, std::vector<std::wstring>{L"--file", L"C:\\Music\\Artist One - First Song.mp3", L"--file",
                                             L"C:\\Music\\Artist Two - Second Song.mp3", L"--play"});
        ASSERT_TRUE(peer->Started());
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
    }
    std::wstring Balloon() { return Form().TrayIcon->IconData().szInfo; }
    std::unique_ptr<TPeerPlayer> peer;
};

}  // namespace

TEST_F(HintTest, ATrackChangeIsAnnouncedOnlyWhenAskedFor) {
    Form().SetChecked(Form().CheckBox[8], true);  // "Хинт на каждую песню"
    ASSERT_TRUE(peer->ForceEntry(1));
    EXPECT_TRUE(WaitFor([&] { return Balloon() == L"2. Artist Two - Second Song"; }));
    EXPECT_EQ(Form().TrayIcon->IconData().szInfoTitle, std::wstring(L"Текущая песня"));
    EXPECT_EQ(Form().TrayIcon->IconData().dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_TRUE(WaitFor([&] { return Balloon().empty(); }));

    Form().SetChecked(Form().CheckBox[8], false);
    ASSERT_TRUE(peer->ForceEntry(0));
    WaitFor([] { return false; }, 500);
    EXPECT_EQ(Balloon(), L"");
    // The key asks for it whatever the option says.
    Form().HotKeyManager28HotKeyPressed(0, 28);
    EXPECT_EQ(Balloon(), L"1. Artist One - First Song");
}

TEST_F(HintTest, ANewBalloonReplacesTheOldAndStaysItsFullTwoSeconds) {
    Form().ShowTrackHint();
    WaitFor([] { return false; }, 1500);
    ASSERT_TRUE(peer->ForceEntry(1));
    const ULONGLONG second = GetTickCount64();
    Form().ShowTrackHint();
    EXPECT_EQ(Balloon(), L"2. Artist Two - Second Song");
    // Not down when the first one's two seconds are over ...
    WaitFor([] { return false; }, 1000);
    EXPECT_EQ(Balloon(), L"2. Artist Two - Second Song");
    // ... but soon after the second one's.
    EXPECT_TRUE(WaitFor([&] { return Balloon().empty(); }, 5000));
    EXPECT_GE(GetTickCount64() - second, 1900u);
    EXPECT_FALSE(Form().Timer2.Enabled());
}

TEST_F(HintTest, TheShuffleKeyNamesTheNewOrder) {
    Form().HotKeyManager16HotKeyPressed(0, 16);
    EXPECT_EQ(Balloon(), L"Случайный выбор");
    EXPECT_EQ(Form().TrayIcon->IconData().szInfoTitle, std::wstring(L"Режим"));
    Form().HotKeyManager16HotKeyPressed(0, 16);
    EXPECT_EQ(Balloon(), L"Последоватеный выбор");
    EXPECT_TRUE(WaitFor([&] { return Balloon().empty(); }));
}
