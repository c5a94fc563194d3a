#include "desktop/power_control.h"

#include <memory>
#include <vector>

#include "desktop/application.h"

std::wstring SuspendCommandLine() {
    wchar_t folder[MAX_PATH] = {};
    const UINT n = GetSystemDirectoryW(folder, MAX_PATH);
    const std::wstring system = n > 0 && n < MAX_PATH ? std::wstring(folder) + L"\\" : std::wstring();
    return L"\"" + system + L"rundll32.exe\" powrprof.dll,SetSuspendState";
}
const wchar_t kOpenProcessTokenFailed[] = L"OpenProcessToken failed";
const wchar_t kLookupPrivilegeValueFailed[] = L"LookupPrivilegeValue failed";
const wchar_t kAdjustTokenPrivilegesFailed[] = L"AdjustTokenPrivileges failed";

namespace {

constexpr DWORD kPlatform9x = VER_PLATFORM_WIN32_WINDOWS;  // 1
constexpr DWORD kPlatformNT = VER_PLATFORM_WIN32_NT;       // 2

struct THandleCloser {
    void operator()(HANDLE h) const noexcept { CloseHandle(h); }
};
using TUniqueHandle = std::unique_ptr<void, THandleCloser>;

bool StartHidden(const std::wstring& commandLine, int show) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> cmd(commandLine.begin(), commandLine.end());
    cmd.push_back(L'\0');
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}

// The box may come from an alarm nobody is watching: it must not hide
// behind other windows.
void ShowFailures(const std::vector<const wchar_t*>& texts) {
    for (const wchar_t* text : texts)
        Application().MessageBox(text, Application().Title(), MB_OK | MB_SETFOREGROUND | MB_TOPMOST);
}

}  // namespace

// ---- TShutH ----------------------------------------------------------------

TShutH::TShutH() {
    ExitWindowsExFn = [](UINT flags, DWORD reason) { return ::ExitWindowsEx(flags, reason); };
    RunCommandFn = &StartHidden;
}

void TShutH::Execute() {
    if (OperatingSystem == shWinNT) {
        ShutNT();
    } else {
        Shut9x();
    }
}

// The request goes first and the failures are shown afterwards: an
// unattended log-off or switch-off must not wait for someone to answer.
void TShutH::ShutNT() {
    const auto failures = EnableShutPrivilege();
    RunOption();
    ShowFailures(failures);
}

// The 9x family had no mapping for suspend and power-off; they take the same
// road as on NT, only without asking for the privilege.
void TShutH::Shut9x() { RunOption(); }

void TShutH::RunOption() {
    switch (Options) {
        case shoHibernate: Suspend(); break;
        case shoLogoff: Exit(EWX_LOGOFF); break;
        case shoPoweroff: Exit(EWX_POWEROFF); break;
        case shoReboot: Exit(EWX_REBOOT); break;
        case shoShutdown: Exit(EWX_SHUTDOWN); break;
    }
}

void TShutH::Suspend() {
    if (RunCommandFn) RunCommandFn(SuspendCommandLine(), SW_HIDE);
}

void TShutH::Exit(UINT Flags) {
    if (ExitWindowsExFn) ExitWindowsExFn(Flags | ForceFlag(), 0);
}

// Each failing step says so and the sequence goes on: the request that
// follows is attempted in any case, and the system has the last word.
void TShutH::GetShutPrivilegies() { ShowFailures(EnableShutPrivilege()); }

std::vector<const wchar_t*> TShutH::EnableShutPrivilege() {
    std::vector<const wchar_t*> failures;
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &raw)) {
        failures.push_back(kOpenProcessTokenFailed);
        raw = nullptr;
    }
    TUniqueHandle token(raw);

    TOKEN_PRIVILEGES wanted{};
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &wanted.Privileges[0].Luid))
        failures.push_back(kLookupPrivilegeValueFailed);
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;

    TOKEN_PRIVILEGES previous{};
    DWORD previousLength = 0;
    // The call also "succeeds" when the account does not hold the privilege
    // at all (ERROR_NOT_ALL_ASSIGNED); nothing is enabled then, so say so.
    const BOOL adjusted = AdjustTokenPrivileges(token.get(), FALSE, &wanted, sizeof(previous), &previous,
                                                &previousLength);
    if (!adjusted || GetLastError() == ERROR_NOT_ALL_ASSIGNED) failures.push_back(kAdjustTokenPrivilegesFailed);
    return failures;
}

// ---- TOsInfo ---------------------------------------------------------------

// GetVersionEx reports 6.2 to every program without a compatibility
// manifest since Windows 8; the kernel's own answer is not shimmed.
bool ReadOsVersion(TOsVersion& Version) {
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (HMODULE ntdll = GetModuleHandleW(L"ntdll.dll")) {
        auto rtlGetVersion =
            reinterpret_cast<TRtlGetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")));
        if (rtlGetVersion && rtlGetVersion(&info) == 0) {
            Version = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
            return true;
        }
    }
#if defined(_MSC_VER)
#pragma warning(suppress : 4996)
#endif
    if (!GetVersionExW(&info)) return false;
    Version = {info.dwPlatformId, info.dwMajorVersion, info.dwMinorVersion};
    return true;
}

// Every member of the NT family counts as "NT", whatever its version: the
// switch-off path needs the shutdown privilege on all of them.
std::wstring ClassifyWindows(const TOsVersion& Version) {
    if (Version.PlatformId == kPlatform9x) {
        const bool known = Version.Major == 4 &&
                           (Version.Minor == 0 || Version.Minor == 10 || Version.Minor == 90);
        return known ? L"9X" : L"I do not Know!";
    }
    if (Version.PlatformId == kPlatformNT) return L"NT";
    return L"I do not Know!";
}

std::wstring TOsInfo::GetWinVer() const {
    TOsVersion version;
    if (!ReadOsVersion(version)) return L"I do not Know!";
    return ClassifyWindows(version);
}
