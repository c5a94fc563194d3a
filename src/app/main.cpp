// Plovik: hot keys for Winamp. Starts hidden, with only its tray icon; with
// a command (/PlayNext, /Show, ...) it hands the command to the running
// copy, or starts as the running copy and carries it out.
#include <windows.h>

#include <memory>

#include "app/command_line.h"
#include "app/form1.h"
#include "app/settings_registry.h"
#include "app/single_instance.h"
#include "desktop/application.h"

namespace {
// How long a second start waits for a first copy that is still starting.
constexpr DWORD kWaitForRunningCopyMs = 20000;

// Started from a console (or with its output redirected), the program's
// answers go there; started from the desktop, only errors are shown, as
// its other messages are.
void Tell(const std::wstring& text, bool error) {
    HANDLE out = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    if ((!out || out == INVALID_HANDLE_VALUE) && AttachConsole(ATTACH_PARENT_PROCESS))
        out = CreateFileW(L"CONOUT$", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (out && out != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        const std::wstring line = text + L"\n";
        if (GetFileType(out) == FILE_TYPE_CHAR &&
            WriteConsoleW(out, line.c_str(), static_cast<DWORD>(line.size()), &written, nullptr))
            return;
        const std::string bytes = WideToUtf8(line);
        WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        return;
    }
    if (error) MessageBoxW(nullptr, text.c_str(), kApplicationTitle, MB_OK | MB_ICONERROR);
}

int Refuse(int code, const std::wstring& text) {
    Tell(text, true);
    return code;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int) {
    const TCommand command = ParseCommandLine(arguments ? arguments : L"");
    if (command.Kind == TCommand::Bad) return Refuse(cmdUnknown, Text(TTextId::CommandUnknown, command.Text));
    if (command.Kind == TCommand::Help) {
        Tell(CommandHelp(), false);
        return cmdDone;
    }
    // Before anything else: a second copy reads no settings, makes no
    // window and no tray icon, and registers no key.
    TSingleInstance instance;
    if (!instance.First()) {
        if (command.Kind != TCommand::None) {
            const int code = instance.SendCommand(command.Text, kWaitForRunningCopyMs);
            if (code == cmdNoAnswer) return Refuse(code, Text(TTextId::CommandNoAnswer));
            if (code == cmdBusy) return Refuse(code, Text(TTextId::CommandBusy));
            if (code != cmdStartFailed) return code;
        } else if (instance.ShowRunningCopy(kWaitForRunningCopyMs)) {
            return 0;
        }
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
        return cmdStartFailed;
    }
    // Started by a command: carried out once start-up is over, so that a
    // macro key works whether or not the program already ran.
    if (command.Kind != TCommand::None) Guarded([&] { form->RunCommand(command); });
    const int code = Application().Run();
    instance.StopServing();
    return code;
}
