// Two starts: the real Plovik.exe started while this test process holds the
// session's name behaves as a second copy.
#include "app_fixture.h"

#include "app/single_instance.h"

namespace {

struct TChild {
    PROCESS_INFORMATION Pi{};
    explicit TChild(const std::wstring& exe) {
        std::wstring cmd = L"\"" + exe + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof(si);
        CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &Pi);
    }
    ~TChild() {
        if (!Pi.hProcess) return;
        if (WaitForSingleObject(Pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(Pi.hProcess, 1);
        CloseHandle(Pi.hProcess);
        CloseHandle(Pi.hThread);
    }
    bool Ended() const { return WaitForSingleObject(Pi.hProcess, 0) == WAIT_OBJECT_0; }
    DWORD ExitCode() const {
        DWORD code = 0xFFFF;
        GetExitCodeProcess(Pi.hProcess, &code);
        return code;
    }
};

std::wstring PlovikExe() { return TestBinDir() + L"\\Plovik.exe"; }

// Top-level windows of a process, hidden ones included (the application
// window and the tray's handler window are hidden).
int WindowsOf(DWORD pid) {
    int n = 0;
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, nullptr, nullptr)) != nullptr;) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) ++n;
    }
    return n;
}

}  // namespace

TEST_F(AppTest, ASecondStartShowsTheRunningCopyAndEndsTouchingNothing) {
    TSingleInstance first;
    ASSERT_TRUE(first.First());
    EXPECT_FALSE(TSingleInstance().First()) << "the name is the session's, not the object's";
    TForm1& f = Form();
    const TShortCut key = 0xC000 | 'G';
    SetHotKeyWord(f.HotKey[10], key);
    f.ApplyHotKeys();
    first.Serve();
    // The settings as the running copy left them: the second start must
    // neither create nor write them.
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Merrowind");
    ASSERT_FALSE(IsWindowVisible(f.Handle()));

    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    EXPECT_TRUE(WaitFor([&] { return second.Ended(); }, 30000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }, 5000))
        << "the running copy's settings window came to the front";
    EXPECT_EQ(ValueCount(), 0xFFFFFFFFu) << "the second start created no settings";
    EXPECT_EQ(f.KeyStatus[10].State, TForm1::TKeyState::InForce);
    EXPECT_FALSE(HotKeyAvailable(key));
    first.StopServing();
}

TEST_F(AppTest, ASecondStartWaitsForAFirstCopyThatIsStillStarting) {
    TSingleInstance first;
    ASSERT_TRUE(first.First());
    first.Serve();
    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    // The first copy has no settings window yet: the second waits for it,
    // with no window (so no tray icon) of its own.
    EXPECT_FALSE(WaitFor([&] { return second.Ended(); }, 1500));
    EXPECT_EQ(WindowsOf(second.Pi.dwProcessId), 0);
    TForm1& f = Form();
    EXPECT_TRUE(WaitFor([&] { return second.Ended(); }, 30000));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }, 5000));
    first.StopServing();
}
