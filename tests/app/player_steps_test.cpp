// The volume and seek keys with the user's steps, against the stand-in
// player in both widths: the exact volume and position after each key, the
// ends they stop at, the player's own step where none is chosen or none
// can be counted, a hung player that gets nothing, and a held key.
#include "app_fixture.h"

#include "held_keys.h"

namespace {

constexpr TShortCut kCtrlAlt = 0xC000;
TShortCut KeyOf(int n) { return static_cast<TShortCut>(kCtrlAlt | ('A' + n - 1)); }

// What the player was told to do: its commands and its settings of volume
// and position, without the questions asked before them.
std::vector<std::string> Changes(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& l : lines) {
        const bool question = l == "USER 0 104" || l == "USER 0 105" || l == "USER 1 105" || l == "USER -666 122" ||
                              l == "USER 4294966630 122";  // -666 in a 32-bit wParam
        if (!question && (l.rfind("COMMAND ", 0) == 0 || l.rfind("USER ", 0) == 0)) out.push_back(l);
    }
    return out;
}

class StepTest : public AppTest, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        AppTest::SetUp();
        peer = std::make_unique<TPeerPlayer>(GetParam(), std::vector<std::wstring>{L"--file", L"C:\\a.mp3"});
        ASSERT_TRUE(peer->Started());
        for (int n = 11; n <= 14; ++n) SetHotKeyWord(Form().HotKey[n], KeyOf(n));
        Form().ApplyHotKeys();
    }
    void TearDown() override {
        AppTest::TearDown();
        peer.reset();
    }
    LRESULT Ask(WPARAM wp, LPARAM code) { return SendMessageW(peer->Window(), WM_USER, wp, code); }
    int Volume() { return static_cast<int>(Ask(static_cast<WPARAM>(-666), 122) & 0xFF); }
    // -1 while nothing plays.
    int Position() { return static_cast<std::int32_t>(Ask(0, 105) & 0xFFFFFFFF); }
    // A player in the state given, its track of the length given, at the
    // volume and the position given.
    void Prepare(int state, int lengthS, int volume, int positionMs) {
        ASSERT_TRUE(peer->ForceState(state));
        ASSERT_TRUE(peer->SetLength(lengthS));
        Ask(static_cast<WPARAM>(volume), 122);
        Ask(static_cast<WPARAM>(positionMs), 106);
        peer->Mark();
    }
    std::unique_ptr<TPeerPlayer> peer;
};

}  // namespace

TEST_P(StepTest, EachKeyStepsFromWhereThePlayerIsAndStopsAtTheEnds) {
    constexpr int kPaused = 3, kStopped = 0, kNoLength = -1;
    const struct {
        const char* Name;
        int Action, VolStep, SeekStep;
        int State, LengthS, Volume, PositionMs;
        int HangAfter;  // the player answers this many messages, then hangs; -1: never
        int WantVolume, WantPositionMs;
        std::vector<std::string> Told;
    } rows[] = {
        {"up 5 %", 11, 5, 0, kPaused, 100, 100, 10000, -1, 113, 10000, {"USER 113 122"}},
        {"down 10 %", 12, 10, 0, kPaused, 100, 100, 10000, -1, 74, 10000, {"USER 74 122"}},
        {"up 25 % stops at full", 11, 25, 0, kPaused, 100, 200, 10000, -1, 255, 10000, {"USER 255 122"}},
        {"up at full", 11, 25, 0, kPaused, 100, 255, 10000, -1, 255, 10000, {}},
        {"down 25 % stops at silence", 12, 25, 0, kPaused, 100, 50, 10000, -1, 0, 10000, {"USER 0 122"}},
        {"up, the player's own step", 11, 0, 30, kPaused, 100, 100, 10000, -1, 103, 10000, {"COMMAND 40058 0"}},
        {"forward 30 s", 13, 5, 30, kPaused, 100, 100, 10000, -1, 100, 40000, {"USER 40000 106"}},
        {"back 30 s", 14, 5, 30, kPaused, 100, 100, 40000, -1, 100, 10000, {"USER 10000 106"}},
        {"forward 30 s stops at the end", 13, 0, 30, kPaused, 100, 100, 90000, -1, 100, 100000, {"USER 100000 106"}},
        {"forward at the end", 13, 0, 30, kPaused, 100, 100, 100000, -1, 100, 100000, {}},
        {"back 600 s stops at the start", 14, 0, 600, kPaused, 100, 100, 50000, -1, 100, 0, {"USER 0 106"}},
        {"back at the start", 14, 0, 30, kPaused, 100, 100, 0, -1, 100, 0, {}},
        {"forward, the player's own step", 13, 5, 0, kPaused, 100, 100, 10000, -1, 100, 15000, {"COMMAND 40148 0"}},
        {"forward in a stream", 13, 0, 30, kPaused, kNoLength, 100, 10000, -1, 100, 15000, {"COMMAND 40148 0"}},
        {"back while stopped", 14, 0, 30, kStopped, 100, 100, 10000, -1, 100, -1, {"COMMAND 40144 0"}},
        {"up, the player hangs", 11, 5, 0, kPaused, 100, 100, 10000, 0, 100, 10000, {}},
        {"forward, the player hangs", 13, 0, 30, kPaused, 100, 100, 10000, 0, 100, 10000, {}},
        {"forward, the player hangs after the state", 13, 0, 30, kPaused, 100, 100, 10000, 1, 100, 10000, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Name);
        Form().Settings.VolStep = r.VolStep;
        Form().Settings.SeekStep = r.SeekStep;
        Prepare(r.State, r.LengthS, r.Volume, r.PositionMs);
        if (r.HangAfter >= 0) peer->SlowAfter(r.HangAfter, 1500);
        Press(KeyOf(r.Action));
        if (r.HangAfter >= 0) {
            peer->SlowAfter(0, 0);  // sent: returns once the player is free again
            EXPECT_EQ(peer->Received(), static_cast<size_t>(r.HangAfter) + 1) << "nothing asked after the time-out";
        }
        EXPECT_EQ(Changes(peer->Lines()), r.Told);
        EXPECT_EQ(Volume(), r.WantVolume);
        EXPECT_EQ(Position(), r.WantPositionMs);
    }
}

// A held key repeats its step: a press and four repeats of the keyboard.
TEST_P(StepTest, AHeldKeyRepeatsItsStep) {
    ShowWindow(Form().Handle(), SW_SHOW);
    SetForegroundWindow(Form().Handle());
    ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == Form().Handle(); }));
    Form().Settings.VolStep = 5;
    Form().Settings.SeekStep = 10;
    const struct {
        int Action;
        int WantVolume, WantPositionMs;
    } rows[] = {{11, 100 + 5 * 13, 10000}, {13, 100, 10000 + 5 * 10000}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.Action);
        Prepare(3, 100, 100, 10000);
        const WORD key = static_cast<WORD>(KeyOf(r.Action) & 0xFF);
        // The modifiers go down again with every repeat, as harmless repeats of
        // their own: Wine takes the keyboard's state afresh from the display
        // when the focus arrives, and would forget them if that came late.
        for (int i = 0; i < 5; ++i) {
            SendKeys({VK_CONTROL, VK_MENU, key}, true);
            HandleHotKeys();  // while the key is still held
        }
        SendKeys({key, VK_MENU, VK_CONTROL}, false);
        // The system may hand the last repeats over a little later.
        WaitFor([&] { return Volume() == r.WantVolume && Position() == r.WantPositionMs; });
        HandleHotKeys();
        EXPECT_EQ(Volume(), r.WantVolume);
        EXPECT_EQ(Position(), r.WantPositionMs);
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, StepTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Player32" : "Player64"; });
