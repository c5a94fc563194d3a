// One running copy per user session: a later start brings the running
// copy's settings window to the front and ends, touching nothing else.
#pragma once

#include <windows.h>

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

    static std::wstring MutexName();
    static UINT ShowSettingsMessage();

private:
    bool TakeName();

    HANDLE FMutex = nullptr;
    bool FFirst = false;
    TWindowHook FHook;
};
