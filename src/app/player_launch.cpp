// Finding and starting the player, and the start-up options.
#include "app/form1.h"
#include "app/settings_registry.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {

constexpr wchar_t kDefaultPlayerPath[] = L"C:\\Progra~1\\Winamp\\Winamp.exe";
constexpr std::uint8_t kMaxVolume = 255;
// As long as the system's own start call waits for a new program.
constexpr DWORD kStartWaitMs = 30000;

bool FileExists(const std::wstring& path) {
    if (path.empty()) return false;
    const DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool PlayerRunning() { return FindPlayerWindow(wa::kWindowClass) != nullptr; }

}  // namespace

const wchar_t* TForm1::DefaultPlayerPath() { return kDefaultPlayerPath; }

void TForm1::FindPlayerPath() {
    TRegistry& reg = SettingsRegistry();
    TKeyCloser closer(reg);
    if (FileExists(kDefaultPlayerPath)) {
        if (reg.OpenKey(kSettingsKey, false)) reg.WriteString(L"WA", kDefaultPlayerPath);
        return;
    }
    if (!reg.OpenKey(kSettingsKey, false)) return;
    if (FileExists(reg.ReadString(L"WA"))) return;
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
