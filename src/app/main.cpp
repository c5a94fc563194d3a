// Plovik: hot keys for Winamp. Starts hidden, with only its tray icon.
#include <windows.h>

#include <memory>

#include "app/form1.h"
#include "app/settings_registry.h"
#include "desktop/application.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SettingsRegistry();  // the one registry accessor, for the whole run
    Application().SetTitle(kApplicationTitle);
    Application().Handle();
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>();
    } catch (...) {
        Application().HandleException();
        return 1;
    }
    return Application().Run();
}
