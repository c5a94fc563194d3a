// The yardstick for Plovik's start-up: the least a tray program can do, one
// hidden window and one tray icon, then its message loop.
#include <windows.h>
#include <shellapi.h>

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = inst;
    wc.lpszClassName = L"MinimalTrayApp";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(WS_EX_TOOLWINDOW, wc.lpszClassName, L"Minimal", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, inst, nullptr);
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = wnd;
    nid.uID = 1;
    nid.uFlags = NIF_ICON | NIF_TIP | NIF_MESSAGE;
    nid.uCallbackMessage = WM_APP;
    nid.hIcon = LoadIconW(nullptr, reinterpret_cast<LPCWSTR>(IDI_APPLICATION));
    lstrcpynW(nid.szTip, L"Minimal", 64);
    Shell_NotifyIconW(NIM_ADD, &nid);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    Shell_NotifyIconW(NIM_DELETE, &nid);
    return 0;
}
