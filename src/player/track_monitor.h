// Watches the running player and reports changes of its playlist length
// and of its current entry, with the new entry's ID3v1 data; offers the
// player's live state as properties.
//
// The monitor sleeps until something happens: a window of the player's
// class is made, the player's caption changes, its window ends, as window
// events that cost the player nothing. A caption that names the entry
// known already asks nothing; one that names another brings a look at the
// player, at once, though never sooner than 20 ms after the last. Where
// the system does not deliver caption changes, the caption is read every
// 35 ms instead, which still leaves the player asleep. The caption vouches
// for the entry only when a look read it naming the entry it found: a
// caption without the number, one that does not follow the list, or one
// changed before the list position, leaves the entry number to a 20 ms
// poll until it does. While a player runs, a slow poll confirms what
// events cannot show: a change of the playlist's length.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "player/id3_reader.h"

class TWindowTimer;

enum class TPlayState : std::uint8_t { psStop, psPlay, psPause };
enum class TPlaySequence : std::uint8_t { psqNext, psqRandom };

struct TTrackData {
    bool HasTag = false;
    std::wstring Title;
    std::wstring Artist;
    std::wstring Album;
    std::wstring Comment;
    std::wstring Year;
    std::wstring Genre;
};

class TWinAmpCtr;
using TWinAmpCtrEvent = std::function<void(TWinAmpCtr& Sender)>;

class TWinAmpCtr {
public:
    // Polling starts at once.
    TWinAmpCtr();
    ~TWinAmpCtr();
    TWinAmpCtr(const TWinAmpCtr&) = delete;
    TWinAmpCtr& operator=(const TWinAmpCtr&) = delete;

    // Started
    bool IsRunning();
    void SetRunState(bool Value);
    // Visible
    bool GetWinAmpVisible();
    void SetWinAmpVisible(bool Value);
    // TrackNumber, 1-based
    int GetTrackNumber();
    void SetTrackNumber(int Value);
    // PlayState
    TPlayState GetPlayState();
    void SetPlayState(TPlayState Value);
    // PlaySequence
    TPlaySequence GetPlaySequence();
    void SetPlaySequence(TPlaySequence Value);
    // TrackTime, milliseconds
    int GetTrackPos();
    void SetTrackPos(int Value);
    const TTrackData& TrackData() const noexcept { return FTrackData; }

    // Nothing raises OnPlayChange: the play state is not watched.
    TWinAmpCtrEvent OnPlayChange;
    TWinAmpCtrEvent OnTrackChange;
    TWinAmpCtrEvent OnListChange;

    int Version();
    int HighestTrackNo();
    void DoNextTrack();
    void DoPrevTrack();
    void DoSeekBack();
    void DoSeekForward();
    void DoNextArtist();
    // The file the player is playing now; empty when it cannot be told.
    std::wstring TrackFileName();
    // Play position as minutes and seconds, "mm:ss".
    std::wstring TimeElapsed();
    void ClearTrackData();
    static TTrackData ConvertTrackData(const TID3Rec& Tag);

    // The slow poll that confirms what events cannot show; tests make it
    // rare, to see the events alone.
    void SetConfirmInterval(UINT Ms);

    // One full look at the player: the list length, the current entry and,
    // for a new entry, its file and tag; raises the events.
    void EventTimer();

private:
    static void CALLBACK WinEventProc(HWINEVENTHOOK Hook, DWORD Event, HWND Wnd, LONG Object, LONG Child,
                                      DWORD Thread, DWORD Time);
    void OnWinEvent(HWINEVENTHOOK Hook, DWORD Event, HWND Wnd);
    void CheckSoon();
    void ConfirmTick();
    void CaptionTick();
    void CaptionChanged(const std::wstring& Caption);
    void NumberTick();
    void TrustNameEvents();
    void UpdateCaptionPoll();
    void UpdateNumberPoll();
    bool Vouches(int Named, int Track) const noexcept;
    void FollowPlayer(HWND Player);
    void Unhook() noexcept;

    std::unique_ptr<TWindowTimer> FTimer;  // the slow confirming poll
    std::unique_ptr<TWindowTimer> FSoon;   // a look asked for by an event
    std::unique_ptr<TWindowTimer> FCaptionPoll;  // where caption events do not come
    std::unique_ptr<TWindowTimer> FNumberPoll;   // while the caption does not vouch
    int FListCount = 0;
    int FTrackNo = 0;
    TTrackData FTrackData;
    HWINEVENTHOOK FAppearHook = nullptr;  // any window created
    HWINEVENTHOOK FNameHook = nullptr;    // captions in the player's process
    HWINEVENTHOOK FGoneHook = nullptr;    // windows ended in the player's process
    HWINEVENTHOOK FProbeHook = nullptr;   // any caption, until one comes
    DWORD FPlayerProcess = 0;
    HWND FPlayer = nullptr;  // as the last look found it; only to tell events apart
    bool FUnanswered = false;  // the last look did not get its answers
    bool FVouched = false;     // the caption named the entry it was read with
    std::wstring FCaptionSeen;  // by the caption poll, to act on changes alone
    ULONGLONG FLastLook = 0;
};
