// Settings as files: the reader of the portable file and of the export
// formats, the portable store over every condition a file can be in, and
// export and import.
#include "app_fixture.h"

#include <atomic>
#include <thread>

#include "app/settings_store.h"
#include "app/settings_transfer.h"
#include "unix_side.h"

namespace {

std::string Utf16(const std::wstring& text) {
    std::string out = "\xFF\xFE";
    for (wchar_t c : text) {
        out.push_back(static_cast<char>(c & 0xFF));
        out.push_back(static_cast<char>(c >> 8));
    }
    return out;
}

std::wstring Describe(const TSettingsText& t) {
    std::wstring out;
    for (const TNamedValue& v : t.Values)
        out += v.Name + (v.Value.Type == TStoredValue::Integer ? L"=" + std::to_wstring(v.Value.Int) : L"='" + v.Value.Str + L"'") + L" ";
    for (const TLineProblem& p : t.Problems)
        out += L"!" + std::to_wstring(p.Line) + L":" + std::to_wstring(static_cast<int>(p.Problem)) + L" ";
    return out;
}

}  // namespace

TEST(SettingsText, ReadsEachKindOfLineAndNamesWhatIsWrong) {
    const std::wstring key = L"MRWPLOVIK";
    const struct {
        const wchar_t* Text;
        bool Reg;
        const wchar_t* Read;
    } rows[] = {
        {L"[MRWPLOVIK]\r\n\"Play\"=dword:0000C058\r\n\"Dir\"=\"D:\\\\М \\\"x\\\"\"\r\n", false,
         L"Play=49240 Dir='D:\\М \"x\"' "},
        {L"; a note\nFadeOut = DWORD:1\n\n", false, L"FadeOut=1 "},
        {L"\"A\"=dword:123456789\n\"B\"=hex:01\n\"C\"=\"open\n\"D\"=-\nno value here\n", false,
         L"!1:2 !2:1 !3:3 !4:1 !5:0 "},
        {L"[Other]\n\"Play\"=dword:1\n[MRWPLOVIK]\n\"Stop\"=dword:2\n", false, L"Stop=2 !1:4 "},
        {L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\r\n"
         L"\"Play\"=dword:00000001\r\n",
         true, L"Play=1 "},
        {L"[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\n\"Play\"=dword:1\n", true, L"!1:5 "},
    };
    for (const auto& r : rows) {
        const std::wstring k = r.Reg ? L"HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK" : key;
        EXPECT_EQ(Describe(ParseSettingsText(r.Text, r.Reg, k)), r.Read) << WideToUtf8(r.Text);
    }
    // Both formats read back what they wrote, whatever the text holds.
    const std::wstring regKey = L"HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK";
    const std::vector<TNamedValue> values = {{L"Play", {TStoredValue::Integer, 0xC058, {}, 0}},
                                             {L"Dir", {TStoredValue::String, 0, L"D:\\Музыка \"\U0001F3B5\"", 0}}};
    for (bool reg : {false, true}) {
        std::wstring text;
        ASSERT_TRUE(DecodeSettingsBytes(reg ? FormatRegFile(values, regKey) : FormatIniFile(values, key), text));
        EXPECT_EQ(Describe(ParseSettingsText(text, reg, reg ? regKey : key)),
                  L"Play=49240 Dir='D:\\Музыка \"\U0001F3B5\"' ");
    }
    // Bytes that are no UTF-8 are left to the system's code page.
    std::wstring text;
    EXPECT_FALSE(DecodeSettingsBytes("Dir=\"\xC4\xE8\xF1\xEA\"", text));
    EXPECT_TRUE(DecodeSettingsBytes(Utf16(L"x=dword:1"), text));
    EXPECT_EQ(text, L"x=dword:1");
}

namespace {

constexpr TShortCut kPlay = 0xC000 | 'P';
constexpr TShortCut kWinAltUp = kHotKeyWin | kHotKeyAlt | VK_UP;

class PortableTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        folder = MakeTempDir(L"stick");
        ini = folder + L"\\Plovik.ini";
    }
    // The program as it runs from a stick: its settings in the file.
    TForm1& StartPortable() {
        form = std::make_unique<TForm1>(std::make_unique<TIniFileStore>(ini));
        return *form;
    }
    static bool KeyExists() {
        HKEY k;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
        RegCloseKey(k);
        return true;
    }
    std::wstring FileText() {
        std::wstring text;
        DecodeSettingsBytes(ReadFileBytes(ini), text);
        return text;
    }
    std::wstring folder, ini;
};

}  // namespace

// Whatever state the file is in, the program starts, tells each problem
// once, and at its end the file holds what it held plus the user's edit, or
// is left untouched when it cannot be read or written; the registry is
// never touched and no helper file is left.
TEST_F(PortableTest, EveryConditionOfTheFileKeepsWhatItHeldAndTouchesNoRegistry) {
    HANDLE held = INVALID_HANDLE_VALUE;
    const auto hold = [&](DWORD share) {
        return [&, share] { held = CreateFileW(ini.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr); };
    };
    const std::function<void()> nothing = [] {};
    // The stick's folder as a read-only mount of its own (mounting needs root).
    bool stick = false;
    const auto MountReadOnly = [&] {
        const std::string unix = UnixPath(folder);
        const bool done = RunUnix("mount --bind '" + unix + "' '" + unix + "' && mount -o remount,ro,bind '" + unix + "'");
        EXPECT_TRUE(done) << "the read-only mount";
        return done;
    };
    // A folder name in the system's code page, not UTF-8.
    const std::string ansi = "Caf\xE9 \xE0 la \xEAtre";
    std::wstring wide(ansi.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                                        wide.data(), static_cast<int>(wide.size()))));
    const struct {
        const char* Name;
        std::string Bytes;
        std::function<void()> AtStart, AtClose;
        std::vector<std::wstring> Lines;  // in the file afterwards; none: the bytes as they were
        size_t Messages;  // boxes: one at the start for all the file's problems, one for a failed save
    } rows[] = {
        {"empty", "", nothing, nothing, {L"\"AutoHint\"=dword:00000001", L"\"Play\"=dword:00000000"}, 0},
        {"values", "\"Play\"=dword:0000c050\r\n\"Dir\"=\"D:\\\\M\"\r\n", nothing, nothing,
         {L"\"Play\"=dword:0000c050", L"\"Dir\"=\"D:\\\\M\"", L"\"AutoHint\"=dword:00000001"}, 0},
        {"unknown name", "\"Future\"=dword:7\r\n", nothing, nothing, {L"\"Future\"=dword:00000007"}, 1},
        {"bad lines", "\"FadeOut\"=dword:zz\r\ngarbage\r\n", nothing, nothing,
         {L"; \"FadeOut\"=dword:zz", L"; garbage", L"\"FadeOut\"=dword:00000000"}, 1},
        {"system code page", "\"Dir\"=\"D:\\\\" + ansi + "\"\r\n", nothing, nothing, {L"\"Dir\"=\"D:\\\\" + wide + L"\""}, 1},
        {"read-only", "\"Play\"=dword:0000c050\r\n",
         [&] { SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY); }, nothing, {}, 1},
        {"unreadable", "\"Play\"=dword:0000c050\r\n", hold(0), nothing, {}, 1},
        {"read-only stick", "\"Play\"=dword:0000c050\r\n", [&] { stick = MountReadOnly(); }, nothing, {}, 1},
    };
    for (const auto& r : rows) {
        asked.clear();
        WriteFileBytes(ini, r.Bytes);
        r.AtStart();
        TForm1& f = StartPortable();
        f.Settings.Options[optTrackHint] = true;  // the user's edit
        r.AtClose();
        f.N5->Click();
        if (stick) RunUnix("umount -l '" + UnixPath(folder) + "'");
        stick = false;
        if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
        held = INVALID_HANDLE_VALUE;
        SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_TRUE(f.Closed()) << r.Name;
        EXPECT_EQ(asked.size(), r.Messages) << r.Name << ": " << (asked.empty() ? "" : WideToUtf8(asked[0].Text));
        if (r.Lines.empty()) EXPECT_EQ(ReadFileBytes(ini), r.Bytes) << r.Name;
        const std::wstring text = FileText();
        for (const std::wstring& line : r.Lines)
            EXPECT_NE(text.find(line + L"\r\n"), std::wstring::npos) << r.Name << ": " << WideToUtf8(line);
        EXPECT_FALSE(KeyExists()) << r.Name << ": the registry was written";
        WIN32_FIND_DATAW found;
        HANDLE list = FindFirstFileW((folder + L"\\*.tmp").c_str(), &found);
        EXPECT_EQ(list, INVALID_HANDLE_VALUE) << r.Name << ": a helper file is left";
        if (list != INVALID_HANDLE_VALUE) FindClose(list);
        form.reset();
    }
}

// A reader that polls the file while the program saves again and again
// always reads a whole file.
TEST_F(PortableTest, AReaderNeverSeesAPartOfTheFile) {
    WriteFileBytes(ini, "");
    TForm1& f = StartPortable();
    f.SaveSettings();
    std::atomic<bool> done{false};
    std::atomic<int> reads{0}, partial{0};
    std::thread reader([&] {
        while (!done) {
            HANDLE h = CreateFileW(ini.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) continue;
            std::string bytes(1 << 16, '\0');
            DWORD got = 0;
            ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
            CloseHandle(h);
            bytes.resize(got);
            std::wstring text;
            DecodeSettingsBytes(bytes, text);
            const TSettingsText t = ParseSettingsText(text, false, kIniSection);
            ++reads;
            if (!t.Problems.empty() || t.Values.size() < 40) ++partial;
            Sleep(2);  // a reader polls; it does not hold the file for good
        }
    });
    for (int i = 0; i < 150; ++i) {
        f.Settings.Folder = std::wstring(static_cast<size_t>(i % 7) * 300, L'x');
        f.SaveSettings();
    }
    done = true;
    reader.join();
    EXPECT_GT(reads.load(), 10);
    EXPECT_EQ(partial.load(), 0);
    EXPECT_TRUE(asked.empty()) << WideToUtf8(asked.empty() ? L"" : asked[0].Text);
}

TEST_F(AppTest, ExportThenImportCarriesEverySettingAndPutsTheKeysInForce) {
    const std::wstring folder = MakeTempDir(L"export");
    TForm1& f = Form();
    SetHotKeyWord(f.HotKey[6], kPlay);
    SetHotKeyWord(f.HotKey[11], kWinAltUp);
    f.SetChecked(f.CheckBox[6], true);
    f.SetRadio(3, true);
    SetWindowTextW(f.Edit1, L"D:\\Музыка");
    f.Settings.SeekStep = 45;
    for (const wchar_t* name : {L"\\settings.reg", L"\\settings.ini"}) {
        f.TransferDialog.ExecuteFn = [&](TOpenDialog& d) {
            d.FileName = folder + name;
            return true;
        };
        f.ExportSettings();
    }
    const std::string reg = ReadFileBytes(folder + L"\\settings.reg");
    EXPECT_EQ(reg.substr(0, 2), "\xFF\xFE") << "regedit's own encoding";
    std::wstring regText;
    ASSERT_TRUE(DecodeSettingsBytes(reg, regText));
    EXPECT_EQ(regText.rfind(L"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]", 0), 0u);

    for (const wchar_t* name : {L"\\settings.reg", L"\\settings.ini"}) {
        form.reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
        TForm1& g = Form();
        ASSERT_TRUE(HotKeyAvailable(kPlay));
        g.TransferDialog.ExecuteFn = [&](TOpenDialog& d) {
            d.FileName = folder + name;
            return true;
        };
        g.ImportSettings();
        EXPECT_TRUE(asked.empty()) << WideToUtf8(asked.empty() ? L"" : asked[0].Text);
        EXPECT_EQ(GetHotKeyWord(g.HotKey[6]), kPlay);
        EXPECT_EQ(GetHotKeyWord(g.HotKey[11]), kWinAltUp);
        EXPECT_FALSE(HotKeyAvailable(kWinAltUp));
        EXPECT_TRUE(g.Checked(g.CheckBox[6]));
        EXPECT_TRUE(g.Checked(g.RadioButton[3]));
        EXPECT_EQ(EditText(), L"D:\\Музыка");
        EXPECT_EQ(g.Settings.SeekStep, 45);
        EXPECT_EQ(Dword(L"Play"), kPlay) << "saved at once";
        EXPECT_FALSE(HotKeyAvailable(kPlay)) << "in force at once";
    }
}

// A broken file changes nothing, and says what is wrong, by line.
TEST_F(AppTest, ABrokenImportChangesNothing) {
    const std::wstring folder = MakeTempDir(L"import");
    const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Merrowind\\MRWPLOVIK]\r\n";
    const struct {
        const wchar_t* Name;
        std::string Bytes;
        const wchar_t* Says;
    } rows[] = {
        {L"truncated.reg", header + "\"Dir\"=\"D:\\\\Mu", L"line 4"},
        {L"other.reg", "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\Software\\Other]\r\n\"Play\"=dword:1\r\n", L"line 2"},
        {L"type.ini", "\"Play\"=\"Ctrl+P\"\r\n\"FadeOut\"=dword:1\r\n", L"\"Play\""},
        {L"range.ini", "\"FadeOut\"=dword:2\r\n", L"\"FadeOut\""},
        {L"taken.ini", "\"FadeOut\"=dword:1\r\n\"TakenKeys\"=\"Play,Volume\"\r\n", L"\"TakenKeys\""},
        {L"unknown.ini", "\"FadeOut\"=dword:1\r\n\"Volume\"=dword:3\r\n", L"\"Volume\""},
        {L"winkeys.ini", "\"FadeOut\"=dword:1\r\n\"WinKeys\"=\"Play=78\"\r\n", L"\"WinKeys\""},
        {L"step.ini", "\"FadeOut\"=dword:1\r\n\"VolStep\"=dword:1a\r\n", L"\"VolStep\""},
        {L"steptype.ini", "\"FadeOut\"=dword:1\r\n\"SeekStep\"=\"30\"\r\n", L"\"SeekStep\""},
        {L"empty.reg", "", L"line 1"},
        {L"notreg.reg", "\"FadeOut\"=dword:1\r\n", L"line 1"},
    };
    TForm1& f = Form();
    f.SwitchLanguage(TLanguage::English);
    f.Button2Click();
    const DWORD fade = Dword(L"FadeOut"), play = Dword(L"Play");
    for (const auto& r : rows) {
        asked.clear();
        WriteFileBytes(folder + L"\\" + r.Name, r.Bytes);
        f.TransferDialog.ExecuteFn = [&](TOpenDialog& d) {
            d.FileName = folder + L"\\" + r.Name;
            return true;
        };
        f.ImportSettings();
        ASSERT_EQ(asked.size(), 1u) << WideToUtf8(r.Name);
        EXPECT_EQ(asked[0].Text.rfind(L"Nothing was imported", 0), 0u) << WideToUtf8(asked[0].Text);
        EXPECT_NE(asked[0].Text.find(r.Says), std::wstring::npos) << WideToUtf8(asked[0].Text);
        EXPECT_EQ(Dword(L"FadeOut"), fade);
        EXPECT_EQ(Dword(L"Play"), play);
        EXPECT_FALSE(f.Settings.Options[optFadeOut]);
    }
}
