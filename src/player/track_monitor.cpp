#include "player/track_monitor.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <vector>

#include "desktop/window_timer.h"
#include "player/player_window.h"
#include "player/winamp_api.h"
#include "player/winamp_query.h"

namespace {

// Looks come no closer together than the poll of old came: a caption that
// names a new entry all the time costs what that poll cost, never more.
constexpr ULONGLONG kLookGapMs = 20;
// Where the system does not deliver other programs' caption changes as
// events (Wine does not), the caption is read this often instead: a read
// of the system's copy that wakes only this thread, never the player, and
// often enough to see a new track within a few hundredths of a second.
constexpr UINT kCaptionPollMs = 35;
// Where the caption cannot tell of a new entry (no number in it, or one
// that does not follow the list), the entry number itself is asked this
// often: one request, often enough for a new track to be seen within a
// hundredth of a second or two.
constexpr UINT kNumberPollMs = 20;
// The confirming poll: often enough that a longer or shorter list is
// noticed within a second, loose enough for the system to batch it.
constexpr UINT kConfirmMs = 900;
constexpr UINT kConfirmToleranceMs = 100;
constexpr int kMaxCaption = 2047;
const wchar_t kPlayerProgram[] = L"Winamp.exe";

std::wstring TwoDigits(int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); }

void Raise(const TWinAmpCtrEvent& event, TWinAmpCtr& sender) {
    // A copy: the handler may reassign the event it runs from.
    if (TWinAmpCtrEvent handler = event) handler(sender);
}

// The monitors alive now, for the window events, which carry no object.
std::vector<TWinAmpCtr*>& Monitors() {
    static std::vector<TWinAmpCtr*> monitors;
    return monitors;
}

// Whether the system has delivered another program's caption change as an
// event; until it has, no event of the player's can be counted on.
bool GNameEventsDelivered = false;

bool IsPlayerWindow(HWND wnd) {
    wchar_t cls[64];
    return GetClassNameW(wnd, cls, 64) > 0 && wcscmp(cls, wa::kWindowClass) == 0;
}

// Read from the system's copy of the caption: the player is not asked.
std::wstring CaptionOf(HWND wnd) {
    if (!wnd) return {};
    std::wstring caption(kMaxCaption + 1, L'\0');
    caption.resize(static_cast<size_t>(GetWindowTextW(wnd, caption.data(), kMaxCaption + 1)));
    return caption;
}

int NumberAt(const std::wstring& text, size_t at) {
    int n = 0;
    size_t end = at;
    for (; end < text.size() && end - at < 6 && text[end] >= L'0' && text[end] <= L'9'; ++end)
        n = n * 10 + (text[end] - L'0');
    return end > at && text.compare(end, 2, L". ") == 0 ? n : 0;
}

// The entry number the player's caption names, or 0. The usual caption
// begins with it, "12. Artist - Title - Winamp"; the one scrolled in the
// taskbar is "12. Artist - Title - Winamp *** " turned round, so the
// number follows the stars, wherever the turn has put them.
int EntryNumberOf(const std::wstring& caption) {
    if (const int n = NumberAt(caption, 0)) return n;
    const std::wstring twice = caption + caption;
    const size_t stars = twice.find(L"*** ");
    return stars < caption.size() ? NumberAt(twice, stars + 4) : 0;
}

}  // namespace

TWinAmpCtr::TWinAmpCtr() {
    ClearTrackData();
    FListCount = 0;
    FTrackNo = 0;
    FTimer = std::make_unique<TWindowTimer>();
    FTimer->SetEnabled(false);
    FTimer->SetInterval(kConfirmMs);
    FTimer->SetTolerance(kConfirmToleranceMs);
    FTimer->OnTimer = [this] { ConfirmTick(); };
    FTimer->SetEnabled(true);
    FSoon = std::make_unique<TWindowTimer>();
    FSoon->OnTimer = [this] { EventTimer(); };
    FCaptionPoll = std::make_unique<TWindowTimer>();
    FCaptionPoll->SetInterval(kCaptionPollMs);
    FCaptionPoll->OnTimer = [this] { CaptionTick(); };
    FNumberPoll = std::make_unique<TWindowTimer>();
    FNumberPoll->SetInterval(kNumberPollMs);
    FNumberPoll->OnTimer = [this] { NumberTick(); };
    Monitors().push_back(this);
    // Out of context: the events come to this thread's queue, and the
    // player runs no code of ours. Our own windows are no player. Every
    // event of the whole session wakes this thread before it can be told
    // apart, so the one watched everywhere is the rarest that can bring a
    // player: a window made. Showing and hiding (carets, tooltips, menus)
    // happen many times a second on a busy desktop.
    FAppearHook = SetWinEventHook(EVENT_OBJECT_CREATE, EVENT_OBJECT_CREATE, nullptr, &TWinAmpCtr::WinEventProc, 0,
                                  0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    // Any program's caption change proves that such events come; the
    // pointer's own name changes with its shape, so proof is quick where
    // they do.
    if (!GNameEventsDelivered)
        FProbeHook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr,
                                     &TWinAmpCtr::WinEventProc, 0, 0, WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS);
    // The first look comes as soon as the thread takes messages, as the
    // first tick of a poll would.
    FSoon->PostTick();
}

TWinAmpCtr::~TWinAmpCtr() {
    Unhook();
    auto& monitors = Monitors();
    monitors.erase(std::remove(monitors.begin(), monitors.end(), this), monitors.end());
    FTimer->OnTimer = nullptr;
    FSoon->OnTimer = nullptr;
    FCaptionPoll->OnTimer = nullptr;
    FNumberPoll->OnTimer = nullptr;
    OnPlayChange = nullptr;
    OnTrackChange = nullptr;
    OnListChange = nullptr;
    FNumberPoll.reset();
    FCaptionPoll.reset();
    FSoon.reset();
    FTimer.reset();
}

// ---- watching ------------------------------------------------------------------

void CALLBACK TWinAmpCtr::WinEventProc(HWINEVENTHOOK Hook, DWORD Event, HWND Wnd, LONG Object, LONG Child, DWORD,
                                       DWORD) {
    // A copy: a handler run by a look may end a monitor.
    const std::vector<TWinAmpCtr*> monitors = Monitors();
    if (Event == EVENT_OBJECT_NAMECHANGE && !GNameEventsDelivered) {
        GNameEventsDelivered = true;
        for (TWinAmpCtr* m : monitors) m->TrustNameEvents();
    }
    if (!Wnd || Object != OBJID_WINDOW || Child != CHILDID_SELF) return;
    for (TWinAmpCtr* m : monitors) m->OnWinEvent(Hook, Event, Wnd);
}

void TWinAmpCtr::TrustNameEvents() {
    if (FProbeHook) UnhookWinEvent(FProbeHook);
    FProbeHook = nullptr;
    UpdateCaptionPoll();
}

void TWinAmpCtr::UpdateCaptionPoll() { FCaptionPoll->SetEnabled(FPlayer && !GNameEventsDelivered); }

// An empty list has no entry to name, and a first entry comes with a
// longer list, which the confirming poll sees.
bool TWinAmpCtr::Vouches(int Named, int Track) const noexcept { return Named == Track || FListCount == 0; }

void TWinAmpCtr::UpdateNumberPoll() { FNumberPoll->SetEnabled(FPlayer && !FVouched && !FUnanswered); }

void TWinAmpCtr::CaptionTick() {
    std::wstring caption = CaptionOf(FPlayer);
    if (caption == FCaptionSeen) return;
    FCaptionSeen = std::move(caption);
    CaptionChanged(FCaptionSeen);
}

// A caption that names the entry known already (a title scrolling, a
// pause) is no reason to wake the player. A window that is gone reads as
// an empty caption, which names none. While the caption does not vouch,
// the entry-number poll is watching already.
void TWinAmpCtr::CaptionChanged(const std::wstring& Caption) {
    if (FUnanswered || (FVouched && EntryNumberOf(Caption) != FTrackNo)) CheckSoon();
}

void TWinAmpCtr::OnWinEvent(HWINEVENTHOOK Hook, DWORD, HWND Wnd) {
    if (Hook == FAppearHook) {
        if (IsPlayerWindow(Wnd)) CheckSoon();
        return;
    }
    if (Wnd != FPlayer) return;
    if (Hook == FNameHook) CaptionChanged(CaptionOf(FPlayer));
    if (Hook == FGoneHook) CheckSoon();
}

// While the caption does not vouch for the entry, the entry is asked. A
// caption that names the entry just read, read before it, vouches from
// then on: a new entry will show in it.
void TWinAmpCtr::NumberTick() {
    if (FindPlayerWindow(wa::kWindowClass) != FPlayer) {
        EventTimer();
        return;
    }
    const int named = EntryNumberOf(CaptionOf(FPlayer));
    TPlayerRound round(TPlayerRound::Own);
    const int track = WA_CurrentTrackNo();
    if (round.GaveUp()) {
        FUnanswered = true;  // the confirming poll looks again, in full
        UpdateNumberPoll();
        return;
    }
    if (track != FTrackNo) {
        EventTimer();
        return;
    }
    FVouched = Vouches(named, track);
    UpdateNumberPoll();
}

void TWinAmpCtr::CheckSoon() {
    const ULONGLONG since = GetTickCount64() - FLastLook;
    if (since >= kLookGapMs) {
        FSoon->PostTick();
        return;
    }
    if (FSoon->Enabled()) return;  // a look is due already
    FSoon->SetInterval(static_cast<UINT>(kLookGapMs - since));
    FSoon->SetEnabled(true);
}

// Captions and the end of windows are watched in the player's process
// alone: those of every other program would wake us for nothing. (Its
// thread alone would be narrower, but Wine delivers nothing to a hook
// bound to another program's thread.)
void TWinAmpCtr::FollowPlayer(HWND Player) {
    FPlayer = Player;
    UpdateCaptionPoll();
    // With no player there is nothing to confirm: its window's creation
    // brings the next look, unless that event could not be had.
    FTimer->SetEnabled(Player || !FAppearHook);
    DWORD process = 0;
    if (Player) GetWindowThreadProcessId(Player, &process);
    if (process == FPlayerProcess) return;
    for (HWINEVENTHOOK hook : {FNameHook, FGoneHook})
        if (hook) UnhookWinEvent(hook);
    FNameHook = FGoneHook = nullptr;
    FPlayerProcess = process;
    if (!process) return;
    FNameHook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, nullptr, &TWinAmpCtr::WinEventProc,
                                process, 0, WINEVENT_OUTOFCONTEXT);
    FGoneHook = SetWinEventHook(EVENT_OBJECT_DESTROY, EVENT_OBJECT_DESTROY, nullptr, &TWinAmpCtr::WinEventProc,
                                process, 0, WINEVENT_OUTOFCONTEXT);
}

void TWinAmpCtr::Unhook() noexcept {
    for (HWINEVENTHOOK hook : {FNameHook, FGoneHook, FAppearHook, FProbeHook})
        if (hook) UnhookWinEvent(hook);
    FNameHook = FGoneHook = FAppearHook = FProbeHook = nullptr;
    FPlayerProcess = 0;
}

void TWinAmpCtr::SetConfirmInterval(UINT Ms) { FTimer->SetInterval(Ms); }

// Between events the player is asked one thing, its list length, unless
// the caption cannot vouch for the entry: a player that came or went
// unseen, a caption that names another entry, or one that was never seen
// to name the entry it was read with.
void TWinAmpCtr::ConfirmTick() {
    HWND player = FindPlayerWindow(wa::kWindowClass);
    if (!player && !FPlayer) return;  // still no player: nothing to ask
    if (player != FPlayer || FUnanswered || !FVouched || EntryNumberOf(CaptionOf(player)) != FTrackNo) {
        EventTimer();
        return;
    }
    TPlayerRound round(TPlayerRound::Own);
    const int count = WA_NoOfTracksLoaded();
    if (!round.GaveUp() && count != FListCount) EventTimer();
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
    FLastLook = GetTickCount64();
    FSoon->SetEnabled(false);
    HWND player = FindPlayerWindow(wa::kWindowClass);
    FollowPlayer(player);
    // Until this look has its answers the caption vouches for nothing, and
    // the confirming poll looks again in full. Read before the entry: a
    // caption read after it could already name an entry the look has not
    // seen.
    const int named = EntryNumberOf(CaptionOf(player));
    FUnanswered = true;
    FVouched = false;
    UpdateNumberPoll();
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
    if (round.GaveUp()) return;
    // The caption vouches for the entry only when it names the entry read
    // with it: a player may change its caption before its list position.
    if (track == FTrackNo) {
        FUnanswered = false;
        FVouched = Vouches(named, track);
        UpdateNumberPoll();
        return;
    }
    std::wstring name;
    const bool found = WA_FindTrackFileName(track, name);
    if (round.GaveUp()) return;  // asked again at the next look
    // Taken before reading the track's file: a file that cannot be read
    // is reported once, not again at every look.
    FTrackNo = track;
    FUnanswered = false;
    FVouched = Vouches(named, track);
    UpdateNumberPoll();
    if (found) {
        TID3Rec tag;
        GetID3Info(name, tag);
        FTrackData = ConvertTrackData(tag);
    }
    Raise(OnTrackChange, *this);
}
