// A busy desktop for the idle benchmark: another program that blinks a
// caret in an edit field, shows and hides a tooltip four times a second,
// and opens a menu for a moment every 0.7 s, as a user working beside the
// resident program would. It ends when its window is closed.
//
// Windows raises object events (shown, hidden, moved) for a caret as a
// program shows, hides and moves it; Wine does not, so this program raises
// them itself at each blink. Tooltip and menu windows are real, and bring
// whatever events the system gives them.
#include <windows.h>
#include <commctrl.h>

namespace {

constexpr UINT_PTR kBlinkTimer = 1, kTipTimer = 2, kMenuTimer = 3, kMenuEndTimer = 4;

struct TBusy {
    HWND Edit = nullptr, Tip = nullptr;
    HMENU Menu = nullptr;
    bool TipShown = false, CaretShown = true;
    TOOLINFOW Tool{};
} g;

void Blink() {
    g.CaretShown = !g.CaretShown;
    if (g.CaretShown) ShowCaret(g.Edit);
    else HideCaret(g.Edit);
    NotifyWinEvent(g.CaretShown ? EVENT_OBJECT_SHOW : EVENT_OBJECT_HIDE, g.Edit, OBJID_CARET, CHILDID_SELF);
    NotifyWinEvent(EVENT_OBJECT_LOCATIONCHANGE, g.Edit, OBJID_CARET, CHILDID_SELF);
}

void ToggleTip() {
    g.TipShown = !g.TipShown;
    if (g.TipShown) SendMessageW(g.Tip, TTM_TRACKPOSITION, 0, MAKELPARAM(120, 120));
    SendMessageW(g.Tip, TTM_TRACKACTIVATE, g.TipShown, reinterpret_cast<LPARAM>(&g.Tool));
}

void OpenMenu(HWND wnd) {
    // The menu's own loop runs the timers meanwhile; this one ends it.
    SetTimer(wnd, kMenuEndTimer, 150, nullptr);
    TrackPopupMenu(g.Menu, TPM_LEFTALIGN | TPM_TOPALIGN, 60, 60, 0, wnd, nullptr);
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_TIMER:
            switch (wp) {
                case kBlinkTimer: Blink(); break;
                case kTipTimer: ToggleTip(); break;
                case kMenuTimer: OpenMenu(wnd); break;
                case kMenuEndTimer:
                    KillTimer(wnd, kMenuEndTimer);
                    EndMenu();
                    break;
            }
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(wnd, msg, wp, lp);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"PlovikBenchBusyDesktop";
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, wc.lpszClassName, L"Busy desktop", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 500, 40, 300,
                               160, nullptr, nullptr, inst, nullptr);
    if (!wnd) return 1;
    g.Edit = CreateWindowExW(0, L"EDIT", L"typing here", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 260, 24, wnd,
                             nullptr, inst, nullptr);
    SetFocus(g.Edit);
    g.Tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP, 0, 0, 0,
                            0, wnd, nullptr, inst, nullptr);
    g.Tool.cbSize = sizeof(g.Tool);
    g.Tool.uFlags = TTF_TRACK | TTF_ABSOLUTE;
    g.Tool.hwnd = wnd;
    g.Tool.lpszText = const_cast<wchar_t*>(L"A tooltip");
    SendMessageW(g.Tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&g.Tool));
    g.Menu = CreatePopupMenu();
    AppendMenuW(g.Menu, MF_STRING, 1, L"Open");
    AppendMenuW(g.Menu, MF_STRING, 2, L"Save");
    SetTimer(wnd, kBlinkTimer, GetCaretBlinkTime(), nullptr);
    SetTimer(wnd, kTipTimer, 250, nullptr);
    SetTimer(wnd, kMenuTimer, 700, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    DestroyMenu(g.Menu);
    return 0;
}
