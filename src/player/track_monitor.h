// Watches the running player every 20 ms and reports changes of its
// playlist length and of its current entry, with the new entry's ID3v1
// data; offers the player's live state as properties.
#pragma once

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

    // The timer's handler.
    void EventTimer();

private:
    std::unique_ptr<TWindowTimer> FTimer;
    int FListCount = 0;
    int FTrackNo = 0;
    TTrackData FTrackData;
};
