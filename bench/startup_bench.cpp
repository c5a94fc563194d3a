// Start-up time and private memory of Plovik against a minimal tray program,
// side by side in one run. Both add their tray icon before their message
// loop first waits for input, so the wait for input idle ends after the icon
// is in the tray.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "support/peer_player.h"

namespace {

struct TSample {
    double StartMs;
    double PrivateMb;
};

bool Measure(const std::wstring& exe, TSample& out) {
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER f, t0, t1;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t0);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    const DWORD idle = WaitForInputIdle(pi.hProcess, 30000);
    QueryPerformanceCounter(&t1);
    Sleep(300);  // let start-up settle before reading the memory
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof(mem);
    GetProcessMemoryInfo(pi.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    // An orderly end takes the icon out of the tray: a killed program leaves
    // a dead icon that slows the next start down.
    PostThreadMessageW(pi.dwThreadId, WM_QUIT, 0, 0);
    if (WaitForSingleObject(pi.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(pi.hProcess, 0);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    if (idle != 0) return false;
    out.StartMs = 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
    // Wine leaves PrivateUsage empty; the committed private bytes are in
    // PagefileUsage on both systems.
    out.PrivateMb = static_cast<double>(mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage) / (1024.0 * 1024.0);
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::wstring plovik = TestBinDir() + L"\\Plovik.exe", minimal = TestBinDir() + L"\\minimal_tray_app.exe";
    constexpr int kRuns = 9;
    std::vector<double> ps, pm, ms, mm;
    for (int i = 0; i < kRuns; ++i) {
        TSample p{}, m{};
        if (!Measure(plovik, p) || !Measure(minimal, m)) {
            std::printf("a program did not start\n");
            return 1;
        }
        std::printf("  run %d: Plovik %.0f ms, minimal %.0f ms\n", i + 1, p.StartMs, m.StartMs);
        ps.push_back(p.StartMs);
        pm.push_back(p.PrivateMb);
        ms.push_back(m.StartMs);
        mm.push_back(m.PrivateMb);
    }
    const double sp = Median(ps), sm = Median(ms), mp = Median(pm), mmin = Median(mm);
    std::printf("Start-up to the tray icon, medians of %d starts each\n", kRuns);
    std::printf("  Plovik.exe               %7.1f ms   private memory %6.2f MB\n", sp, mp);
    std::printf("  minimal tray program     %7.1f ms   private memory %6.2f MB\n", sm, mmin);
    std::printf("  start-up ratio = %.2f (target <= 2)   extra memory = %.2f MB (target <= 4)\n", sp / sm, mp - mmin);
    return 0;
}
