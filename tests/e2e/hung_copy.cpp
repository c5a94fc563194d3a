// A copy of Plovik that has stopped answering: it owns a window of the
// application window's class and never reads its messages. The setup
// program must give up on it with a message and change nothing.
#include <windows.h>

// Usage: hung_copy <file to make once the window is there>
int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR cmdLine, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &DefWindowProcW;
    wc.hInstance = inst;
    wc.lpszClassName = L"PlovikApplication";
    if (!RegisterClassExW(&wc)) return 1;
    HWND wnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"hung copy", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, inst, nullptr);
    if (!wnd) return 1;
    HANDLE ready = CreateFileW(cmdLine, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
    // Held until the test ends the prefix's processes.
    Sleep(INFINITE);
    return 0;
}
