// Finding and starting the player, and the start-up options.
#include "app/form1.h"
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
    TStoreSession store(*Store);
    if (IsExistingFile(kDefaultPlayerPath)) {
        if (store.Opened()) store->WriteString(kPlayerPathValue, kDefaultPlayerPath);
        Settings.PlayerPath = kDefaultPlayerPath;
        return;
    }
    if (!store.Opened()) return;
    const std::wstring stored = store->ReadString(kPlayerPathValue);
    Settings.PlayerPath = stored;
    if (IsExistingFile(stored)) return;
    OpenDialog1.Owner = Application().Handle();
    OpenDialog1.Execute();
    // Also when cancelled: the name the dialog held before.
    store->WriteString(kPlayerPathValue, OpenDialog1.FileName);
    Settings.PlayerPath = OpenDialog1.FileName;
}

// The place is read as stored at the press: settings kept elsewhere may have
// been removed meanwhile, and the user is then asked again.
void TForm1::LaunchPlayer(bool play) {
    bool opened = false, start = false;
    std::wstring path;
    {
        TStoreSession store(*Store);
        opened = store.Opened();
        start = opened && !PlayerRunning() && store->ValueExists(kPlayerPathValue);
        if (start) path = store->ReadString(kPlayerPathValue);
    }
    if (!opened) {
        FindPlayerPath();
        return;
    }
    if (start) {
        Settings.PlayerPath = path;
        StartPlayerProgram(path, SW_HIDE, kStartWaitMs);
    }
    if (play && wControl.GetPlayBackStatus() != TTarnWinAmpPlayBackStatus::wapsPlaying) wControl.TrackPlay();
}

void TForm1::PlayerStartupActions() {
    if (Settings.Options[optStartPlayer]) LaunchPlayer(false);
    if (Settings.Options[optFullVolume]) wControl.SetVolume(kMaxVolume);
    if (Settings.Options[optAutoPlay]) {
        if (!PlayerRunning())
            LaunchPlayer(true);
        else if (wCtrl.GetPlayState() == TPlayState::psStop)
            wControl.TrackPlay();
    }
}
