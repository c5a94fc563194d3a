#include "player/player_window.h"

#include <memory>

HWND FindPlayerWindow(const wchar_t* className) { return FindWindowW(className, nullptr); }

namespace {
// Only the user-interface thread talks to the player.
thread_local TPlayerRound::TState GRound;
}  // namespace

TPlayerRound::TPlayerRound(TKind Kind) : FOwnsState(Kind == Own || !GRound.Active), FOuter(GRound) {
    if (FOwnsState) GRound = TState{true, false, false};
}

TPlayerRound::~TPlayerRound() {
    if (FOwnsState) GRound = FOuter;
}

bool TPlayerRound::GaveUp() const noexcept { return GRound.GaveUp; }
bool TPlayerRound::MissedPlayer() const noexcept { return GRound.MissedPlayer; }

std::optional<LRESULT> PlayerAsk(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    // Outside any round nobody reads the record, and nothing is held back.
    if (!wnd) {
        GRound.MissedPlayer = GRound.Active;
        return std::nullopt;
    }
    if (GRound.GaveUp) return std::nullopt;
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(wnd, msg, wp, lp, SMTO_NORMAL | SMTO_ABORTIFHUNG, kPlayerTimeoutMs, &result)) {
        GRound.GaveUp = GRound.Active;
        return std::nullopt;
    }
    return static_cast<LRESULT>(result);
}

namespace {
void CALLBACK Answered(HWND, UINT, ULONG_PTR data, LRESULT result) {
    std::unique_ptr<std::function<void(LRESULT)>> answer(reinterpret_cast<std::function<void(LRESULT)>*>(data));
    if (*answer) (*answer)(result);
}
}  // namespace

// The answer is kept until the player gives it: a player that never does
// keeps one small object, which nothing else waits on.
bool PlayerAskLater(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, std::function<void(LRESULT)> answer) {
    if (!wnd) return false;
    auto kept = std::make_unique<std::function<void(LRESULT)>>(std::move(answer));
    if (!SendMessageCallbackW(wnd, msg, wp, lp, &Answered, reinterpret_cast<ULONG_PTR>(kept.get()))) return false;
    kept.release();
    return true;
}

LRESULT PlayerSend(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) { return PlayerAsk(wnd, msg, wp, lp).value_or(0); }

LRESULT PlayerSendCopyData(HWND wnd, ULONG_PTR code, const std::string& text) {
    COPYDATASTRUCT cds{};
    cds.dwData = code;
    cds.cbData = static_cast<DWORD>(text.size() + 1);
    cds.lpData = const_cast<char*>(text.c_str());
    return PlayerSend(wnd, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds));
}

std::string WideToAnsi(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

std::wstring AnsiToWide(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

bool StartPlayerProgram(const std::wstring& path, WORD show, DWORD waitIdleMs) {
    if (path.empty()) return false;
    std::wstring cmd = L"\"" + path + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = show;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(path.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (waitIdleMs) WaitForInputIdle(pi.hProcess, waitIdleMs);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return true;
}
