// The hidden application window, the hook chain on windows, the program's
// error type and the one place where errors are shown to the user.
#pragma once

#include <windows.h>

#include <exception>
#include <functional>
#include <string>

#include "desktop/window_hook.h"

// The program's own error: carries the text the user is shown.
class EPlovikError : public std::exception {
public:
    explicit EPlovikError(std::wstring message);
    const std::wstring& Message() const noexcept { return FMessage; }
    const char* what() const noexcept override { return FUtf8.c_str(); }

private:
    std::wstring FMessage;
    std::string FUtf8;
};

std::wstring Utf8ToWide(const std::string& text);

// A window's whole text.
std::wstring WindowText(HWND wnd);
std::string WideToUtf8(const std::wstring& text);

// Starts painting a control and fills its client area with the brush its
// parent hands out for it (ColorMessage: WM_CTLCOLOREDIT, WM_CTLCOLORSTATIC),
// or the system colour Fallback when the parent gives none.
HDC BeginPaintOnParentBack(HWND wnd, PAINTSTRUCT& ps, RECT& client, UINT ColorMessage, int Fallback);

// Answer of a message box: the seam through which every question and
// message of the program goes, so that tests can answer in place of a person.
using TMessageBoxFn = std::function<int(HWND owner, const std::wstring& text,
                                        const std::wstring& caption, UINT flags)>;

class TApplication {
public:
    static TApplication& Instance();

    // The hidden top-level window that owns hot keys and tray notifications.
    // Made on first use, on the calling thread.
    HWND Handle();

    const std::wstring& Title() const noexcept { return FTitle; }
    void SetTitle(const std::wstring& title);

    HWND MainForm() const noexcept { return FMainForm; }
    void SetMainForm(HWND form) noexcept { FMainForm = form; }
    // Whether the main form is to be shown when the program starts; a
    // resident start (the tray icon's start-up answer) turns it off.
    bool ShowMainForm() const noexcept { return FShowMainForm; }
    void SetShowMainForm(bool show) noexcept { FShowMainForm = show; }

    // Shows a message box through the seam; owner defaults to the main form.
    int MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags);
    TMessageBoxFn MessageBoxFn;

    // The general error display: shows the text of the error being handled
    // in a message box titled with the application title. Call inside catch.
    // ExtraFlags: for instance MB_SETFOREGROUND | MB_TOPMOST for an error
    // that nobody is watching for.
    void HandleException(UINT ExtraFlags = 0) noexcept;
    // Number of errors shown so far (for the tests of the error paths).
    int ErrorsShown() const noexcept { return FErrorsShown; }

    // Raised when another program (the setup program, its uninstaller) asks
    // this copy to end; empty, the request just ends the message loop.
    std::function<void()> OnEndRequest;
    // Alt+F4 or the task manager's end for the application window while no
    // main form exists: the program's own close road; without it, the end.
    std::function<void()> OnCloseRequest;

    // Sees each queued message before it is translated and dispatched; true
    // means it was handled (the main form's keyboard navigation).
    std::function<bool(MSG& Msg)> OnPreTranslate;

    int Run();                 // message loop until Terminate
    void ProcessMessages();    // handles what is queued now, then returns
    void Terminate();

private:
    TApplication();
    ~TApplication();
    static LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept;
    void Dispatch(MSG& msg);

    HWND FHandle = nullptr;
    HWND FMainForm = nullptr;
    bool FShowMainForm = true;
    std::wstring FTitle = L"Plovik";
    int FErrorsShown = 0;
};

// Posted to the application window (class "PlovikApplication") by a program
// that needs this copy gone, such as the setup program before it replaces
// the executable: the copy saves its settings and ends without a question.
extern const wchar_t kEndRequestMessageName[];
UINT EndRequestMessage();
extern const wchar_t kApplicationWindowClass[];

inline TApplication& Application() { return TApplication::Instance(); }

// Runs a handler at a callback boundary: no exception crosses into Windows.
template <class F>
void Guarded(F&& f) noexcept {
    try {
        f();
    } catch (...) {
        Application().HandleException();
    }
}
