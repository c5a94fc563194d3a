#include "player/track_monitor.h"

#include <windows.h>

#include <algorithm>

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

// A player with nothing playing answers -1.
int TWinAmpCtr::GetTrackPos() { return std::max(WA_TrackPos(), 0); }
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
// A request left unanswered on the way, or a player gone in the middle,
// would make entry 1 out of a time-out: then no name at all.
std::wstring TWinAmpCtr::TrackFileName() {
    TPlayerRound round;
    if (!WA_IsRunning()) return {};
    std::wstring name;
    const bool found = WA_FindTrackFileName(WA_CurrentTrackNo(), name);
    if (!found || !round.AllAnswered()) return {};
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

// A tick the player leaves unanswered decides nothing: a time-out read as 0
// would be an empty list at entry 1, and the next answer would change it all
// back. An absent player is no such case: it has no list, as it reads.
void TWinAmpCtr::EventTimer() {
    TPlayerRound round(TPlayerRound::Own);
    const int count = WA_NoOfTracksLoaded();
    if (round.GaveUp()) return;
    if (count != FListCount) {
        WA_WritePlayList();
        const int written = WA_NoOfTracksLoaded();
        if (round.GaveUp()) return;
        FListCount = written;
        Raise(OnListChange, *this);
    }
    const int track = WA_CurrentTrackNo();
    if (round.GaveUp() || track == FTrackNo) return;
    std::wstring name;
    const bool named = WA_FindTrackFileName(track, name);
    if (round.GaveUp()) return;  // asked again at the next tick
    // Taken before reading the track's file: a file that cannot be read
    // is reported once, not again at every tick.
    FTrackNo = track;
    if (named) {
        TID3Rec tag;
        GetID3Info(name, tag);
        FTrackData = ConvertTrackData(tag);
    }
    Raise(OnTrackChange, *this);
}
