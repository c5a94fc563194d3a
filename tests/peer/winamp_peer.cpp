// The stand-in player: a window of class "Winamp v1.x" that answers the
// player's window-message interface with a believable state, logs every
// interface message it receives and can be told to stall.
//
// Command line (all optional):
//   --log <file>          one line per message received, flushed at once
//   --file <path>         a playlist entry (repeatable)
//   --play                start playing the current entry
//   --pos <n>             current entry, 0-based
//   --version <hex>       version word (default 5091)
//   --length <s>          length of every track in seconds (default 200)
//   --playlist-dir <dir>  where request 120 writes winamp.m3u / winamp.m3u8
//                         (default: the folder of this program); requests
//                         337 and 338 answer it
//   --without <codes>     answer these requests (comma-separated codes, e.g.
//                         214,211) with 1, as a player that lacks them
//   --register            record this program's folder as the player's
//                         installation folder in the local-machine registry
//   --stall-ms <ms>       stall this long before answering every message
//   --caption <kind>      how the caption names the entry: "numbered" (the
//                         default, "12. Artist - Title - Winamp"), "plain"
//                         (without the number, as Winamp with numbers off)
//                         or "fixed" (always "Winamp", as a clone)
//   --texts-high          hand out the texts of requests 211, 212, 214, 337
//                         and 338 from memory at the top of the address
//                         space: above 2 GB in the 32-bit build (large-address
//                         aware), so a 64-bit caller gets them sign-extended
//
// Started without arguments (as Plovik starts the player), it takes them from
// "peer.args" beside the program, one argument per line, UTF-8.
//
// Control messages, private to the tests (posted):
//   WM_APP+1 wParam=ms    stall once, for ms milliseconds
//   WM_APP+2 wParam=0/1/3 force the play state
//   WM_APP+3 wParam=n     force the current entry (0-based)
//   WM_APP+4              reverse the order of the list; the current entry
//                         keeps its position number (the length stays)
//   WM_APP+5 wParam=n     append a copy of entry n (0-based); the current
//                         entry stays
//   WM_APP+6 wParam=n lParam=ms
//                         answer the next n interface messages at once, then
//                         take ms over each one after (logged, then "SLOW
//                         <ms>"); lParam 0 ends it. Meant to be sent, so that
//                         the count starts with the sender's next message
//   WM_APP+8              answers the number of interface messages taken in
//                         so far (not logged: for benchmarks)
//   WM_APP+9 wParam=n lParam=ms
//                         the caption names entry n (0-based) at once, the
//                         current entry becomes n ms later ("MOVED <n>");
//                         meant to be sent
//   WM_APP+10 wParam=ms   scroll the caption one character every ms, as the
//                         player's taskbar title does ("12. ... - Winamp *** "
//                         turned round); 0 stops. Meant to be sent
//   WM_APP+11 wParam=s    the length of every track in seconds; -1: none
//                         known, as a stream's ("CONTROL 11 <s>")
//
// Every change of the caption is announced as a window event of the window's
// name, as Windows does for any window whose text is set.
//
// Log lines: "COMMAND <id> <lparam>", "USER <wparam> <code>",
//            "COPYDATA <code> <bytes> <text>", "STALL <ms>", "STALL END",
//            "SLOW <ms>", "CONTROL <n> <wparam>", "CONTROL 6 <n> <ms>"
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <string>
#include <vector>

namespace {

const wchar_t kClass[] = L"Winamp v1.x";

struct Entry {
    std::wstring path;
    std::string pathAnsi;
    std::wstring title;      // "Artist - Title" as the player shows it
    std::string titleAnsi;
};

struct State {
    std::vector<Entry> list;
    int pos = 0;
    int playState = 0;  // 0 stopped, 1 playing, 3 paused
    DWORD positionMs = 0;
    DWORD playStartTick = 0;
    int lengthS = 200;
    WORD version = 0x5091;
    int volume = 200;
    int panning = 0;
    bool shuffle = false;
    bool repeat = false;
    int eq[11] = {31, 31, 31, 31, 31, 31, 31, 31, 31, 31, 31};  // 10 bands + preamp
    bool eqOn = false;
    int eqSelected = 0;
    bool mainShown = true, plShown = false, eqShown = false, browserShown = false;
    int stallEveryMs = 0;
    int slowAfter = 0;  // WM_APP+6: messages answered at once before the slow ones
    int slowMs = 0;
    int slowSeen = 0;
    long received = 0;  // interface messages taken in
    std::wstring playlistDir;
    std::string playlistDirAnsi;
    std::vector<LPARAM> without;  // requests answered as unsupported
    char* highTexts = nullptr;    // --texts-high: one slot per request
    std::wstring skin = L"Base";
    std::string skinAnsi = "Base";
    HANDLE log = INVALID_HANDLE_VALUE;
    enum { kNumbered, kPlain, kFixed } caption = kNumbered;
    int captionEntry = -1;  // the entry the caption names ahead of the list; -1: the current one
    int moveTo = 0;         // WM_APP+9: where the current entry goes when its timer fires
    size_t scroll = 0;      // WM_APP+10: characters the caption is turned round by
    bool scrolling = false;
} g;

constexpr UINT_PTR kMoveTimer = 1, kScrollTimer = 2;

std::string ToAnsi(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

std::string ToUtf8(const std::wstring& w) {
    if (w.empty()) return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, s.data(), n, nullptr, nullptr);
    s.resize(static_cast<size_t>(n - 1));
    return s;
}

std::wstring FromAnsi(const char* s) {
    int n = MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s, -1, w.data(), n);
    w.resize(static_cast<size_t>(n > 0 ? n - 1 : 0));
    return w;
}

void Log(const std::string& line) {
    if (g.log == INVALID_HANDLE_VALUE) return;
    std::string l = line + "\n";
    DWORD written = 0;
    WriteFile(g.log, l.data(), static_cast<DWORD>(l.size()), &written, nullptr);
}

// Field text of an ID3v1 tag: up to the first zero, trailing blanks dropped.
std::wstring TagField(const char* p, size_t n) {
    std::string s(p, strnlen(p, n));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return FromAnsi(s.c_str());
}

// "Artist - Title" from the file's ID3v1 tag, else the bare file name.
std::wstring TitleOf(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
        char tag[128];
        DWORD got = 0;
        LARGE_INTEGER size{};
        if (GetFileSizeEx(f, &size) && size.QuadPart >= 128 &&
            SetFilePointer(f, -128, nullptr, FILE_END) != INVALID_SET_FILE_POINTER &&
            ReadFile(f, tag, 128, &got, nullptr) && got == 128 && memcmp(tag, "TAG", 3) == 0) {
            CloseHandle(f);
            const std::wstring title = TagField(tag + 3, 30), artist = TagField(tag + 33, 30);
            if (!artist.empty() || !title.empty()) return artist + L" - " + title;
        } else {
            CloseHandle(f);
        }
    }
    size_t slash = path.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind(L'.');
    return dot == std::wstring::npos ? name : name.substr(0, dot);
}

void AddEntry(const std::wstring& path) {
    Entry e;
    e.path = path;
    e.pathAnsi = ToAnsi(path);
    e.title = TitleOf(path);
    e.titleAnsi = ToAnsi(e.title);
    g.list.push_back(std::move(e));
}

DWORD Position() {
    if (g.playState == 1) return g.positionMs + (GetTickCount() - g.playStartTick);
    return g.positionMs;
}

void SetPlayState(int s) {
    g.positionMs = Position();
    g.playState = s;
    g.playStartTick = GetTickCount();
}

std::wstring CaptionText() {
    const int entry = g.captionEntry >= 0 ? g.captionEntry : g.pos;
    std::wstring t;
    if (g.caption != State::kFixed && entry < static_cast<int>(g.list.size())) {
        if (g.caption == State::kNumbered) t = std::to_wstring(entry + 1) + L". ";
        t += g.list[static_cast<size_t>(entry)].title + L" - ";
    }
    t += L"Winamp";
    if (g.caption != State::kFixed && g.playState == 0) t += L" [Stopped]";
    if (g.caption != State::kFixed && g.playState == 3) t += L" [Paused]";
    if (!g.scrolling) return t;
    t += L" *** ";
    const size_t k = g.scroll % t.size();
    return t.substr(k) + t.substr(0, k);
}

void UpdateTitle(HWND wnd) {
    const std::wstring t = CaptionText();
    wchar_t now[1024] = {};
    GetWindowTextW(wnd, now, 1024);
    InvalidateRect(wnd, nullptr, TRUE);
    if (t == now) return;
    SetWindowTextW(wnd, t.c_str());
    // Wine leaves this out where Windows raises it for every window text.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, wnd, OBJID_WINDOW, CHILDID_SELF);
}

void Seek(int pos) {
    if (g.list.empty()) return;
    g.pos = std::clamp(pos, 0, static_cast<int>(g.list.size()) - 1);
    g.positionMs = 0;
    g.playStartTick = GetTickCount();
}

void Step(int delta) {
    if (g.list.empty()) return;
    const int n = static_cast<int>(g.list.size());
    int next = g.pos + delta;
    if (next >= n) next = g.repeat ? 0 : n - 1;
    if (next < 0) next = g.repeat ? n - 1 : 0;
    Seek(next);
}

void WritePlaylist() {
    std::wstring dir = g.playlistDir;
    if (!dir.empty() && dir.back() != L'\\') dir += L'\\';
    std::string ansi = "#EXTM3U\r\n", utf8 = "\xEF\xBB\xBF#EXTM3U\r\n";
    for (const Entry& e : g.list) {
        const std::string len = std::to_string(g.lengthS);
        ansi += "#EXTINF:" + len + "," + ToAnsi(e.title) + "\r\n" + e.pathAnsi + "\r\n";
        utf8 += "#EXTINF:" + len + "," + ToUtf8(e.title) + "\r\n" + ToUtf8(e.path) + "\r\n";
    }
    for (auto [name, text] : {std::pair{L"winamp.m3u", &ansi}, std::pair{L"winamp.m3u8", &utf8}}) {
        HANDLE f = CreateFileW((dir + name).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) continue;
        DWORD w = 0;
        WriteFile(f, text->data(), static_cast<DWORD>(text->size()), &w, nullptr);
        CloseHandle(f);
    }
}

LRESULT OnCommand(HWND wnd, WPARAM id) {
    switch (id) {
        case 40001: DestroyWindow(wnd); return 0;
        case 40022: g.repeat = !g.repeat; break;
        case 40023: g.shuffle = !g.shuffle; break;
        case 40036: g.eqShown = !g.eqShown; break;
        case 40040: g.plShown = !g.plShown; break;
        case 40044: Step(-1); break;
        case 40045: Seek(g.pos); SetPlayState(1); break;
        case 40046:
            if (g.playState == 1) SetPlayState(3);
            else if (g.playState == 3) SetPlayState(1);
            break;
        case 40047: case 40147: case 40157: SetPlayState(0); g.positionMs = 0; break;
        case 40048: Step(+1); break;
        case 40058: g.volume = std::min(255, g.volume + 3); break;
        case 40059: g.volume = std::max(0, g.volume - 3); break;
        case 40144: g.positionMs = Position() > 5000 ? Position() - 5000 : 0; g.playStartTick = GetTickCount(); break;
        case 40148: g.positionMs = Position() + 5000; g.playStartTick = GetTickCount(); break;
        case 40154: Seek(0); break;
        case 40158: Seek(static_cast<int>(g.list.size()) - 1); break;
        case 40258: g.mainShown = !g.mainShown; break;
        case 40298: g.browserShown = !g.browserShown; break;
        default: break;  // dialogs and window toggles: logged only
    }
    UpdateTitle(wnd);
    return 0;
}

constexpr size_t kTextSlot = 64 * 1024;

// The address of a text answer: the text itself, or its copy in the high
// memory slot of the request.
LRESULT TextAnswer(int slot, const void* text, size_t bytes) {
    if (!g.highTexts) return reinterpret_cast<LRESULT>(text);
    char* p = g.highTexts + static_cast<size_t>(slot) * kTextSlot;
    const size_t n = std::min(bytes, kTextSlot - 2);
    memcpy(p, text, n);
    p[n] = p[n + 1] = 0;
    return reinterpret_cast<LRESULT>(p);
}

LRESULT OnRequest(HWND wnd, WPARAM wp, LPARAM code) {
    if (std::find(g.without.begin(), g.without.end(), code) != g.without.end()) return 1;
    const size_t n = g.list.size();
    const bool valid = wp < n;
    switch (code) {
        case 0: return g.version;
        case 101: g.list.clear(); g.pos = 0; SetPlayState(0); UpdateTitle(wnd); return 0;
        case 102: SetPlayState(1); UpdateTitle(wnd); return 0;
        case 104: return g.playState;
        case 105:
            // As the real player: no position while nothing plays.
            if (wp == 0) return g.playState == 0 ? -1 : static_cast<LRESULT>(Position());
            if (wp == 1) return g.list.empty() ? -1 : g.lengthS;
            return -1;
        case 106: g.positionMs = static_cast<DWORD>(wp); g.playStartTick = GetTickCount(); return 0;
        case 120: WritePlaylist(); return g.pos;
        case 121: Seek(static_cast<int>(wp)); UpdateTitle(wnd); return 0;
        case 122:
            if (wp == static_cast<WPARAM>(-666) || static_cast<int>(wp) == -666) return g.volume;
            g.volume = static_cast<int>(wp & 0xFF);
            return 0;
        case 123: g.panning = static_cast<int>(wp & 0xFF); return 0;
        case 124: return static_cast<LRESULT>(n);
        case 125: return g.pos;
        case 126: return wp == 0 ? 44 : wp == 1 ? 128 : wp == 2 ? 2 : 0;
        case 127:
            if (wp <= 10) { g.eqSelected = static_cast<int>(wp); return g.eq[wp]; }
            if (wp == 11) return g.eqOn ? 1 : 0;
            return 0;
        case 128:
            if (g.eqSelected <= 10) g.eq[g.eqSelected] = static_cast<int>(wp & 0xFF);
            return 0;
        case 200: case 202: case 241: case 249: return 0;  // text requests: logged only
        case 201: return reinterpret_cast<LRESULT>(g.skinAnsi.c_str());
        case 211: return valid ? TextAnswer(0, g.list[wp].pathAnsi.c_str(), g.list[wp].pathAnsi.size() + 1) : 0;
        case 212: return valid ? TextAnswer(1, g.list[wp].titleAnsi.c_str(), g.list[wp].titleAnsi.size() + 1) : 0;
        case 214:
            return valid ? TextAnswer(2, g.list[wp].path.c_str(), (g.list[wp].path.size() + 1) * sizeof(wchar_t)) : 0;
        case 242: return 1;
        case 337: return TextAnswer(3, g.playlistDirAnsi.c_str(), g.playlistDirAnsi.size() + 1);
        case 338: return TextAnswer(4, g.playlistDir.c_str(), (g.playlistDir.size() + 1) * sizeof(wchar_t));
        case 250: return g.shuffle ? 1 : 0;
        case 251: return g.repeat ? 1 : 0;
        case 252: g.shuffle = wp != 0; return 0;
        case 253: g.repeat = wp != 0; return 0;
        default: return 0;
    }
}

// A player busy with something else: it takes the message in, and answers
// it only after the caller has stopped waiting.
void SlowIfDue() {
    if (g.slowMs <= 0 || ++g.slowSeen <= g.slowAfter) return;
    Log("SLOW " + std::to_string(g.slowMs));
    Sleep(static_cast<DWORD>(g.slowMs));
}

LRESULT OnCopyData(HWND wnd, const COPYDATASTRUCT* cds) {
    std::string text;
    if (cds && cds->lpData && cds->cbData > 0)
        text.assign(static_cast<const char*>(cds->lpData), strnlen(static_cast<const char*>(cds->lpData), cds->cbData));
    Log("COPYDATA " + std::to_string(cds ? cds->dwData : 0) + " " + std::to_string(cds ? cds->cbData : 0) + " " + text);
    SlowIfDue();
    // As the real player: the file joins the list, nothing starts.
    if (cds && cds->dwData == 100) {
        AddEntry(FromAnsi(text.c_str()));
        UpdateTitle(wnd);
        return 1;
    }
    return cds && cds->dwData == 103 ? 1 : 0;
}

void Paint(HWND wnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(wnd, &ps);
    RECT r;
    GetClientRect(wnd, &r);
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 230, 0));
    wchar_t buf[512];
    const wchar_t* states[] = {L"stopped", L"playing", L"?", L"paused"};
    swprintf(buf, 512, L"Stand-in player\n%ls\nstate: %ls  volume: %d\nentry %d of %zu  shuffle: %ls  repeat: %ls",
             g.list.empty() ? L"(empty playlist)" : g.list[static_cast<size_t>(g.pos)].title.c_str(),
             states[g.playState & 3], g.volume, g.list.empty() ? 0 : g.pos + 1, g.list.size(),
             g.shuffle ? L"on" : L"off", g.repeat ? L"on" : L"off");
    InflateRect(&r, -8, -8);
    DrawTextW(dc, buf, -1, &r, DT_LEFT);
    EndPaint(wnd, &ps);
}

LRESULT CALLBACK WndProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_COMMAND || msg == WM_USER || msg == WM_COPYDATA) ++g.received;
    if (g.stallEveryMs > 0 && (msg == WM_COMMAND || msg == WM_USER || msg == WM_COPYDATA))
        Sleep(static_cast<DWORD>(g.stallEveryMs));
    switch (msg) {
        case WM_COMMAND:
            Log("COMMAND " + std::to_string(LOWORD(wp)) + " " + std::to_string(lp));
            SlowIfDue();
            return OnCommand(wnd, LOWORD(wp));
        case WM_USER:
            Log("USER " + std::to_string(static_cast<long long>(wp)) + " " + std::to_string(lp));
            SlowIfDue();
            return OnRequest(wnd, wp, lp);
        case WM_COPYDATA:
            return OnCopyData(wnd, reinterpret_cast<const COPYDATASTRUCT*>(lp));
        case WM_APP + 1:
            Log("STALL " + std::to_string(wp));
            Sleep(static_cast<DWORD>(wp));
            Log("STALL END");
            return 0;
        case WM_APP + 2:
            // Logged once done: a test that waits for the line finds the
            // new state and caption in place.
            SetPlayState(static_cast<int>(wp));
            UpdateTitle(wnd);
            Log("CONTROL 2 " + std::to_string(wp));
            return 0;
        case WM_APP + 3:
            Seek(static_cast<int>(wp));
            UpdateTitle(wnd);
            Log("CONTROL 3 " + std::to_string(wp));
            return 0;
        case WM_APP + 4:
            std::reverse(g.list.begin(), g.list.end());
            UpdateTitle(wnd);
            Log("CONTROL 4 0");
            return 0;
        case WM_APP + 5:
            if (wp < g.list.size()) g.list.push_back(g.list[wp]);
            UpdateTitle(wnd);
            Log("CONTROL 5 " + std::to_string(wp));
            return 0;
        case WM_APP + 6:
            Log("CONTROL 6 " + std::to_string(wp) + " " + std::to_string(lp));
            g.slowAfter = static_cast<int>(wp);
            g.slowMs = static_cast<int>(lp);
            g.slowSeen = 0;
            return 0;
        case WM_APP + 8: return g.received;
        case WM_APP + 9:
            Log("CONTROL 9 " + std::to_string(wp) + " " + std::to_string(lp));
            g.captionEntry = g.moveTo = static_cast<int>(wp);
            UpdateTitle(wnd);
            SetTimer(wnd, kMoveTimer, static_cast<UINT>(lp), nullptr);
            return 0;
        case WM_APP + 10:
            Log("CONTROL 10 " + std::to_string(wp));
            g.scrolling = wp != 0;
            if (g.scrolling) SetTimer(wnd, kScrollTimer, static_cast<UINT>(wp), nullptr);
            else KillTimer(wnd, kScrollTimer);
            UpdateTitle(wnd);
            return 0;
        case WM_APP + 11:
            g.lengthS = static_cast<int>(wp);
            Log("CONTROL 11 " + std::to_string(g.lengthS));
            return 0;
        case WM_TIMER:
            if (wp == kScrollTimer) {
                ++g.scroll;
                UpdateTitle(wnd);
            } else if (wp == kMoveTimer) {
                // The caption already names this entry: it does not change now.
                KillTimer(wnd, kMoveTimer);
                Seek(g.moveTo);
                g.captionEntry = -1;
                Log("MOVED " + std::to_string(g.moveTo));
            }
            return 0;
        case WM_PAINT: Paint(wnd); return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(wnd, msg, wp, lp);
    }
}

std::wstring ModuleFolder() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH);
    std::wstring p(buf, n);
    return p.substr(0, p.find_last_of(L'\\'));
}

void Register(const std::wstring& folder) {
    HKEY key;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Winamp", 0,
                        nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    const std::wstring value = L"\"" + folder + L"\\UninstWA.exe\"";
    RegSetValueExW(key, L"UninstallString", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

// The command line's arguments, or those of "peer.args" beside the program
// when the command line has none.
std::vector<std::wstring> Arguments() {
    std::vector<std::wstring> args;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
    LocalFree(argv);
    if (!args.empty()) return args;
    FILE* f = _wfopen((ModuleFolder() + L"\\peer.args").c_str(), L"rb");
    if (!f) return args;
    char line[2048];
    while (fgets(line, sizeof line, f)) {
        std::string text = line;
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        if (text.empty()) continue;
        std::wstring wide(text.size(), L'\0');
        wide.resize(MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                                        static_cast<int>(wide.size())));
        args.push_back(wide);
    }
    fclose(f);
    return args;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
    const std::vector<std::wstring> argv = Arguments();
    const int argc = static_cast<int>(argv.size());
    g.playlistDir = ModuleFolder();
    bool play = false, reg = false;
    int pos = 0;
    for (int i = 0; i < argc; ++i) {
        std::wstring a = argv[i];
        auto next = [&]() -> std::wstring { return i + 1 < argc ? argv[++i] : L""; };
        if (a == L"--log") {
            g.log = CreateFileW(next().c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        } else if (a == L"--file") {
            AddEntry(next());
        } else if (a == L"--play") {
            play = true;
        } else if (a == L"--pos") {
            pos = _wtoi(next().c_str());
        } else if (a == L"--version") {
            g.version = static_cast<WORD>(wcstoul(next().c_str(), nullptr, 16));
        } else if (a == L"--length") {
            g.lengthS = _wtoi(next().c_str());
        } else if (a == L"--playlist-dir") {
            g.playlistDir = next();
        } else if (a == L"--register") {
            reg = true;
        } else if (a == L"--without") {
            const std::wstring codes = next();
            for (size_t at = 0; at < codes.size();) {
                size_t comma = codes.find(L',', at);
                if (comma == std::wstring::npos) comma = codes.size();
                g.without.push_back(_wtoi(codes.substr(at, comma - at).c_str()));
                at = comma + 1;
            }
        } else if (a == L"--texts-high") {
            g.highTexts = static_cast<char*>(
                VirtualAlloc(nullptr, 5 * kTextSlot, MEM_RESERVE | MEM_COMMIT | MEM_TOP_DOWN, PAGE_READWRITE));
            char line[64];
            snprintf(line, sizeof line, "TEXTS AT %p", static_cast<void*>(g.highTexts));
            Log(line);
        } else if (a == L"--stall-ms") {
            g.stallEveryMs = _wtoi(next().c_str());
        } else if (a == L"--caption") {
            const std::wstring kind = next();
            g.caption = kind == L"plain" ? State::kPlain : kind == L"fixed" ? State::kFixed : State::kNumbered;
        }
    }
    g.playlistDirAnsi = ToAnsi(g.playlistDir);
    if (reg) Register(ModuleFolder());

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    HWND wnd = CreateWindowExW(0, kClass, L"Winamp", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                               40, 40, 420, 120, nullptr, nullptr, inst, nullptr);
    if (!wnd) return 1;
    Seek(pos);
    if (play) SetPlayState(1);
    UpdateTitle(wnd);
    ShowWindow(wnd, show == SW_HIDE ? SW_SHOWNOACTIVATE : show);
    Log("READY");

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (g.log != INVALID_HANDLE_VALUE) CloseHandle(g.log);
    return 0;
}
