// Watches the running player and reports changes of its playlist length
// and of its current entry, with the new entry's ID3v1 data; offers the
// player's live state as properties.
//
// The monitor sleeps until something happens: the player's caption changes
// with its track, and its window appears and goes, as window events that
// cost the player nothing. Each such event is a look at the player, at
// once, though never sooner than 20 ms after the last (a scrolling caption
// costs what a 20 ms poll did, no more). Where the system does not deliver
// caption changes, the caption is read every 35 ms instead, which still
// leaves the player asleep. A slow poll confirms what events cannot show: a
// change of the playlist's length, and a new entry under a caption that
// does not change.
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
    void TrustNameEvents();
    void UpdateCaptionPoll();
    void FollowPlayer(HWND Player);
    void Unhook() noexcept;

    std::unique_ptr<TWindowTimer> FTimer;  // the slow confirming poll
    std::unique_ptr<TWindowTimer> FSoon;   // a look asked for by an event
    std::unique_ptr<TWindowTimer> FCaptionPoll;  // where caption events do not come
    int FListCount = 0;
    int FTrackNo = 0;
    TTrackData FTrackData;
    HWINEVENTHOOK FAppearHook = nullptr;  // any window created, destroyed, shown
    HWINEVENTHOOK FNameHook = nullptr;    // captions in the player's process
    HWINEVENTHOOK FProbeHook = nullptr;   // any caption, until one comes
    DWORD FNameProcess = 0;
    HWND FPlayer = nullptr;  // as the last look found it; only to tell events apart
    std::wstring FCaption;   // the player's caption at the last look
    bool FUnanswered = false;  // the last look did not get its answers
    ULONGLONG FLastLook = 0;
};
