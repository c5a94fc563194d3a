// The clock, the player's status line and the alarm, on the real timer.
#include "app_fixture.h"

#include <algorithm>

namespace {

class AlarmTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Seams();
    }
    // Power and log-off requests are recorded instead of ending the session.
    void Seams() {
        Form().ShutH1.ExitWindowsExFn = [this](UINT flags, DWORD) {
            exits.push_back(flags);
            return TRUE;
        };
        Form().ShutH1.RunCommandFn = [this](const std::wstring& cmd, int) {
            commands.push_back(cmd);
            return true;
        };
    }
    // Sets the alarm's time this many seconds from now (negative: passed),
    // selects the action and arms the alarm.
    void Arm(int action, int seconds) {
        SYSTEMTIME now;
        GetLocalTime(&now);
        Form().HTime1->SetTime(SystemTimeToDateTime(now) + seconds / 86400.0);
        Form().SetRadio(action, true);
        Form().SetChecked(Form().CheckBox[1], true);
    }
    bool Armed() { return Form().Checked(Form().CheckBox[1]); }
    // Waits for the alarm to go off, then a little more to see it not fire again.
    bool FiresAndDisarms() {
        const bool fired = WaitFor([&] { return !Armed(); }, 6000);
        WaitFor([] { return false; }, 1500);
        return fired;
    }

    std::vector<UINT> exits;
    std::vector<std::wstring> commands;
};

}  // namespace

TEST_F(AppTest, StatusLineTellsWhetherThePlayerRunsAndTheClockTicks) {
    EXPECT_TRUE(WaitFor([&] { return WindowText(Form().Panel2) == L"Winamp Not Detected"; }));
    {
        TPeerPlayer peer;
        ASSERT_TRUE(peer.Started());
        EXPECT_TRUE(WaitFor([&] { return WindowText(Form().Panel2) == L"Winamp v5.91 Detected"; }));
    }
    EXPECT_TRUE(WaitFor([&] { return WindowText(Form().Panel2) == L"Winamp Not Detected"; }));
    // The clock shows the time of day in the user's long format.
    EXPECT_TRUE(WaitFor([&] {
        SYSTEMTIME now;
        GetLocalTime(&now);
        return WindowText(Form().Panel1) == TForm1::FormatTime(now);
    }));
}

TEST_F(AlarmTest, ArmingEnablesTheTimeAndTheActions) {
    EXPECT_FALSE(Form().HTime1->GetEnabled());
    EXPECT_FALSE(Form().XPGroupBox4->Enabled());
    Form().SetChecked(Form().CheckBox[1], true);
    EXPECT_TRUE(Form().HTime1->GetEnabled());
    EXPECT_TRUE(Form().XPGroupBox4->Enabled());
    EXPECT_TRUE(IsWindowEnabled(Form().RadioButton[3]));
    Form().SetChecked(Form().CheckBox[1], false);
    EXPECT_FALSE(Form().HTime1->GetEnabled());
    EXPECT_FALSE(IsWindowEnabled(Form().RadioButton[3]));
}

TEST_F(AlarmTest, LogOffAndSwitchOffAreAskedOnceAndForced) {
    Arm(3, 2);
    EXPECT_TRUE(FiresAndDisarms());
    EXPECT_EQ(exits, std::vector<UINT>{EWX_LOGOFF | EWX_FORCE});
    EXPECT_FALSE(Form().HTime1->GetEnabled());
    exits.clear();
    Form().SetRadio(3, false);
    Arm(4, 2);
    EXPECT_TRUE(FiresAndDisarms());
    EXPECT_EQ(exits, std::vector<UINT>{EWX_POWEROFF | EWX_FORCE});
    EXPECT_TRUE(commands.empty());
}

TEST_F(AlarmTest, APassedTimeIsNotMadeUpLater) {
    Arm(4, -3);
    WaitFor([] { return false; }, 1500);
    EXPECT_TRUE(Armed());
    EXPECT_TRUE(exits.empty());
}

TEST_F(AlarmTest, StartingThePlayerPlaysIt) {
    const std::wstring log = InstallDefaultPlayer({L"--file", L"C:\\a.mp3"});
    WriteDword(L"Play", 0);
    Restart();  // stores the usual place
    Seams();
    Arm(1, 2);
    EXPECT_TRUE(FiresAndDisarms());
    EXPECT_EQ(PlayerWindows(), 1);
    EXPECT_TRUE(WaitFor([&] { return LogHas(log, "COMMAND 40045 0"); }));
}

TEST_F(AlarmTest, FullVolumeStartsThePlayerPlayingLoud) {
    TPeerPlayer peer(false, {L"--file", L"C:\\a.mp3"});
    ASSERT_TRUE(peer.Started());
    Arm(5, 2);
    EXPECT_TRUE(FiresAndDisarms());
    const auto lines = peer.Lines();
    EXPECT_NE(std::find(lines.begin(), lines.end(), "COMMAND 40045 0"), lines.end());
    EXPECT_NE(std::find(lines.begin(), lines.end(), "USER 255 122"), lines.end());
    EXPECT_EQ(PlayerWindows(), 1);
}

TEST_F(AlarmTest, ClosingThePlayerIsSentOnce) {
    TPeerPlayer peer(false, {L"--file", L"C:\\a.mp3"});
    ASSERT_TRUE(peer.Started());
    Arm(2, 2);
    EXPECT_TRUE(FiresAndDisarms());
    const auto lines = peer.Lines();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "COMMAND 40001 0"), 1);
}

// An action that fails is reported, and the alarm disarms all the same.
TEST_F(AlarmTest, AFailingActionStillDisarmsTheAlarm) {
    WriteDword(L"WA", 7);  // the launch cannot read the player's path
    Restart();
    Seams();
    asked.clear();
    Arm(1, 2);
    EXPECT_TRUE(FiresAndDisarms());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Invalid data type for 'WA'");
    EXPECT_EQ(asked[0].Flags & (MB_SETFOREGROUND | MB_TOPMOST), static_cast<UINT>(MB_SETFOREGROUND | MB_TOPMOST));
    EXPECT_EQ(Form().Timer1.Interval(), 100u);
    EXPECT_FALSE(Form().HTime1->GetEnabled());
}
