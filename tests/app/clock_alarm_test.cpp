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
    // Each log-off or switch-off request notes the second it came in.
    void RecordFiringTimes(std::vector<std::wstring>& firedAt) {
        Form().ShutH1.ExitWindowsExFn = [&firedAt](UINT, DWORD) {
            SYSTEMTIME now;
            GetLocalTime(&now);
            firedAt.push_back(TForm1::FormatTime(now));
            return TRUE;
        };
    }
    // Leaves the picker's selection on the seconds, as the user's arrows
    // would: where the selection starts is the picker's own business.
    bool SelectSeconds(HWND picker) {
        SetFocus(picker);
        for (int i = 0; i < 8; ++i) {
            SYSTEMTIME was, is;
            DateTimeToSystemTime(Form().HTime1->GetTime(), was);
            SendMessageW(picker, WM_KEYDOWN, VK_UP, 0);
            DateTimeToSystemTime(Form().HTime1->GetTime(), is);
            SendMessageW(picker, WM_KEYDOWN, VK_DOWN, 0);
            if (was.wHour == is.wHour && was.wMinute == is.wMinute && was.wSecond != is.wSecond) return true;
            SendMessageW(picker, WM_KEYDOWN, VK_RIGHT, 0);
        }
        return false;
    }
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
    // Only a shown window's panels are kept up to date.
    EXPECT_FALSE(Form().Timer1.Running()) << "hidden in the tray, the clock sleeps";
    ShowWindow(Form().Handle(), SW_SHOWNOACTIVATE);
    EXPECT_TRUE(Form().Timer1.Running());
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
    ShowWindow(Form().Handle(), SW_HIDE);
    EXPECT_FALSE(Form().Timer1.Running());
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

// Windows sends a forced end no end-of-session messages: the settings as
// the window holds them are stored before log-off or switch-off is asked.
TEST_F(AlarmTest, LogOffAndSwitchOffSaveTheSettingsFirst) {
    for (int action : {3, 4}) {
        WriteDword(L"AskOnExit", 0);
        DWORD storedAtRequest = 0;
        Form().ShutH1.ExitWindowsExFn = [&](UINT, DWORD) {
            ReadDword(kSettingsKey, L"AskOnExit", storedAtRequest);
            return TRUE;
        };
        Form().SetChecked(Form().CheckBox[10], true);  // ticked, not saved
        Arm(action, 0);
        ASSERT_TRUE(WaitFor([&] { return !Armed(); }, 3000)) << "action " << action;
        EXPECT_EQ(storedAtRequest, 1u) << "action " << action;
        Form().SetChecked(Form().CheckBox[10], false);
    }
}

// Armed for the coming second, again and again, with the window hidden:
// every alarm goes off once, in its own second, whenever within a second
// it was armed.
TEST_F(AlarmTest, EveryAlarmGoesOffInItsOwnSecond) {
    ASSERT_FALSE(IsWindowVisible(Form().Handle()));
    std::vector<std::wstring> firedAt;
    RecordFiringTimes(firedAt);
    Form().SetRadio(3, true);
    for (int n = 0; n < 24; ++n) {
        // Armed at a different point within the second each time.
        WaitFor([] { return false; }, static_cast<DWORD>(n * 37 % 300));
        SYSTEMTIME now;
        GetLocalTime(&now);
        now.wMilliseconds = 0;
        const double next = SystemTimeToDateTime(now) + 1 / 86400.0;
        Form().HTime1->SetTime(next);
        SYSTEMTIME alarm;
        ASSERT_TRUE(DateTimeToSystemTime(next, alarm));
        const std::wstring due = TForm1::FormatTime(alarm);
        firedAt.clear();
        Form().SetChecked(Form().CheckBox[1], true);
        ASSERT_TRUE(WaitFor([&] { return !Armed(); }, 5000)) << "alarm " << n;
        ASSERT_EQ(firedAt.size(), 1u) << "alarm " << n;
        EXPECT_EQ(firedAt[0], due) << "alarm " << n;
    }
}

// Armed, or its time set by hand while armed, inside the alarm's own
// second: it goes off at once, wherever in that second it happens.
TEST_F(AlarmTest, AnAlarmSetInItsOwnSecondGoesOffAtOnce) {
    struct TCase {
        bool Edited;  // armed for later, then the user sets this second
        WORD AtMs;
    };
    const TCase cases[] = {{false, 10}, {false, 300}, {false, 650}, {false, 940},
                           {true, 10},  {true, 450},  {true, 900}};
    std::vector<std::wstring> firedAt;
    RecordFiringTimes(firedAt);
    Form().SetRadio(3, true);
    HWND picker = Form().HTime1->Picker();
    for (const TCase& c : cases) {
        const std::string row = std::string(c.Edited ? "edited" : "armed") + " at " + std::to_string(c.AtMs) + " ms";
        firedAt.clear();
        if (c.Edited) {
            Arm(3, 3600);
            ASSERT_TRUE(Armed()) << row;
            ASSERT_TRUE(SelectSeconds(picker)) << row;
        }
        const auto clock = [] {
            SYSTEMTIME now;
            GetLocalTime(&now);
            return now;
        };
        const WORD second = clock().wSecond;
        ASSERT_TRUE(WaitFor([&] { return clock().wSecond != second; }, 3000)) << row;
        ASSERT_TRUE(WaitFor([&] { return clock().wMilliseconds >= c.AtMs; }, 3000)) << row;
        SYSTEMTIME now;
        GetLocalTime(&now);
        const std::wstring due = TForm1::FormatTime(now);
        if (c.Edited) {
            // One second short, then the user's Up on the seconds: the
            // picker's own change brings the alarm to this second.
            SYSTEMTIME before = now;
            before.wSecond = static_cast<WORD>((now.wSecond + 59) % 60);
            Form().HTime1->SetTime(SystemTimeToDateTime(before));
            SendMessageW(picker, WM_KEYDOWN, VK_UP, 0);
        } else {
            Form().HTime1->SetTime(SystemTimeToDateTime(now));
            Form().SetChecked(Form().CheckBox[1], true);
        }
        EXPECT_TRUE(WaitFor([&] { return !Armed(); }, 300)) << row;
        ASSERT_EQ(firedAt.size(), 1u) << row;
        EXPECT_EQ(firedAt[0], due) << row;
    }
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
