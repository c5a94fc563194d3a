// Plovik: hot keys for Winamp. Starts hidden, with only its tray icon.
#include <windows.h>

#include <memory>

#include "app/form1.h"
#include "app/settings_registry.h"
#include "app/single_instance.h"
#include "desktop/application.h"

namespace {
// How long a second start waits for a first copy that is still starting.
constexpr DWORD kWaitForRunningCopyMs = 20000;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    // Before anything else: a second copy reads no settings, makes no
    // window and no tray icon, and registers no key.
    TSingleInstance instance;
    if (!instance.First()) {
        if (instance.ShowRunningCopy(kWaitForRunningCopyMs)) return 0;
        // A copy on its way out answers nobody: once it has gone, this start
        // runs in its place.
        if (!instance.First()) return 0;
    }
    SettingsRegistry();  // the one registry accessor, for the whole run
    Application().SetTitle(kApplicationTitle);
    Application().Handle();
    instance.Serve();
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>();
    } catch (...) {
        Application().HandleException();
        return 1;
    }
    const int code = Application().Run();
    instance.StopServing();
    return code;
}
