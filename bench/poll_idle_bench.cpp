// Idle cost of the track monitor's 20 ms poll: CPU time of this program
// plus the stand-in player over a stretch with the monitor polling, against
// the same stretch with the player and an idle program alone, in one run.
// Under Wine, messages between processes also cost the Wine server, which
// has no counterpart on Windows; its time is shown apart when it can be read.
// Wine reports no CPU times for other processes, so there the player's are
// read from the host's process table.
//
// Usage: poll_idle_bench [seconds per phase, default 10]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "desktop/window_timer.h"
#include "player/track_monitor.h"
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
    int Polls = 0;
};

// Runs this thread's message loop for the given time, as the program's
// own loop would, counting the timer ticks it dispatches.
struct TPlayerClock {
    HANDLE Process = nullptr;
    std::wstring HostStat;  // under Wine
    double Seconds() const { return HostStat.empty() ? CpuSeconds(Process) : HostCpuSeconds(HostStat); }
};

TPhase Measure(const TPlayerClock& player, double seconds, const std::wstring& server) {
    TPhase r;
    const double ownBefore = CpuSeconds(GetCurrentProcess()), playerBefore = player.Seconds();
    const double serverBefore = HostCpuSeconds(server);
    const double start = Now();
    for (;;) {
        const double left = start + seconds - Now();
        if (left <= 0) break;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left * 1000) + 1, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER) ++r.Polls;
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    r.Wall = Now() - start;
    r.Own = CpuSeconds(GetCurrentProcess()) - ownBefore;
    r.Player = player.Seconds() - playerBefore;
    const double serverAfter = HostCpuSeconds(server);
    if (serverBefore >= 0 && serverAfter >= 0) r.Server = serverAfter - serverBefore;
    return r;
}

double Percent(double cpu, double wall) { return wall > 0 ? 100.0 * cpu / wall : 0; }

// The stand-in player without a log: logging every request would charge
// the player for the measurement itself.
bool StartPlayer(bool use32, PROCESS_INFORMATION& pi) {
    std::wstring cmd = L"\"" + PeerExe(use32) + L"\" --file C:\\a.mp3 --file C:\\b.mp3 --file C:\\c.mp3 --play";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    return WaitFor([] { return FindWindowW(L"Winamp v1.x", nullptr) != nullptr; }, 15000);
}

void StopPlayer(PROCESS_INFORMATION& pi) {
    if (HWND w = FindWindowW(L"Winamp v1.x", nullptr)) PostMessageW(w, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

void Run(bool use32, double seconds, const std::wstring& server) {
    PROCESS_INFORMATION pi{};
    if (!StartPlayer(use32, pi)) {
        std::printf("stand-in player %s did not start\n", use32 ? "32-bit" : "64-bit");
        return;
    }
    TPlayerClock player{pi.hProcess, FindHostProcess("winamp_peer")};
    Measure(player, 1.0, server);  // let the player settle
    const TPhase idle = Measure(player, seconds, server);
    TPhase timer, poll;
    {
        // The bare 20 ms timer: what any poll at that rate costs here.
        TWindowTimer bare;
        bare.SetInterval(20);
        bare.OnTimer = [] {};
        bare.SetEnabled(true);
        timer = Measure(player, seconds, server);
    }
    {
        TWinAmpCtr monitor;
        poll = Measure(player, seconds, server);
    }
    StopPlayer(pi);

    const double idlePct = Percent(idle.Own + idle.Player, idle.Wall);
    const double timerPct = Percent(timer.Own + timer.Player, timer.Wall);
    const double pollPct = Percent(poll.Own + poll.Player, poll.Wall);
    std::printf("stand-in player %s, %.1f s per phase\n", use32 ? "32-bit" : "64-bit", seconds);
    std::printf("  player + idle program         : %6.2f %% of one core (program %.2f s, player %.2f s)\n", idlePct,
                idle.Own, idle.Player);
    std::printf("  player + bare 20 ms timer     : %6.2f %% of one core (program %.2f s, player %.2f s)\n",
                timerPct, timer.Own, timer.Player);
    std::printf("  player + monitor polling      : %6.2f %% of one core (program %.2f s, player %.2f s), "
                "%d polls, %.1f per second\n",
                pollPct, poll.Own, poll.Player, poll.Polls, poll.Polls / poll.Wall);
    std::printf("  added by the 20 ms poll       : %6.2f %% of one core (target: at most 1 %%): %s\n",
                pollPct - idlePct, pollPct - idlePct <= 1.0 ? "met" : "missed");
    if (idle.Server >= 0 && timer.Server >= 0 && poll.Server >= 0)
        std::printf("  Wine server (not on Windows)  : %6.2f %% idle, %6.2f %% bare timer, %6.2f %% polling\n",
                    Percent(idle.Server, idle.Wall), Percent(timer.Server, timer.Wall),
                    Percent(poll.Server, poll.Wall));
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    const std::wstring server = FindHostProcess("wineserver");
    Run(true, seconds, server);
    Run(false, seconds, server);
    return 0;
}
