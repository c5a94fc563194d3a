#include "support/peer_player.h"

#include <sstream>

namespace {
const wchar_t kPlayerClass[] = L"Winamp v1.x";

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.push_back(line);
    }
    return out;
}
}  // namespace

std::wstring TestBinDir() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    return p.substr(0, p.find_last_of(L'\\'));
}

std::wstring MakeTempDir(const std::wstring& tag) {
    static int counter = 0;
    wchar_t tmp[MAX_PATH];
    GetTempPathW(MAX_PATH, tmp);
    std::wstring dir = std::wstring(tmp) + L"plovik-" + tag + L"-" + std::to_wstring(GetCurrentProcessId()) +
                       L"-" + std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(++counter);
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD w = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &w, nullptr);
    CloseHandle(f);
}

std::string ReadFileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    CloseHandle(f);
    return out;
}

bool WaitFor(const std::function<bool()>& cond, DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (cond()) return true;
        if (GetTickCount64() > deadline) return false;
        // A bounded batch: timer ticks that each wait for a hung player are
        // always due again, and would never let the condition be looked at.
        const ULONGLONG batch = GetTickCount64();
        MSG msg;
        bool handled = false;
        while (GetTickCount64() - batch < 50 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
            handled = true;
        }
        if (!handled) Sleep(5);
    }
}

std::wstring PeerExe(bool use32) {
    return TestBinDir() + (use32 ? L"\\winamp_peer32.exe" : L"\\winamp_peer64.exe");
}

TPeerPlayer::TPeerPlayer(bool use32, std::vector<std::wstring> args) {
    // A player left over from an earlier test would take our messages.
    WaitFor([] { return FindWindowW(kPlayerClass, nullptr) == nullptr; }, 5000);
    FLogPath = MakeTempDir(L"peer") + L"\\player.log";
    std::wstring cmd = L"\"" + PeerExe(use32) + L"\" --log \"" + FLogPath + L"\"";
    for (const auto& a : args) cmd += L" \"" + a + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FPi)) return;
    WaitFor(
        [&] {
            HWND w = FindWindowW(kPlayerClass, nullptr);
            DWORD pid = 0;
            if (w) GetWindowThreadProcessId(w, &pid);
            if (w && pid == FPi.dwProcessId) FWindow = w;
            return FWindow != nullptr && WaitForLine("READY", 0);
        },
        15000);
    Mark();
}

TPeerPlayer::~TPeerPlayer() { Stop(); }

void TPeerPlayer::Stop() {
    if (!FPi.hProcess) return;
    if (FWindow && IsWindow(FWindow)) PostMessageW(FWindow, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(FPi.hProcess, 5000) != WAIT_OBJECT_0) {
        TerminateProcess(FPi.hProcess, 1);
        WaitForSingleObject(FPi.hProcess, 5000);
    }
    CloseHandle(FPi.hProcess);
    CloseHandle(FPi.hThread);
    FPi = {};
    FWindow = nullptr;
}

std::vector<std::string> TPeerPlayer::AllLines() const { return SplitLines(ReadFileBytes(FLogPath)); }

std::vector<std::string> TPeerPlayer::Lines() const {
    auto all = AllLines();
    if (FMark >= all.size()) return {};
    return {all.begin() + static_cast<std::ptrdiff_t>(FMark), all.end()};
}

void TPeerPlayer::Mark() { FMark = AllLines().size(); }

bool TPeerPlayer::WaitForLineAfter(const std::string& line, size_t from, DWORD timeoutMs) const {
    return WaitFor(
        [&] {
            const auto all = AllLines();
            for (size_t i = from; i < all.size(); ++i)
                if (all[i] == line) return true;
            return false;
        },
        timeoutMs);
}

bool TPeerPlayer::WaitForLine(const std::string& line, DWORD timeoutMs) const {
    return WaitForLineAfter(line, FMark, timeoutMs);
}

bool TPeerPlayer::Control(UINT msg, WPARAM wp, const std::string& line) {
    if (!FWindow) return false;
    // Only the answer to this message counts: the same line from an earlier
    // one would let the caller go on while this one still waits in the queue.
    const size_t before = AllLines().size();
    PostMessageW(FWindow, msg, wp, 0);
    return WaitForLineAfter(line, before, 5000);
}

bool TPeerPlayer::Stall(DWORD ms) { return Control(WM_APP + 1, ms, "STALL " + std::to_string(ms)); }
bool TPeerPlayer::ForceState(int state) {
    return Control(WM_APP + 2, static_cast<WPARAM>(state), "CONTROL 2 " + std::to_string(state));
}
bool TPeerPlayer::ForceEntry(int index) {
    return Control(WM_APP + 3, static_cast<WPARAM>(index), "CONTROL 3 " + std::to_string(index));
}
bool TPeerPlayer::ReverseList() { return Control(WM_APP + 4, 0, "CONTROL 4 0"); }
bool TPeerPlayer::AppendCopy(int index) {
    return Control(WM_APP + 5, static_cast<WPARAM>(index), "CONTROL 5 " + std::to_string(index));
}
bool TPeerPlayer::SetLength(int seconds) {
    return Control(WM_APP + 11, static_cast<WPARAM>(seconds), "CONTROL 11 " + std::to_string(seconds));
}

void TPeerPlayer::SlowAfter(int answered, DWORD ms) {
    if (FWindow) SendMessageW(FWindow, WM_APP + 6, static_cast<WPARAM>(answered), static_cast<LPARAM>(ms));
}

void TPeerPlayer::SetEntryNow(int index) {
    if (FWindow) SendMessageW(FWindow, WM_APP + 3, static_cast<WPARAM>(index), 0);
}

void TPeerPlayer::LeadCaption(int index, DWORD ms) {
    if (FWindow) SendMessageW(FWindow, WM_APP + 9, static_cast<WPARAM>(index), static_cast<LPARAM>(ms));
}

void TPeerPlayer::ScrollCaption(DWORD ms) {
    if (FWindow) SendMessageW(FWindow, WM_APP + 10, ms, 0);
}

size_t TPeerPlayer::Received() const {
    size_t n = 0;
    for (const auto& l : Lines())
        n += l.rfind("COMMAND ", 0) == 0 || l.rfind("USER ", 0) == 0 || l.rfind("COPYDATA ", 0) == 0;
    return n;
}
