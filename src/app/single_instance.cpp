#include "app/single_instance.h"

#include "app/form1.h"

namespace {

// Set on the application window when the copy is ready to show its window.
const wchar_t kReadyProperty[] = L"Merrowind.Plovik.Ready";
const wchar_t kAppWindowClass[] = L"PlovikApplication";

HWND FindReadyCopy() {
    for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, kAppWindowClass, nullptr)) != nullptr;) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid != GetCurrentProcessId() && GetPropW(w, kReadyProperty)) return w;
    }
    return nullptr;
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

TSingleInstance::TSingleInstance() {
    FMutex = CreateMutexW(nullptr, FALSE, MutexName().c_str());
    // Without the name (the system refused it) nothing can be told apart:
    // the program starts as it always did.
    FFirst = FMutex == nullptr || GetLastError() != ERROR_ALREADY_EXISTS;
}

TSingleInstance::~TSingleInstance() {
    StopServing();
    if (FMutex) CloseHandle(FMutex);
}

void TSingleInstance::StopServing() {
    if (HWND app = FHook.Window()) RemovePropW(app, kReadyProperty);
    FHook.Unhook();
}

void TSingleInstance::Serve(TForm1& Form) {
    HWND app = Application().Handle();
    FHook.Hook(app, [&Form](TMessage& m) {
        if (m.Msg != ShowSettingsMessage() || Form.Closed() || !Form.TrayIcon) return;
        Form.TrayIcon->ShowMainForm();
        SetForegroundWindow(Form.Handle());
    });
    SetPropW(app, kReadyProperty, reinterpret_cast<HANDLE>(1));
}

bool TSingleInstance::ShowRunningCopy(DWORD timeoutMs) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (HWND running = FindReadyCopy()) {
            DWORD pid = 0;
            GetWindowThreadProcessId(running, &pid);
            // The user just started us, so we may hand the foreground on.
            AllowSetForegroundWindow(pid);
            return PostMessageW(running, ShowSettingsMessage(), 0, 0) != FALSE;
        }
        if (GetTickCount64() >= deadline) return false;
        // The running copy is still starting: its window or its readiness
        // is not there yet.
        Sleep(100);
    }
}
