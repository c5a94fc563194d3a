// Two starts: the real Plovik.exe started while this test process holds the
// session's name behaves as a second copy.
#include "app_fixture.h"

#include "app/single_instance.h"

#include <sddl.h>

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

// Every value of a key with its type and data, and when the key was last
// written (a write of the same value may leave that alone: the flag stored
// as 7 below is what shows a rewrite).
std::wstring KeySnapshot(const wchar_t* path) {
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return L"absent";
    FILETIME written{};
    RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                     &written);
    std::wstring text = std::to_wstring(written.dwHighDateTime) + L"." + std::to_wstring(written.dwLowDateTime);
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLen = 256, type = 0, size = 0;
        BYTE data[2048];
        size = sizeof(data);
        if (RegEnumValueW(key, i, name, &nameLen, nullptr, &type, data, &size) != ERROR_SUCCESS) break;
        text += L"|" + std::wstring(name) + L":" + std::to_wstring(type) + L":";
        for (DWORD b = 0; b < size; ++b) text += std::to_wstring(data[b]) + L",";
    }
    RegCloseKey(key);
    return text;
}

std::wstring Snapshot() { return KeySnapshot(kSettingsKey) + L"\n" + KeySnapshot(kRunKey); }

}  // namespace

TEST_F(AppTest, ASecondStartShowsTheRunningCopyAndEndsTouchingNothing) {
    TSingleInstance first;
    ASSERT_TRUE(first.First());
    EXPECT_FALSE(TSingleInstance().First()) << "the name is the session's, not the object's";
    // The running copy's settings, with its keys and the auto-start entry.
    WriteDword(L"Stop", 0xC000 | 'G');
    TForm1& f = Form();
    f.SetChecked(f.CheckBox[2], true);
    f.SaveSettings();
    // A flag stored as 7: a second start that loaded and saved would write 1.
    WriteDword(L"AutoHint", 7);
    first.Serve();
    const std::wstring before = Snapshot();
    ASSERT_FALSE(IsWindowVisible(f.Handle()));

    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    EXPECT_TRUE(WaitFor([&] { return second.Ended(); }, 30000));
    EXPECT_EQ(second.ExitCode(), 0u);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }, 5000))
        << "the running copy's settings window came to the front";
    EXPECT_EQ(Snapshot(), before) << "the second start wrote no settings";
    first.StopServing();
}

TEST_F(AppTest, ASecondStartWaitsForAFirstCopyThatIsStillStarting) {
    TSingleInstance first;
    ASSERT_TRUE(first.First());
    first.Serve();
    // Stored, and not yet taken by the first copy, which is still starting.
    const TShortCut key = 0xC000 | 'G';
    WriteDword(L"Stop", key);
    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    // The first copy has no settings window yet: the second waits for it,
    // with no window (so no tray icon) of its own, and takes no key.
    EXPECT_FALSE(WaitFor([&] { return second.Ended() || !HotKeyAvailable(key); }, 1500));
    EXPECT_EQ(WindowsOf(second.Pi.dwProcessId), 0);
    TForm1& f = Form();
    EXPECT_EQ(f.KeyStatus[8].State, TForm1::TKeyState::InForce) << "the stored key is the first copy's";
    EXPECT_TRUE(WaitFor([&] { return second.Ended(); }, 30000));
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }, 5000));
    first.StopServing();
}

// The running copy had stopped answering on its way out: the later start
// waits for it to go, then runs as the one copy.
TEST_F(AppTest, AStartWhileTheRunningCopyEndsRunsOnceItHasGone) {
    auto first = std::make_unique<TSingleInstance>();
    ASSERT_TRUE(first->First());
    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    EXPECT_FALSE(WaitFor([&] { return second.Ended(); }, 1500));
    first.reset();
    EXPECT_TRUE(WaitFor([&] { return WindowsOf(second.Pi.dwProcessId) > 0; }, 10000));
    EXPECT_FALSE(second.Ended());
    EXPECT_TRUE(WaitFor([&] { return !TSingleInstance().First(); }, 5000)) << "it holds the name";
}

// An elevated copy's name is not ours to open (a normal start is refused
// it): that copy runs, and is asked to show itself like any other.
TEST_F(AppTest, ACopyWhoseNameIsRefusedToThisStartIsTheRunningCopy) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:", SDDL_REVISION_1, &sd, nullptr));
    SECURITY_ATTRIBUTES sa{sizeof(sa), sd, FALSE};
    HANDLE name = CreateMutexW(&sa, FALSE, TSingleInstance::MutexName().c_str());
    LocalFree(sd);
    ASSERT_NE(name, nullptr);
    TSingleInstance refused;
    EXPECT_FALSE(refused.First());
    TForm1& f = Form();
    refused.Serve();

    TChild second(PlovikExe());
    ASSERT_NE(second.Pi.hProcess, nullptr);
    EXPECT_TRUE(WaitFor([&] { return second.Ended(); }, 30000)) << "no second copy runs";
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(f.Handle()) != FALSE; }, 5000));
    refused.StopServing();
    CloseHandle(name);
}
