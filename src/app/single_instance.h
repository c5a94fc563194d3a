// One running copy per user session: a later start brings the running
// copy's settings window to the front and ends, touching nothing else.
#pragma once

#include <windows.h>

#include <string>

#include "desktop/window_hook.h"

class TForm1;

class TSingleInstance {
public:
    // Takes the session's name for the program; First() tells who got it.
    TSingleInstance();
    ~TSingleInstance();
    TSingleInstance(const TSingleInstance&) = delete;
    TSingleInstance& operator=(const TSingleInstance&) = delete;

    bool First() const noexcept { return FFirst; }
    // In the running copy, once its window is made: from now on a later
    // start finds it and shows its settings window.
    void Serve(TForm1& Form);
    // Before the form goes: later starts then wait for nobody.
    void StopServing();
    // In a later start: asks the running copy to show its settings window,
    // waiting up to timeoutMs while that copy is still starting.
    static bool ShowRunningCopy(DWORD timeoutMs);

    static std::wstring MutexName();
    static UINT ShowSettingsMessage();

private:
    HANDLE FMutex = nullptr;
    bool FFirst = false;
    TWindowHook FHook;
};
