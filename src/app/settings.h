// The program's settings: every stored value, held while the program runs,
// read and written in one order. Operations read them here; the settings
// window, while it exists, shows them and writes each change back at once.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "app/texts.h"
#include "desktop/hotkey_manager.h"

class TSettingsStore;
struct TNamedValue;

// The 32 designed actions, and after them the actions added since, whose
// values are stored after every designed value.
constexpr int kDesignedActionCount = 32;
constexpr int kActionCount = 33;
constexpr int kPlayPauseAction = 33;

// One hot-key action: its label, its registry value, where its field stands.
struct TActionInfo {
    TTextId Label;
    const wchar_t* Value;
    int Tab;  // 0..3
    int Row;
};
extern const std::array<TActionInfo, kActionCount> kActions;

// Option check boxes in the order of writing and reading.
struct TOptionInfo {
    int CheckBox;  // CheckBoxN
    const wchar_t* Value;
    int Row;
    TTextId Caption;
    bool DesignedOn = false;
};
extern const std::array<TOptionInfo, 11> kOptions;
// Options added since: stored after "Dir", so that older copies read the key
// as before; an absent value leaves the option in its designed state.
extern const std::array<TOptionInfo, 1> kLaterOptions;
// The display and the now-playing file: stored after every value before
// them, "Language" included.
extern const std::array<TOptionInfo, 3> kShowOptions;
extern const wchar_t kOsdPlaceValue[];
extern const wchar_t kOsdSecondsValue[];
extern const wchar_t kNowPlayingFileValue[];
extern const wchar_t kNowPlayingTemplateValue[];
extern const wchar_t kDefaultNowPlayingTemplate[];
// The combinations with the Windows key, which the old word of an action's
// own value cannot hold: "Name=word" entries, comma-separated, the name an
// action's value and the word in decimal with the Win bit. The action's own
// value holds 0 meanwhile, so an older copy reads no key for it, never
// another one. Stored after every value before it.
extern const wchar_t kWinKeysValue[];
// The actions whose key is taken from a program that holds it: their
// values' names, separated by commas.
extern const wchar_t kTakenKeysValue[];
// The volume keys' step in percent of full volume and the seek keys' step
// in seconds, stored after "NowPlayingTemplate". 0 is the player's own
// step; neither value is written until the user has chosen a step, so that
// a key an older copy also reads holds nothing new.
extern const wchar_t kVolStepValue[];
extern const wchar_t kSeekStepValue[];
constexpr int kMaxVolStep = 25;
constexpr int kMaxSeekStep = 600;

struct TAlarmActionInfo {
    int RadioButton;  // RadioButtonN
    const wchar_t* Value;
    TTextId Caption;
};
extern const std::array<TAlarmActionInfo, 5> kAlarmActions;  // order of writing and reading

extern const wchar_t kSettingsKey[];
// The program's language, "ru" or "en"; absent means Russian.
extern const wchar_t kLanguageValue[];
extern const wchar_t kPlayerPathValue[];
extern const wchar_t kFolderValue[];

// The options by the number of the check box that shows them.
enum TOption : int {
    optAlarm = 1,  // the alarm is armed; not stored
    optAutoStart = 2,
    optStartPlayer = 3,
    optFullVolume = 4,
    optFadeOut = 6,
    optHideOnSave = 7,
    optTrackHint = 8,
    optSuccessHint = 9,
    optAskOnExit = 10,
    optAutoPlay = 13,
    optRecycle = 14,
    optOsdSongs = 15,
    optOsdKeys = 16,
    optNowPlaying = 17,
};
constexpr int kLastOption = 17;

class TSettings {
public:
    TSettings();

    // Each action's word as stored. A word the fields cannot produce (no
    // modifier, a key Windows will not take) is kept as it was stored, but
    // is not shown and not registered.
    std::array<TShortCut, kActionCount + 1> Keys{};  // [1]..[33]
    // An action's combination with the Windows key, in force only while its
    // own word is 0: a key an older copy has set since wins.
    std::array<TShortCut, kActionCount + 1> WinKeys{};  // [1]..[33]
    std::array<bool, 6> AlarmActions{};              // [1]..[5], by radio button
    // The user's choice to take the action's key from another program that
    // holds it; it goes with the combination, and a new one clears it.
    std::array<bool, kActionCount + 1> Taken{};      // [1]..[33]
    std::array<bool, kLastOption + 1> Options{};     // [1]..[17], by check box; no 11
    std::wstring Folder;                             // "Dir"
    std::wstring PlayerPath;                         // "WA"
    TLanguage Language;
    int OsdPlace = 0;     // TOsdPlace
    int OsdSeconds = 2;   // 1..10
    std::wstring NowPlayingFile;
    std::wstring NowPlayingTemplate;
    int VolStep = 0;   // 0..kMaxVolStep, 0 the player's own
    int SeekStep = 0;  // 0..kMaxSeekStep, 0 the player's own
    // The alarm's time, as a time of day; not stored.
    double AlarmTime = 0.0;

    // The word the system is asked for and a field shows: none for a kept
    // word, the combination with the Windows key where the own word is 0.
    TShortCut KeyInForce(int n) const;
    // A field's new word. Clearing a field that shows nothing keeps the
    // word it could not show.
    void SetKeyFromField(int n, TShortCut word);
    // Selecting one alarm action deselects the others; deselecting touches one.
    void SetAlarmAction(int n, bool on);
    // The reset: no keys, options off, the later options as designed.
    void Reset();

    // True once a load read the whole store (or created it on a first
    // start): only then does a save write anything, so that values the
    // program did not load never go over what is stored.
    bool Loaded() const noexcept { return FLoaded; }
    // Reads every value present, in the order of writing. A bad value is
    // skipped, so that it cannot cost the values after it, and its message
    // is returned; an absent one leaves its setting as it was.
    std::vector<std::wstring> Load(TSettingsStore& store);
    // False when nothing was written: not loaded, or the store is not there.
    bool Save(TSettingsStore& store) const;
    // Every setting, the language and the player's place too, for an export.
    std::vector<TNamedValue> Export() const;
    // The one message for a value an import may not take (a name the
    // program does not know, the wrong type, out of range); empty if fine.
    static std::wstring Check(const TNamedValue& value);
    static bool Known(const std::wstring& name);

private:
    void WriteValues(TSettingsStore& store) const;
    std::wstring WinKeysText() const;
    void ResetShowSettings();
    bool FLoaded = false;
};
