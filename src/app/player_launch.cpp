// Finding and starting the player, and the start-up options.
#include "app/form1.h"
#include "app/settings_registry.h"
#include "player/file_io.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

constexpr wchar_t kDefaultPlayerPath[] = L"C:\\Progra~1\\Winamp\\Winamp.exe";
// As long as the system's own start call waits for a new program.
constexpr DWORD kStartWaitMs = 30000;

bool PlayerRunning() { return FindPlayerWindow(wa::kWindowClass) != nullptr; }

}  // namespace

const wchar_t* TForm1::DefaultPlayerPath() { return kDefaultPlayerPath; }

void TForm1::FindPlayerPath() {
    TRegistry& reg = SettingsRegistry();
    TKeyCloser closer(reg);
    if (IsExistingFile(kDefaultPlayerPath)) {
        if (reg.OpenKey(kSettingsKey, false)) reg.WriteString(L"WA", kDefaultPlayerPath);
        return;
    }
    if (!reg.OpenKey(kSettingsKey, false)) return;
    if (IsExistingFile(reg.ReadString(L"WA"))) return;
    OpenDialog1.Owner = Application().Handle();
    OpenDialog1.Execute();
    // Also when cancelled: the name the dialog held before.
    reg.WriteString(L"WA", OpenDialog1.FileName);
}

void TForm1::LaunchPlayer(bool play) {
    TRegistry& reg = SettingsRegistry();
    {
        TKeyCloser closer(reg);
        if (!reg.OpenKey(kSettingsKey, false)) {
            reg.CloseKey();
            FindPlayerPath();
            return;
        }
        if (!PlayerRunning() && reg.ValueExists(L"WA")) {
            const std::wstring path = reg.ReadString(L"WA");
            reg.CloseKey();
            StartPlayerProgram(path, SW_HIDE, kStartWaitMs);
        }
    }
    if (play && wControl.GetPlayBackStatus() != TTarnWinAmpPlayBackStatus::wapsPlaying) wControl.TrackPlay();
}

void TForm1::PlayerStartupActions() {
    if (Checked(CheckBox[3])) LaunchPlayer(false);
    if (Checked(CheckBox[4])) wControl.SetVolume(kMaxVolume);
    if (Checked(CheckBox[13])) {
        if (!PlayerRunning())
            LaunchPlayer(true);
        else if (wCtrl.GetPlayState() == TPlayState::psStop)
            wControl.TrackPlay();
    }
}
