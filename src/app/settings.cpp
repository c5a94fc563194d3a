#include "app/settings.h"

#include "app/hotkey_field.h"
#include "app/settings_store.h"
#include "desktop/application.h"

const wchar_t kSettingsKey[] = L"Software\\Merrowind\\MRWPLOVIK";
const wchar_t kLanguageValue[] = L"Language";
const wchar_t kPlayerPathValue[] = L"WA";
const wchar_t kFolderValue[] = L"Dir";
const wchar_t kOsdPlaceValue[] = L"OsdPlace";
const wchar_t kOsdSecondsValue[] = L"OsdSeconds";
const wchar_t kNowPlayingFileValue[] = L"NowPlayingFile";
const wchar_t kNowPlayingTemplateValue[] = L"NowPlayingTemplate";
const wchar_t kDefaultNowPlayingTemplate[] = L"%artist% - %title%";
const wchar_t kWinKeysValue[] = L"WinKeys";
const wchar_t kTakenKeysValue[] = L"TakenKeys";
const wchar_t kVolStepValue[] = L"VolStep";
const wchar_t kSeekStepValue[] = L"SeekStep";

const std::array<TActionInfo, kActionCount> kActions = {{
    {TTextId::Action1, L"WaON", 0, 0},
    {TTextId::Action2, L"WaOFF", 0, 1},
    {TTextId::Action3, L"WaMinMax", 0, 2},
    {TTextId::Action4, L"ExitAll", 0, 3},
    {TTextId::Action5, L"PlovikOnOff", 0, 4},
    {TTextId::Action6, L"Play", 1, 0},
    {TTextId::Action7, L"Pause", 1, 1},
    {TTextId::Action8, L"Stop", 1, 2},
    {TTextId::Action9, L"PlayPrev", 1, 3},
    {TTextId::Action10, L"PlayNext", 1, 4},
    {TTextId::Action11, L"VolUp", 1, 5},
    {TTextId::Action12, L"VolDown", 1, 6},
    {TTextId::Action13, L"FF", 1, 7},
    {TTextId::Action14, L"Rew", 1, 8},
    {TTextId::Action15, L"WaAbout", 1, 9},
    {TTextId::Action16, L"ShuffleOnOff", 2, 0},
    {TTextId::Action17, L"RepeatOnOff", 2, 1},
    {TTextId::Action18, L"ShowPL", 2, 2},
    {TTextId::Action19, L"WaSet", 2, 3},
    {TTextId::Action20, L"ShowBR", 2, 4},
    {TTextId::Action21, L"ShowMW", 2, 5},
    {TTextId::Action22, L"ShowEQ", 2, 6},
    {TTextId::Action23, L"StartVis", 2, 7},
    {TTextId::Action24, L"TagSet", 2, 8},
    {TTextId::Action25, L"VisSet", 2, 9},
    {TTextId::Action26, L"OpenFile", 3, 0},
    {TTextId::Action27, L"GoToFile", 3, 1},
    {TTextId::Action28, L"FileInfo", 3, 2},
    {TTextId::Action29, L"FCopy", 3, 3},
    {TTextId::Action30, L"FMove", 3, 4},
    {TTextId::Action31, L"FDel", 3, 5},
    {TTextId::Action32, L"ChDir", 3, 6},
    {TTextId::Action33, L"PlayPause", 1, 10},
}};

const std::array<TOptionInfo, 11> kOptions = {{
    {2, L"AutoLoadPr", 0, TTextId::OptionAutoStart},
    {3, L"AutoLoadPr&Wa", 1, TTextId::OptionStartPlayer},
    {4, L"VolMaxOnLoadWa", 2, TTextId::OptionFullVolume},
    {6, L"FadeOut", 4, TTextId::OptionFadeOut},
    {7, L"MinOnSaveSet", 5, TTextId::OptionHideOnSave},
    {8, L"AutoHint", 6, TTextId::OptionTrackHint},
    {9, L"HintOnComplete", 7, TTextId::OptionSuccessHint},
    {10, L"AskOnExit", 8, TTextId::OptionAskOnExit},
    // The stored names are crossed with the captions; stored settings rely on it.
    {12, L"AskOnDel", 9, TTextId::OptionAskOnMove},
    {5, L"AskOnMove", 3, TTextId::OptionAskOnDelete},
    {13, L"AutoPlay", 10, TTextId::OptionAutoPlay},
}};

const std::array<TOptionInfo, 1> kLaterOptions = {{
    // On: the delete key and a replaced file go to the Recycle Bin.
    {14, L"DelToRecycle", 11, TTextId::OptionRecycle, true},
}};

// All off until the user turns them on: a copy updated in place goes on
// doing what it did, with no new window over a game and no new request to
// the player, as the song's balloon is off until asked for. The file is
// written only where the user chose one.
const std::array<TOptionInfo, 3> kShowOptions = {{
    {15, L"OsdSongs", 12, TTextId::OptionOsdSongs, false},
    {16, L"OsdKeys", 12, TTextId::OptionOsdKeys, false},
    {17, L"NowPlaying", 13, TTextId::OptionNowPlaying, false},
}};

const std::array<TAlarmActionInfo, 5> kAlarmActions = {{
    {1, L"RadWaOn", TTextId::AlarmStartPlayer},
    {4, L"RadPowOff", TTextId::AlarmPowerOff},
    {2, L"RadWaOff", TTextId::AlarmClosePlayer},
    {3, L"RadLogOff", TTextId::AlarmLogOff},
    {5, L"RadVolMax", TTextId::AlarmFullVolume},
}};

namespace {

// Reads one value; a bad value is noted and skipped so that it cannot cost
// the user the settings stored after it.
template <class F>
void LoadValue(const TSettingsStore& store, const wchar_t* name, std::vector<std::wstring>& errors, F&& apply) {
    if (!store.ValueExists(name)) return;
    try {
        apply();
    } catch (const EPlovikError& e) {
        errors.push_back(e.Message());
    }
}

// A number outside its range is a bad value like one of the wrong type.
// The taken actions from their names; false if one is not an action's.
bool ParseTakenKeys(const std::wstring& text, std::array<bool, kActionCount + 1>& taken) {
    taken.fill(false);
    bool fine = true;
    size_t at = 0;
    while (at <= text.size()) {
        size_t end = text.find(L',', at);
        if (end == std::wstring::npos) end = text.size();
        std::wstring name = text.substr(at, end - at);
        name.erase(0, name.find_first_not_of(L' '));
        name.erase(name.find_last_not_of(L' ') + 1);
        at = end + 1;
        if (name.empty()) continue;
        int found = 0;
        for (int n = 1; n <= kActionCount; ++n)
            if (_wcsicmp(name.c_str(), kActions[n - 1].Value) == 0) found = n;
        fine = fine && found != 0;
        taken[found] = found != 0;
    }
    return fine;
}

std::wstring TakenKeysText(const std::array<bool, kActionCount + 1>& taken) {
    std::wstring text;
    for (int n = 1; n <= kActionCount; ++n)
        if (taken[n]) text += (text.empty() ? L"" : L",") + std::wstring(kActions[n - 1].Value);
    return text;
}

int ReadRanged(const TSettingsStore& store, const wchar_t* name, int low, int high) {
    const auto value = static_cast<std::int32_t>(store.ReadInteger(name));
    if (value < low || value > high) throw EPlovikError(Text(TTextId::RegistryBadValue, name));
    return value;
}

bool Named(const std::wstring& a, const wchar_t* b) { return _wcsicmp(a.c_str(), b) == 0; }

std::wstring Trimmed(const std::wstring& s) {
    const size_t first = s.find_first_not_of(L' ');
    return first == std::wstring::npos ? std::wstring() : s.substr(first, s.find_last_not_of(L' ') - first + 1);
}

using TWinKeys = std::array<TShortCut, kActionCount + 1>;

// One "Name=word" entry: a known action named once, and a word with the
// Windows key and a key, and no bit the word does not define.
bool ReadWinKey(const std::wstring& entry, TWinKeys& out) {
    const size_t eq = entry.find(L'=');
    if (eq == std::wstring::npos) return false;
    const std::wstring name = Trimmed(entry.substr(0, eq)), digits = Trimmed(entry.substr(eq + 1));
    int n = 0;
    for (int i = 1; i <= kActionCount && n == 0; ++i)
        if (Named(name, kActions[i - 1].Value)) n = i;
    if (n == 0 || out[n] != 0) return false;
    if (digits.empty() || digits.size() > 5 || digits.find_first_not_of(L"0123456789") != std::wstring::npos)
        return false;
    const unsigned long word = std::stoul(digits);
    if (word > 0xFFFF || !(word & kHotKeyWin) || (word & 0x0F00) || (word & 0xFF) == 0) return false;
    out[n] = static_cast<TShortCut>(word);
    return true;
}

// Every good entry of a "WinKeys" text; false when any entry is bad.
bool ReadWinKeys(const std::wstring& text, TWinKeys& out) {
    out.fill(0);
    if (Trimmed(text).empty()) return true;
    bool good = true;
    for (size_t at = 0; at <= text.size();) {
        size_t end = text.find(L',', at);
        if (end == std::wstring::npos) end = text.size();
        good = ReadWinKey(text.substr(at, end - at), out) && good;
        at = end + 1;
    }
    return good;
}

}  // namespace

TSettings::TSettings() : Language(kLanguages[0].Language) {
    AlarmActions[1] = true;
    ResetShowSettings();
}

void TSettings::ResetShowSettings() {
    for (const TOptionInfo& o : kLaterOptions) Options[o.CheckBox] = o.DesignedOn;
    for (const TOptionInfo& o : kShowOptions) Options[o.CheckBox] = o.DesignedOn;
    OsdPlace = 0;
    OsdSeconds = 2;
    NowPlayingTemplate = kDefaultNowPlayingTemplate;
    VolStep = 0;
    SeekStep = 0;
}

TShortCut TSettings::KeyInForce(int n) const {
    // An own word with the Win bit is a hand edit: an older copy would read
    // it without the Windows key, so this one does not take it either.
    if (Keys[n] != 0) return IsAcceptableHotKey(Keys[n]) && !(Keys[n] & kHotKeyWin) ? Keys[n] : 0;
    return WinKeys[n];
}

void TSettings::SetKeyFromField(int n, TShortCut word) {
    if (word == 0 && KeyInForce(n) == 0) return;
    const bool win = (word & kHotKeyWin) != 0;
    if (word != KeyInForce(n)) Taken[n] = false;
    WinKeys[n] = win ? word : 0;
    Keys[n] = win ? 0 : word;
}

void TSettings::SetAlarmAction(int n, bool on) {
    if (on)
        for (int i = 1; i <= 5; ++i) AlarmActions[i] = i == n;
    else
        AlarmActions[n] = false;
}

void TSettings::Reset() {
    Keys.fill(0);
    WinKeys.fill(0);
    Taken.fill(false);
    for (int n : {2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13}) Options[n] = false;
    // The file's path is the user's choice of a place, like the target
    // folder, and stays.
    ResetShowSettings();
}

std::vector<std::wstring> TSettings::Load(TSettingsStore& store) {
    std::vector<std::wstring> errors;
    // Until the load is over the object may hold anything but the stored
    // settings: a save meanwhile would write that over them.
    FLoaded = false;
    if (!store.Exists()) {
        TStoreSession session(store, true);
        FLoaded = session.Opened();
        return errors;
    }
    TStoreSession session(store);
    const std::vector<std::wstring> found = store.TakeWarnings();
    errors.insert(errors.end(), found.begin(), found.end());
    if (!session.Opened()) return errors;
    for (const std::wstring& name : store.Names())
        if (!Known(name)) errors.push_back(Text(TTextId::ProblemKeptAsItIs, name));
    const auto loadKey = [&](int n) {
        const wchar_t* name = kActions[n - 1].Value;
        LoadValue(store, name, errors, [&] { Keys[n] = static_cast<TShortCut>(store.ReadInteger(name) & 0xFFFF); });
    };
    const auto loadOption = [&](const TOptionInfo& o) {
        LoadValue(store, o.Value, errors, [&] { Options[o.CheckBox] = store.ReadBool(o.Value); });
    };
    for (int n = 1; n <= kDesignedActionCount; ++n) loadKey(n);
    for (const TAlarmActionInfo& a : kAlarmActions)
        LoadValue(store, a.Value, errors, [&] { SetAlarmAction(a.RadioButton, store.ReadBool(a.Value)); });
    for (const TOptionInfo& o : kOptions) loadOption(o);
    LoadValue(store, kFolderValue, errors, [&] { Folder = store.ReadString(kFolderValue); });
    for (const TOptionInfo& o : kLaterOptions) loadOption(o);
    // Actions added since come after every designed value.
    for (int n = kDesignedActionCount + 1; n <= kActionCount; ++n) loadKey(n);
    LoadValue(store, kLanguageValue, errors, [&] {
        // A language the program does not have, or a value of the wrong
        // type, leaves the program in its own language, with the usual message.
        Language = kLanguages[0].Language;
        TLanguage language = Language;
        const std::wstring code = store.ReadString(kLanguageValue);
        if (!LanguageFromCode(code, language)) throw EPlovikError(Text(TTextId::RegistryBadValue, kLanguageValue));
        Language = language;
    });
    for (const TOptionInfo& o : kShowOptions) loadOption(o);
    LoadValue(store, kOsdPlaceValue, errors, [&] { OsdPlace = ReadRanged(store, kOsdPlaceValue, 0, 4); });
    LoadValue(store, kOsdSecondsValue, errors, [&] { OsdSeconds = ReadRanged(store, kOsdSecondsValue, 1, 10); });
    LoadValue(store, kNowPlayingFileValue, errors, [&] { NowPlayingFile = store.ReadString(kNowPlayingFileValue); });
    LoadValue(store, kNowPlayingTemplateValue, errors,
              [&] { NowPlayingTemplate = store.ReadString(kNowPlayingTemplateValue); });
    LoadValue(store, kWinKeysValue, errors, [&] {
        TWinKeys found{};
        const bool good = ReadWinKeys(store.ReadString(kWinKeysValue), found);
        WinKeys = found;
        if (!good) throw EPlovikError(Text(TTextId::RegistryBadValue, kWinKeysValue));
    });
    LoadValue(store, kTakenKeysValue, errors, [&] {
        // A name that is no action's is told and dropped; the others stand.
        if (!ParseTakenKeys(store.ReadString(kTakenKeysValue), Taken))
            throw EPlovikError(Text(TTextId::RegistryBadValue, kTakenKeysValue));
    });
    LoadValue(store, kVolStepValue, errors, [&] { VolStep = ReadRanged(store, kVolStepValue, 0, kMaxVolStep); });
    LoadValue(store, kSeekStepValue, errors, [&] { SeekStep = ReadRanged(store, kSeekStepValue, 0, kMaxSeekStep); });
    // The player's place is asked for and checked by its own steps, which
    // report a bad value; here it is only taken as it stands.
    try {
        if (store.ValueExists(kPlayerPathValue)) PlayerPath = store.ReadString(kPlayerPathValue);
    } catch (const EPlovikError&) {
    }
    // A bad value was left as it was, and the user is told: that is what
    // the program holds from now on.
    FLoaded = true;
    return errors;
}

bool TSettings::Save(TSettingsStore& store) const {
    if (!FLoaded) return false;
    TStoreSession session(store);
    if (!session.Opened()) return false;
    WriteValues(store);
    return true;
}

void TSettings::WriteValues(TSettingsStore& store) const {
    for (int n = 1; n <= kDesignedActionCount; ++n) store.WriteInteger(kActions[n - 1].Value, Keys[n]);
    for (const TAlarmActionInfo& a : kAlarmActions) store.WriteBool(a.Value, AlarmActions[a.RadioButton]);
    for (const TOptionInfo& o : kOptions) store.WriteBool(o.Value, Options[o.CheckBox]);
    store.WriteString(kFolderValue, Folder);  // whatever its length
    for (const TOptionInfo& o : kLaterOptions) store.WriteBool(o.Value, Options[o.CheckBox]);
    for (int n = kDesignedActionCount + 1; n <= kActionCount; ++n) store.WriteInteger(kActions[n - 1].Value, Keys[n]);
    for (const TOptionInfo& o : kShowOptions) store.WriteBool(o.Value, Options[o.CheckBox]);
    store.WriteInteger(kOsdPlaceValue, static_cast<std::uint32_t>(OsdPlace));
    store.WriteInteger(kOsdSecondsValue, static_cast<std::uint32_t>(OsdSeconds));
    store.WriteString(kNowPlayingFileValue, NowPlayingFile);
    store.WriteString(kNowPlayingTemplateValue, NowPlayingTemplate);
    store.WriteString(kWinKeysValue, WinKeysText());
    store.WriteString(kTakenKeysValue, TakenKeysText(Taken));
    // Once stored, a step is written on, 0 included: the store cannot take
    // a value away, and the user's return to the player's own step must last.
    for (auto [name, step] : {std::pair{kVolStepValue, VolStep}, std::pair{kSeekStepValue, SeekStep}})
        if (step != 0 || store.ValueExists(name)) store.WriteInteger(name, static_cast<std::uint32_t>(step));
}

// A key an older copy has set since wins over the combination it could not
// see: the entry goes.
std::wstring TSettings::WinKeysText() const {
    std::wstring text;
    for (int n = 1; n <= kActionCount; ++n) {
        if (Keys[n] != 0 || WinKeys[n] == 0) continue;
        if (!text.empty()) text += L',';
        text += kActions[n - 1].Value + (L"=" + std::to_wstring(WinKeys[n]));
    }
    return text;
}

std::vector<TNamedValue> TSettings::Export() const {
    TMemoryStore out;
    WriteValues(out);
    out.WriteString(kLanguageValue, LanguageCode(Language));
    if (!PlayerPath.empty()) out.WriteString(kPlayerPathValue, PlayerPath);
    return out.Values();
}

namespace {
enum class TKind { Unknown, Number, Text, Language, WinKeys, ActionNames };

// What a stored value must be: a number within its range, or a text.
struct TRule {
    TKind Kind = TKind::Unknown;
    std::uint32_t Max = 0, Min = 0;
};

TRule RuleOf(const std::wstring& name) {
    for (const TActionInfo& a : kActions)
        if (Named(name, a.Value)) return {TKind::Number, 0xFFFF};
    for (const TAlarmActionInfo& a : kAlarmActions)
        if (Named(name, a.Value)) return {TKind::Number, 1};
    for (const TOptionInfo& o : kOptions)
        if (Named(name, o.Value)) return {TKind::Number, 1};
    for (const TOptionInfo& o : kLaterOptions)
        if (Named(name, o.Value)) return {TKind::Number, 1};
    for (const TOptionInfo& o : kShowOptions)
        if (Named(name, o.Value)) return {TKind::Number, 1};
    if (Named(name, kOsdPlaceValue)) return {TKind::Number, 4};
    if (Named(name, kOsdSecondsValue)) return {TKind::Number, 10, 1};
    if (Named(name, kVolStepValue)) return {TKind::Number, kMaxVolStep};
    if (Named(name, kSeekStepValue)) return {TKind::Number, kMaxSeekStep};
    for (const wchar_t* text : {kFolderValue, kPlayerPathValue, kNowPlayingFileValue, kNowPlayingTemplateValue})
        if (Named(name, text)) return {TKind::Text};
    if (Named(name, kLanguageValue)) return {TKind::Language};
    if (Named(name, kWinKeysValue)) return {TKind::WinKeys};
    if (Named(name, kTakenKeysValue)) return {TKind::ActionNames};
    return {};
}
}  // namespace

bool TSettings::Known(const std::wstring& name) { return RuleOf(name).Kind != TKind::Unknown; }

std::wstring TSettings::Check(const TNamedValue& value) {
    const TRule rule = RuleOf(value.Name);
    if (rule.Kind == TKind::Unknown) return Text(TTextId::ProblemUnknownName, value.Name);
    const bool text = rule.Kind != TKind::Number;
    if ((value.Value.Type == TStoredValue::String) != text || value.Value.Type == TStoredValue::Bad)
        return Text(TTextId::ProblemWrongType, value.Name);
    TLanguage language;
    TWinKeys winKeys;
    std::array<bool, kActionCount + 1> taken{};
    const bool inRange = rule.Kind == TKind::Number        ? value.Value.Int >= rule.Min && value.Value.Int <= rule.Max
                         : rule.Kind == TKind::Language    ? LanguageFromCode(value.Value.Str, language)
                         : rule.Kind == TKind::WinKeys     ? ReadWinKeys(value.Value.Str, winKeys)
                         : rule.Kind == TKind::ActionNames ? ParseTakenKeys(value.Value.Str, taken)
                                                           : true;
    return inRange ? std::wstring() : Text(TTextId::ProblemOutOfRange, value.Name);
}
