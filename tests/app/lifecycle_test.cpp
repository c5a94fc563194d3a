// The program's life in the tray: hidden at start, shown from the icon and
// its menu, hidden again by minimising, ended through the menu.
#include "app_fixture.h"

#include <stdexcept>

#include <commctrl.h>

namespace {

// What the shell sends the tray icon's handler window for a mouse event.
void Notify(TForm1& f, UINT what) {
    const NOTIFYICONDATAW& d = f.TrayIcon->IconData();
    SendMessageW(d.hWnd, d.uCallbackMessage, d.uID, what);
}

std::vector<std::wstring> Captions(TPopupMenu& menu) {
    std::vector<std::wstring> out;
    for (size_t i = 0; i < menu.Count(); ++i) out.push_back(menu.Items(i).Caption);
    return out;
}

// The registry refuses the save's write of "Dir": the settings key is
// deleted while the save holds it open, just before the folder is written.
class TKeyDeletedBeforeTheFolder : public TRegistryStore {
public:
    void WriteString(const std::wstring& name, const std::wstring& value) override {
        if (name == L"Dir") RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
        TRegistryStore::WriteString(name, value);
    }
};

}  // namespace

TEST_F(AppTest, StartsHiddenWithOnlyTheTrayIcon) {
    TForm1& f = Form();
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
    EXPECT_TRUE(f.TrayIcon->IconVisible());
    EXPECT_EQ(f.TrayIcon->RefusedAdds(), 0u) << "the icon is added once";
    EXPECT_EQ(std::wstring(f.TrayIcon->IconData().szTip), L"Merrowind Plovik v4.0");
    EXPECT_EQ(Application().Title(), L"(Merrowind) Plovik v4.0");
    wchar_t caption[64] = {};
    GetWindowTextW(f.Handle(), caption, 64);
    EXPECT_EQ(std::wstring(caption), L"Plovik v4.0");
    EXPECT_EQ(Captions(f.TrayMenu),
              (std::vector<std::wstring>{L"О программе ...", L"-", L"Смена каталога", L"Настройки", L"Экспорт настроек...",
                                         L"Импорт настроек...", L"English", L"-", L"Выход"}));
}

TEST_F(AppTest, TheIconShowsTheWindowAndMinimisingHidesItAgain) {
    TForm1& f = Form();
    Notify(f, WM_LBUTTONDOWN);
    Notify(f, WM_LBUTTONUP);
    Notify(f, WM_LBUTTONDBLCLK);
    Notify(f, WM_LBUTTONUP);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }));

    SendMessageW(f.Handle(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(f.Handle()); }));
    EXPECT_TRUE(f.TrayIcon->IconVisible());

    f.N6->Click();  // "Настройки"
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }));
    // "Сохранить" with "Скрывать при сохранении настроек" hides it too.
    f.SetChecked(f.CheckBox[7], true);
    f.Button2Click();
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(f.Handle()); }));
}

TEST_F(AppTest, AboutNamesTheProgram) {
    TForm1& f = Form();
    std::wstring app, other;
    f.AboutBoxFn = [&](HWND, const std::wstring& a, const std::wstring& o, HICON) {
        app = a;
        other = o;
    };
    f.N1->Click();
    EXPECT_EQ(app, L"Plovik v4.0");
    EXPECT_EQ(other, L"Powered By (Merrowind) Merrowind");
}

TEST_F(AppTest, ExitFromTheMenuAsksAndSaves) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);  // ask before leaving
    f.SetChecked(f.CheckBox[8], true);
    answers = {IDNO};
    f.N5->Click();
    EXPECT_FALSE(f.Closed());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Вы действительно хотите выйти ?");
    answers = {IDYES};
    f.N5->Click();
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(Dword(L"AutoHint"), 1u);
    EXPECT_FALSE(IsWindowVisible(f.Handle()));
}

// An error that escapes a handler is shown, titled with the program's name,
// and the program goes on.
TEST_F(AppTest, AnEscapingErrorIsShownAndTheProgramGoesOn) {
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[6], 0xC000 | 'P');
    SetHotKeyWord(f.HotKey[7], 0xC000 | 'Q');
    f.ApplyHotKeys();
    f.HotKeyManager[6].OnHotKeyPressed = [](TShortCut, WORD) { throw std::runtime_error("the handler failed"); };
    bool paused = false;
    f.HotKeyManager[7].OnHotKeyPressed = [&](TShortCut, WORD) { paused = true; };
    Press(0xC000 | 'P');
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Caption, L"(Merrowind) Plovik v4.0");
    EXPECT_NE(asked[0].Text.find(L"the handler failed"), std::wstring::npos);
    Press(0xC000 | 'Q');
    EXPECT_TRUE(paused);
}

// The setup program asks a running copy to end by a registered message to its
// application window: the copy saves without asking, though it would ask the user.
TEST_F(AppTest, AnEndRequestFromOutsideSavesWithoutAQuestion) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);  // ask before leaving
    f.SetChecked(f.CheckBox[6], true);   // changed, not saved yet
    EXPECT_EQ(Dword(L"FadeOut"), 0xDEADBEEFu);
    HWND app = FindWindowW(kApplicationWindowClass, nullptr);
    ASSERT_EQ(app, Application().Handle());
    PostMessageW(app, RegisterWindowMessageW(L"PlovikEndRequest"), 0, 0);
    Application().ProcessMessages();
    EXPECT_TRUE(f.Closed());
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Dword(L"FadeOut"), 1u);
    EXPECT_EQ(Dword(L"AskOnExit"), 1u);
    // The loop ends as after any other exit.
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// Alt+F4 on the application window or the task manager's end request: the
// same road as "Выход", with its question and its save.
TEST_F(AppTest, TheApplicationWindowsCloseTakesTheOneCloseRoad) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);
    f.SetChecked(f.CheckBox[8], true);
    answers = {IDNO};
    SendMessageW(Application().Handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Вы действительно хотите выйти ?");
    EXPECT_FALSE(f.Closed());
    EXPECT_TRUE(IsWindow(f.Handle()));
    answers = {IDYES};
    SendMessageW(Application().Handle(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(f.Closed());
    EXPECT_EQ(Dword(L"AutoHint"), 1u);
}

// A log-off saves what was edited in the window; nobody is asked.
TEST_F(AppTest, TheEndOfTheSessionSavesWithoutAsking) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[10], true);
    f.SetChecked(f.CheckBox[8], true);
    SetHotKeyWord(f.HotKey[6], 0xC000 | 'P');
    EXPECT_EQ(SendMessageW(f.Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), TRUE);
    EXPECT_EQ(Dword(L"AutoHint"), 0xDEADBEEFu) << "nothing is written before the session really ends";
    SendMessageW(f.Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
    EXPECT_TRUE(asked.empty());
    EXPECT_EQ(Dword(L"AutoHint"), 1u);
    EXPECT_EQ(Dword(L"Play"), static_cast<DWORD>(0xC000 | 'P'));
    EXPECT_TRUE(f.Closed());
}

// A "WA" of the wrong type is shown once; the settings, the hot keys and
// the tray icon come up all the same.
TEST_F(AppTest, AnErrorDuringStartUpIsShownOnceAndTheProgramGoesOn) {
    WriteDword(L"WA", 7);
    WriteDword(L"AutoHint", 1);
    WriteDword(L"AutoLoadPr&Wa", 1);  // the start-up launch reads "WA" again
    WriteDword(L"Play", 0xC000 | 'P');
    ASSERT_NO_THROW(Form());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Invalid data type for 'WA'");
    EXPECT_EQ(asked[0].Caption, L"(Merrowind) Plovik v4.0");
    EXPECT_TRUE(Form().Checked(Form().CheckBox[8]));
    EXPECT_TRUE(Form().TrayIcon->IconVisible());
    EXPECT_FALSE(HotKeyAvailable(0xC000 | 'P')) << "the hot keys are in force";
}

// A close whose save fails shows the error and ends; nothing afterwards
// writes the controls of a window that is gone over the stored settings.
TEST_F(AppTest, AFailedSaveDuringTheCloseNeverCostsTheStoredSettings) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[8], true);
    f.Store = std::make_unique<TKeyDeletedBeforeTheFolder>();
    SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Failed to set data for 'Dir'");
    EXPECT_TRUE(f.Closed()) << "a failed save still ends the program";
    EXPECT_TRUE(IsWindow(f.Edit1));

    // The stored settings come back; the roads to the end must not
    // overwrite them with what a destroyed window reads as.
    WriteDword(L"Play", 0xC000 | 'P');
    WriteDword(L"AutoHint", 1);
    f.N5->Click();                          // tray "Выход"
    f.HotKeyManager4HotKeyPressed(0, 4);    // "Глобальный выход"
    EXPECT_EQ(Dword(L"Play"), static_cast<DWORD>(0xC000 | 'P'));
    EXPECT_EQ(Dword(L"AutoHint"), 1u);
}
