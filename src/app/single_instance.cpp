#include "app/single_instance.h"

#include "app/command_line.h"

#include <iterator>

#include "app/form1.h"

namespace {

const wchar_t kAppWindowClass[] = L"PlovikApplication";
// The running copy's answer once it has shown its window.
constexpr LRESULT kShown = 0x504C564B;
// A copy that does not answer within this is asked again.
constexpr UINT kAnswerWaitMs = 1000;

// The running copy's form once start-up is over: earlier, the window would
// show settings not loaded yet (start-up may wait in a dialog), and the tray
// icon's start-up would hide it again.
TForm1* ReadyForm() {
    TForm1* form = TForm1::Running();
    return form && form->StartedUp() && !form->Closed() ? form : nullptr;
}

// The running copy's answer to a command carries this mark, so that no
// answer (zero) tells from exit code zero.
constexpr LRESULT kCommandAnswer = 0x504C0000;
constexpr ULONG_PTR kCommandData = 0x504C5643;  // 'PLVC'

// Answered before it runs: the later start ends while a question of the
// command may still wait for the user.
void ServeCommand(TMessage& m) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(m.LParam);
    if (!data || data->dwData != kCommandData || !data->lpData) return;
    TForm1* form = ReadyForm();
    if (!form) return;
    const std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
    const TCommand command = ParseCommandLine(text);
    const int code = form->CommandRefused(command);
    m.Result = kCommandAnswer | code;
    ReplyMessage(m.Result);
    if (code == cmdDone) form->RunCommand(command);
}

void AllowFromNormalStarts(HWND wnd, UINT message) { ChangeWindowMessageFilterEx(wnd, message, MSGFLT_ALLOW, nullptr); }

bool AskToShow(HWND running) {
    DWORD pid = 0;
    GetWindowThreadProcessId(running, &pid);
    // The user just started us, so we may hand the foreground on.
    AllowSetForegroundWindow(pid);
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(running, TSingleInstance::ShowSettingsMessage(), 0, 0, SMTO_ABORTIFHUNG,
                               kAnswerWaitMs, &answer) != 0 &&
           answer == static_cast<DWORD_PTR>(kShown);
}

}  // namespace

std::wstring TSingleInstance::MutexName() {
    // "Local\" is the session; the user's name keeps a second account that
    // runs in the same session (run as another user) apart.
    wchar_t user[257] = {};
    DWORD size = static_cast<DWORD>(std::size(user));
    if (!GetUserNameW(user, &size)) user[0] = L'\0';
    return std::wstring(L"Local\\Merrowind.Plovik.") + user;
}

UINT TSingleInstance::ShowSettingsMessage() {
    static const UINT message = RegisterWindowMessageW(L"Merrowind.Plovik.ShowSettings");
    return message;
}

TSingleInstance::TSingleInstance() { TakeName(); }

// The name lives while any copy holds it: a later start lets go of its own
// hold before asking again, so that a copy that has gone is seen to be gone.
bool TSingleInstance::TakeName() {
    if (FMutex) CloseHandle(FMutex);
    FMutex = CreateMutexW(nullptr, FALSE, MutexName().c_str());
    const DWORD error = GetLastError();
    if (FMutex)
        FFirst = error != ERROR_ALREADY_EXISTS;
    else
        // An elevated copy's name may not be opened by a normal start, which
        // tells that a copy runs all the same. Refused for any other reason,
        // nothing can be told apart: the program starts as it always did.
        FFirst = error != ERROR_ACCESS_DENIED;
    return FFirst;
}

TSingleInstance::~TSingleInstance() {
    StopServing();
    if (FMutex) CloseHandle(FMutex);
}

void TSingleInstance::StopServing() { FHook.Unhook(); }

void TSingleInstance::Serve() {
    // An elevated copy takes messages from a normal start only when it says so.
    for (UINT message : {ShowSettingsMessage(), EndRequestMessage(), static_cast<UINT>(WM_COPYDATA)})
        AllowFromNormalStarts(Application().Handle(), message);
    FHook.Hook(Application().Handle(), [](TMessage& m) {
        if (m.Msg == WM_COPYDATA) return ServeCommand(m);
        if (m.Msg != ShowSettingsMessage()) return;
        TForm1* form = ReadyForm();
        // Not ready yet: no answer, and the later start asks again.
        if (!form) return;
        // Answered first: the later start ends while the window comes up.
        ReplyMessage(kShown);
        form->OpenSettingsWindow();
        SetForegroundWindow(form->Handle());
    });
}

bool TSingleInstance::ShowRunningCopy(DWORD timeoutMs) {
    return AskRunningCopy(timeoutMs, [](HWND w) { return AskToShow(w) ? cmdDone : -1; }) == cmdDone;
}

int TSingleInstance::SendCommand(const std::wstring& command, DWORD timeoutMs) {
    const int code = AskRunningCopy(timeoutMs, [&](HWND w) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        AllowSetForegroundWindow(pid);
        COPYDATASTRUCT data{kCommandData, static_cast<DWORD>(command.size() * sizeof(wchar_t)),
                            const_cast<wchar_t*>(command.c_str())};
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(w, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kAnswerWaitMs,
                                 &answer) ||
            (answer & ~DWORD_PTR{0xFFFF}) != static_cast<DWORD_PTR>(kCommandAnswer))
            return -1;
        return static_cast<int>(answer & 0xFFFF);
    });
    if (code >= 0) return code;
    return First() ? cmdStartFailed : cmdNoAnswer;
}

// No answer: the running copy is still starting, or it is ending; once it
// has gone, this start is the one copy.
int TSingleInstance::AskRunningCopy(DWORD timeoutMs, const std::function<int(HWND)>& ask) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kAppWindowClass, nullptr)) != nullptr;) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId()) continue;
            const int code = ask(w);
            if (code >= 0) return code;
        }
        if (TakeName()) return -1;
        if (GetTickCount64() >= deadline) return -1;
        Sleep(200);
    }
}
