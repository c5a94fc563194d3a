// Start-up time and private memory of Plovik against a minimal tray program,
// side by side in one run, with every one of Plovik's keys stored and in
// force. Both add their tray icon before their message loop first waits for
// input, so the wait for input idle ends after the icon is in the tray. Then
// the settings window is opened as a second start opens it, the first time
// (when it is made) and later times.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/peer_player.h"

namespace {

struct TSample {
    double StartMs;
    double PrivateMb;
    double FirstOpenMs = 0, LaterOpenMs = 0, OpenedMb = 0;
};

double Millis(const LARGE_INTEGER& t0, const LARGE_INTEGER& t1) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return 1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) / static_cast<double>(f.QuadPart);
}

double PrivateMb(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX mem{};
    mem.cb = sizeof(mem);
    GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&mem), sizeof(mem));
    // Wine leaves PrivateUsage empty; the committed private bytes are in
    // PagefileUsage on both systems.
    return static_cast<double>(mem.PrivateUsage ? mem.PrivateUsage : mem.PagefileUsage) / (1024.0 * 1024.0);
}

HWND OwnWindow(DWORD pid, const wchar_t* cls) {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, cls, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) return w;
    }
    return nullptr;
}

// From the request to a shown window that has handled everything sent
// before: the way a second start, the tray and the menu open it.
double OpenSettings(DWORD pid) {
    static const UINT show = RegisterWindowMessageW(L"Merrowind.Plovik.ShowSettings");
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    DWORD_PTR answer = 0;
    SendMessageTimeoutW(OwnWindow(pid, L"PlovikApplication"), show, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    HWND form = nullptr;
    for (int i = 0; i < 5000 && !((form = OwnWindow(pid, L"TForm1")) && IsWindowVisible(form)); ++i) Sleep(1);
    SendMessageTimeoutW(form, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    QueryPerformanceCounter(&t1);
    ShowWindow(form, SW_HIDE);
    return Millis(t0, t1);
}

// A user with a key for every action: all of them are asked of the system
// at start. The player's place is any file that is there.
void StoreEveryKey(const std::wstring& player) {
    HKEY k;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &k, nullptr) != ERROR_SUCCESS)
        return;
    int n = 0;
    for (const TActionInfo& a : kActions) {
        const DWORD word = 0xE000 | static_cast<DWORD>(n < 26 ? 'A' + n : VK_F1 + n - 26);  // Ctrl+Alt+Shift
        ++n;
        RegSetValueExW(k, a.Value, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&word), sizeof(word));
    }
    RegSetValueExW(k, L"WA", 0, REG_SZ, reinterpret_cast<const BYTE*>(player.c_str()),
                   static_cast<DWORD>((player.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(k);
}

bool Measure(const std::wstring& exe, TSample& out, bool open = false) {
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    if (!CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return false;
    const DWORD idle = WaitForInputIdle(pi.hProcess, 30000);
    QueryPerformanceCounter(&t1);
    Sleep(300);  // let start-up settle before reading the memory
    out.PrivateMb = PrivateMb(pi.hProcess);
    if (open && idle == 0) {
        out.FirstOpenMs = OpenSettings(pi.dwProcessId);
        std::vector<double> later;
        for (int i = 0; i < 5; ++i) later.push_back(OpenSettings(pi.dwProcessId));
        std::sort(later.begin(), later.end());
        out.LaterOpenMs = later[later.size() / 2];
        Sleep(300);
        out.OpenedMb = PrivateMb(pi.hProcess);
    }
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
    out.StartMs = Millis(t0, t1);
    return true;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::wstring plovik = TestBinDir() + L"\\Plovik.exe", minimal = TestBinDir() + L"\\minimal_tray_app.exe";
    StoreEveryKey(minimal);
    constexpr int kRuns = 9;
    std::vector<double> ps, pm, ms, mm, first, later, opened;
    for (int i = 0; i < kRuns; ++i) {
        TSample p{}, m{};
        if (!Measure(plovik, p, true) || !Measure(minimal, m)) {
            std::printf("a program did not start\n");
            return 1;
        }
        std::printf("  run %d: Plovik %.0f ms, minimal %.0f ms\n", i + 1, p.StartMs, m.StartMs);
        ps.push_back(p.StartMs);
        pm.push_back(p.PrivateMb);
        ms.push_back(m.StartMs);
        mm.push_back(m.PrivateMb);
        first.push_back(p.FirstOpenMs);
        later.push_back(p.LaterOpenMs);
        opened.push_back(p.OpenedMb);
    }
    const double sp = Median(ps), sm = Median(ms), mp = Median(pm), mmin = Median(mm);
    std::printf("Start-up to the tray icon with every key in force, medians of %d starts each\n", kRuns);
    std::printf("  Plovik.exe               %7.1f ms   private memory %6.2f MB\n", sp, mp);
    std::printf("  minimal tray program     %7.1f ms   private memory %6.2f MB\n", sm, mmin);
    std::printf("  start-up ratio = %.2f (target <= 1.5)   extra memory = %.2f MB (target <= 2)\n", sp / sm,
                mp - mmin);
    std::printf("Settings window: first opening %.1f ms, later openings %.1f ms; private memory once opened %.2f MB\n",
                Median(first), Median(later), Median(opened));
    return 0;
}
