// The settings window as a keyboard user drives it, on the real main window.
#include "app_fixture.h"

#include <set>

namespace {

class KeyboardTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        Form().TrayIcon->ShowMainForm();
        ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(Form().Handle()) != FALSE; }));
        SetActiveWindow(Form().Handle());
    }
    void TearDown() override {
        SetModifiers(false, false);
        AppTest::TearDown();
    }
    // The key goes where a typed one would, through the program's own loop.
    void Key(UINT vk, bool ctrl = false, bool shift = false) {
        SetModifiers(ctrl, shift);
        HWND target = GetFocus() ? GetFocus() : Form().Handle();
        PostMessageW(target, WM_KEYDOWN, vk, 1);
        PostMessageW(target, WM_KEYUP, vk, 0xC0000001);
        Application().ProcessMessages();
        SetModifiers(false, false);
    }
    static void SetModifiers(bool ctrl, bool shift) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = keys[VK_LCONTROL] = ctrl ? 0x80 : 0;
        keys[VK_SHIFT] = keys[VK_LSHIFT] = shift ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    int Tab() { return static_cast<int>(SendMessageW(Form().PageControl, TCM_GETCURSEL, 0, 0)); }
};

}  // namespace

TEST_F(KeyboardTest, TabWalksTheShownTabAndCtrlTabChangesTabs) {
    TForm1& f = Form();
    SetFocus(f.HotKey[1]);
    Key(VK_TAB);
    EXPECT_EQ(GetFocus(), f.HotKey[2]);
    Key(VK_TAB, false, true);
    EXPECT_EQ(GetFocus(), f.HotKey[1]);
    std::set<HWND> seen;
    for (int i = 0; i < 40; ++i) {
        Key(VK_TAB);
        seen.insert(GetFocus());
        EXPECT_TRUE(IsWindowVisible(GetFocus())) << "Tab never goes to a hidden tab";
    }
    for (int n = 1; n <= 5; ++n) EXPECT_EQ(seen.count(f.HotKey[n]), 1u) << n;
    EXPECT_EQ(seen.count(f.CheckBox[1]), 1u);
    EXPECT_EQ(seen.count(f.Button2), 1u);
    EXPECT_EQ(seen.count(f.HotKey[6]), 0u);

    SetFocus(f.HotKey[1]);
    Key(VK_TAB, true);
    EXPECT_EQ(Tab(), 1);
    EXPECT_TRUE(IsWindowVisible(f.Pages[1]));
    EXPECT_FALSE(IsWindowVisible(f.Pages[0]));
    EXPECT_TRUE(IsWindowVisible(GetFocus())) << "the focus follows to the shown tab";
    Key(VK_TAB, true, true);
    EXPECT_EQ(Tab(), 0);
    Key(VK_TAB, true, true);
    EXPECT_EQ(Tab(), 4);
    EXPECT_TRUE(IsWindowVisible(f.Pages[4]));
}

TEST_F(KeyboardTest, ArrowsSpaceAndEnterDoWhatTheyDoInADialog) {
    TForm1& f = Form();
    SetFocus(f.CheckBox[1]);
    Key(VK_SPACE);
    EXPECT_TRUE(f.Checked(f.CheckBox[1])) << "Space arms the alarm";
    EXPECT_TRUE(f.HTime1->GetEnabled());

    SetFocus(f.RadioButton[1]);
    Key(VK_DOWN);
    EXPECT_EQ(GetFocus(), f.RadioButton[2]);
    EXPECT_TRUE(f.Checked(f.RadioButton[2]));
    EXPECT_FALSE(f.Checked(f.RadioButton[1]));
    Key(VK_UP);
    Key(VK_UP);
    EXPECT_EQ(GetFocus(), f.RadioButton[5]) << "round from the first to the last";
    EXPECT_TRUE(f.Checked(f.RadioButton[5]));

    SetFocus(f.Button1);  // "Сброс настроек"
    answers = {IDCANCEL};
    Key(VK_RETURN);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Caption, L"Warning");
}

// Alt+Tab away and back, or back through the tray: the control that had the
// focus has it again.
TEST_F(KeyboardTest, TheFocusComesBackAfterTheWindowIsActivatedAgain) {
    TForm1& f = Form();
    SetFocus(f.HotKey[3]);
    ASSERT_EQ(GetFocus(), f.HotKey[3]);
    HWND other = CreateWindowExW(0, L"STATIC", L"other", WS_POPUP | WS_VISIBLE, 500, 100, 50, 50, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    SetActiveWindow(other);
    ASSERT_NE(GetFocus(), f.HotKey[3]);
    SetActiveWindow(f.Handle());
    EXPECT_EQ(GetFocus(), f.HotKey[3]);

    SetActiveWindow(other);
    f.TrayIcon->ShowMainForm();
    EXPECT_TRUE(WaitFor([&] { return GetFocus() == f.HotKey[3]; }, 2000));
    DestroyWindow(other);
}
