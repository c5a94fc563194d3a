// Reads what a scenario cannot see in a screenshot: the shown controls of a
// program's window and the tooltips it shows, one line each on the output,
// tab-separated, in UTF-8:
//   child <class> <left> <top> <right> <bottom> <text>   (screen pixels)
//   tip <text>
// A hot-key field's text is the word it holds (HKM_GETHOTKEY) in hex.
// Usage: window_probe <title of the top-level window>
#include <windows.h>

#include <commctrl.h>

#include <string>

namespace {

std::wstring TextOf(HWND wnd) {
    wchar_t cls[64] = {};
    GetClassNameW(wnd, cls, 64);
    if (lstrcmpiW(cls, HOTKEY_CLASSW) == 0) {
        wchar_t hex[16];
        wsprintfW(hex, L"0x%04X", static_cast<unsigned>(SendMessageW(wnd, HKM_GETHOTKEY, 0, 0) & 0xFFFF));
        return hex;
    }
    wchar_t text[512] = {};
    // Answered by the window's own thread: text it keeps, not a caption the
    // desktop was told of.
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(wnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, &ignored);
    return text;
}

void Print(const std::wstring& line) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.c_str(), -1, bytes.data(), size, nullptr, nullptr);
    bytes.back() = '\n';
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

BOOL CALLBACK PrintChild(HWND wnd, LPARAM) {
    if (!IsWindowVisible(wnd)) return TRUE;
    wchar_t cls[64] = {};
    GetClassNameW(wnd, cls, 64);
    RECT r{};
    GetWindowRect(wnd, &r);
    Print(std::wstring(L"child\t") + cls + L"\t" + std::to_wstring(r.left) + L"\t" + std::to_wstring(r.top) + L"\t" +
          std::to_wstring(r.right) + L"\t" + std::to_wstring(r.bottom) + L"\t" + TextOf(wnd));
    return TRUE;
}

BOOL CALLBACK PrintTip(HWND wnd, LPARAM pid) {
    DWORD owner = 0;
    GetWindowThreadProcessId(wnd, &owner);
    wchar_t cls[64] = {};
    GetClassNameW(wnd, cls, 64);
    if (owner == static_cast<DWORD>(pid) && IsWindowVisible(wnd) && lstrcmpiW(cls, TOOLTIPS_CLASSW) == 0)
        Print(L"tip\t" + TextOf(wnd));
    return TRUE;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HWND top = FindWindowW(nullptr, argv[1]);
    if (!top) return 1;
    EnumChildWindows(top, &PrintChild, 0);
    DWORD pid = 0;
    GetWindowThreadProcessId(top, &pid);
    EnumWindows(&PrintTip, static_cast<LPARAM>(pid));
    return 0;
}
