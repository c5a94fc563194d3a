// One running copy per user session: a later start brings the running
// copy's settings window to the front and ends, touching nothing else.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "desktop/window_hook.h"

class TSingleInstance {
public:
    // Takes the session's name for the program; First() tells who got it.
    TSingleInstance();
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    bool First() const noexcept { return FFirst; }
    // In the running copy, as soon as its application window exists: a later
    // start is answered once the settings window and the tray icon are made,
    // also while start-up still waits in a dialog.
    void Serve();
    // Before the form goes: later starts then wait for nobody.
    void StopServing();
    // In a later start: asks the running copy to show its settings window,
    // asking again up to timeoutMs while that copy is still starting. A copy
    // that is ending leaves the name to this start once it has gone: false,
    // and First() is then true.
    bool ShowRunningCopy(DWORD timeoutMs);
    // In a later start with a command: hands it to the running copy, which
    // answers at once with an exit code and then carries it out. No answer
    // within timeoutMs: cmdNoAnswer, or, once the running copy has gone,
    // cmdStartFailed with First() true (this start takes its place).
    int SendCommand(const std::wstring& command, DWORD timeoutMs);

    static std::wstring MutexName();
    static UINT ShowSettingsMessage();

private:
    bool TakeName();
    // Asks every other copy's application window until one answers yes.
    int AskRunningCopy(DWORD timeoutMs, const std::function<int(HWND)>& ask);

    HANDLE FMutex = nullptr;
    bool FFirst = false;
    TWindowHook FHook;
};
