// The program object's life and the settings window's messages.
#include "app/form1.h"

#include <commctrl.h>

#include "app/form_window.h"
#include "app/version.h"
#include "player/player_window.h"
#include "player/winamp_api.h"

using namespace form_window;

const wchar_t kApplicationTitle[] = L"(Merrowind) Plovik v" PLOVIK_VERSION_WIDE;
const wchar_t kProgramName[] = L"Plovik v" PLOVIK_VERSION_WIDE;
const wchar_t kTrayHint[] = L"Merrowind Plovik v" PLOVIK_VERSION_WIDE;
const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

namespace {
TForm1* GRunning = nullptr;
}

TForm1* TForm1::Running() noexcept { return GRunning; }

// The window is not made here: most starts never show it, and it is made
// the first time it is opened.
TForm1::TForm1(std::unique_ptr<TSettingsStore> store) : Store(store ? std::move(store) : MakeSettingsStore()) {
    GRunning = this;
    if (auto* file = dynamic_cast<TIniFileStore*>(Store.get()))
        file->OnWriteFailed = [](const std::wstring& text) {
            Application().MessageBox(text, Application().Title(), MB_OK | MB_ICONWARNING);
        };
    // Every window starts in the program's own language; the settings may
    // choose another once they are loaded.
    SetCurrentLanguage(kLanguages[0].Language);
    using THandler = void (TForm1::*)(TShortCut, WORD);
#define PLOVIK_HANDLER_ADDRESS(N) &TForm1::HotKeyManager##N##HotKeyPressed,
    static const THandler kHandlers[kActionCount] = {PLOVIK_FOR_EACH_ACTION(PLOVIK_HANDLER_ADDRESS)};
#undef PLOVIK_HANDLER_ADDRESS
    for (int n = 1; n <= kActionCount; ++n) {
        const THandler h = kHandlers[n - 1];
        HotKeyManager[n].NoRepeat = !RepeatsWhileHeld(n);
        HotKeyManager[n].OnHotKeyPressed = [this, h, n](TShortCut hk, WORD idx) {
            if (RepeatsWhileHeld(n) || KeyRepeatGuard.FirstOfPress(n, hk)) (this->*h)(hk, idx);
        };
    }
    // A taken key's press comes from the hook, repeats and all: toggles act
    // once per press there too.
    KeyTaker.OnPressed = [this](int n, bool repeat) {
        if (!repeat || RepeatsWhileHeld(n)) HotKeyPressed(n);
    };
    AboutBoxFn = [](HWND owner, const std::wstring& app, const std::wstring& other, HICON icon) {
        ShellAboutW(owner, app.c_str(), other.c_str(), icon);
    };
    // The power control's designed state; the alarm sets its own values.
    ShutH1.OperatingSystem = shWinNT;
    ShutH1.Options = shoReboot;
    ShutH1.AllowForce = true;
    wCtrl.OnTrackChange = [this](TWinAmpCtr&) { wCtrlTrackChange(); };
    NowPlaying.OnFailure = [this](const std::wstring& path) {
        FNowPlayingFailed = path;
        FNowPlayingNotice.PostTick();
    };
    FNowPlayingNotice.OnTimer = [this] {
        Application().MessageBox(Text(TTextId::NowPlayingNotWritten, FNowPlayingFailed), Application().Title(),
                                 MB_OK | MB_ICONWARNING);
    };
    // A player that went away takes its song with it, whichever entry it was on.
    wCtrl.OnListChange = [this](TWinAmpCtr&) {
        if (!FindPlayerWindow(wa::kWindowClass)) ClearNowPlaying();
    };
    Application().OnEndRequest = [this] { EndSession(); };
    Application().OnCloseRequest = [this] { Close(); };
    CreateTray();
    CreateFolderDialog();
    Timer1.OnTimer = [this] { Timer1Timer(); };
    Timer1.SetInterval(100);
    UpdateClockTimer();  // the window starts hidden
    AlarmTimer.OnTimer = [this] { AlarmTimerTimer(); };
    Timer2.OnTimer = [this] { Timer2Timer(); };
    Timer2.SetInterval(2000);
    CreateHotKeyMarks();
    Application().OnPreTranslate = [this](MSG& m) { return PreTranslateMessage(m); };
    FormCreate();
    FStartedUp = true;
}

TForm1::~TForm1() {
    FDestroying = true;
    Application().OnPreTranslate = nullptr;
    // Last created, first destroyed: the tray icon leaves the tray, then the
    // window goes with its controls.
    BrowsFldr.reset();
    TrayIcon.reset();
    HTime1.reset();
    XPGroupBox2.reset();
    XPGroupBox4.reset();
    XPGroupBox1.reset();
    Application().SetMainForm(nullptr);
    Application().OnEndRequest = nullptr;
    Application().OnCloseRequest = nullptr;
    if (GRunning == this) GRunning = nullptr;
    if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
    if (FFont) DeleteObject(FFont);
    if (FPanelBrush) DeleteObject(FPanelBrush);
}


void TForm1::EnsureWindow() {
    if (FHandle) return;
    CreateWindowAndControls();
    Application().SetMainForm(FHandle);
    TrayIcon->SetOwner(FHandle);
    ShowSettings();
    if (HotKeysSuspended) ShowKeysSuspended(true, false);
}

void TForm1::OpenSettingsWindow() {
    EnsureWindow();
    TrayIcon->ShowMainForm();
}

// ---- messages --------------------------------------------------------------------

// The form is known from the first message of its window's creation on.
LRESULT CALLBACK TForm1::StaticWndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    if (msg == WM_NCCREATE) {
        auto* made = static_cast<TForm1*>(reinterpret_cast<const CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(wnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
        if (made) made->FHandle = wnd;
    }
    auto* self = reinterpret_cast<TForm1*>(GetWindowLongPtrW(wnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(wnd, msg, wp, lp);
    LRESULT result = 0;
    bool handled = false;
    Guarded([&] {
        result = self->WndProc(msg, wp, lp);
        handled = true;
    });
    return handled ? result : DefWindowProcW(wnd, msg, wp, lp);
}

// Pages hand their children's notifications to the form.
LRESULT CALLBACK TForm1::PageProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    switch (msg) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetParent(wnd), msg, wp, lp);
        default:
            return DefWindowProcW(wnd, msg, wp, lp);
    }
}

LRESULT TForm1::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp));
            return 0;
        case WM_NOTIFY: {
            const auto* hdr = reinterpret_cast<const NMHDR*>(lp);
            if (hdr->hwndFrom == PageControl && hdr->code == TCN_SELCHANGE)
                ShowPage(static_cast<int>(SendMessageW(PageControl, TCM_GETCURSEL, 0, 0)));
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            HWND c = reinterpret_cast<HWND>(lp);
            if (c == Panel1 || c == Panel2 || c == Edit1) {
                HDC dc = reinterpret_cast<HDC>(wp);
                SetTextColor(dc, kLime);
                SetBkColor(dc, RGB(0, 0, 0));
                return reinterpret_cast<LRESULT>(FPanelBrush);
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        }
        case WM_DPICHANGED: {
            FDpi = HIWORD(wp);
            const RECT* r = reinterpret_cast<const RECT*>(lp);
            SetWindowPos(FHandle, nullptr, r->left, r->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            ApplyLayout();
            return 0;
        }
        case WM_ACTIVATE:
            // Not the default handling: it gives the focus to the window
            // itself, and the control that had it would lose it.
            Activate(wp);
            return 0;
        case WM_SETFOCUS:
            RestoreFocus();
            return 0;
        case WM_CLOSE:
            // Never the default handling: it would destroy the window and
            // leave the program in the tray without its controls.
            Guarded([this] { Close(); });
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            // The application window hears it too; the first ends the program.
            if (wp) EndSession();
            return 0;
        case WM_DESTROY:
            // Whoever destroys the window ends the program, as it always has.
            if (!FDestroying && !FClosed) {
                FClosed = true;
                Application().Terminate();
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        case WM_SHOWWINDOW:
        case WM_WINDOWPOSCHANGED: {
            const LRESULT result = DefWindowProcW(FHandle, msg, wp, lp);
            UpdateClockTimer();
            return result;
        }
        case WM_SYSCOMMAND:
            // Minimising the window minimises the application, which the
            // tray icon turns into hiding the window to the tray.
            if ((wp & 0xFFF0) == SC_MINIMIZE) {
                ShowWindow(Application().Handle(), SW_MINIMIZE);
                return 0;
            }
            return DefWindowProcW(FHandle, msg, wp, lp);
        default:
            return DefWindowProcW(FHandle, msg, wp, lp);
    }
}

void TForm1::OnCommand(int id, int code) {
    ControlChanged(id, code);
    if (code != BN_CLICKED) return;
    if (id >= kIdRadioBase + 1 && id <= kIdRadioBase + 5) {
        SetRadio(id - kIdRadioBase, true);
        return;
    }
    switch (id) {
        case kIdButton1: Button1Click(); break;
        case kIdButton2: Button2Click(); break;
        case kIdButton4: Button4Click(); break;
        case kIdButton3: Button3Click(); break;
        case kIdCheckBoxBase + 1: CheckBox1Click(); break;
        case kIdNowPlayingButton: ChooseNowPlayingFile(); break;
        case kIdCheckBoxBase + optNowPlaying: ShowSong(false); break;
        default: break;
    }
}

