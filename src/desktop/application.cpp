#include "desktop/application.h"

#include <utility>

const wchar_t kApplicationWindowClass[] = L"PlovikApplication";
const wchar_t kEndRequestMessageName[] = L"PlovikEndRequest";

UINT EndRequestMessage() {
    static const UINT message = RegisterWindowMessageW(kEndRequestMessageName);
    return message;
}

namespace {
const wchar_t* const kAppWindowClass = kApplicationWindowClass;
// Posted to itself when the application window gets the focus.
constexpr UINT kMsgEnter = WM_APP + 1;
}

EPlovikError::EPlovikError(std::wstring message)
    : FMessage(std::move(message)), FUtf8(WideToUtf8(FMessage)) {}

std::wstring Utf8ToWide(const std::string& text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

std::string WideToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

// ---- TApplication ----------------------------------------------------------

TApplication& TApplication::Instance() {
    static TApplication app;
    return app;
}

TApplication::TApplication() {
    MessageBoxFn = [](HWND owner, const std::wstring& text, const std::wstring& caption,
                      UINT flags) { return ::MessageBoxW(owner, text.c_str(), caption.c_str(), flags); };
}

TApplication::~TApplication() {
    if (FHandle && IsWindow(FHandle)) DestroyWindow(FHandle);
}

HWND TApplication::Handle() {
    if (FHandle) return FHandle;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TApplication::WndProc;
    wc.hInstance = inst;
    wc.lpszClassName = kAppWindowClass;
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    RegisterClassExW(&wc);
    // A top-level tool window rather than a message-only one: message-only
    // windows miss broadcasts such as "TaskbarCreated".
    FHandle = CreateWindowExW(WS_EX_TOOLWINDOW, kAppWindowClass, FTitle.c_str(),
                              WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0, 0, 0,
                              nullptr, nullptr, inst, nullptr);
    return FHandle;
}

void TApplication::SetTitle(const std::wstring& title) {
    FTitle = title;
    if (FHandle) SetWindowTextW(FHandle, FTitle.c_str());
}

int TApplication::MessageBox(const std::wstring& text, const std::wstring& caption, UINT flags) {
    HWND owner = FMainForm && IsWindowVisible(FMainForm) ? FMainForm : FHandle;
    return MessageBoxFn ? MessageBoxFn(owner, text, caption, flags) : 0;
}

void TApplication::HandleException(UINT ExtraFlags) noexcept {
    std::wstring text;
    try {
        throw;
    } catch (const EPlovikError& e) {
        text = e.Message();
    } catch (const std::exception& e) {
        text = Utf8ToWide(e.what());
    } catch (...) {
        text = L"Unknown error";
    }
    ++FErrorsShown;
    try {
        MessageBox(text, FTitle, MB_OK | MB_ICONERROR | ExtraFlags);
    } catch (...) {
    }
}

void TApplication::Dispatch(MSG& msg) {
    bool handled = false;
    if (OnPreTranslate) Guarded([&] { handled = OnPreTranslate(msg); });
    if (handled) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

int TApplication::Run() {
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
    return static_cast<int>(msg.wParam);
}

void TApplication::ProcessMessages() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

void TApplication::Terminate() { PostQuitMessage(0); }

LRESULT CALLBACK TApplication::WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    // An end request for the application window (Alt+F4 on it, the task
    // manager) takes the main form's road, with its question and its save.
    if (msg == WM_CLOSE) {
        HWND form = Instance().FMainForm;
        if (form && IsWindow(form))
            SendMessageW(form, WM_CLOSE, 0, 0);
        else if (Instance().OnCloseRequest)
            Guarded([] { Instance().OnCloseRequest(); });
        else
            Instance().Terminate();
        return 0;
    }
    // Windows ends the session: the end request's road, without a question.
    if (msg == WM_QUERYENDSESSION) return TRUE;
    if (msg == WM_ENDSESSION) {
        auto& app = Instance();
        if (wp && app.OnEndRequest) Guarded([&] { app.OnEndRequest(); });
        return 0;
    }
    if (msg == EndRequestMessage()) {
        auto& app = Instance();
        if (app.OnEndRequest)
            Guarded([&] { app.OnEndRequest(); });
        else
            app.Terminate();
        return 0;
    }
    // The application window has nothing to type into: when it is brought to
    // the front (by the tray, or when a message box it owns closes), the
    // visible main form takes the activation once the switch has settled.
    if (msg == WM_SETFOCUS) PostMessageW(wnd, kMsgEnter, 0, 0);
    if (msg == kMsgEnter) {
        HWND form = Instance().FMainForm;
        if (GetFocus() == wnd && !IsIconic(wnd) && form && IsWindowVisible(form) && IsWindowEnabled(form))
            SetFocus(form);
        return 0;
    }
    return DefWindowProcW(wnd, msg, wp, lp);
}

std::wstring WindowText(HWND wnd) {
    const int n = GetWindowTextLengthW(wnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(wnd, text.data(), n + 1)));
    return text;
}

HDC BeginPaintOnParentBack(HWND wnd, PAINTSTRUCT& ps, RECT& client, UINT ColorMessage, int Fallback) {
    HDC dc = BeginPaint(wnd, &ps);
    GetClientRect(wnd, &client);
    HBRUSH back = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(wnd), ColorMessage, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(wnd)));
    FillRect(dc, &client, back ? back : GetSysColorBrush(Fallback));
    return dc;
}
