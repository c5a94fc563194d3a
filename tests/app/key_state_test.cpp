// What the keys and the tray show is what is in force: a held key, a second
// press of the on/off key inside the first, a save while the keys are off,
// the start-up balloon, a retry that fails for a passing reason.
#include "app_fixture.h"

#include <algorithm>
#include <vector>

#include "held_keys.h"
#include "support/key_holder.h"

namespace {

constexpr TShortCut kCtrlAlt = 0xC000;
constexpr TShortCut kOnOff = kCtrlAlt | 'E';
constexpr TShortCut kHeld = kCtrlAlt | 'K';

std::string Cmd(int id) { return "COMMAND " + std::to_string(id) + " 0"; }

class KeyStateTest : public AppTest {
protected:
    std::wstring Tip() { return Form().TrayIcon->IconData().szTip; }
    // The on/off flag, the keys registered, the tray and the retry of a key
    // held elsewhere agree. Action 7 holds a key nobody else has.
    void ExpectKeysOn(bool on, const std::string& how) {
        TForm1& f = Form();
        EXPECT_EQ(f.HotKeysSuspended, !on) << how;
        EXPECT_EQ(f.HotKeyManager[7].Registrations().empty(), !on || GetHotKeyWord(f.HotKey[7]) == 0) << how;
        EXPECT_EQ(Tip() == L"Merrowind Plovik v4.0", on) << how << ": " << WideToUtf8(Tip());
        bool held = false;
        for (const auto& s : f.KeyStatus) held = held || s.State == TForm1::TKeyState::HeldElsewhere;
        EXPECT_EQ(f.KeyRetryTimer.Enabled(), held && on) << how;
    }
};

}  // namespace

// A toggle held down acts once; volume and seeking go on while held. The
// keys go down through the system's input, which raises the hot keys as the
// keyboard's repeat does, once some window of the desktop has the focus.
TEST_F(KeyStateTest, AHeldKeyTogglesOnceAndAStepRepeats) {
    TPeerPlayer peer;
    ASSERT_TRUE(peer.Started());
    ShowWindow(Form().Handle(), SW_SHOW);
    SetForegroundWindow(Form().Handle());
    // The hot keys the system raised, repeats included: a row whose repeats
    // never came would pass whatever the program does with them.
    int raised = 0;
    TWindowHook counter;
    counter.Hook(Application().Handle(), [&](TMessage& m) { raised += m.Msg == WM_HOTKEY ? 1 : 0; });
    const auto hold = [&](WORD key, int downs) {
        raised = 0;
        SendKeys({VK_CONTROL, VK_MENU}, true);
        for (int i = 0; i < downs; ++i) {
            SendKeys({key}, true);
            HandleHotKeys();  // while the key is still held
        }
        SendKeys({key, VK_MENU, VK_CONTROL}, false);
        return raised;
    };
    // Until the focus has fully come, Wine raises one hot key for a held
    // combination, repeats or not: a step key is held until it repeats.
    SetHotKeyWord(Form().HotKey[12], static_cast<TShortCut>(kCtrlAlt | 'D'));
    Form().ApplyHotKeys();
    ASSERT_TRUE(WaitFor([&] { return hold('D', 2) == 2; })) << "the system raises no repeats";
    SetHotKeyWord(Form().HotKey[12], 0);
    struct TRow {
        int Action;
        WORD Key;
        int Command;
        size_t Expected;  // commands for a press and four repeats
    } rows[] = {{17, 'R', 40022, 1}, {33, 'T', 40046, 1}, {11, 'U', 40058, 5}, {13, 'F', 40148, 5}};
    const auto sent = [&](int command) {
        peer.Stall(0);
        size_t n = 0;
        for (const std::string& line : peer.Lines()) n += line == Cmd(command);
        return n;
    };
    for (const TRow& r : rows) {
        SetHotKeyWord(Form().HotKey[r.Action], static_cast<TShortCut>(kCtrlAlt | r.Key));
        Form().ApplyHotKeys();
        ASSERT_TRUE(peer.ForceState(1));
        peer.Mark();
        EXPECT_EQ(hold(r.Key, 5), 5) << "action " << r.Action << ": the system raised no repeats";
        EXPECT_EQ(sent(r.Command), r.Expected) << "action " << r.Action;

        // Let go, a new press acts again.
        EXPECT_TRUE(WaitFor([&] { return !Form().KeyRepeatGuard.Holding(r.Action); }));
        peer.Mark();
        SendKeys({VK_CONTROL, VK_MENU, r.Key}, true);
        HandleHotKeys();
        SendKeys({r.Key, VK_MENU, VK_CONTROL}, false);
        EXPECT_EQ(sent(r.Command), 1u) << "action " << r.Action << ", pressed again";
        SetHotKeyWord(Form().HotKey[r.Action], 0);
    }
}

// The on/off key pressed again while the box of its own load waits is not
// a second switch under the first.
TEST_F(KeyStateTest, ASecondOnOffPressInsideTheFirstLeavesFlagKeysAndTrayAgreed) {
    WriteDword(L"PlovikOnOff", kOnOff);
    WriteDword(L"Pause", kCtrlAlt | 'J');
    Form();
    Press(kOnOff);
    ExpectKeysOn(false, "suspended");
    WriteRaw(L"Rew", REG_SZ, L"x", 4);
    int boxes = 0;
    Application().MessageBoxFn = [&](HWND, const std::wstring&, const std::wstring&, UINT) {
        if (++boxes == 1) Press(kOnOff);
        return IDOK;
    };
    Press(kOnOff);
    ExpectKeysOn(true, "resumed with a second press in the box");
    EXPECT_EQ(boxes, 1) << "the second press loaded the settings again under the first";
}

// A save, a reset or the exit button while the keys are off puts them all
// in force, and the tray says so; a reset answered with cancel leaves them
// off, and the tray says that.
TEST_F(KeyStateTest, ApplyingTheKeysWhileSwitchedOffShowsWhatIsInForce) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    struct TRow {
        const char* How;
        std::vector<int> Answers;
        void (TForm1::*Click)();
        bool KeysOn;
    } rows[] = {
        {"save", {}, &TForm1::Button2Click, true},
        {"reset answered ok", {IDOK}, &TForm1::Button1Click, true},
        {"reset answered cancel", {IDCANCEL}, &TForm1::Button1Click, false},
        {"exit answered no", {IDNO}, &TForm1::Button4Click, true},
    };
    for (const TRow& r : rows) {
        TForm1& f = Form();
        f.SetChecked(f.CheckBox[10], true);  // the exit button asks
        SetHotKeyWord(f.HotKey[5], kOnOff);
        SetHotKeyWord(f.HotKey[6], kHeld);
        SetHotKeyWord(f.HotKey[7], kCtrlAlt | 'J');
        f.ApplyHotKeys();
        Press(kOnOff);
        ExpectKeysOn(false, std::string(r.How) + ", before");
        answers.assign(r.Answers.begin(), r.Answers.end());
        (f.*r.Click)();
        EXPECT_FALSE(f.Closed()) << r.How;
        ExpectKeysOn(r.KeysOn, r.How);
        form.reset();
    }
}

// The balloon naming keys not in force is not replaced by the first song's
// balloon at once; that one follows when it has been read.
TEST_F(KeyStateTest, TheStartUpBalloonAboutKeysIsNotWipedByTheSongsBalloon) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    TPeerPlayer peer(false, {L"--file", L"C:\\Music\\Artist - Song.mp3"});
    ASSERT_TRUE(peer.Started());
    ASSERT_TRUE(peer.ForceState(1));
    WriteDword(L"Play", kHeld);
    WriteDword(L"AutoHint", 1);
    TForm1& f = Form();
    const std::wstring keys = f.TrayIcon->IconData().szInfo;
    ASSERT_NE(keys.find(L"Воспроизвести"), std::wstring::npos) << WideToUtf8(keys);
    // The monitor's first look comes within a second and raises a change.
    WaitFor([] { return false; }, 1500);
    EXPECT_EQ(std::wstring(f.TrayIcon->IconData().szInfo), keys);
    EXPECT_TRUE(WaitFor([&] { return std::wstring(f.TrayIcon->IconData().szInfo) != keys; }, 4000));
    EXPECT_STREQ(f.TrayIcon->IconData().szInfoTitle, L"Текущая песня");
}

// A held key whose retry fails for another reason than the other program
// (here the system's atoms run out) is asked for again, not given up.
TEST_F(KeyStateTest, ARetryThatFailsForAPassingReasonKeepsRetrying) {
    TKeyHolder holder({kHeld});
    ASSERT_TRUE(holder.Ready());
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[6], kHeld);
    f.ApplyHotKeys();
    ASSERT_EQ(f.KeyStatus[6].State, TForm1::TKeyState::HeldElsewhere);
    ASSERT_TRUE(holder.Release(kHeld));
    std::vector<ATOM> filled;
    for (int i = 0; i < 0x4000; ++i) {
        const ATOM a = GlobalAddAtomW((L"PlovikTestFill" + std::to_wstring(i)).c_str());
        if (!a) break;
        filled.push_back(a);
    }
    f.RetryHeldHotKeys();
    const auto during = f.KeyStatus[6].State;
    for (ATOM a : filled) GlobalDeleteAtom(a);
    EXPECT_EQ(during, TForm1::TKeyState::HeldElsewhere);
    EXPECT_TRUE(f.KeyRetryTimer.Enabled());
    f.RetryHeldHotKeys();
    EXPECT_EQ(f.KeyStatus[6].State, TForm1::TKeyState::InForce);
}
