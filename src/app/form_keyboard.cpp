// The settings window's dialog keys.
#include "app/form1.h"
#include "app/form_window.h"

namespace {
UINT DialogCode(HWND wnd, MSG* msg = nullptr) {
    return wnd ? static_cast<UINT>(SendMessageW(wnd, WM_GETDLGCODE, msg ? msg->wParam : 0,
                                                reinterpret_cast<LPARAM>(msg)))
               : 0;
}
}  // namespace

bool TForm1::PreTranslateMessage(MSG& Msg) {
    if (Msg.message != WM_KEYDOWN || !FHandle) return false;
    if (Msg.hwnd != FHandle && !IsChild(FHandle, Msg.hwnd)) return false;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
    HWND focus = GetFocus();
    switch (Msg.wParam) {
        case VK_TAB: {
            if (ctrl) {
                const int current = static_cast<int>(SendMessageW(PageControl, TCM_GETCURSEL, 0, 0));
                const int next = (current + (shift ? 4 : 1)) % 5;
                ShowPage(next);
                // A focus left on the hidden tab would take the typing there.
                if (focus && !IsWindowVisible(focus))
                    if (HWND first = GetNextDlgTabItem(Pages[next], nullptr, FALSE)) SetFocus(first);
                return true;
            }
            if (DialogCode(focus, &Msg) & (DLGC_WANTTAB | DLGC_WANTALLKEYS)) return false;
            MoveFocus(shift);
            return true;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            return MoveAmongRadios(focus, Msg.wParam == VK_LEFT || Msg.wParam == VK_UP);
        case VK_RETURN:
            if (!(DialogCode(focus, &Msg) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON))) return false;
            SendMessageW(focus, BM_CLICK, 0, 0);
            return true;
        default:
            return false;
    }
}

// Within the shown tab, the window's own controls and its buttons; hidden
// tabs and disabled controls are passed over.
void TForm1::MoveFocus(bool back) {
    HWND focus = GetFocus();
    HWND next = GetNextDlgTabItem(FHandle, focus && IsChild(FHandle, focus) ? focus : nullptr, back);
    if (!next) return;
    SetFocus(next);
    if (DialogCode(next) & DLGC_HASSETSEL) SendMessageW(next, EM_SETSEL, 0, -1);
}

// The alarm's actions in their on-screen order, round; moving selects.
bool TForm1::MoveAmongRadios(HWND focus, bool back) {
    int at = 0;
    for (int n = 1; n <= 5; ++n)
        if (RadioButton[n] == focus) at = n;
    if (at == 0) return false;
    for (int step = 1; step < 5; ++step) {
        const int n = (at - 1 + (back ? 5 - step : step)) % 5 + 1;
        if (!IsWindowEnabled(RadioButton[n])) continue;
        SetFocus(RadioButton[n]);
        SetRadio(n, true);
        break;
    }
    return true;
}

void TForm1::Activate(WPARAM state) {
    if (LOWORD(state) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(FHandle, focus)) FFocus = focus;
        return;
    }
    if (!HIWORD(state)) RestoreFocus();  // not while minimised
}

// The window itself takes no typing: the focus goes back to the control
// that had it, or to the first control of the shown tab.
void TForm1::RestoreFocus() {
    if (FFocus && IsWindow(FFocus) && IsChild(FHandle, FFocus) && IsWindowVisible(FFocus) &&
        IsWindowEnabled(FFocus)) {
        SetFocus(FFocus);
        return;
    }
    if (HWND first = GetNextDlgTabItem(FHandle, nullptr, FALSE)) SetFocus(first);
}

