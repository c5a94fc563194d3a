// Idle cost and track-change latency of the resident program, measured
// side by side in one run against today's way of watching the player
// (a 20 ms poll of two requests and a 100 ms clock tick, both at all
// times), which this benchmark reproduces with the same calls:
//  1. player absent, window hidden, alarm off: wake-ups per second of the
//     program's thread (timer messages and every other return from its
//     wait) and CPU;
//  2. player present, nothing changing: CPU added (program and player) and
//     the player's wake-ups caused by the program (messages it took in);
//  3. latency from the player's change of track to OnTrackChange, median
//     and maximum over 100 changes; latency of a change of list length;
//  4. the same latency with a player whose caption does not name the entry
//     (Winamp with numbers off) or never changes (a clone), and what that
//     costs the player;
//  5. a busy desktop: another program blinking a caret, showing a tooltip
//     and opening menus, and the player scrolling its title: wake-ups and
//     CPU with the player absent and present.
// The program's side is the real main window (hidden, as in the tray) with
// its track monitor; the latency is the real track monitor's.
// Under Wine, messages between processes also cost the Wine server, which
// has no counterpart on Windows; its time is shown apart when it can be
// read. Wine reports no CPU times for other processes, so there the
// player's are read from the host's process table.
//
// Usage: poll_idle_bench [seconds per phase, default 20: Wine counts process
// times in 10 ms steps, so 20 s resolve 0.05 % of one core]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/form1.h"
#include "desktop/window_timer.h"
#include "player/id3_reader.h"
#include "player/player_window.h"
#include "player/track_monitor.h"
#include "player/winamp_api.h"
#include "player/winamp_link.h"
#include "player/winamp_query.h"
#include "support/peer_player.h"
namespace {

double Seconds(const FILETIME& ft) {
    ULARGE_INTEGER v;
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / 1e7;
}

double CpuSeconds(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return Seconds(kernel) + Seconds(user);
}

double Now() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(freq.QuadPart);
}

// ---- the Wine server's CPU time, read from the host's process table ----

std::string ReadHostFile(const std::wstring& path) { return ReadFileBytes(path); }

// A process of this program's Wine prefix (others may run beside it) whose
// host command name begins with Name: the path of its host "stat" file,
// or empty when not running under Wine or not found.
std::wstring FindHostProcess(const char* name) {
    wchar_t prefix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"WINEPREFIX", prefix, MAX_PATH)) return {};
    std::string wanted = "WINEPREFIX=";
    for (const wchar_t* c = prefix; *c; ++c) wanted += static_cast<char>(*c);
    wanted += '\0';
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (h == INVALID_HANDLE_VALUE) return {};
    std::wstring found;
    do {
        const std::wstring pid = fd.cFileName;
        if (pid.empty() || pid.find_first_not_of(L"0123456789") != std::wstring::npos) continue;
        const std::wstring dir = L"Z:\\proc\\" + pid;
        if (ReadHostFile(dir + L"\\comm").rfind(name, 0) != 0) continue;
        if (ReadHostFile(dir + L"\\environ").find(wanted) == std::string::npos) continue;
        found = dir + L"\\stat";
        break;
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return found;
}

// utime + stime of a host process, in seconds (clock ticks of 1/100 s).
double HostCpuSeconds(const std::wstring& statPath) {
    if (statPath.empty()) return -1;
    const std::string stat = ReadHostFile(statPath);
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) return -1;
    // Fields after the command name: state is field 3; utime 14, stime 15.
    const char* p = stat.c_str() + close + 2;
    long long field[16] = {};
    for (int i = 3; i <= 15 && *p; ++i) {
        char* end = nullptr;
        field[i] = std::strtoll(p, &end, 10);
        if (i == 3) end = const_cast<char*>(p) + 1;  // the state is a letter
        p = end;
        while (*p == ' ') ++p;
    }
    return static_cast<double>(field[14] + field[15]) / 100.0;
}

struct TPhase {
    double Wall = 0, Own = 0, Player = 0, Server = -1;
    long Wakes = 0, Timers = 0;
    long PlayerMessages = 0;
};

struct TPlayerClock {
    HANDLE Process = nullptr;
    HWND Window = nullptr;
    std::wstring HostStat;  // under Wine
    double Seconds() const {
        if (!Process) return 0;
        return HostStat.empty() ? CpuSeconds(Process) : HostCpuSeconds(HostStat);
    }
    // Interface messages the stand-in player has taken in so far.
    long Messages() const {
        DWORD_PTR n = 0;
        if (Window) SendMessageTimeoutW(Window, WM_APP + 8, 0, 0, SMTO_NORMAL, 5000, &n);
        return static_cast<long>(n);
    }
};

// Runs this thread's message loop for the given time, as the program's own
// loop would, counting every return from the wait and the timer messages.
TPhase Measure(const TPlayerClock& player, double seconds, const std::wstring& server) {
    TPhase r;
    const long messagesBefore = player.Messages();
    const double ownBefore = CpuSeconds(GetCurrentProcess()), playerBefore = player.Seconds();
    const double serverBefore = HostCpuSeconds(server);
    const double start = Now();
    for (;;) {
        const double left = start + seconds - Now();
        if (left <= 0) break;
        const DWORD woke = MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left * 1000) + 1, QS_ALLINPUT,
                                                       MWMO_INPUTAVAILABLE);
        if (woke == WAIT_TIMEOUT) continue;
        ++r.Wakes;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER) ++r.Timers;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    r.Wall = Now() - start;
    r.Own = CpuSeconds(GetCurrentProcess()) - ownBefore;
    r.Player = player.Seconds() - playerBefore;
    r.PlayerMessages = player.Messages() - messagesBefore;
    const double serverAfter = HostCpuSeconds(server);
    if (serverBefore >= 0 && serverAfter >= 0) r.Server = serverAfter - serverBefore;
    return r;
}

double Percent(double cpu, double wall) { return wall > 0 ? 100.0 * cpu / wall : 0; }

// Today's watching, with the calls it made: the monitor's 20 ms tick (list
// length and entry, and for a new entry its file and tag) and Timer1's
// 100 ms tick (window lookup, version, two captions, clock), hidden or not.
struct TToday {
    TWindowTimer Poll, Clock;
    HWND Panel1 = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND Panel2 = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    TTarnWinAmpLink Link;
    int ListCount = 0, TrackNo = 0;
    std::function<void()> OnTrackChange, OnListChange;

    TToday() {
        Poll.SetInterval(20);
        Poll.OnTimer = [this] { PollTick(); };
        Poll.SetEnabled(true);
        Clock.SetInterval(100);
        Clock.OnTimer = [this] { ClockTick(); };
        Clock.SetEnabled(true);
    }
    ~TToday() {
        DestroyWindow(Panel1);
        DestroyWindow(Panel2);
    }
    void PollTick() {
        if (WA_NoOfTracksLoaded() != ListCount) {
            WA_WritePlayList();
            ListCount = WA_NoOfTracksLoaded();
            if (OnListChange) OnListChange();
        }
        const int track = WA_CurrentTrackNo();
        if (track == TrackNo) return;
        TrackNo = track;
        std::wstring name;
        if (WA_FindTrackFileName(track, name)) {
            TID3Rec tag;
            GetID3Info(name, tag);
        }
        if (OnTrackChange) OnTrackChange();
    }
    void ClockTick() {
        if (FindPlayerWindow(wa::kWindowClass))
            SetWindowTextW(Panel2, (L"Winamp " + Link.GetVersionString() + L" Detected").c_str());
        else
            SetWindowTextW(Panel2, L"Winamp Not Detected");
        SYSTEMTIME now;
        GetLocalTime(&now);
        SetWindowTextW(Panel1, TForm1::FormatTime(now).c_str());
    }
};

// The real main window as the tray keeps it: hidden, alarm off, nothing
// stored (so nothing is started and nothing asked).
std::unique_ptr<TForm1> MakeForm() {
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
    Application().SetTitle(L"(Merrowind) Plovik v4.0");
    Application().MessageBoxFn = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; };
    return std::make_unique<TForm1>();
}

// The stand-in player without a log: logging every request would charge
// the player for the measurement itself.
bool StartPlayer(PROCESS_INFORMATION& pi, const std::wstring& dir, const std::wstring& extra = {}) {
    std::wstring cmd = L"\"" + PeerExe(true) + L"\" --playlist-dir \"" + dir + L"\"" + extra;
    for (int i = 0; i < 8; ++i) cmd += L" --file C:\\track" + std::to_wstring(i) + L".mp3";
    cmd += L" --play";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    return WaitFor([] { return FindWindowW(wa::kWindowClass, nullptr) != nullptr; }, 15000);
}

void StopPlayer(PROCESS_INFORMATION& pi, const wchar_t* windowClass = wa::kWindowClass) {
    if (HWND w = FindWindowW(windowClass, nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

const wchar_t kBusyClass[] = L"PlovikBenchBusyDesktop";

bool StartBusyDesktop(PROCESS_INFORMATION& pi) {
    std::wstring cmd = L"\"" + TestBinDir() + L"\\busy_desktop.exe\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    return WaitFor([] { return FindWindowW(kBusyClass, nullptr) != nullptr; }, 15000);
}

struct TLatency {
    double Median = 0, Max = 0, ListMax = 0;
    int Missed = 0;
};

// Moves the player to another entry 100 times, at differing moments, and
// times each change to the event; then lengthens its list 5 times.
TLatency MeasureLatency(HWND player, std::function<void()>& onTrack, std::function<void()>& onList) {
    TLatency r;
    long tracks = 0, lists = 0;
    onTrack = [&] { ++tracks; };
    onList = [&] { ++lists; };
    WaitFor([] { return false; }, 500);  // the first look is done
    std::vector<double> ms;
    for (int i = 0; i < 100; ++i) {
        WaitFor([] { return false; }, static_cast<DWORD>(30 + i * 7 % 41));
        const long before = tracks;
        const double t0 = Now();
        SendMessageW(player, WM_APP + 3, static_cast<WPARAM>((i + 1) % 8), 0);  // never the entry playing
        if (!WaitFor([&] { return tracks > before; }, 3000)) {
            ++r.Missed;
            continue;
        }
        ms.push_back(1000 * (Now() - t0));
    }
    for (int i = 0; i < 5; ++i) {
        const long before = lists;
        const double t0 = Now();
        SendMessageW(player, WM_APP + 5, 0, 0);
        if (WaitFor([&] { return lists > before; }, 5000)) r.ListMax = std::max(r.ListMax, 1000 * (Now() - t0));
        else ++r.Missed;
    }
    onTrack = nullptr;
    onList = nullptr;
    if (ms.empty()) return r;
    std::sort(ms.begin(), ms.end());
    r.Median = ms[ms.size() / 2];
    r.Max = ms.back();
    return r;
}

void Row(const char* what, double today, double now, const char* unit, const char* target, bool met) {
    std::printf("  %-44s %9.2f %9.2f %-6s %-16s %s\n", what, today, now, unit, target, met ? "met" : "MISSED");
}

// One phase with today's watching, then the same with this program.
struct TSideBySide {
    TPhase Today, Now;
};
TSideBySide MeasureSideBySide(const TPlayerClock& player, double seconds, const std::wstring& server) {
    TSideBySide r;
    {
        TToday today;
        Measure(player, 1.0, server);
        r.Today = Measure(player, seconds, server);
    }
    {
        auto form = MakeForm();
        Measure(player, 1.0, server);
        r.Now = Measure(player, seconds, server);
    }
    return r;
}

void AbsentWakeRow(const TPhase& absentToday, const TPhase& absentNow) {
    Row("player absent: wake-ups per second", absentToday.Wakes / absentToday.Wall,
        absentNow.Wakes / absentNow.Wall, "/s", "<= 2", absentNow.Wakes / absentNow.Wall <= 2);
}

void AbsentCpuRow(const TPhase& absentToday, const TPhase& absentNow) {
    Row("player absent: CPU, one core", Percent(absentToday.Own, absentToday.Wall),
        Percent(absentNow.Own, absentNow.Wall), "%", "<= 0.1", Percent(absentNow.Own, absentNow.Wall) <= 0.1);
}

// The player present: what the program adds to the player alone.
void PresentRows(const TPhase& alone, const TPhase& presentToday, const TPhase& presentNow) {
    const double base = Percent(alone.Own + alone.Player, alone.Wall);
    const double addedToday = Percent(presentToday.Own + presentToday.Player, presentToday.Wall) - base;
    const double addedNow = Percent(presentNow.Own + presentNow.Player, presentNow.Wall) - base;
    Row("player present: CPU added, program + player", addedToday, addedNow, "%", "<= 0.5", addedNow <= 0.5);
    std::printf("  %-44s %9.2f %9.2f %-6s\n", "  of it the program's", Percent(presentToday.Own, presentToday.Wall),
                Percent(presentNow.Own, presentNow.Wall), "%");
    Row("player present: player woken by the program", presentToday.PlayerMessages / presentToday.Wall,
        presentNow.PlayerMessages / presentNow.Wall, "/s", "<= 2", presentNow.PlayerMessages / presentNow.Wall <= 2);
    std::printf("  %-44s %9.2f %9.2f %-6s\n", "player present: program's wake-ups",
                presentToday.Wakes / presentToday.Wall, presentNow.Wakes / presentNow.Wall, "/s");
}

// The latency of today's watching and of the monitor, one after the other,
// against the player as it runs now.
void CompareLatency(HWND player, TLatency& today, TLatency& now) {
    {
        TToday watching;
        today = MeasureLatency(player, watching.OnTrackChange, watching.OnListChange);
    }
    TWinAmpCtr monitor;
    std::function<void()> onTrack, onList;
    monitor.OnTrackChange = [&](TWinAmpCtr&) {
        if (onTrack) onTrack();
    };
    monitor.OnListChange = [&](TWinAmpCtr&) {
        if (onList) onList();
    };
    now = MeasureLatency(player, onTrack, onList);
}

// A caption without the entry's number cannot tell of a new entry.
void CaptionWithoutNumber(double seconds, const std::wstring& server, const wchar_t* kind, const char* what) {
    std::printf("Player whose caption %s\n", what);
    const std::wstring dir = MakeTempDir(L"bench");
    PROCESS_INFORMATION pi{};
    if (!StartPlayer(pi, dir, std::wstring(L" --caption ") + kind)) {
        std::printf("the stand-in player did not start\n");
        return;
    }
    const TPlayerClock player{pi.hProcess, FindWindowW(wa::kWindowClass, nullptr), FindHostProcess("winamp_peer")};
    TPhase today, now;
    {
        TToday watching;
        Measure(player, 1.0, server);
        today = Measure(player, seconds / 2, server);
    }
    {
        auto form = MakeForm();
        Measure(player, 1.0, server);
        now = Measure(player, seconds / 2, server);
    }
    TLatency latencyToday, latencyNow;
    CompareLatency(player.Window, latencyToday, latencyNow);
    StopPlayer(pi);
    Row("track change to OnTrackChange, median", latencyToday.Median, latencyNow.Median, "ms", "<= 20",
        latencyNow.Median <= 20);
    Row("track change to OnTrackChange, maximum", latencyToday.Max, latencyNow.Max, "ms", "<= 50",
        latencyNow.Max <= 50);
    std::printf("  %-44s %9.2f %9.2f %-6s\n", "player woken by the program", today.PlayerMessages / today.Wall,
                now.PlayerMessages / now.Wall, "/s");
    std::printf("  %-44s %9.2f %9.2f %-6s\n", "program's wake-ups", today.Wakes / today.Wall, now.Wakes / now.Wall,
                "/s");
    if (latencyToday.Missed || latencyNow.Missed)
        std::printf("  changes not reported within the wait: today %d, now %d\n", latencyToday.Missed,
                    latencyNow.Missed);
}

// Another program busy beside the resident one, and the player scrolling
// its title: the events of either must not keep the program awake.
void BusyDesktop(double seconds, const std::wstring& server) {
    std::printf("Busy desktop: a caret blinking, a tooltip shown and hidden 4 times a second, a menu opened\n"
                "every 0.7 s; with the player, its title scrolling every 0.2 s\n");
    PROCESS_INFORMATION busy{};
    if (!StartBusyDesktop(busy)) {
        std::printf("the busy desktop did not start\n");
        return;
    }
    const TPlayerClock none;
    const auto [absentToday, absentNow] = MeasureSideBySide(none, seconds, server);
    AbsentWakeRow(absentToday, absentNow);
    AbsentCpuRow(absentToday, absentNow);

    const std::wstring dir = MakeTempDir(L"bench");
    PROCESS_INFORMATION pi{};
    if (!StartPlayer(pi, dir)) {
        std::printf("the stand-in player did not start\n");
        StopPlayer(busy, kBusyClass);
        return;
    }
    const TPlayerClock player{pi.hProcess, FindWindowW(wa::kWindowClass, nullptr), FindHostProcess("winamp_peer")};
    SendMessageW(player.Window, WM_APP + 10, 200, 0);
    Measure(player, 1.0, server);
    const TPhase alone = Measure(player, seconds, server);
    const auto [presentToday, presentNow] = MeasureSideBySide(player, seconds, server);
    StopPlayer(pi);
    StopPlayer(busy, kBusyClass);
    PresentRows(alone, presentToday, presentNow);
}

void Run(double seconds, const std::wstring& server) {
    std::printf("Idle and latency, %.1f s per phase; columns: today's way, this program\n", seconds);
    std::printf("  %-44s %9s %9s %-6s %-16s\n", "", "today", "now", "", "target");

    // 1. No player.
    WaitFor([] { return FindWindowW(wa::kWindowClass, nullptr) == nullptr; }, 5000);
    const TPlayerClock none;
    const auto [absentToday, absentNow] = MeasureSideBySide(none, seconds, server);
    AbsentWakeRow(absentToday, absentNow);
    std::printf("  %-44s %9.2f %9.2f %-6s\n", "  of them timer messages", absentToday.Timers / absentToday.Wall,
                absentNow.Timers / absentNow.Wall, "/s");
    AbsentCpuRow(absentToday, absentNow);

    // 2. A player that plays on, nothing changing.
    const std::wstring dir = MakeTempDir(L"bench");
    PROCESS_INFORMATION pi{};
    if (!StartPlayer(pi, dir)) {
        std::printf("the stand-in player did not start\n");
        return;
    }
    const TPlayerClock player{pi.hProcess, FindWindowW(wa::kWindowClass, nullptr), FindHostProcess("winamp_peer")};
    Measure(player, 1.0, server);
    const TPhase alone = Measure(player, seconds, server);
    const auto [presentToday, presentNow] = MeasureSideBySide(player, seconds, server);
    TLatency latencyToday, latencyNow;
    CompareLatency(player.Window, latencyToday, latencyNow);
    StopPlayer(pi);

    PresentRows(alone, presentToday, presentNow);
    Row("track change to OnTrackChange, median", latencyToday.Median, latencyNow.Median, "ms", "<= 20",
        latencyNow.Median <= 20);
    Row("track change to OnTrackChange, maximum", latencyToday.Max, latencyNow.Max, "ms", "<= 50",
        latencyNow.Max <= 50);
    Row("list length change to OnListChange, max", latencyToday.ListMax, latencyNow.ListMax, "ms", "<= 1000",
        latencyNow.ListMax <= 1000);
    if (latencyToday.Missed || latencyNow.Missed)
        std::printf("  changes not reported within the wait: today %d, now %d\n", latencyToday.Missed,
                    latencyNow.Missed);
    if (alone.Server >= 0 && presentToday.Server >= 0 && presentNow.Server >= 0)
        std::printf("  Wine server (not on Windows): %.2f %% player alone, %.2f %% today, %.2f %% now\n",
                    Percent(alone.Server, alone.Wall), Percent(presentToday.Server, presentToday.Wall),
                    Percent(presentNow.Server, presentNow.Wall));
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const std::wstring server = FindHostProcess("wineserver");
    Run(seconds, server);
    CaptionWithoutNumber(seconds, server, L"plain", "does not name the entry (Winamp with numbers off)");
    CaptionWithoutNumber(seconds, server, L"fixed", "never changes (a clone)");
    BusyDesktop(seconds, server);
    return 0;
}
