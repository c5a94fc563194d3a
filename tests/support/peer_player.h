// Starts the stand-in player in its own process and reads what it logged.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::wstring TestBinDir();
// A fresh empty folder under the temporary folder, removed by nobody:
// the test prefix is thrown away as a whole.
std::wstring MakeTempDir(const std::wstring& tag);
void WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);

// Polls cond until it holds or the deadline passes, handling this thread's
// messages meanwhile.
bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs = 5000);

class TPeerPlayer {
public:
    explicit TPeerPlayer(bool use32 = false, std::vector<std::wstring> args = {});
    ~TPeerPlayer();
    TPeerPlayer(const TPeerPlayer&) = delete;
    TPeerPlayer& operator=(const TPeerPlayer&) = delete;

    bool Started() const { return FWindow != nullptr; }
    HWND Window() const { return FWindow; }
    DWORD ProcessId() const { return FPi.dwProcessId; }

    // Lines logged since the last Mark (or since start).
    std::vector<std::string> Lines() const;
    void Mark();
    bool WaitForLine(const std::string& line, DWORD timeoutMs = 5000) const;
    // Posts a private control message (stall, state, entry) and waits until it is logged.
    bool Stall(DWORD ms);
    bool ForceState(int state);
    bool ForceEntry(int index);
    bool ReverseList();
    bool AppendCopy(int index);
    // Every track's length in seconds; -1 for none known.
    bool SetLength(int seconds);
    // Sent, not posted, so that nothing of this thread's runs in between:
    // the player answers the next `answered` interface messages at once and
    // then takes ms over each (longer than the program waits); ms 0 ends it.
    void SlowAfter(int answered, DWORD ms);
    // The same for the current entry (0-based), at once.
    void SetEntryNow(int index);
    // The caption names entry index at once, the current entry follows ms
    // later (logged "MOVED <index>").
    void LeadCaption(int index, DWORD ms);
    // Scrolls the caption one character every ms, as in the taskbar; 0 stops.
    void ScrollCaption(DWORD ms);
    // Interface messages (commands, requests, copy-data) logged since the mark.
    size_t Received() const;
    void Stop();

private:
    bool Control(UINT msg, WPARAM wp, const std::string& line);
    bool WaitForLineAfter(const std::string& line, size_t from, DWORD timeoutMs) const;
    std::vector<std::string> AllLines() const;

    PROCESS_INFORMATION FPi{};
    HWND FWindow = nullptr;
    std::wstring FLogPath;
    size_t FMark = 0;
};

// Name of the peer executable for the given width.
std::wstring PeerExe(bool use32);
