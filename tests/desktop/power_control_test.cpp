#include "desktop/power_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "desktop/application.h"

namespace {

// Records what would have ended the session, and the messages shown.
struct TSessionLog {
    std::vector<UINT> ExitFlags;
    std::vector<std::wstring> Commands;
    std::vector<int> Shows;
    std::vector<std::wstring> Messages;
    std::vector<UINT> BoxFlags;
    std::vector<std::string> Order;  // "exit" and "box", as they happened

    TMessageBoxFn Saved = Application().MessageBoxFn;
    ~TSessionLog() { Application().MessageBoxFn = Saved; }
    TSessionLog(const TSessionLog&) = delete;
    TSessionLog& operator=(const TSessionLog&) = delete;

    explicit TSessionLog(TShutH& s) {
        s.ExitWindowsExFn = [this](UINT flags, DWORD reason) {
            EXPECT_EQ(reason, 0u);
            ExitFlags.push_back(flags);
            Order.push_back("exit");
            return TRUE;
        };
        s.RunCommandFn = [this](const std::wstring& cmd, int show) {
            Commands.push_back(cmd);
            Shows.push_back(show);
            return true;
        };
        Application().MessageBoxFn = [this](HWND, const std::wstring& text, const std::wstring&, UINT flags) {
            Messages.push_back(text);
            BoxFlags.push_back(flags);
            Order.push_back("box");
            return IDOK;
        };
    }
};

UINT RunOnce(TShOs os, TShutdownOption option, bool force) {
    TShutH s;
    TSessionLog log(s);
    s.OperatingSystem = os;
    s.Options = option;
    s.AllowForce = force;
    s.Execute();
    EXPECT_EQ(log.ExitFlags.size(), 1u);
    return log.ExitFlags.empty() ? 0xFFFFFFFF : log.ExitFlags[0];
}

// Sets the shutdown privilege's attributes in this process's token; true if
// the system did all that was asked.
bool SetShutdownPrivilege(DWORD attributes) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) return false;
    TOKEN_PRIVILEGES tp{};
    tp.PrivilegeCount = 1;
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &tp.Privileges[0].Luid);
    tp.Privileges[0].Attributes = attributes;
    const bool ok = AdjustTokenPrivileges(token, FALSE, &tp, 0, nullptr, nullptr) && GetLastError() == ERROR_SUCCESS;
    CloseHandle(token);
    return ok;
}

bool ShutdownPrivilegeEnabled() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    LUID luid{};
    LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &luid);
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    std::vector<BYTE> buf(size);
    bool enabled = false;
    if (GetTokenInformation(token, TokenPrivileges, buf.data(), size, &size)) {
        auto* p = reinterpret_cast<TOKEN_PRIVILEGES*>(buf.data());
        for (DWORD i = 0; i < p->PrivilegeCount; ++i) {
            const LUID& l = p->Privileges[i].Luid;
            if (l.LowPart == luid.LowPart && l.HighPart == luid.HighPart)
                enabled = (p->Privileges[i].Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

}  // namespace

TEST(ShutH, ExitFlagsOnTheNtPath) {
    EXPECT_EQ(RunOnce(shWinNT, shoReboot, true), 6u);
    EXPECT_EQ(RunOnce(shWinNT, shoPoweroff, true), 12u);
    EXPECT_EQ(RunOnce(shWinNT, shoLogoff, false), 0u);
    EXPECT_EQ(RunOnce(shWinNT, shoLogoff, true), 4u);
    EXPECT_EQ(RunOnce(shWinNT, shoShutdown, false), 1u);
    EXPECT_EQ(RunOnce(shWinNT, shoShutdown, true), 5u);
    EXPECT_EQ(RunOnce(shWinNT, shoPoweroff, false), 8u);
    EXPECT_EQ(RunOnce(shWinNT, shoReboot, false), 2u);
}

TEST(ShutH, ExitFlagsOnThe9xPath) {
    EXPECT_EQ(RunOnce(shWin9x, shoLogoff, false), 0u);
    EXPECT_EQ(RunOnce(shWin9x, shoShutdown, false), 1u);
    EXPECT_EQ(RunOnce(shWin9x, shoReboot, true), 6u);
    EXPECT_EQ(RunOnce(shWin9x, shoPoweroff, false), 8u) << "mapped as on NT";
}

TEST(ShutH, NtPathEnablesTheShutdownPrivilegeFirst) {
    TShutH s;
    TSessionLog log(s);
    ASSERT_TRUE(SetShutdownPrivilege(0));
    ASSERT_FALSE(ShutdownPrivilegeEnabled());
    s.OperatingSystem = shWinNT;
    s.Options = shoLogoff;
    s.Execute();
    EXPECT_TRUE(log.Messages.empty()) << "every privilege step succeeds here";
    EXPECT_TRUE(ShutdownPrivilegeEnabled());
    EXPECT_EQ(log.ExitFlags, (std::vector<UINT>{0}));

    // The 9x path asks for nothing.
    ASSERT_TRUE(SetShutdownPrivilege(0));
    s.OperatingSystem = shWin9x;
    s.Execute();
    EXPECT_FALSE(ShutdownPrivilegeEnabled());
    EXPECT_EQ(log.ExitFlags, (std::vector<UINT>{0, 0}));
}

TEST(ShutH, SuspendRunsTheCommandLineHiddenAndNeverExits) {
    for (TShOs os : {shWinNT, shWin9x}) {
        TShutH s;
        TSessionLog log(s);
        s.OperatingSystem = os;
        s.Options = shoHibernate;
        s.AllowForce = true;
        s.Execute();
        EXPECT_TRUE(log.ExitFlags.empty());
        ASSERT_EQ(log.Commands.size(), 1u);
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        // From the system folder: not a "rundll32.exe" beside the program.
        EXPECT_EQ(log.Commands[0], L"\"" + std::wstring(system) + L"\\rundll32.exe\" powrprof.dll,SetSuspendState");
        EXPECT_EQ(log.Shows[0], SW_HIDE);
    }
}

// Runs last in this file: the privilege does not come back once removed.
TEST(ShutH, APrivilegeNotHeldIsReportedAndTheRequestStillGoes) {
    if (!SetShutdownPrivilege(SE_PRIVILEGE_REMOVED)) GTEST_SKIP() << "privileges cannot be removed here";
    TShutH s;
    TSessionLog log(s);
    s.OperatingSystem = shWinNT;
    s.Options = shoPoweroff;
    s.AllowForce = true;
    s.Execute();
    EXPECT_EQ(log.Messages, (std::vector<std::wstring>{L"AdjustTokenPrivileges failed"}));
    EXPECT_EQ(log.ExitFlags, (std::vector<UINT>{12}));
    // Nobody may be there to answer: the request first, then the box, in front.
    EXPECT_EQ(log.Order, (std::vector<std::string>{"exit", "box"}));
    ASSERT_EQ(log.BoxFlags.size(), 1u);
    EXPECT_EQ(log.BoxFlags[0] & (MB_SETFOREGROUND | MB_TOPMOST), static_cast<UINT>(MB_SETFOREGROUND | MB_TOPMOST));
}

TEST(OsInfo, ClassifiesEachPlatformAndVersion) {
    struct TCase {
        DWORD Platform, Major, Minor;
        const wchar_t* Answer;
    };
    const TCase cases[] = {
        {1, 4, 0, L"9X"},           {1, 4, 10, L"9X"},         {1, 4, 90, L"9X"},
        {1, 4, 20, L"I do not Know!"}, {1, 5, 0, L"I do not Know!"}, {2, 3, 51, L"NT"},
        {2, 4, 0, L"NT"},           {2, 5, 0, L"NT"},          {2, 5, 1, L"NT"},
        {2, 5, 2, L"NT"},           {2, 6, 1, L"NT"},          {2, 6, 2, L"NT"},
        {2, 10, 0, L"NT"},          {0, 3, 11, L"I do not Know!"}, {3, 10, 0, L"I do not Know!"},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(ClassifyWindows({c.Platform, c.Major, c.Minor}), c.Answer)
            << "platform " << c.Platform << " version " << c.Major << "." << c.Minor;
    }
}

TEST(OsInfo, ReadsTheRealVersionOfThisSystem) {
    TOsVersion v;
    ASSERT_TRUE(ReadOsVersion(v));
    EXPECT_EQ(v.PlatformId, static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(v.Major, 6u);
    TOsInfo info;
    EXPECT_EQ(info.GetWinVer(), L"NT");
    EXPECT_EQ(info.OsVersion(), L"NT");
}
