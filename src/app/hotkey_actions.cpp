// The 32 hot-key actions: registration from the fields and what each does.
#include "app/form1.h"
#include "player/player_steps.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

// Every key in force again, also after action 5 switched them off (a save,
// a reset or the exit button while suspended): the tray then says so.
void TForm1::ApplyHotKeys() {
    for (int n = 1; n <= kActionCount; ++n) HotKeyManager[n].ClearHotKeys();
    // From action 1 upwards: of two fields with the same combination, the
    // lower-numbered action holds it and the system refuses the other.
    for (int n = 1; n <= kActionCount; ++n) RegisterHotKeyOf(n);
    if (HotKeysSuspended)
        SetHotKeysSuspended(false);
    else
        UpdateTakenKeys();
}

void TForm1::SetHotKeysSuspended(bool suspended) {
    HotKeysSuspended = suspended;
    if (suspended) EnableHotKeys(false);
    UpdateTakenKeys();
    ShowKeysSuspended(suspended, true);
}

void TForm1::SwitchHotKeys() {
    // A second press while a box of the first waits (an error of the load)
    // would switch the keys under it: the first switch ends alone.
    if (FSwitchingKeys) return;
    FSwitchingKeys = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FSwitchingKeys};
    if (HotKeysSuspended) {
        LoadSettings();
        ApplyHotKeys();
        return;
    }
    SaveSettings();
    SetHotKeysSuspended(true);
}

void TForm1::EnableHotKeys(bool enable) {
    if (enable) {
        ApplyHotKeys();
        return;
    }
    // The on/off key itself stays live so that it can switch the rest back on.
    for (int n = 1; n <= kActionCount; ++n)
        if (n != 5) HotKeyManager[n].ClearHotKeys();
}

// Showing another program's window waits until that program has handled
// it; the asynchronous form leaves a hung player to catch up by itself.
void TForm1::MinMaxPlayer() {
    HWND player = FindPlayerWindow(wa::kWindowClass);
    WINDOWPLACEMENT wp{};
    wp.length = sizeof(wp);
    if (!player || !GetWindowPlacement(player, &wp)) return;
    if (wp.showCmd == SW_SHOWNORMAL)
        ShowWindowAsync(FindPlayerWindow(wa::kWindowClass), SW_MINIMIZE);
    else if (wp.showCmd == SW_SHOWMINIMIZED)
        ShowWindowAsync(FindPlayerWindow(wa::kWindowClass), SW_RESTORE);
}

// The new play order, asked of the player after the toggle.
void TForm1::ToggleShuffleWithBalloon() {
    TPlayerRound round;
    wControl.ToggleShuffle();
    TrayIcon->HideBalloonHint();
    Timer2.SetEnabled(false);
    // Asked once: a player that answers nothing sensible gets no balloon.
    const TPlaySequence order = wCtrl.GetPlaySequence();
    if (round.GaveUp()) return;
    if (Settings.Options[optOsdKeys])
        ShowOsd(Text(order == TPlaySequence::psqRandom ? TTextId::OsdShuffleOn : TTextId::OsdShuffleOff));
    if (order == TPlaySequence::psqRandom) ShowBalloon(Text(TTextId::ModeBalloon), Text(TTextId::ModeRandom));
    if (order == TPlaySequence::psqNext) ShowBalloon(Text(TTextId::ModeBalloon), Text(TTextId::ModeInOrder));
}

// One key for both: a stopped player starts, a playing or paused one pauses
// (the pause command also resumes a paused player).
void TForm1::PlayPause() {
    if (wControl.GetPlayBackStatus() == TTarnWinAmpPlayBackStatus::wapsStopped)
        wControl.TrackPlay();
    else
        wControl.TrackPause();
}

void TForm1::HotKeyPressed(int n) {
    // However many messages an action sends, a hung player holds it up for
    // one time-out; a key pressed during a question of another action is an
    // action of its own.
    TPlayerRound round(TPlayerRound::Own);
    switch (n) {
        case 1: LaunchPlayer(Settings.Options[optAutoPlay]); break;
        case 2: wControl.Quit(); break;
        case 3: MinMaxPlayer(); break;
        case 4:
            wControl.Quit();
            Close();
            break;
        case 5: SwitchHotKeys(); break;
        case 6: wControl.TrackPlay(); break;
        case 7: wControl.TrackPause(); break;
        case 8: wControl.TrackStop(Settings.Options[optFadeOut], false); break;
        case 9: wControl.TrackPrev(); break;
        case 10: wControl.TrackNext(); break;
        case 11: StepVolume(wControl, Settings.VolStep, true); break;
        case 12: StepVolume(wControl, Settings.VolStep, false); break;
        case 13: StepPosition(wControl, Settings.SeekStep, true); break;
        case 14: StepPosition(wControl, Settings.SeekStep, false); break;
        case 15: wControl.ToggleAbout(); break;
        case 16: ToggleShuffleWithBalloon(); break;
        case 17: wControl.ToggleRepeat(); break;
        case 18: wControl.TogglePL(); break;
        case 19: wControl.TogglePreferences(); break;
        case 20: wControl.ToggleBrowser(); break;
        case 21: wControl.ToggleMain(); break;
        case 22: wControl.ToggleEQ(); break;
        case 23: wControl.VizExec(); break;
        case 24: wControl.OpenInfoDialog(); break;
        case 25: wControl.VizOpenOptions(); break;
        case 26: wControl.OpenFileDialog(); break;
        case 27: wControl.OpenJumpToFile(); break;
        case 28: ShowTrackHint(); break;
        case 29: FileOperation(L"Copy"); break;
        case 30: FileOperation(L"Move"); break;
        case 31: FileOperation(L"Del"); break;
        case 32: ChangeTargetFolder(); break;
        case 33: PlayPause(); break;
        default: return;
    }
    ShowKeyResult(n);
}

int TForm1::CommandRefused(const TCommand& command) const {
    if (command.Kind == TCommand::None || command.Kind == TCommand::Bad || command.Kind == TCommand::Help)
        return cmdUnknown;
    return FRunningCommand || FClosed ? cmdBusy : cmdDone;
}

// One command at a time: a second one that came while a question of the
// first waits is refused, not run inside it.
void TForm1::RunCommand(const TCommand& command) {
    if (CommandRefused(command) != cmdDone) return;
    FRunningCommand = true;
    struct TDone {
        bool& Flag;
        ~TDone() { Flag = false; }
    } done{FRunningCommand};
    switch (command.Kind) {
        case TCommand::Action: HotKeyPressed(command.Number); break;
        case TCommand::Show:
            OpenSettingsWindow();
            SetForegroundWindow(FHandle);
            break;
        case TCommand::Exit: N5Click(); break;
        default: break;
    }
}

#define PLOVIK_DEFINE_HANDLER(N) \
    void TForm1::HotKeyManager##N##HotKeyPressed(TShortCut, WORD) { HotKeyPressed(N); }
PLOVIK_FOR_EACH_ACTION(PLOVIK_DEFINE_HANDLER)
#undef PLOVIK_DEFINE_HANDLER
