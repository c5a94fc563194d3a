// A second program that really holds global hot keys, so that the tests can
// make a conflict the way another program on the desktop would.
//
//   key_holder.exe --log <file> <word> [<word> ...]
//
// Each word (decimal or 0x hex, Plovik's hot-key word) is registered for the
// holder's own window; the log gets "HELD <word>" or "REFUSED <word> <error>"
// for each, then "READY". Messages to the window (class "PlovikKeyHolder"):
//   WM_APP+1 wParam=word  lets go of that key    -> "RELEASED <word>"
//   WM_APP+2 wParam=word  takes it (again)       -> "HELD"/"REFUSED"
//   WM_CLOSE              ends the program
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring GLog;

void Log(const std::string& line) {
    HANDLE f = CreateFileW(GLog.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

void Hold(HWND wnd, unsigned word) {
    UINT mods = 0;
    if (word & 0x8000) mods |= MOD_ALT;
    if (word & 0x4000) mods |= MOD_CONTROL;
    if (word & 0x2000) mods |= MOD_SHIFT;
    if (word & 0x1000) mods |= MOD_WIN;
    // The word itself is the identifier: one per key, below the atom range.
    if (RegisterHotKey(wnd, static_cast<int>(word & 0xBFFF), mods, word & 0xFF))
        Log("HELD " + std::to_string(word));
    else
        Log("REFUSED " + std::to_string(word) + " " + std::to_string(GetLastError()));
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_APP + 1:
            UnregisterHotKey(wnd, static_cast<int>(wp & 0xBFFF));
            Log("RELEASED " + std::to_string(wp));
            return 0;
        case WM_APP + 2:
            Hold(wnd, static_cast<unsigned>(wp));
            return 0;
        case WM_HOTKEY:
            Log("PRESSED " + std::to_string(wp));
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<unsigned> words;
    for (int i = 1; i < argc; ++i) {
        if (std::wcscmp(argv[i], L"--log") == 0 && i + 1 < argc)
            GLog = argv[++i];
        else
            words.push_back(static_cast<unsigned>(std::wcstoul(argv[i], nullptr, 0)));
    }
    LocalFree(argv);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"PlovikKeyHolder";
    RegisterClassW(&wc);
    HWND wnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Plovik key holder", WS_POPUP, 0, 0, 0, 0,
                               nullptr, nullptr, inst, nullptr);
    for (unsigned w : words) Hold(wnd, w);
    Log("READY");
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    return 0;
}
