#include "player/winamp_link.h"

#include <algorithm>
#include <cstdio>

#include "player/player_window.h"
#include "player/winamp_api.h"

// ---- plug-ins ----------------------------------------------------------------

TTarnWinAmpCustomPlugin::~TTarnWinAmpCustomPlugin() {
    // Copy first: a link forgets us while we walk the list.
    const auto links = FFreeNotifies;
    for (TTarnWinAmpLink* link : links) link->Notification(this);
}

HWND TTarnWinAmpNonePlugin::GetHWindow() {
    return FindPlayerWindow(FOwner.WindowClassName().c_str());
}

// ---- TTarnWinAmpLink ---------------------------------------------------------

TTarnWinAmpLink::TTarnWinAmpLink() : FWindowClassName(wa::kWindowClass), FNonePlugin(*this) {}

TTarnWinAmpLink::~TTarnWinAmpLink() { SetPlugin(nullptr); }

void TTarnWinAmpLink::SetWindowClassName(const std::wstring& Value) {
    if (Value != FWindowClassName) FWindowClassName = Value;
}

void TTarnWinAmpLink::SetPlugin(TTarnWinAmpCustomPlugin* Value) {
    if (FPlugin == Value) return;
    if (FPlugin) {
        auto& v = FPlugin->FFreeNotifies;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
    }
    FPlugin = Value;
    if (FPlugin) FPlugin->FFreeNotifies.push_back(this);
}

void TTarnWinAmpLink::Notification(TTarnWinAmpCustomPlugin* Component) {
    if (Component && Component == FPlugin) SetPlugin(nullptr);
}

HWND TTarnWinAmpLink::GetHWindow() {
    if (FPlugin) {
        if (HWND wnd = FPlugin->GetHWindow()) return wnd;
    }
    return FNonePlugin.GetHWindow();
}

bool TTarnWinAmpLink::IsRunning() { return GetHWindow() != nullptr; }

void TTarnWinAmpLink::Command(WPARAM Id) { PlayerSend(GetHWindow(), WM_COMMAND, Id, 0); }

LRESULT TTarnWinAmpLink::Request(WPARAM wp, LPARAM code) {
    return PlayerSend(GetHWindow(), WM_USER, wp, code);
}

LRESULT TTarnWinAmpLink::TextRequest(const std::wstring& Text, LPARAM code) {
    const std::string copy = WideToAnsi(Text);
    return Request(reinterpret_cast<WPARAM>(copy.c_str()), code);
}

bool TTarnWinAmpLink::PluginHosted() {
    return FPlugin && FPlugin->GetPluginType() != TTarnWinAmpPluginType::waplNone;
}

// Text answers are addresses in the player's process, which only a plug-in
// running inside the player can read directly.
std::wstring TTarnWinAmpLink::TextAnswer(LRESULT Address) {
    const char* text = reinterpret_cast<const char*>(Address);
    return text ? AnsiToWide(text) : std::wstring();
}

// ---- commands ----------------------------------------------------------------

void TTarnWinAmpLink::Quit() { Command(wa::kCmdQuit); }
void TTarnWinAmpLink::TogglePreferences() { Command(wa::kCmdPreferences); }
void TTarnWinAmpLink::ToggleAlwaysOnTop() { Command(wa::kCmdAlwaysOnTop); }
void TTarnWinAmpLink::ToggleRepeat() { Command(wa::kCmdRepeat); }
void TTarnWinAmpLink::ToggleShuffle() { Command(wa::kCmdShuffle); }
void TTarnWinAmpLink::OpenFileDialog() { Command(wa::kCmdOpenFile); }
void TTarnWinAmpLink::ToggleEQ() { Command(wa::kCmdEqualizer); }
void TTarnWinAmpLink::TogglePL() { Command(wa::kCmdPlaylistWindow); }
void TTarnWinAmpLink::ToggleAbout() { Command(wa::kCmdAbout); }
void TTarnWinAmpLink::TrackPrev() { Command(wa::kCmdPrev); }
void TTarnWinAmpLink::TrackPlay() { Command(wa::kCmdPlay); }
void TTarnWinAmpLink::TrackPause() { Command(wa::kCmdPause); }
void TTarnWinAmpLink::TrackContinue() { Command(wa::kCmdPause); }
void TTarnWinAmpLink::TrackNext() { Command(wa::kCmdNext); }
void TTarnWinAmpLink::VolRaise() { Command(wa::kCmdVolumeUp); }
void TTarnWinAmpLink::VolLower() { Command(wa::kCmdVolumeDown); }
void TTarnWinAmpLink::ToggleWindowShade() { Command(wa::kCmdWindowShade); }
// 40065 would shade whichever of the player's windows is in front.
void TTarnWinAmpLink::TogglePlaylistWindowShade() { Command(wa::kCmdPlaylistWindowShade); }
void TTarnWinAmpLink::TrackFR() { Command(wa::kCmdRewind5s); }
void TTarnWinAmpLink::TrackFF() { Command(wa::kCmdForward5s); }
void TTarnWinAmpLink::PlaylistStart() { Command(wa::kCmdPlaylistStart); }
void TTarnWinAmpLink::OpenURLDialog() { Command(wa::kCmdOpenUrl); }
void TTarnWinAmpLink::PlaylistEnd() { Command(wa::kCmdPlaylistEnd); }
void TTarnWinAmpLink::ToggleDoubleSize() { Command(wa::kCmdDoubleSize); }
void TTarnWinAmpLink::ToggleEasyMove() { Command(wa::kCmdEasyMove); }
void TTarnWinAmpLink::OpenInfoDialog() { Command(wa::kCmdFileInfo); }
void TTarnWinAmpLink::ToggleAutoScroll() { Command(wa::kCmdAutoScroll); }
void TTarnWinAmpLink::VizOpenOptions() { Command(wa::kCmdVisOptions); }
void TTarnWinAmpLink::VizOpenPluginOptions() { Command(wa::kCmdVisPluginOptions); }
void TTarnWinAmpLink::VizExec() { Command(wa::kCmdVisExec); }
void TTarnWinAmpLink::OpenJumpToTime() { Command(wa::kCmdJumpToTime); }
void TTarnWinAmpLink::OpenJumpToFile() { Command(wa::kCmdJumpToFile); }
void TTarnWinAmpLink::SkinSelect() { Command(wa::kCmdSkinSelect); }
void TTarnWinAmpLink::VizConfigurePlugIn() { Command(wa::kCmdVisConfigure); }
void TTarnWinAmpLink::ToggleMain() { Command(wa::kCmdMainWindow); }
void TTarnWinAmpLink::SkinReload() { Command(wa::kCmdSkinReload); }
void TTarnWinAmpLink::ToggleBrowser() { Command(wa::kCmdBrowser); }

void TTarnWinAmpLink::TrackStop(bool FadeOut, bool AfterCurrent) {
    if (FadeOut)
        Command(wa::kCmdFadeStop);
    else if (AfterCurrent)
        Command(wa::kCmdStopAfterCurrent);
    else
        Command(wa::kCmdStop);
}

void TTarnWinAmpLink::SetTimeDisplayMode(TTarnWinAmpTimeDisplayMode Mode) {
    if (Mode == TTarnWinAmpTimeDisplayMode::watdmElapsed)
        Command(wa::kCmdTimeElapsed);
    else if (Mode == TTarnWinAmpTimeDisplayMode::watdmRemaining)
        Command(wa::kCmdTimeRemaining);
}

// ---- requests ----------------------------------------------------------------
// Answers from a 32-bit player arrive sign-extended: only the bits the
// interface defines are read.

WORD TTarnWinAmpLink::GetVersion() { return static_cast<WORD>(Request(0, wa::kIpcGetVersion)); }

// The player writes its version as the top nibble and two hex digits:
// 0x5091 is 5.91.
std::wstring TTarnWinAmpLink::GetVersionString() {
    const WORD v = GetVersion();
    wchar_t buf[16];
    swprintf(buf, 16, L"v%x.%02x", (v >> 12) & 0xF, v & 0xFF);
    return buf;
}

void TTarnWinAmpLink::PlaylistClear() { Request(0, wa::kIpcDeletePlaylist); }
void TTarnWinAmpLink::TrackPlaySelected() { Request(0, wa::kIpcStartPlay); }

TTarnWinAmpPlayBackStatus TTarnWinAmpLink::GetPlayBackStatus() {
    switch (static_cast<std::int32_t>(Request(0, wa::kIpcIsPlaying))) {
        case wa::kStatePlaying: return TTarnWinAmpPlayBackStatus::wapsPlaying;
        case wa::kStatePaused: return TTarnWinAmpPlayBackStatus::wapsPaused;
        default: return TTarnWinAmpPlayBackStatus::wapsStopped;
    }
}

// A player with nothing playing answers -1: no position, read as the start.
std::uint32_t TTarnWinAmpLink::GetTrackPosition() {
    const auto ms = static_cast<std::uint32_t>(Request(0, wa::kIpcGetOutputTime));
    return ms == static_cast<std::uint32_t>(-1) ? 0 : ms;
}

WORD TTarnWinAmpLink::GetTrackLength() { return static_cast<WORD>(Request(1, wa::kIpcGetOutputTime)); }

void TTarnWinAmpLink::SetTrackPosition(std::uint32_t Ms) { Request(Ms, wa::kIpcJumpToTime); }

int TTarnWinAmpLink::PlaylistSave() {
    return static_cast<std::int32_t>(Request(0, wa::kIpcWritePlaylist));
}

void TTarnWinAmpLink::SetPlaylistIndex(int Index) {
    Request(static_cast<WPARAM>(Index), wa::kIpcSetPlaylistPos);
}

void TTarnWinAmpLink::SetVolume(std::uint8_t Volume) { Request(Volume, wa::kIpcSetVolume); }

std::uint8_t TTarnWinAmpLink::GetVolume() {
    return static_cast<std::uint8_t>(Request(wa::kVolumeQuery, wa::kIpcSetVolume));
}
void TTarnWinAmpLink::SetPanning(std::uint8_t Pan) { Request(Pan, wa::kIpcSetPanning); }

int TTarnWinAmpLink::GetPlaylistCount() {
    return static_cast<std::int32_t>(Request(0, wa::kIpcGetListLength));
}

int TTarnWinAmpLink::GetPlaylistIndex() {
    return static_cast<std::int32_t>(Request(0, wa::kIpcGetListPos));
}

WORD TTarnWinAmpLink::GetTrackSampleRate() { return static_cast<WORD>(Request(0, wa::kIpcGetInfo)); }
WORD TTarnWinAmpLink::GetTrackBitRate() { return static_cast<WORD>(Request(1, wa::kIpcGetInfo)); }
WORD TTarnWinAmpLink::GetTrackChannels() { return static_cast<WORD>(Request(2, wa::kIpcGetInfo)); }

std::uint8_t TTarnWinAmpLink::GetEQData(int Band) {
    return static_cast<std::uint8_t>(Request(static_cast<WPARAM>(Band), wa::kIpcGetEqData));
}

std::uint8_t TTarnWinAmpLink::GetEQPreamp() {
    return static_cast<std::uint8_t>(Request(10, wa::kIpcGetEqData));
}

bool TTarnWinAmpLink::GetEQEnabled() {
    return static_cast<std::uint32_t>(Request(11, wa::kIpcGetEqData)) != 0;
}

// The player sets the band that the last request 127 named; a player that
// did not take in the band gets no value either.
void TTarnWinAmpLink::SetEQData(int Band, std::uint8_t Value) {
    TPlayerRound round;
    Request(static_cast<WPARAM>(Band), wa::kIpcGetEqData);
    Request(Value, wa::kIpcSetEqData);
}

void TTarnWinAmpLink::AddToBookmarkList(const std::wstring& FileName) {
    TextRequest(FileName, wa::kIpcAddBookmark);
}

void TTarnWinAmpLink::Restart() { Request(0, wa::kIpcRestart); }

void TTarnWinAmpLink::SetSkin(const std::wstring& Name) {
    if (PluginHosted()) TextRequest(Name, wa::kIpcSetSkin);
}

std::wstring TTarnWinAmpLink::GetSkin() {
    if (!PluginHosted()) return {};
    return TextAnswer(Request(0, wa::kIpcGetSkin));
}

void TTarnWinAmpLink::VizSelExec(const std::wstring& Name, int Index) {
    const std::wstring text = Index <= 0 ? Name : Name + L"," + std::to_wstring(Index);
    TextRequest(text, wa::kIpcExecVisPlugin);
}

std::wstring TTarnWinAmpLink::GetPlaylistFileName(int Index) {
    if (!PluginHosted()) return {};
    return TextAnswer(Request(static_cast<WPARAM>(Index), wa::kIpcGetPlaylistFile));
}

std::wstring TTarnWinAmpLink::GetPlaylistTitle(int Index) {
    if (!PluginHosted()) return {};
    return TextAnswer(Request(static_cast<WPARAM>(Index), wa::kIpcGetPlaylistTitle));
}

void TTarnWinAmpLink::SetBrowserURL(const std::wstring& Url) { TextRequest(Url, wa::kIpcMbOpenUrl); }

bool TTarnWinAmpLink::GetInternet() {
    return PluginHosted() && static_cast<std::int32_t>(Request(0, wa::kIpcInetAvailable)) == 1;
}

void TTarnWinAmpLink::UpdateInfo() {
    if (PluginHosted()) Request(0, wa::kIpcUpdateTitle);
}

std::wstring TTarnWinAmpLink::GetBrowserURL() {
    if (!PluginHosted()) return {};
    return TextAnswer(Request(0, wa::kIpcMbGetUrl));
}

void TTarnWinAmpLink::SetBrowserBlock(bool Block) { Request(Block ? 1 : 0, wa::kIpcMbBlock); }

void TTarnWinAmpLink::BrowserForceURL(const std::wstring& Url) {
    TextRequest(Url, wa::kIpcMbOpenRealUrl);
}

bool TTarnWinAmpLink::GetShuffle() {
    return PluginHosted() && static_cast<std::int32_t>(Request(0, wa::kIpcGetShuffle)) == 1;
}

bool TTarnWinAmpLink::GetRepeat() {
    return PluginHosted() && static_cast<std::int32_t>(Request(0, wa::kIpcGetRepeat)) == 1;
}

// An unanswered query tells nothing to differ from: the round sends nothing
// after it.
void TTarnWinAmpLink::SetShuffle(bool On) {
    TPlayerRound round;
    if (PluginHosted() && GetShuffle() != On) Request(On ? 1 : 0, wa::kIpcSetShuffle);
}

void TTarnWinAmpLink::SetRepeat(bool On) {
    TPlayerRound round;
    if (PluginHosted() && GetRepeat() != On) Request(On ? 1 : 0, wa::kIpcSetRepeat);
}

// ---- copy-data requests ------------------------------------------------------

void TTarnWinAmpLink::PlaybackStart(const std::wstring& FileName) {
    PlayerSendCopyData(GetHWindow(), wa::kCopyPlayFile, WideToAnsi(FileName));
}

void TTarnWinAmpLink::ChangeDir(const std::wstring& Folder) {
    PlayerSendCopyData(GetHWindow(), wa::kCopyChangeDir, WideToAnsi(Folder));
}
