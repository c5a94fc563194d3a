// Every text the program shows, one table per language. A text is named by
// its id; the tables (texts_ru.cpp, texts_en.cpp) hold them in id order, so
// another language is one more table and one more entry in kLanguages.
// Names the outside world knows (registry values, window classes, the
// player's window class, the auto-start value) are not texts and stay put.
#pragma once

#include <array>
#include <cstddef>
#include <string>

enum class TTextId : int {
    // window
    TabApplication, TabMain, TabExtra, TabFiles, TabOptions,
    Action1, Action2, Action3, Action4, Action5, Action6, Action7, Action8,
    Action9, Action10, Action11, Action12, Action13, Action14, Action15, Action16,
    Action17, Action18, Action19, Action20, Action21, Action22, Action23, Action24,
    Action25, Action26, Action27, Action28, Action29, Action30, Action31, Action32, Action33,
    TimerGroup, CurrentTime, StatusAtStart, StatusNotDetected, StatusDetected, AlarmBox, AlarmGroup,
    AlarmStartPlayer, AlarmPowerOff, AlarmClosePlayer, AlarmLogOff, AlarmFullVolume,
    FileGroup, ChooseFolderButton,
    OptionAutoStart, OptionStartPlayer, OptionFullVolume, OptionFadeOut, OptionHideOnSave,
    OptionTrackHint, OptionSuccessHint, OptionAskOnExit, OptionAskOnMove, OptionAskOnDelete, OptionAutoPlay,
    OptionRecycle,
    ExitButton, ResetButton, SaveButton,
    // tray menu and its dialogs
    MenuAbout, MenuChangeFolder, MenuSettings, MenuOtherLanguage, MenuExit,
    AboutOther, LocatePlayerTitle, LocatePlayerFilter, FolderLabel, FolderTitle,
    // questions and messages
    ConfirmCaption, WarningCaption, AskExit, AskReset, AskMove, AskDelete,
    PlayerNotFound, NoTargetFolder, FileNotDeleted, FileNotReplaced, ReasonInUse, ReasonNotAccepted,
    ReasonRecycleFailed,
    // hot keys: the names of the media keys and of the Windows key, the
    // marks of keys not in force, the tray while the keys are off
    MediaPlayPause, MediaStop, MediaNextTrack, MediaPrevTrack, MediaVolumeUp, MediaVolumeDown, MediaMute, KeyWin,
    MarkHeldElsewhere, MarkAssignedAbove, MarkRefused, KeysBalloonTitle, KeysOffTipSuffix, KeysOffBalloon,
    KeysOnBalloon,
    // balloons
    MessageBalloon, Copied, Moved, Deleted, DeletedToRecycle, ModeBalloon, ModeRandom, ModeInOrder, CurrentSong,
    // the settings store's errors
    RegistryBadType, RegistryGetFailed, RegistrySetFailed, RegistryBadValue,
    // operations on the playing file: what was not done, and why
    FileNotCopied, FileNotMoved, FileAlreadyThere, ReasonMissing, ReasonReadOnly, ReasonTooLongForBin, ReasonNoRoom,
    ReasonNoFolder, ReasonNoAccess, ReasonNotVerified, PlayerNoAnswer,
    // the settings file, export and import
    SettingsFileUnreadable, SettingsFileUnwritable, SettingsFileEncoding, SettingsFileLine, ProblemNotAValue,
    ProblemUnknownType, ProblemBadNumber, ProblemBadString, ProblemForeignKey, ProblemNotRegFile, ProblemUnknownName,
    ProblemWrongType, ProblemOutOfRange, ProblemKeptAsItIs,
    MenuExport, MenuImport, TransferFilter, ExportTitle, ImportTitle, ExportFailed, ImportRefused, ImportUnreadable,
    // the command line
    CommandUnknown, CommandNoAnswer, CommandBusy, CommandHelp,
    // the on-screen display and the now-playing file
    OptionOsdSongs, OptionOsdKeys, OsdPlaceBottomRight, OsdPlaceBottomLeft, OsdPlaceTopRight, OsdPlaceTopLeft,
    OsdPlaceCentre, OsdSeconds, OptionNowPlaying, NowPlayingButton, NowPlayingTitle, NowPlayingFilter,
    NowPlayingNotWritten, OsdPlaying, OsdPaused, OsdStopped, OsdVolume, OsdPosition, OsdShuffleOn, OsdShuffleOff,
    OsdRepeatOn, OsdRepeatOff, OsdVolumeAsked, OsdPositionAsked, OsdRepeatAsked,
    // a key taken from the program that holds it
    MarkTaken, MenuTakeKey, MenuGiveKeyBack,
    // the volume and seek keys' steps
    StepPlayersOwn, StepPercent, StepSeconds,
    Count
};
constexpr std::size_t kTextCount = static_cast<std::size_t>(TTextId::Count);

struct TTextEntry {
    TTextId Id;
    const wchar_t* Text;
};
using TTextTable = std::array<TTextEntry, kTextCount>;

// A table is complete and in id order: checked where each table is made.
constexpr bool InIdOrder(const TTextTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i)
        if (static_cast<std::size_t>(table[i].Id) != i || !table[i].Text) return false;
    return true;
}

extern const TTextTable kRussianTexts;
extern const TTextTable kEnglishTexts;

// The languages, by the code stored in the "Language" value. The first is
// the program's own, used when nothing else is chosen.
enum class TLanguage : int { Russian, English };
struct TLanguageInfo {
    TLanguage Language;
    const wchar_t* Code;
    const TTextTable* Texts;
};
extern const std::array<TLanguageInfo, 2> kLanguages;

TLanguage CurrentLanguage() noexcept;
void SetCurrentLanguage(TLanguage language) noexcept;
const wchar_t* LanguageCode(TLanguage language) noexcept;
// False for a code that names no language of the program.
bool LanguageFromCode(const std::wstring& code, TLanguage& language) noexcept;

// The text in the current language, or in the one given.
const wchar_t* Text(TTextId id) noexcept;
const wchar_t* Text(TTextId id, TLanguage language) noexcept;
// The text with "%1" (and "%2") replaced by the arguments.
std::wstring Text(TTextId id, const std::wstring& argument);
std::wstring Text(TTextId id, const std::wstring& argument1, const std::wstring& argument2);
