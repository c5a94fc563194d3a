#include "player/track_monitor.h"

#include <windows.h>

#include "desktop/window_timer.h"
#include "player/player_window.h"
#include "player/winamp_api.h"
#include "player/winamp_query.h"

namespace {

constexpr UINT kPollMs = 20;
const wchar_t kPlayerProgram[] = L"Winamp.exe";

std::wstring TwoDigits(int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); }

void Raise(const TWinAmpCtrEvent& event, TWinAmpCtr& sender) {
    // A copy: the handler may reassign the event it runs from.
    if (TWinAmpCtrEvent handler = event) handler(sender);
}

}  // namespace

TWinAmpCtr::TWinAmpCtr() {
    ClearTrackData();
    FListCount = 0;
    FTrackNo = 0;
    FTimer = std::make_unique<TWindowTimer>();
    FTimer->SetEnabled(false);
    FTimer->SetInterval(kPollMs);
    FTimer->OnTimer = [this] { EventTimer(); };
    FTimer->SetEnabled(true);
}

TWinAmpCtr::~TWinAmpCtr() {
    FTimer->OnTimer = nullptr;
    OnPlayChange = nullptr;
    OnTrackChange = nullptr;
    OnListChange = nullptr;
    FTimer.reset();
}

// ---- properties ------------------------------------------------------------------

bool TWinAmpCtr::IsRunning() { return WA_IsRunning(); }

void TWinAmpCtr::SetRunState(bool Value) {
    if (WA_IsRunning() == Value) return;
    if (!Value) {
        WA_Close();
        return;
    }
    // Without a known folder there is nothing sure to start.
    const std::wstring dir = WinAmpDir();
    if (!dir.empty()) StartPlayerProgram(dir + kPlayerProgram, SW_SHOWNORMAL, 0);  // not waited for
}

bool TWinAmpCtr::GetWinAmpVisible() { return WA_IsVisible(); }
void TWinAmpCtr::SetWinAmpVisible(bool Value) { WA_Visible(Value); }
int TWinAmpCtr::GetTrackNumber() { return WA_CurrentTrackNo(); }
void TWinAmpCtr::SetTrackNumber(int Value) { WA_PlayTrack(Value); }

TPlayState TWinAmpCtr::GetPlayState() {
    switch (WA_PlayState()) {
        case wa::kStatePlaying: return TPlayState::psPlay;
        case wa::kStatePaused: return TPlayState::psPause;
        default: return TPlayState::psStop;
    }
}

void TWinAmpCtr::SetPlayState(TPlayState Value) {
    switch (Value) {
        case TPlayState::psStop: WA_Stop(); break;
        case TPlayState::psPlay: WA_Play(); break;
        case TPlayState::psPause: WA_Pause(); break;
    }
}

TPlaySequence TWinAmpCtr::GetPlaySequence() {
    return static_cast<TPlaySequence>(static_cast<std::uint8_t>(WA_PlaySequence() & 0xFF));
}

void TWinAmpCtr::SetPlaySequence(TPlaySequence Value) {
    WA_SetPlaySequence(Value == TPlaySequence::psqRandom ? 1 : 0);
}

int TWinAmpCtr::GetTrackPos() { return WA_TrackPos(); }
void TWinAmpCtr::SetTrackPos(int Value) { WA_SetTrackPos(Value); }

// ---- operations ------------------------------------------------------------------

int TWinAmpCtr::Version() { return WA_Version(); }
int TWinAmpCtr::HighestTrackNo() { return WA_NoOfTracksLoaded(); }
void TWinAmpCtr::DoNextTrack() { WA_NextTrack(); }
void TWinAmpCtr::DoPrevTrack() { WA_PrevTrack(); }
void TWinAmpCtr::DoSeekBack() { WA_SeekBack(); }
void TWinAmpCtr::DoSeekForward() { WA_SeekForward(); }
void TWinAmpCtr::DoNextArtist() { WA_NextArtist(); }

// Copy, move and delete act on this name, so it must be the entry playing
// now: the player's own answer first, a freshly written list file after,
// and nothing at all when no player runs (a list file left behind names
// no file that is playing).
std::wstring TWinAmpCtr::TrackFileName() {
    if (!WA_IsRunning()) return {};
    std::wstring name;
    if (!WA_FindTrackFileName(WA_CurrentTrackNo(), name)) return {};
    return name;
}

std::wstring TWinAmpCtr::TimeElapsed() {
    // A player with nothing loaded may answer -1.
    const int ms = WA_TrackPos();
    const int s = ms > 0 ? ms / 1000 : 0;
    return TwoDigits(s / 60) + L":" + TwoDigits(s % 60);
}

void TWinAmpCtr::ClearTrackData() { FTrackData = TTrackData{}; }

TTrackData TWinAmpCtr::ConvertTrackData(const TID3Rec& Tag) {
    TTrackData d;
    d.HasTag = Tag.Marker[0] == 'T' && Tag.Marker[1] == 'A' && Tag.Marker[2] == 'G';
    d.Title = AnsiToWide(ID3FieldText(Tag.Title));
    d.Artist = AnsiToWide(ID3FieldText(Tag.Artist));
    d.Album = AnsiToWide(ID3FieldText(Tag.Album));
    d.Comment = AnsiToWide(ID3FieldText(Tag.Comment));
    d.Year = AnsiToWide(ID3FieldText(Tag.Year));
    d.Genre = ID3GenreName(Tag);
    return d;
}

void TWinAmpCtr::EventTimer() {
    if (WA_NoOfTracksLoaded() != FListCount) {
        WA_WritePlayList();
        FListCount = WA_NoOfTracksLoaded();
        Raise(OnListChange, *this);
    }
    const int track = WA_CurrentTrackNo();
    if (track == FTrackNo) return;
    // Taken before reading the track's file: a file that cannot be read
    // is reported once, not again at every tick.
    FTrackNo = track;
    std::wstring name;
    if (WA_FindTrackFileName(track, name)) {
        TID3Rec tag;
        GetID3Info(name, tag);
        FTrackData = ConvertTrackData(tag);
    }
    Raise(OnTrackChange, *this);
}
