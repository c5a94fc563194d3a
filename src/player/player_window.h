// Finding the player's main window and talking to it without ever hanging
// on a player that has stopped answering.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

// The longest the program waits for the player to answer one message.
constexpr UINT kPlayerTimeoutMs = 1000;

// The player's main window by class, any title; nullptr when not running.
HWND FindPlayerWindow(const wchar_t* className);

// One hot-key action, one poll of the player, one operation on a file: a
// stretch of work in which the player's first failure to answer ends all
// asking. Until the outermost round on the thread ends, every further
// message is not sent at all and counts as unanswered, so that a hung
// player costs the stretch one time-out, not one per message.
//
// A round opened inside another joins it, unless it is its own: a poll that
// runs in the message loop of a question asked during an action keeps its
// time-outs to itself and leaves the action's record as it found it.
class TPlayerRound {
public:
    enum TKind { Join, Own };
    explicit TPlayerRound(TKind Kind = Join);
    ~TPlayerRound();
    TPlayerRound(const TPlayerRound&) = delete;
    TPlayerRound& operator=(const TPlayerRound&) = delete;

    // A message of this round timed out, failed, or was not sent because an
    // earlier one had: its answer is unknown, and 0 in its place may be a lie.
    bool GaveUp() const noexcept;
    // A message of this round found no player window. Reading 0 is then the
    // player's absence, which is no answer about the file it plays either.
    bool MissedPlayer() const noexcept;
    // Neither: every message of the round was answered by the player.
    bool AllAnswered() const noexcept { return !GaveUp() && !MissedPlayer(); }

    struct TState {
        bool Active = false;
        bool GaveUp = false;
        bool MissedPlayer = false;
    };

private:
    bool FOwnsState;
    TState FOuter;
};

// Sends a message and waits for the answer at most kPlayerTimeoutMs.
// Nothing when there is no window, when the player did not answer in time,
// or when the current round has already given up (then nothing is sent).
std::optional<LRESULT> PlayerAsk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// PlayerAsk read the way an absent player reads: no answer is 0. Under
// Wine a message the player never took in is withdrawn when its time is
// up; on Windows it may still reach the player later, before anything sent
// after it.
LRESULT PlayerSend(HWND wnd, UINT msg, WPARAM wp, LPARAM lp);

// Sends a message without waiting for the answer: answer runs on this thread,
// from its message loop, when the player has answered; never if it does not.
// False (and answer never runs) when there is no window.
bool PlayerAskLater(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, std::function<void(LRESULT)> answer);

// Sends a WM_COPYDATA request carrying a zero-terminated 8-bit text.
LRESULT PlayerSendCopyData(HWND wnd, ULONG_PTR code, const std::string& text);

// Text in the system's 8-bit code page, as the player's interface takes it.
std::string WideToAnsi(const std::wstring& text);
std::wstring AnsiToWide(const std::string& text);

// Starts the program at path as that program (the path is its application
// name and, quoted, its command line: "C:\Program Files\..." never turns
// into "C:\Program.exe"). Waits at most waitIdleMs for it to be ready for
// input; false when it could not be started.
bool StartPlayerProgram(const std::wstring& path, WORD show, DWORD waitIdleMs);
