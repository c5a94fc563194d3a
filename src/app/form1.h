// The program: the owner of its settings and of every component, and the
// settings window with its five tabs, made when it is first opened. The
// settings live in one object; the window shows them and writes every
// change back at once.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/command_line.h"
#include "app/now_playing.h"
#include "app/settings.h"
#include "app/settings_store.h"
#include "app/texts.h"
#include "desktop/application.h"
#include "desktop/hotkey_manager.h"
#include "desktop/key_repeat_guard.h"
#include "desktop/key_taker.h"
#include "desktop/msg_dialog.h"
#include "desktop/open_dialog.h"
#include "desktop/osd_window.h"
#include "desktop/popup_menu.h"
#include "desktop/power_control.h"
#include "desktop/time_field.h"
#include "desktop/tray_icon.h"
#include "desktop/window_timer.h"
#include "look/folder_dialog.h"
#include "look/xp_group_box.h"
#include "player/track_monitor.h"
#include "player/winamp_link.h"

// Volume and seeking, and the steps through the list, go on while their key
// is held; every other action happens once per press.
constexpr bool RepeatsWhileHeld(int n) { return n >= 9 && n <= 14; }
// How long the tray is asked to show the program's balloons.
constexpr int kBalloonSeconds = 3;
// The player's full volume.
constexpr std::uint8_t kMaxVolume = 255;

// Applies X to every action number, 1 to 33: one list for the handlers'
// declarations, definitions and wiring.
#define PLOVIK_FOR_EACH_ACTION(X)                                                                        \
    X(1) X(2) X(3) X(4) X(5) X(6) X(7) X(8) X(9) X(10) X(11) X(12) X(13) X(14) X(15) X(16) X(17) X(18) \
    X(19) X(20) X(21) X(22) X(23) X(24) X(25) X(26) X(27) X(28) X(29) X(30) X(31) X(32) X(33)

// Names made from the program's version: the application title, the
// window caption and About box name, the tray icon's hint.
extern const wchar_t kApplicationTitle[];
extern const wchar_t kProgramName[];
extern const wchar_t kTrayHint[];

extern const wchar_t kRunKey[];

class TForm1 {
public:
    // The settings come from the store given, or from the one the program
    // finds (Plovik.ini beside it, else the registry).
    explicit TForm1(std::unique_ptr<TSettingsStore> store = nullptr);
    ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // The settings window, null until it is first opened.
    HWND Handle() const noexcept { return FHandle; }
    // The one program object of this process, while it lives.
    static TForm1* Running() noexcept;

    // ---- settings ----
    std::unique_ptr<TSettingsStore> Store;
    TSettings Settings;

    // ---- the settings window ----
    // Makes the window with its controls, showing the settings, unless it
    // exists; it stays until the end.
    void EnsureWindow();
    // Every road that shows the window: the tray, its menu, a second start.
    void OpenSettingsWindow();
    // Shows the settings object in the controls: after a load, a reset.
    void ShowSettings();

    // ---- controls ----
    HWND PageControl = nullptr;
    std::array<HWND, 5> Pages{};
    std::array<HWND, kActionCount + 1> HotKey{};  // HotKey[1]..HotKey[33]
    std::array<HWND, kActionCount + 1> HotKeyMark{};  // beside each field: why its key is not in force
    HWND EnsureHotKeyMark(int n);                     // made when first needed
    std::array<HWND, kLastOption + 1> CheckBox{};  // CheckBox[1]..CheckBox[17], no 11
    // The display's place and time, the now-playing file's template and its choice.
    HWND OsdPlaceBox = nullptr, OsdSecondsBox = nullptr, NowPlayingTemplate = nullptr, NowPlayingButton = nullptr;
    // The steps of the volume keys and of the seek keys, between their rows.
    HWND VolStepBox = nullptr, SeekStepBox = nullptr;
    std::array<HWND, 6> RadioButton{};            // RadioButton[1]..RadioButton[5]
    HWND Panel1 = nullptr, Panel2 = nullptr, Edit1 = nullptr;
    HWND Button1 = nullptr, Button2 = nullptr, Button3 = nullptr, Button4 = nullptr;
    // Themed group boxes: " Таймер " around the clock and the alarm, the
    // alarm's actions inside it, the file operations.
    std::unique_ptr<TXPGroupBox> XPGroupBox1, XPGroupBox4, XPGroupBox2;
    std::unique_ptr<THTime> HTime1;

    bool Checked(HWND box) const;
    // A change made in code runs the box's click handler like a user's click.
    void SetChecked(HWND box, bool on);
    // Selecting one alarm action deselects the others; deselecting touches one.
    void SetRadio(int n, bool on);
    // The alarm armed or not, with the window's controls if it has them.
    void SetAlarmArmed(bool armed);
    bool AlarmArmed() const noexcept { return FAlarmArmed; }
    // A new alarm time, from the window's field or from code.
    void SetAlarmTime(double time);

    // ---- components, in creation order (destroyed in reverse) ----
    TTarnWinAmpLink wControl;
    TWinAmpCtr wCtrl;
    std::array<THotKeyManager, kActionCount + 1> HotKeyManager;  // [1]..[33]; [0] unused
    TKeyRepeatGuard KeyRepeatGuard;
    TShutH ShutH1;
    TOsInfo OsInfo1;
    TMSG MSG1;
    TOpenDialog OpenDialog1;
    TPopupMenu TrayMenu;
    TMenuItem *N1 = nullptr, *N2 = nullptr, *N3 = nullptr, *N6 = nullptr, *N4 = nullptr, *N5 = nullptr;
    TWindowTimer Timer1;
    TWindowTimer Timer2;
    TWindowTimer KeyRetryTimer;  // takes keys back that another program held
    // Keys the user takes from another program that holds them.
    TKeyTaker KeyTaker;
    // The alarm's check, once a second on the second, only while armed.
    TWindowTimer AlarmTimer;
    std::unique_ptr<TTrayIcon> TrayIcon;
    std::unique_ptr<TOskFolderDialog> BrowsFldr;
    TOsdWindow Osd;
    TNowPlayingFile NowPlaying;
    TOpenDialog NowPlayingDialog;

    // The shell's About box waits for a person: tests replace it.
    std::function<void(HWND Owner, const std::wstring& App, const std::wstring& Other, HICON Icon)> AboutBoxFn;

    // ---- settings store ----
    void LoadSettings();
    void SaveSettings();
    void ResetSettings();
    void Button1Click();
    void Button2Click();
    // The tray's export and import: a file the user names.
    void ExportSettings();
    void ImportSettings();
    // Takes checked values as the settings, in force at once as after a save.
    void ApplyImported(const std::vector<TNamedValue>& values);
    TOpenDialog TransferDialog;
    std::wstring AutoStartCommand() const;

    // ---- hot-key actions ----
    void ApplyHotKeys();
    void EnableHotKeys(bool enable);
    void MinMaxPlayer();
    void ToggleShuffleWithBalloon();
    void HotKeyPressed(int n);
    void PlayPause();
    // Action 5: suspends every other key, or loads the settings and applies
    // the keys again.
    void SwitchHotKeys();
    bool HotKeysSuspended = false;

    // ---- which keys are in force (hotkey_marks.cpp) ----
    // Taken: held elsewhere, and taken from there by the hook at the user's choice.
    enum class TKeyState { Free, InForce, HeldElsewhere, AssignedAbove, Refused, Taken };
    struct TKeyStatus {
        TKeyState State = TKeyState::Free;
        int Above = 0;    // AssignedAbove: the action that holds the combination
        DWORD Error = 0;  // Refused: the system's error
        TShortCut Word = 0;  // the word given to the system
    };
    std::array<TKeyStatus, kActionCount + 1> KeyStatus{};
    // The mark's text of a field, empty when its key is in force or unbound.
    std::wstring KeyStatusText(int n) const;
    void RetryHeldHotKeys();
    // The user's choice from a mark: take the key from the program that
    // holds it, or give it back. In force at once, and kept with the settings.
    void TakeKey(int n, bool take);
    // The mark's menu, at a point of the screen, for a key held elsewhere or taken.
    void OfferKeyTake(int n, POINT at);
    void ReportKeysNotInForce();
    // Suspension by action 5 on the tray: dimmed icon, tip and balloon.
    void ShowKeysSuspended(bool suspended, bool balloon);
    // A balloon about the keys, titled "Plovik"; the shell takes it down.
    void ShowKeysBalloon(const std::wstring& Text);
#define PLOVIK_DECLARE_HANDLER(N) void HotKeyManager##N##HotKeyPressed(TShortCut HotKey, WORD Index);
    PLOVIK_FOR_EACH_ACTION(PLOVIK_DECLARE_HANDLER)
#undef PLOVIK_DECLARE_HANDLER

    // ---- player launch ----
    void FindPlayerPath();
    void LaunchPlayer(bool play);
    void PlayerStartupActions();
    static const wchar_t* DefaultPlayerPath();

    // ---- operations on the playing file ----
    void FileOperation(const std::wstring& Keyword);
    bool ConfirmFileOperation(const std::wstring& Keyword);
    void ChangeTargetFolder();
    void Button3Click();

    // ---- track balloon ----
    void wCtrlTrackChange();
    void ShowTrackHint();
    std::wstring GetTrackTitle();
    void Timer2Timer();
    // Hides any balloon, shows this one and lets Timer2 take it down.
    void ShowBalloon(const std::wstring& Title, const std::wstring& Text);

    // ---- on-screen display and now-playing file (show_song.cpp) ----
    // The song as the program knows it without asking the player: its
    // caption, and the tag the monitor read.
    struct TSongNow {
        TNowPlayingSong Song;
        TPlayState State = TPlayState::psStop;
        bool Running = false;
    };
    TSongNow SongNow();
    // A new song, or the track key: the display and the file.
    void ShowSong(bool displayed);
    // The length, when the player has told it, for the song it was asked for.
    void SongLengthArrived(unsigned Asked, TSongNow Now, bool Displayed);
    // The display after action n: at once what the program knows, the
    // player's answer when it comes.
    void ShowKeyResult(int n);
    void ShowOsd(const std::wstring& Text, int BarPercent = -1);
    // Asks the player without waiting; fill runs with the answer if the
    // display is still the one shown when it was asked.
    void FillInLater(WPARAM wp, LPARAM code, std::function<void(TForm1&, LRESULT)> fill);
    // The file empty: the player stopped or went away.
    void ClearNowPlaying();
    void WriteNowPlaying(const TSongNow& Now);
    void ChooseNowPlayingFile();

    // ---- clock, status line and alarm ----
    void Timer1Timer();
    // One refresh of the panels and one alarm check.
    void ClockTick();
    // The panels, which only a shown window needs: Timer1 runs while it is.
    void RefreshPanels();
    void UpdateClockTimer();
    void AlarmTimerTimer();
    void CheckAlarm();
    void ScheduleAlarmCheck();
    void RunAlarmAction();
    void Disarm();
    void RequestSessionEnd(TShutdownOption NtOption, TShutdownOption Win9xOption);
    void CheckBox1Click();
    // The user's long time format, as the clock shows it and the alarm compares.
    static std::wstring FormatTime(const SYSTEMTIME& time);

    // ---- lifecycle and tray menu ----
    void TrayIconStartup(bool& ShowMainForm);
    void TrayIconDblClick();
    void N1Click();
    void N3Click();
    void N5Click();
    void N6Click();
    void FormCreate();
    bool FormCloseQuery();
    void FormClose();
    void Button4Click();
    void N7Click();  // the other language
    TMenuItem* N7 = nullptr;
    TMenuItem *NExport = nullptr, *NImport = nullptr;
    // Shows every text of the window, the tray menu and the dialogs in the
    // current language.
    void ApplyTexts();
    // Switches the language at once and keeps the choice for the next start.
    void SwitchLanguage(TLanguage language);

    // The settings window's dialog keys: Tab and Shift+Tab between the
    // controls, Ctrl+Tab between the tabs, arrows between the alarm's
    // actions, Enter on a button. True if the message was one of them.
    bool PreTranslateMessage(MSG& Msg);

    // A command from the command line: refused (cmdBusy while an earlier
    // one runs, cmdUnknown for what is not a command) or cmdDone.
    int CommandRefused(const TCommand& command) const;
    // Carries it out as its key or menu would.
    void RunCommand(const TCommand& command);

    void Close();  // the one road to the end of the program
    // Windows ends the session, or another program (the setup program) asks
    // this copy to end: save as a close does, without the question.
    void EndSession();
    bool Closed() const noexcept { return FClosed; }
    // Start-up is over (settings loaded, keys applied): from now on the
    // window shows what is in force and is not hidden again by start-up.
    bool StartedUp() const noexcept { return FStartedUp; }

private:
    struct TPlaced {
        HWND Wnd;
        RECT Design;  // position and size at 96 dpi, relative to the parent
    };

    void CreateWindowAndControls();
    void ControlChanged(int id, int code);
    void ShowAlarmActions();
    void ShowAlarmArmed();
    void CreatePages();
    void CreateActionFields();
    void CreateHotKeyMarks();
    void RegisterHotKeyOf(int n);
    void UpdateHotKeyMark(int n);
    void UpdateKeyRetryTimer();
    // The hook takes exactly the keys in the Taken state; while the keys
    // are off, only the on/off key stays live.
    void UpdateTakenKeys();
    void CreateAlarmControls();
    void CreateFileControls();
    void CreateOptionControls();
    void CreateShowControls();
    void CreateStepControls();
    void FitComboBoxes();
    void FillShowLists();
    void CreateButtons();
    void CreateTray();
    void CreateFolderDialog();
    std::wstring TargetFolderText() const;
    void SetTargetFolder(const std::wstring& folder);
    void SuccessBalloon(const std::wstring& Text);
    void CopyPlayingFile(const std::wstring& Source, const std::wstring& Target);
    void MovePlayingFile(const std::wstring& Source, const std::wstring& Target);
    void DeletePlayingFile(const std::wstring& Source);
    int Scale(int v) const;
    RECT Scaled(const RECT& design) const;
    HWND Place(HWND wnd, int x, int y, int w, int h, bool move = false);
    void MoveTo(HWND wnd, const RECT& design) const;
    HFONT MakeFont();
    void SizeFrame();
    void FitPages();
    std::unique_ptr<TXPGroupBox> AddGroup(HWND parent, TTextId caption, int x, int y, int w, int h);
    HWND AddControl(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w, int h,
                    int id = 0, DWORD exStyle = 0);
    // A control whose text is one of the program's texts, shown in the
    // current language and changed with it.
    HWND AddControl(HWND parent, const wchar_t* cls, TTextId text, DWORD style, int x, int y, int w, int h,
                    int id = 0);
    void ApplyLayout();
    void ShowPage(int index);
    void MoveFocus(bool back);
    bool MoveAmongRadios(HWND focus, bool back);
    void Activate(WPARAM state);
    void RestoreFocus();

    LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
    void OnCommand(int id, int code);
    static LRESULT CALLBACK StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    static LRESULT CALLBACK PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;

    HWND FHandle = nullptr;
    UINT FDpi = 96;
    HFONT FFont = nullptr;
    HBRUSH FPanelBrush = nullptr;
    std::vector<TPlaced> FPlaced;
    struct TTexted {
        HWND Wnd;
        TTextId Text;
    };
    std::vector<TTexted> FTexted;
    void ApplyDialogTexts();
    void ApplyWindowTexts();
    bool FClosed = false;
    bool FStartedUp = false;
    bool FAlarmArmed = false;
    bool FShowing = false;  // the controls are being set from the settings
    void SetHotKeysSuspended(bool suspended);
    bool FSwitchingKeys = false;
    bool FRunningCommand = false;  // action 5 is under way, perhaps in a box
    // The balloon that names keys not in force is read before a song's
    // balloon replaces it: until then the song's waits.
    ULONGLONG FKeysBalloonUntil = 0;
    TWindowTimer FTrackHintDelay;
    // The file that could not be written is named from a tick of its own,
    // not from inside the monitor's look at the player.
    TWindowTimer FNowPlayingNotice;
    std::wstring FNowPlayingFailed;
    unsigned FOsdShown = 0;   // counts displays: an answer fills in only its own
    unsigned FSongAsked = 0;  // counts songs: a late length is for the song still playing only
    HWND FMarkTip = nullptr;
    // The tray's icon as it was before the keys were switched off, and its dimmed variant.
    TIcon FKeysOnIcon, FKeysOffIcon;
    bool FDestroying = false;
    HWND FFocus = nullptr;  // the control that had the focus when the window lost the activation
};
