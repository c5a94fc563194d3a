// The stored settings over every road to the end, taken while each box or
// dialog of the program waits: afterwards the key holds what was stored, or
// what was loaded plus the edits made in the window, and never anything the
// program did not load.
#include "app_fixture.h"

#include <functional>
#include <map>

#include "app/texts.h"
#include "support/key_holder.h"

namespace {

constexpr TShortCut kExitAllKey = 0xC000 | 'X';
constexpr TShortCut kOnOffKey = 0xC000 | 'O';
constexpr TShortCut kPlayKey = 0xC000 | 'P';
constexpr TShortCut kEditedPauseKey = 0xC000 | 'Q';

enum class TRoad { TrayExit, ExitAllKey, WindowClose, AppWindowClose, SessionEnd, SetupEndRequest, AlarmLogOff,
                   AlarmPowerOff };
enum class TMoment { StartUpPlayerQuestion, StartUpErrorBox, MoveQuestion, DeleteQuestion, ExitQuestion, AboutBox,
                     FolderDialog, ResumeErrorBox, KeyTakeMenu };

const TRoad kRoads[] = {TRoad::TrayExit,   TRoad::ExitAllKey,      TRoad::WindowClose, TRoad::AppWindowClose,
                        TRoad::SessionEnd, TRoad::SetupEndRequest, TRoad::AlarmLogOff, TRoad::AlarmPowerOff};
const TMoment kMoments[] = {TMoment::StartUpPlayerQuestion, TMoment::StartUpErrorBox, TMoment::MoveQuestion,
                            TMoment::DeleteQuestion,        TMoment::ExitQuestion,    TMoment::AboutBox,
                            TMoment::FolderDialog,          TMoment::ResumeErrorBox,  TMoment::KeyTakeMenu};

bool DuringStartUp(TMoment m) { return m == TMoment::StartUpPlayerQuestion || m == TMoment::StartUpErrorBox; }
bool IsAlarm(TRoad r) { return r == TRoad::AlarmLogOff || r == TRoad::AlarmPowerOff; }

// The roads that can be taken at a moment: no key is in force before
// start-up has applied them, nor, but the on/off key, while they are
// switched off. The window, and the alarm in it, can be had from the tray
// while a start-up box waits.
bool RoadOpen(TMoment m, TRoad r) {
    if (r != TRoad::ExitAllKey) return true;
    return !DuringStartUp(m) && m != TMoment::ResumeErrorBox;
}

struct TValue {
    DWORD Type;
    std::string Data;
    bool operator==(const TValue& o) const { return Type == o.Type && Data == o.Data; }
};
using TValues = std::map<std::wstring, TValue>;

TValue Dw(DWORD v) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&v), sizeof(v))}; }
TValue Sz(const std::wstring& s) {
    return {REG_SZ, std::string(reinterpret_cast<const char*>(s.c_str()), (s.size() + 1) * sizeof(wchar_t))};
}

// Every value under the key, "WA" aside: start-up writes the player's path
// whatever else happens.
TValues StoredValues() {
    TValues out;
    HKEY k;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &k) != ERROR_SUCCESS) return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0, size = 0;
        if (RegEnumValueW(k, i, name, &nameLen, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) break;
        std::string data(size, '\0');
        nameLen = 256;
        RegEnumValueW(k, i, name, &nameLen, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
        if (std::wstring(name) != L"WA") out[name] = {type, data};
    }
    RegCloseKey(k);
    return out;
}

std::string Describe(const TValues& values) {
    std::string out;
    for (const auto& [name, v] : values) {
        out += WideToUtf8(name) + "=";
        if (v.Type == REG_DWORD && v.Data.size() == 4)
            out += std::to_string(*reinterpret_cast<const DWORD*>(v.Data.data()));
        else
            out += "<" + std::to_string(v.Type) + ":" + std::to_string(v.Data.size()) + ">";
        out += " ";
    }
    return out;
}

class SettingsInvariantTest : public AppTest {
protected:
    // Every stored value of a user who has used the program for a while.
    TValues StoredBefore(TMoment moment, TRoad road) {
        TValues v;
        for (const TActionInfo& a : kActions) v[a.Value] = Dw(0);
        v[L"Play"] = Dw(kPlayKey);
        v[L"ExitAll"] = Dw(kExitAllKey);
        v[L"PlovikOnOff"] = Dw(kOnOffKey);
        for (const TAlarmActionInfo& a : kAlarmActions) v[a.Value] = Dw(0);
        v[road == TRoad::AlarmLogOff ? L"RadLogOff" : road == TRoad::AlarmPowerOff ? L"RadPowOff" : L"RadWaOn"] = Dw(1);
        for (const TOptionInfo& o : kOptions) v[o.Value] = Dw(0);
        v[L"AutoLoadPr"] = Dw(1);
        v[L"AutoHint"] = Dw(1);
        v[L"AskOnExit"] = Dw(moment == TMoment::ExitQuestion ? 1 : 0);
        v[L"Dir"] = Sz(folder);
        v[L"DelToRecycle"] = Dw(1);
        v[L"Language"] = Sz(L"ru");
        for (const TOptionInfo& o : kShowOptions) v[o.Value] = Dw(0);
        v[L"OsdKeys"] = Dw(1);
        v[L"OsdPlace"] = Dw(3);
        v[L"OsdSeconds"] = Dw(5);
        v[L"NowPlayingFile"] = Sz(L"");
        v[L"NowPlayingTemplate"] = Sz(L"%title%");
        // Win+Alt+N for the volume: no key by its own value, for older copies.
        v[L"WinKeys"] = Sz(L"VolUp=36942");
        v[L"TakenKeys"] = Sz(L"Play");
        return v;
    }
    void Store(const TValues& values) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
        for (const auto& [name, v] : values)
            WriteRaw(name.c_str(), v.Type, v.Data.data(), static_cast<DWORD>(v.Data.size()));
        HKEY k;
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr);
        const std::wstring entry = L"C:\\plovik\\Plovik.exe";
        RegSetValueExW(k, L"Plovik", 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.c_str()),
                       static_cast<DWORD>((entry.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(k);
    }

    // The program under construction, whose window may not be made yet.
    static TForm1& Current() { return *TForm1::Running(); }

    void TakeRoad(TRoad road) {
        TForm1& f = Current();
        f.ShutH1.ExitWindowsExFn = [this](UINT, DWORD) {
            ++sessionEnds;
            return TRUE;
        };
        f.ShutH1.RunCommandFn = [this](const std::wstring&, int) {
            ++sessionEnds;
            return true;
        };
        switch (road) {
            case TRoad::TrayExit: f.N5->Click(); break;
            case TRoad::ExitAllKey: Press(kExitAllKey); break;
            case TRoad::WindowClose:
                OpenFromTheTray(f);
                SendMessageW(f.Handle(), WM_CLOSE, 0, 0);
                break;
            case TRoad::AppWindowClose: SendMessageW(Application().Handle(), WM_CLOSE, 0, 0); break;
            case TRoad::SessionEnd:
                // Every top-level window hears it; the application window
                // is there from the start.
                SendMessageW(Application().Handle(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
                SendMessageW(Application().Handle(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
                break;
            case TRoad::SetupEndRequest: SendMessageW(Application().Handle(), EndRequestMessage(), 0, 0); break;
            case TRoad::AlarmLogOff:
            case TRoad::AlarmPowerOff:
                // Chosen in a window opened while start-up waits, or loaded.
                if (OpenFromTheTray(f)) f.SetRadio(road == TRoad::AlarmLogOff ? 3 : 4, true);
                f.RunAlarmAction();
                break;
        }
    }

    // The user opens the settings window with the tray's "Настройки" where
    // it has not been made yet (start-up still waits in a box); true then.
    static bool OpenFromTheTray(TForm1& f) {
        if (f.Handle()) return false;
        f.N6->Click();
        return true;
    }

    // Takes the road once, the first time the moment's box or dialog opens.
    void Once(TRoad road) {
        if (taken) return;
        taken = true;
        TakeRoad(road);
    }

    void Cell(TMoment moment, TRoad road) {
        taken = false;
        sessionEnds = 0;
        asked.clear();
        const TValues before = StoredBefore(moment, road);
        Store(before);
        TValues edited = before;
        edited[L"FadeOut"] = Dw(1);
        edited[L"Pause"] = Dw(kEditedPauseKey);
        const auto edit = [&] {
            Form().SetChecked(Form().CheckBox[6], true);
            SetHotKeyWord(Form().HotKey[7], kEditedPauseKey);
        };
        const std::wstring askExit = ::Text(TTextId::AskExit);
        Application().MessageBoxFn = [&](HWND, const std::wstring& text, const std::wstring& caption, UINT) {
            asked.push_back({text, caption, 0});
            // A question asked again by the road itself is answered yes: the
            // road goes all the way.
            if (taken) return text == askExit ? IDYES : IDCANCEL;
            const bool box = (moment == TMoment::StartUpErrorBox && text.find(L"'WA'") != std::wstring::npos) ||
                             (moment == TMoment::ResumeErrorBox && text.find(L"'Rew'") != std::wstring::npos) ||
                             (moment == TMoment::MoveQuestion && text == ::Text(TTextId::AskMove)) ||
                             (moment == TMoment::DeleteQuestion && text == ::Text(TTextId::AskDelete)) ||
                             (moment == TMoment::ExitQuestion && text == askExit);
            if (box) Once(road);
            return text == askExit ? IDNO : IDCANCEL;
        };
        TOpenDialog::DefaultExecuteFn = [&](TOpenDialog& d) {
            if (moment == TMoment::StartUpPlayerQuestion) Once(road);
            d.FileName = player;
            return true;
        };
        if (moment == TMoment::StartUpPlayerQuestion) WriteRaw(L"WA", REG_SZ, L"C:\\gone\\winamp.exe", 38);
        if (moment == TMoment::StartUpErrorBox) WriteDword(L"WA", 7);

        std::unique_ptr<TPeerPlayer> peer;
        if (moment == TMoment::MoveQuestion || moment == TMoment::DeleteQuestion) {
            peer = std::make_unique<TPeerPlayer>();
            ASSERT_TRUE(peer->Started());
        }
        // The play key is another program's, and the user opens its mark's menu.
        std::unique_ptr<TKeyHolder> holder;
        TWindowTimer menuWatch;
        if (moment == TMoment::KeyTakeMenu) {
            holder = std::make_unique<TKeyHolder>(std::initializer_list<unsigned>{kPlayKey});
            ASSERT_TRUE(holder->Holds(kPlayKey));
            menuWatch.SetInterval(30);
            menuWatch.OnTimer = [&] {
                HWND menu = FindWindowW(L"#32768", nullptr);
                if (!menu || !IsWindowVisible(menu) || taken) return;
                Once(road);
                // The choice is made after the road: it must change nothing stored.
                PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
                PostMessageW(menu, WM_KEYDOWN, VK_RETURN, 0);
            };
            menuWatch.SetEnabled(true);
        }
        Form();
        if (!DuringStartUp(moment)) edit();
        switch (moment) {
            case TMoment::MoveQuestion: Form().HotKeyPressed(30); break;
            case TMoment::DeleteQuestion: Form().HotKeyPressed(31); break;
            case TMoment::ExitQuestion: Form().N5->Click(); break;
            case TMoment::AboutBox:
                Form().AboutBoxFn = [&](HWND, const std::wstring&, const std::wstring&, HICON) { Once(road); };
                Form().N1->Click();
                break;
            case TMoment::FolderDialog:
                Form().BrowsFldr->BrowseFn = [&](BROWSEINFOW&) -> PIDLIST_ABSOLUTE {
                    Once(road);
                    return nullptr;
                };
                Form().N3Click();
                break;
            case TMoment::ResumeErrorBox:
                Press(kOnOffKey);  // suspends the keys, and saves the edits
                WriteRaw(L"Rew", REG_SZ, L"x", 4);
                Press(kOnOffKey);  // resumes: the load finds the bad value
                break;
            case TMoment::KeyTakeMenu: Form().OfferKeyTake(6, POINT{200, 200}); break;
            default: break;
        }
        const std::string cell = "moment " + std::to_string(static_cast<int>(moment)) + ", road " +
                                 std::to_string(static_cast<int>(road));
        ASSERT_TRUE(taken) << cell << ": the moment never came";

        // What the window held when the road was taken: nothing loaded yet
        // during start-up, the loaded settings and the edits afterwards.
        const TValues& expected = DuringStartUp(moment) ? before : edited;
        EXPECT_EQ(Describe(StoredValues()), Describe(expected)) << cell;
        EXPECT_NE(Text(kRunKey, L"Plovik"), L"<absent>") << cell << ": the log-on entry is gone";
        for (const TAsked& a : asked)
            EXPECT_EQ(a.Text.find(L"Failed to"), std::wstring::npos) << cell << ": " << WideToUtf8(a.Text);
        if (IsAlarm(road))
            EXPECT_EQ(sessionEnds, 1) << cell;
        else
            EXPECT_TRUE(Form().Closed()) << cell << ": the road did not end the program";

        form.reset();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        }
    }

    std::wstring folder = MakeTempDir(L"target");
    std::wstring player = [] {
        const std::wstring path = MakeTempDir(L"player") + L"\\winamp.exe";
        WriteFileBytes(path, "MZ");
        return path;
    }();
    bool taken = false;
    int sessionEnds = 0;
};

}  // namespace

TEST_F(SettingsInvariantTest, EveryRoadToTheEndAtEveryModalMomentKeepsWhatWasLoadedAndEdited) {
    for (TMoment moment : kMoments)
        for (TRoad road : kRoads)
            if (RoadOpen(moment, road)) Cell(moment, road);
}

// A write of start-up (the player's path) made while a box of its own waits
// survives the tray's language switch made in that box, which writes too.
TEST_F(SettingsInvariantTest, ANestedWriteLeavesTheOuterOperationsKeyOpen) {
    Store(StoredBefore(TMoment::AboutBox, TRoad::TrayExit));
    WriteRaw(L"WA", REG_SZ, L"C:\\gone\\winamp.exe", 38);
    TOpenDialog::DefaultExecuteFn = [&](TOpenDialog& d) {
        Current().N7->Click();  // "English"
        d.FileName = player;
        return true;
    };
    Form();
    EXPECT_TRUE(asked.empty()) << WideToUtf8(asked.empty() ? L"" : asked[0].Text);
    EXPECT_EQ(Text(kSettingsKey, L"WA"), player);
    EXPECT_EQ(Text(kSettingsKey, L"Language"), L"en");
}
