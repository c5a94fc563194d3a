#include "support/key_holder.h"

#include "support/peer_player.h"

namespace {
bool Has(const std::string& log, const std::string& line) {
    return ("\n" + log).find("\n" + line + "\n") != std::string::npos;
}
}  // namespace

TKeyHolder::TKeyHolder(std::initializer_list<unsigned> words) {
    FLogPath = MakeTempDir(L"holder") + L"\\holder.log";
    std::wstring cmd = L"\"" + TestBinDir() + L"\\key_holder.exe\" --log \"" + FLogPath + L"\"";
    for (unsigned w : words) cmd += L" " + std::to_wstring(w);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &FPi)) return;
    if (!WaitFor([&] { return Has(Log(), "READY"); }, 20000)) return;
    WaitFor(
        [&] {
            for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"PlovikKeyHolder", nullptr)) != nullptr;) {
                DWORD pid = 0;
                GetWindowThreadProcessId(w, &pid);
                if (pid == FPi.dwProcessId) FWindow = w;
            }
            return FWindow != nullptr;
        },
        5000);
}

TKeyHolder::~TKeyHolder() {
    if (FWindow) PostMessageW(FWindow, WM_CLOSE, 0, 0);
    if (FPi.hProcess) {
        if (WaitForSingleObject(FPi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(FPi.hProcess, 1);
        CloseHandle(FPi.hProcess);
        CloseHandle(FPi.hThread);
    }
}

std::string TKeyHolder::Log() const { return ReadFileBytes(FLogPath); }

bool TKeyHolder::Holds(unsigned word) const {
    const std::string log = Log();
    const std::string held = "HELD " + std::to_string(word), released = "RELEASED " + std::to_string(word);
    const size_t h = ("\n" + log).rfind("\n" + held + "\n"), r = ("\n" + log).rfind("\n" + released + "\n");
    return h != std::string::npos && (r == std::string::npos || r < h);
}

bool TKeyHolder::Control(UINT msg, unsigned word, const std::string& line) {
    if (!FWindow) return false;
    const size_t before = Log().size();
    PostMessageW(FWindow, msg, word, 0);
    return WaitFor([&] { return Log().find(line, before) != std::string::npos; }, 10000);
}

bool TKeyHolder::Release(unsigned word) { return Control(WM_APP + 1, word, "RELEASED " + std::to_string(word)); }
bool TKeyHolder::Take(unsigned word) { return Control(WM_APP + 2, word, " " + std::to_string(word)); }
