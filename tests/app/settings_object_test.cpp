// The settings object and the window made on demand: the window shows the
// stored state when it is first opened, edits in it act before any save,
// and a program whose window was never opened keeps what it loaded.
#include "app_fixture.h"

#include <functional>
#include <map>

namespace {

// A distinct Ctrl+Alt combination for every action, and one word that no
// field can produce (no modifier), kept as it was stored.
constexpr int kKeptAction = 20;
constexpr TShortCut kKeptWord = 'K';
TShortCut StoredKey(int n) {
    return n == kKeptAction ? kKeptWord : static_cast<TShortCut>(0xC000 | (n <= 26 ? 'A' + n - 1 : VK_F1 + n - 27));
}

class SettingsObjectTest : public AppTest {
protected:
    // Every value of a user who has set up the program, in the order of
    // writing: keys, alarm actions, options every other one on, the folder,
    // the Recycle Bin off, the later action, the language.
    void StoreAll() {
        for (int n = 1; n <= kActionCount; ++n) WriteDword(kActions[n - 1].Value, StoredKey(n));
        for (const TAlarmActionInfo& a : kAlarmActions) WriteDword(a.Value, a.RadioButton == 3);
        for (const TOptionInfo& o : kOptions) WriteDword(o.Value, o.Row % 2);
        WriteRaw(L"Dir", REG_SZ, folder.c_str(), static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        WriteDword(L"DelToRecycle", 0);
        WriteRaw(L"Language", REG_SZ, L"ru", 6);
    }
    static std::map<std::wstring, DWORD> StoredWords() {
        std::map<std::wstring, DWORD> out;
        for (const TActionInfo& a : kActions) out[a.Value] = Dword(a.Value);
        for (const TAlarmActionInfo& a : kAlarmActions) out[a.Value] = Dword(a.Value);
        for (const TOptionInfo& o : kOptions) out[o.Value] = Dword(o.Value);
        out[L"DelToRecycle"] = Dword(L"DelToRecycle");
        return out;
    }
    static bool FormWindowMade() {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"TForm1", nullptr)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) return true;
        }
        return false;
    }
    std::wstring folder = L"D:\\Музыка\\Лучшее";
};

}  // namespace

TEST_F(SettingsObjectTest, TheFirstOpeningShowsExactlyTheStoredState) {
    StoreAll();
    TForm1& f = StartWithoutWindow();
    ASSERT_EQ(f.Handle(), nullptr);
    EXPECT_FALSE(FormWindowMade()) << "no window before it is opened";
    f.N6->Click();  // "Настройки"
    ASSERT_TRUE(IsWindowVisible(f.Handle()));
    for (int n = 1; n <= kActionCount; ++n)
        EXPECT_EQ(GetHotKeyWord(f.HotKey[n]), n == kKeptAction ? 0 : StoredKey(n)) << "action " << n;
    for (const TAlarmActionInfo& a : kAlarmActions) EXPECT_EQ(f.Checked(f.RadioButton[a.RadioButton]), a.RadioButton == 3);
    for (const TOptionInfo& o : kOptions) EXPECT_EQ(f.Checked(f.CheckBox[o.CheckBox]), o.Row % 2 == 1) << WideToUtf8(o.Value);
    EXPECT_FALSE(f.Checked(f.CheckBox[14]));
    EXPECT_EQ(EditText(), folder);
    // The word no field shows is still the stored one at the next save.
    f.Button2Click();
    EXPECT_EQ(Dword(L"ShowBR"), kKeptWord);
}

// A tick and a key in the window act from that moment, as a user expects;
// the stored settings change only with a save.
TEST_F(SettingsObjectTest, EditsInTheWindowActBeforeAnySave) {
    TPeerPlayer peer;
    ASSERT_TRUE(peer.Started());
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[6], true);  // "Плавный стоп"
    SetHotKeyWord(f.HotKey[8], StoredKey(8));
    f.Button2Click();                    // applies the keys, and saves
    f.SetChecked(f.CheckBox[6], false);  // off again, not saved
    peer.Mark();
    Press(StoredKey(8));
    EXPECT_EQ(peer.Lines(), std::vector<std::string>{"COMMAND 40047 0"}) << "a plain stop: the tick is off";
    EXPECT_EQ(Dword(L"FadeOut"), 1u) << "unsaved";
    f.SetChecked(f.CheckBox[6], true);
    peer.Mark();
    Press(StoredKey(8));
    EXPECT_EQ(peer.Lines(), std::vector<std::string>{"COMMAND 40147 0"});
}

// Whatever road ends a program whose window was never made, the key holds
// exactly what it held: the save writes what was loaded and nothing else.
TEST_F(SettingsObjectTest, ANeverOpenedWindowSavesExactlyWhatWasLoaded) {
    const std::pair<const char*, std::function<void(TForm1&)>> roads[] = {
        {"tray exit", [](TForm1& f) { f.N5->Click(); }},
        {"exit key", [](TForm1&) { Press(StoredKey(4)); }},
        {"application window closed", [](TForm1&) { SendMessageW(Application().Handle(), WM_CLOSE, 0, 0); }},
        {"session end",
         [](TForm1&) {
             SendMessageW(Application().Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
             SendMessageW(Application().Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
         }},
        {"setup end request", [](TForm1&) { SendMessageW(Application().Handle(), EndRequestMessage(), 0, 0); }},
    };
    for (const auto& [name, road] : roads) {
        StoreAll();
        const auto before = StoredWords();
        TForm1& f = StartWithoutWindow();
        road(f);
        EXPECT_TRUE(f.Closed()) << name;
        EXPECT_EQ(f.Handle(), nullptr) << name;
        EXPECT_EQ(StoredWords(), before) << name;
        EXPECT_EQ(Text(kSettingsKey, L"Dir"), folder) << name;
        form.reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }
}

TEST_F(SettingsObjectTest, TheAlarmGoesOffWithTheWindowNeverOpened) {
    TForm1& f = StartWithoutWindow();
    int logOffs = 0;
    f.ShutH1.ExitWindowsExFn = [&](UINT, DWORD) {
        ++logOffs;
        return TRUE;
    };
    SYSTEMTIME now;
    GetLocalTime(&now);
    f.SetRadio(3, true);  // log off
    f.SetAlarmTime(SystemTimeToDateTime(now) + 1.5 / 86400.0);
    f.SetAlarmArmed(true);
    EXPECT_TRUE(WaitFor([&] { return !f.AlarmArmed(); }, 5000));
    EXPECT_EQ(logOffs, 1);
    EXPECT_EQ(f.Handle(), nullptr);
}

namespace {
constexpr TShortCut kWinAltN = kHotKeyWin | kHotKeyAlt | 'N';              // 36942
constexpr TShortCut kWinN = kHotKeyWin | 'N';                              // 4174
constexpr TShortCut kWinCtrlRight = kHotKeyWin | kHotKeyCtrl | VK_RIGHT;  // 20519
constexpr TShortCut kCtrlAltU = 0xC000 | 'U';
constexpr TShortCut kCtrlAltZ = 0xC000 | 'Z';
}  // namespace

// The action's own value keeps the old word, 0 for a combination with the
// Windows key: an older copy, which reads only that, finds no key there.
TEST_F(SettingsObjectTest, AWindowsKeyCombinationIsStoredWhereAnOlderCopyReadsNoKey) {
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[11], kWinAltN);
    SetHotKeyWord(f.HotKey[13], kWinN);
    f.Button2Click();
    EXPECT_EQ(Dword(L"VolUp"), 0u) << "no key by the older rule";
    EXPECT_EQ(Dword(L"FF"), 0u);
    EXPECT_EQ(Text(kSettingsKey, L"WinKeys"), L"VolUp=36942,FF=4174");
    EXPECT_EQ(f.KeyStatus[11].State, TForm1::TKeyState::InForce);
    EXPECT_FALSE(HotKeyAvailable(kWinAltN)) << "registered with the Windows key";

    Restart();
    EXPECT_EQ(GetHotKeyWord(Form().HotKey[11]), kWinAltN);
    EXPECT_EQ(GetHotKeyWord(Form().HotKey[13]), kWinN);
    // A plain key typed over it takes the action's own value again.
    SetHotKeyWord(Form().HotKey[11], kCtrlAltU);
    Form().Button2Click();
    EXPECT_EQ(Dword(L"VolUp"), kCtrlAltU);
    EXPECT_EQ(Text(kSettingsKey, L"WinKeys"), L"FF=4174");
    EXPECT_TRUE(HotKeyAvailable(kWinAltN));
}

// What an older copy or a hand edit may leave: the combination with the
// Windows key applies only where the action's own value reads no key, a bad
// entry gets the store's one message and no key, and nothing else is lost.
TEST_F(SettingsObjectTest, StoredWindowsKeyCombinationsAreReadLeniently) {
    struct TRow {
        const char* Name;
        std::function<void()> Store;
        std::map<int, TShortCut> Shown;  // action -> the field's word
        const wchar_t* Says;             // the message, or nullptr
        const wchar_t* Saved;            // "WinKeys" after a save
    };
    const auto winKeys = [](const wchar_t* text) {
        WriteRaw(L"WinKeys", REG_SZ, text, static_cast<DWORD>((wcslen(text) + 1) * sizeof(wchar_t)));
    };
    const TRow rows[] = {
        {"an older copy set a key since",
         [&] {
             WriteDword(L"VolUp", kCtrlAltU);
             winKeys(L"VolUp=36942,FF=4174");
         },
         {{11, kCtrlAltU}, {13, kWinN}},
         nullptr,
         L"FF=4174"},
        {"bad entries among good ones",
         [&] {
             winKeys(L"Bogus=36942,VolUp=abc,FF=78,Rew=4096,Play=36942, Stop = 4174 ,PlayNext=20519,PlayNext=4175,"
                     L"WaAbout=70000,ShowPL=,PlayPause=8014");
         },
         {{6, kWinAltN}, {8, kWinN}, {10, kWinCtrlRight}, {11, 0}, {13, 0}, {14, 0}, {15, 0}, {18, 0}, {33, 0}},
         L"Invalid value for 'WinKeys'",
         L"Play=36942,Stop=4174,PlayNext=20519"},
        {"the wrong type",
         [&] { WriteDword(L"WinKeys", kWinAltN); },
         {{6, 0}},
         L"Invalid data type for 'WinKeys'",
         L""},
        // An older copy would read this word without the Windows key.
        {"the Win bit in an action's own value", [&] { WriteDword(L"Stop", kWinAltN); }, {{8, 0}}, nullptr, L""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.Name);
        form.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
        WriteDword(L"PlayPrev", kCtrlAltZ);
        WriteDword(L"AutoHint", 1);
        row.Store();
        asked.clear();
        TForm1& f = Form();
        for (const auto& [n, word] : row.Shown) EXPECT_EQ(GetHotKeyWord(f.HotKey[n]), word) << "action " << n;
        EXPECT_EQ(GetHotKeyWord(f.HotKey[9]), kCtrlAltZ) << "nothing else lost";
        EXPECT_TRUE(f.Checked(f.CheckBox[8]));
        ASSERT_EQ(asked.size(), row.Says ? 1u : 0u);
        if (row.Says) {
            EXPECT_NE(asked[0].Text.find(row.Says), std::wstring::npos) << WideToUtf8(asked[0].Text);
        }
        EXPECT_EQ(HotKeyAvailable(kWinAltN), f.Settings.KeyInForce(6) != kWinAltN) << "in force where shown";
        f.SaveSettings();
        EXPECT_EQ(Text(kSettingsKey, L"WinKeys"), row.Saved);
        EXPECT_EQ(Dword(L"PlayPrev"), kCtrlAltZ);
    }
    EXPECT_EQ(Dword(L"Stop"), kWinAltN) << "a word no field can make is kept as stored";
}
