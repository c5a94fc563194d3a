// The balloon that announces the track, and its take-down after two seconds.
#include "app/form1.h"
#include "app/track_title.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

namespace {
constexpr int kMaxCaption = 2047;
}  // namespace

// The song's balloon waits while a balloon about the keys is being read;
// it then shows the song playing at that moment.
void TForm1::wCtrlTrackChange() {
    ShowSong(Settings.Options[optOsdSongs]);
    if (!Settings.Options[optTrackHint]) return;
    const ULONGLONG now = GetTickCount64();
    if (now >= FKeysBalloonUntil) {
        ShowTrackHint();
        return;
    }
    FTrackHintDelay.OnTimer = [this] {
        FTrackHintDelay.SetEnabled(false);
        if (Settings.Options[optTrackHint]) ShowTrackHint();
    };
    FTrackHintDelay.SetInterval(static_cast<UINT>(FKeysBalloonUntil - now));
    FTrackHintDelay.SetEnabled(true);
}

std::wstring TForm1::GetTrackTitle() {
    HWND player = FindPlayerWindow(wa::kWindowClass);
    if (!player) return {};
    std::wstring caption(kMaxCaption + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(player, caption.data(), kMaxCaption + 1)));
    return TrackTitleFromCaption(caption);
}

// Hiding first and restarting Timer2 makes a new balloon replace the one
// showing and stay its full two seconds.
void TForm1::ShowBalloon(const std::wstring& Title, const std::wstring& Text) {
    TrayIcon->HideBalloonHint();
    Timer2.SetEnabled(false);
    TrayIcon->ShowBalloonHint(Title, Text, bitInfo, kBalloonSeconds);
    Timer2.SetEnabled(true);
}

void TForm1::ShowTrackHint() { ShowBalloon(Text(TTextId::CurrentSong), GetTrackTitle()); }

void TForm1::Timer2Timer() {
    TrayIcon->HideBalloonHint();
    Timer2.SetEnabled(false);
}
