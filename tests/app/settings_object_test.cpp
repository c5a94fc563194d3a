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
