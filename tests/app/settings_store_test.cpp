#include "app_fixture.h"

#include "app/step_list.h"

namespace {
constexpr TShortCut kCtrlAltN = 0xC04E;
}

TEST_F(AppTest, FirstStartCreatesAnEmptyKeyAndTheFirstSaveWritesTheValues) {
    TForm1& f = Form();
    EXPECT_EQ(ValueCount(), 0u);
    for (int n = 1; n <= kActionCount; ++n) EXPECT_EQ(GetHotKeyWord(f.HotKey[n]), 0) << n;
    EXPECT_TRUE(f.Checked(f.RadioButton[1]));
    for (int n : {2, 3, 4, 5}) EXPECT_FALSE(f.Checked(f.RadioButton[n]));
    for (const auto& o : kOptions) EXPECT_FALSE(f.Checked(f.CheckBox[o.CheckBox])) << o.CheckBox;
    EXPECT_EQ(EditText(), L"");

    EXPECT_TRUE(f.Checked(f.CheckBox[14])) << "deleting goes to the Recycle Bin";

    f.SaveSettings();
    EXPECT_EQ(ValueCount(), 60u) << "the 49 values older copies know, \"DelToRecycle\", \"PlayPause\", the "
                                     "display's and the now-playing file's seven, \"WinKeys\" and \"TakenKeys\"";
    EXPECT_EQ(Dword(L"DelToRecycle"), 1u);
    EXPECT_EQ(Dword(L"PlayPause"), 0u);
    EXPECT_EQ(Dword(L"WaON"), 0u);
    EXPECT_EQ(Dword(L"RadWaOn"), 1u);
    EXPECT_EQ(Dword(L"RadVolMax"), 0u);
    EXPECT_EQ(Dword(L"AutoPlay"), 0u);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), L"");
    EXPECT_EQ(Text(kSettingsKey, L"WA"), L"<absent>");
    // The display and the file are off until the user turns them on.
    EXPECT_EQ(Dword(L"OsdKeys"), 0u);
    EXPECT_EQ(Dword(L"OsdSongs"), 0u);
    EXPECT_EQ(Dword(L"OsdPlace"), 0u);
    EXPECT_EQ(Dword(L"OsdSeconds"), 2u);
    EXPECT_EQ(Dword(L"NowPlaying"), 0u);
    EXPECT_EQ(Text(kSettingsKey, L"NowPlayingTemplate"), L"%artist% - %title%");
    EXPECT_EQ(Text(kSettingsKey, L"WinKeys"), L"") << "written also when no key has the Windows key";
    EXPECT_EQ(Text(kSettingsKey, L"TakenKeys"), L"");
    EXPECT_TRUE(asked.empty());
}

TEST_F(AppTest, SettingsSurviveARestart) {
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[10], kCtrlAltN);
    SetHotKeyWord(f.HotKey[32], 0xA000 | VK_F7);  // Alt+Shift+F7
    f.SetRadio(3, true);
    f.SetChecked(f.CheckBox[8], true);
    f.SetChecked(f.CheckBox[13], true);
    SetWindowTextW(f.Edit1, L"D:\\Музыка\\Лучшее");
    f.SaveSettings();
    EXPECT_EQ(Dword(L"PlayNext"), kCtrlAltN);
    EXPECT_EQ(Dword(L"RadLogOff"), 1u);
    EXPECT_EQ(Dword(L"RadWaOn"), 0u);

    Restart();
    TForm1& g = Form();
    EXPECT_EQ(GetHotKeyWord(g.HotKey[10]), kCtrlAltN);
    EXPECT_EQ(GetHotKeyWord(g.HotKey[32]), 0xA000 | VK_F7);
    EXPECT_TRUE(g.Checked(g.RadioButton[3]));
    EXPECT_FALSE(g.Checked(g.RadioButton[1]));
    EXPECT_TRUE(g.Checked(g.CheckBox[8]));
    EXPECT_TRUE(g.Checked(g.CheckBox[13]));
    EXPECT_FALSE(g.Checked(g.CheckBox[9]));
    EXPECT_EQ(EditText(), L"D:\\Музыка\\Лучшее");
    // Registered at start: the combination is taken.
    EXPECT_FALSE(HotKeyAvailable(kCtrlAltN));
}

TEST_F(AppTest, ConfirmationOptionsKeepTheirCrossedNames) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[12], true);  // "Подтверждение перемещения"
    f.SaveSettings();
    EXPECT_EQ(Dword(L"AskOnDel"), 1u);
    EXPECT_EQ(Dword(L"AskOnMove"), 0u);

    WriteDword(L"AskOnDel", 0);
    WriteDword(L"AskOnMove", 1);
    f.LoadSettings();
    EXPECT_TRUE(f.Checked(f.CheckBox[5]));  // "Подтверждение удаления"
    EXPECT_FALSE(f.Checked(f.CheckBox[12]));
}

TEST_F(AppTest, AbsentValuesLeaveTheirControlsAndHighBitsAreDropped) {
    TForm1& f = Form();
    f.SaveSettings();
    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegDeleteValueW(k, L"FadeOut");
    RegDeleteValueW(k, L"Dir");
    RegCloseKey(k);
    f.SetChecked(f.CheckBox[6], true);
    SetWindowTextW(f.Edit1, L"C:\\keep");
    WriteDword(L"Play", 0x0001C04E);  // Ctrl+Alt+N with bits above the word

    f.LoadSettings();
    EXPECT_TRUE(f.Checked(f.CheckBox[6]));
    EXPECT_EQ(EditText(), L"C:\\keep");
    EXPECT_EQ(GetHotKeyWord(f.HotKey[6]), kCtrlAltN);
    f.SaveSettings();
    EXPECT_EQ(Dword(L"FadeOut"), 1u);
    EXPECT_EQ(Text(kSettingsKey, L"Dir"), L"C:\\keep");
}

TEST_F(AppTest, AlarmActionsLoadLastTrueWinsAndAllFalseSelectsNone) {
    TForm1& f = Form();
    for (const auto& a : kAlarmActions) WriteDword(a.Value, 0);
    f.LoadSettings();
    for (int n = 1; n <= 5; ++n) EXPECT_FALSE(f.Checked(f.RadioButton[n])) << n;

    WriteDword(L"RadWaOn", 1);
    WriteDword(L"RadVolMax", 1);  // read last
    f.LoadSettings();
    EXPECT_TRUE(f.Checked(f.RadioButton[5]));
    EXPECT_FALSE(f.Checked(f.RadioButton[1]));
}

TEST_F(AppTest, ABadValueIsReportedOnceAndCostsNoOtherSetting) {
    WriteRaw(L"Play", REG_SZ, L"x", 4);                   // text where a number belongs
    const unsigned long long wide = 0xC04E;
    WriteRaw(L"VolUp", REG_BINARY, &wide, sizeof(wide));  // 8 bytes
    WriteDword(L"PlayNext", kCtrlAltN);                    // after the bad ones
    WriteDword(L"AutoHint", 1);
    const wchar_t dir[] = L"E:\\after";
    WriteRaw(L"Dir", REG_SZ, dir, sizeof(dir));

    TForm1& f = Form();
    EXPECT_EQ(GetHotKeyWord(f.HotKey[10]), kCtrlAltN);
    EXPECT_TRUE(f.Checked(f.CheckBox[8]));
    EXPECT_EQ(EditText(), L"E:\\after");
    EXPECT_EQ(GetHotKeyWord(f.HotKey[6]), 0);
    EXPECT_FALSE(SettingsRegistry().HasKey()) << "the key is closed after loading";
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Caption, L"(Merrowind) Plovik v4.0");
    EXPECT_NE(asked[0].Text.find(L"Invalid data type for 'Play'"), std::wstring::npos) << WideToUtf8(asked[0].Text);
    EXPECT_NE(asked[0].Text.find(L"Failed to get data for 'VolUp'"), std::wstring::npos);

    // The next save stores what the user sees, not defaults.
    f.SaveSettings();
    EXPECT_EQ(Dword(L"PlayNext"), kCtrlAltN);
    EXPECT_EQ(Dword(L"AutoHint"), 1u);
}

TEST_F(AppTest, AutoStartEntryFollowsTheOptionAndAlwaysStartsTheProgram) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[2], true);
    f.SaveSettings();
    const std::wstring entry = Text(kRunKey, L"Plovik");
    EXPECT_EQ(entry, f.AutoStartCommand());
    ASSERT_FALSE(entry.empty());
    if (entry.find(L' ') != std::wstring::npos) {
        EXPECT_EQ(entry.front(), L'"');
        EXPECT_EQ(entry.back(), L'"');
    }
    // The entry names this very program.
    std::wstring path = entry;
    if (path.front() == L'"') path = path.substr(1, path.size() - 2);
    wchar_t longPath[MAX_PATH] = {}, own[MAX_PATH] = {};
    GetLongPathNameW(path.c_str(), longPath, MAX_PATH);
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    EXPECT_EQ(_wcsicmp(longPath, own), 0) << WideToUtf8(longPath);

    f.SetChecked(f.CheckBox[2], false);
    f.SaveSettings();
    EXPECT_EQ(Text(kRunKey, L"Plovik"), L"<absent>");
    f.SaveSettings();  // nothing to delete: nothing happens
    EXPECT_EQ(Text(kRunKey, L"Plovik"), L"<absent>");
}

TEST_F(AppTest, SaveWithoutTheKeyWritesNothing) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[2], true);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
    f.SaveSettings();
    EXPECT_EQ(ValueCount(), 0xFFFFFFFFu) << "the key stays absent";
    EXPECT_EQ(Text(kRunKey, L"Plovik"), L"<absent>");
}

TEST_F(AppTest, ResetAnsweredOkEmptiesKeysAndOptionsButKeepsAlarmAndFolder) {
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[10], kCtrlAltN);
    f.SetChecked(f.CheckBox[2], true);
    f.SetChecked(f.CheckBox[10], true);
    f.SetRadio(4, true);
    SetWindowTextW(f.Edit1, L"C:\\target");
    f.ApplyHotKeys();
    f.SaveSettings();
    ASSERT_NE(Text(kRunKey, L"Plovik"), L"<absent>");
    ASSERT_FALSE(HotKeyAvailable(kCtrlAltN));

    answers = {IDOK};
    f.Button1Click();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].Text, L"Будут сброшены все установленные горячие клавищши, прдолжить ?");
    EXPECT_EQ(asked[0].Caption, L"Warning");
    EXPECT_EQ(asked[0].Flags & 0xF, static_cast<UINT>(MB_OKCANCEL));
    EXPECT_EQ(GetHotKeyWord(f.HotKey[10]), 0);
    EXPECT_FALSE(f.Checked(f.CheckBox[2]));
    EXPECT_FALSE(f.Checked(f.CheckBox[10]));
    EXPECT_TRUE(f.Checked(f.RadioButton[4]));
    EXPECT_EQ(EditText(), L"C:\\target");
    EXPECT_TRUE(HotKeyAvailable(kCtrlAltN));
    EXPECT_EQ(Text(kRunKey, L"Plovik"), L"<absent>");
    EXPECT_EQ(Dword(L"PlayNext"), 0u);
    EXPECT_EQ(Dword(L"RadPowOff"), 1u);
}

TEST_F(AppTest, ResetAnsweredCancelChangesNothingButStillSaves) {
    TForm1& f = Form();
    f.SaveSettings();
    SetHotKeyWord(f.HotKey[7], kCtrlAltN);  // edited, not yet saved
    f.SetChecked(f.CheckBox[9], true);
    answers = {IDCANCEL};
    f.Button1Click();
    EXPECT_EQ(GetHotKeyWord(f.HotKey[7]), kCtrlAltN);
    EXPECT_TRUE(f.Checked(f.CheckBox[9]));
    EXPECT_EQ(Dword(L"Pause"), kCtrlAltN);
    EXPECT_EQ(Dword(L"HintOnComplete"), 1u);
}

TEST_F(AppTest, TheRecycleBinOptionIsOnUnlessStoredOffAndAResetTurnsItOnAgain) {
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[14], false);
    f.SaveSettings();
    EXPECT_EQ(Dword(L"DelToRecycle"), 0u);
    Restart();
    EXPECT_FALSE(Form().Checked(Form().CheckBox[14]));

    // A key written by an older copy has no such value: the option is on.
    HKEY k;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_ALL_ACCESS, &k), ERROR_SUCCESS);
    RegDeleteValueW(k, L"DelToRecycle");
    RegCloseKey(k);
    Restart();
    EXPECT_TRUE(Form().Checked(Form().CheckBox[14]));

    // A bad value is reported like the others and leaves the option on.
    WriteRaw(L"DelToRecycle", REG_SZ, L"0", 4);
    Restart();
    EXPECT_TRUE(Form().Checked(Form().CheckBox[14]));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].Text.find(L"Invalid data type for 'DelToRecycle'"), std::wstring::npos);

    Form().SetChecked(Form().CheckBox[14], false);
    answers = {IDOK};
    Form().Button1Click();
    EXPECT_TRUE(Form().Checked(Form().CheckBox[14]));
    EXPECT_EQ(Dword(L"DelToRecycle"), 1u);
}

// A deep target folder is stored whole, and read back whole.
TEST_F(AppTest, ALongFolderIsSavedWhole) {
    std::wstring dir = L"D:\\";
    while (dir.size() < 700) dir += L"Папка с длинным именем\\";
    TForm1& f = Form();
    SetWindowTextW(f.Edit1, dir.c_str());
    f.SaveSettings();
    std::vector<wchar_t> buf(4096, L'\0');
    DWORD size = static_cast<DWORD>(buf.size() * sizeof(wchar_t));
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, L"Dir", RRF_RT_REG_SZ, nullptr, buf.data(), &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(buf.data()).size(), dir.size());
    Restart();
    EXPECT_EQ(EditText().size(), dir.size());
    EXPECT_TRUE(EditText() == dir);
}

// The display's place and time and the keys' steps: read after every other
// value, a number out of range or of the wrong type reported as a bad value
// and the designed state kept; the window's choices act at once and are
// stored by a save, a step only once the user has chosen one.
TEST_F(AppTest, TheDisplayAndFileSettingsAreCheckedShownAndStored) {
    struct TRow {
        const wchar_t* Name;
        DWORD Stored;
        int Place, Seconds;
        bool Reported;
        int VolStep = 0, SeekStep = 0;
        const wchar_t* StoredText = nullptr;  // stored as text instead of the number
    };
    const TRow rows[] = {
        {L"OsdPlace", 4, 4, 2, false},
        {L"OsdPlace", 5, 0, 2, true},
        {L"OsdSeconds", 10, 0, 10, false},
        {L"OsdSeconds", 0, 0, 2, true},
        {L"VolStep", 25, 0, 2, false, 25, 0},
        {L"VolStep", 26, 0, 2, true, 0, 0},
        {L"VolStep", 0, 0, 2, true, 0, 0, L"5"},
        {L"SeekStep", 600, 0, 2, false, 0, 600},
        {L"SeekStep", 7, 0, 2, false, 0, 7},  // none of the list's usual steps
        {L"SeekStep", 601, 0, 2, true, 0, 0},
    };
    const auto selected = [](HWND combo) { return static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)); };
    for (const TRow& row : rows) {
        SCOPED_TRACE(testing::Message() << WideToUtf8(row.Name) << " = " << row.Stored);
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
        if (row.StoredText)
            WriteRaw(row.Name, REG_SZ, row.StoredText, static_cast<DWORD>((wcslen(row.StoredText) + 1) * sizeof(wchar_t)));
        else
            WriteDword(row.Name, row.Stored);
        asked.clear();
        Restart();
        EXPECT_EQ(selected(Form().OsdPlaceBox), row.Place);
        EXPECT_EQ(selected(Form().OsdSecondsBox), row.Seconds - 1);
        EXPECT_EQ(SelectedStep(Form().VolStepBox), row.VolStep);
        EXPECT_EQ(SelectedStep(Form().SeekStepBox), row.SeekStep);
        EXPECT_EQ(Form().Settings.VolStep, row.VolStep);
        EXPECT_EQ(Form().Settings.SeekStep, row.SeekStep);
        ASSERT_EQ(asked.size(), row.Reported ? 1u : 0u);
        if (row.Reported) {
            const std::wstring says = row.StoredText ? L"Invalid data type for '" : L"Invalid value for '";
            EXPECT_NE(asked[0].Text.find(says + row.Name + L"'"), std::wstring::npos);
        }
    }

    TForm1& f = Form();
    SendMessageW(f.OsdPlaceBox, CB_SETCURSEL, 2, 0);
    SendMessageW(f.Handle(), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(f.OsdPlaceBox), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(f.OsdPlaceBox));
    SetWindowTextW(f.NowPlayingTemplate, L"%title% (%album%)");
    EXPECT_EQ(f.Settings.OsdPlace, 2);
    EXPECT_EQ(f.Settings.NowPlayingTemplate, L"%title% (%album%)");
    f.SaveSettings();
    Restart();
    EXPECT_EQ(selected(Form().OsdPlaceBox), 2);
    EXPECT_EQ(WindowText(Form().NowPlayingTemplate), L"%title% (%album%)");

    // A step is stored once chosen, and the player's own step chosen again
    // is stored too; the other step, never chosen, is not written at all.
    const auto choose = [](HWND combo, int step) {
        for (int i = 0; i < static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0)); ++i)
            if (SendMessageW(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0) == step)
                SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageW(GetAncestor(combo, GA_ROOT), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
    };
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
    Restart();
    for (int step : {10, 0}) {
        choose(Form().VolStepBox, step);
        EXPECT_EQ(Form().Settings.VolStep, step);
        Form().SaveSettings();
        EXPECT_EQ(Dword(L"VolStep"), static_cast<DWORD>(step));
        EXPECT_EQ(Dword(L"SeekStep"), 0xDEADBEEFu) << "never chosen, never written";
        Restart();
        EXPECT_EQ(SelectedStep(Form().VolStepBox), step);
    }
}
