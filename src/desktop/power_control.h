// Switching the computer off, restarting, suspending and logging off, and the
// probe that tells which family of Windows is running.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

enum TShOs { shWin9x = 0, shWinNT = 1 };

enum TShutdownOption {
    shoHibernate = 0,
    shoLogoff = 1,
    shoPoweroff = 2,
    shoReboot = 3,
    shoShutdown = 4,
};

// The command line that suspends (or hibernates) the computer: the system
// folder's "rundll32.exe", never one found beside the program first.
std::wstring SuspendCommandLine();

// The three texts shown when a step of enabling the shutdown privilege fails.
extern const wchar_t kOpenProcessTokenFailed[];
extern const wchar_t kLookupPrivilegeValueFailed[];
extern const wchar_t kAdjustTokenPrivilegesFailed[];

class TShutH {
public:
    TShutH();

    TShOs OperatingSystem = shWin9x;
    TShutdownOption Options = shoHibernate;
    bool AllowForce = false;

    void Execute();
    void ShutNT();
    void Shut9x();
    void GetShutPrivilegies();

    // The two calls that end the session. Tests replace them; their results
    // are not looked at (a refused request leaves the program running).
    std::function<BOOL(UINT Flags, DWORD Reason)> ExitWindowsExFn;
    std::function<bool(const std::wstring& CommandLine, int Show)> RunCommandFn;

private:
    UINT ForceFlag() const noexcept { return AllowForce ? EWX_FORCE : 0; }
    // The failed steps' texts, in order, for showing once the request is made.
    std::vector<const wchar_t*> EnableShutPrivilege();
    void RunOption();
    void Suspend();
    void Exit(UINT Flags);
};

// What the system says about its version, read so that a program without a
// compatibility manifest is not told a lower version than the real one.
struct TOsVersion {
    DWORD PlatformId = 0;
    DWORD Major = 0;
    DWORD Minor = 0;
};
bool ReadOsVersion(TOsVersion& Version);

// "9X", "NT" or "I do not Know!" for a given platform and version.
std::wstring ClassifyWindows(const TOsVersion& Version);

class TOsInfo {
public:
    std::wstring GetWinVer() const;
    std::wstring OsVersion() const { return GetWinVer(); }
};
