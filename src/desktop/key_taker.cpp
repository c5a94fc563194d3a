#include "desktop/key_taker.h"

#include <algorithm>

#include "desktop/application.h"

namespace {

enum : UINT {
    kInstallAgain = WM_APP + 1,
    kDropHook,
    kMaskKey,
};
// A key no keyboard has: pressed between a modifier's press and release, it
// keeps Alt from opening a menu and Win from opening Start, which they do
// when their release follows nothing else they saw.
constexpr WORD kMaskVk = 0xE8;

// The hook's thread runs one taker's hook.
thread_local TKeyTaker* GHookOwner = nullptr;

TShortCut ModifierBit(BYTE vk) {
    switch (vk) {
        case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT: return kHotKeyShift;
        case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL: return kHotKeyCtrl;
        case VK_MENU: case VK_LMENU: case VK_RMENU: return kHotKeyAlt;
        case VK_LWIN: case VK_RWIN: return kHotKeyWin;
        default: return 0;
    }
}

const BYTE kModifierVks[] = {VK_LSHIFT, VK_RSHIFT, VK_LCONTROL, VK_RCONTROL, VK_LMENU, VK_RMENU, VK_LWIN, VK_RWIN};

void SendMaskKey() {
    INPUT in[2]{};
    for (INPUT& i : in) {
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = kMaskVk;
        i.ki.dwExtraInfo = kOwnInputMark;
    }
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

bool Newer(DWORD a, DWORD b) { return static_cast<LONG>(a - b) > 0; }

// Input this fresh may still be on its way to a live hook: the system notes
// it when it is queued, the hook sees it a moment later.
constexpr DWORD kHookGraceMs = 500;

}  // namespace

TKeyTaker::TKeyTaker()
    : FMessage(RegisterWindowMessageW(L"Plovik.TakenKeyPressed")), FTarget(Application().Handle()) {
    FHook.Hook(FTarget, [this](TMessage& m) {
        if (m.Msg != FMessage || !FThread.joinable()) return;
        // A press matched just before its key was given back is dropped.
        const int id = static_cast<int>(m.WParam);
        const bool taken = std::any_of(FKeys.begin(), FKeys.end(), [&](const TTaken& t) { return t.Id == id; });
        if (taken && OnPressed) OnPressed(id, m.LParam != 0);
    });
}

TKeyTaker::~TKeyTaker() { Stop(); }

void TKeyTaker::SetKeys(const std::vector<TTaken>& keys) {
    FKeys = keys;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FMatching = keys;
    }
    if (keys.empty()) {
        Stop();
        return;
    }
    if (FThread.joinable()) return;
    // The hook is in place before the first key is said to be taken.
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ready) return;
    FThread = std::thread([this, ready] { Run(ready); });
    WaitForSingleObject(ready, INFINITE);
    CloseHandle(ready);
}

void TKeyTaker::Stop() {
    if (!FThread.joinable()) return;
    PostThreadMessageW(FThreadId, WM_QUIT, 0, 0);
    FThread.join();
    FThreadId = 0;
}

bool TKeyTaker::Heal() {
    if (!FThread.joinable()) return false;
    LASTINPUTINFO li{};
    li.cbSize = sizeof(li);
    if (!GetLastInputInfo(&li)) return false;
    // Input after the hook was installed, later than the last the hook saw,
    // and old enough that a live hook would have seen it.
    if (!Newer(li.dwTime, FInstalledAt.load()) || !Newer(li.dwTime, FLastSeen.load())) return false;
    if (Newer(li.dwTime + kHookGraceMs, GetTickCount())) return false;
    return PostThreadMessageW(FThreadId, kInstallAgain, 0, 0) != 0;
}

void TKeyTaker::DropHookAsTheSystemDoes() {
    if (!FThread.joinable()) return;
    const unsigned before = FDrops;
    PostThreadMessageW(FThreadId, kDropHook, 0, 0);
    for (int i = 0; i < 1000 && FDrops == before; ++i) Sleep(1);
}

// ---- the hook's thread ----

void TKeyTaker::Run(HANDLE ready) {
    GHookOwner = this;
    FThreadId = GetCurrentThreadId();
    MSG m;
    PeekMessageW(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE);  // the thread's queue, before anyone posts
    FInstalls = 0;
    Install();
    SetEvent(ready);
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.message == kInstallAgain) Install();
        // The handle is kept, as after the system's removal: only the
        // healing may notice.
        if (m.message == kDropHook && UnhookWindowsHookEx(FHookHandle)) ++FDrops;
        if (m.message == kMaskKey) SendMaskKey();
    }
    if (FHookHandle) UnhookWindowsHookEx(FHookHandle);
    FHookHandle = nullptr;
    FSwallowed.clear();
    GHookOwner = nullptr;
}

// The new hook goes in before the old one goes out: no press slips between.
void TKeyTaker::Install() {
    HHOOK hook = SetWindowsHookExW(WH_KEYBOARD_LL, HookProc, GetModuleHandleW(nullptr), 0);
    if (!hook) return;
    if (FHookHandle) UnhookWindowsHookEx(FHookHandle);
    FHookHandle = hook;
    // The modifiers held now, as the hook would have seen them go down.
    FModifierKeys.clear();
    FModifiers = 0;
    for (BYTE vk : kModifierVks)
        if (GetAsyncKeyState(vk) < 0) {
            FModifierKeys.push_back(vk);
            FModifiers |= ModifierBit(vk);
        }
    FInstalledAt = GetTickCount();
    ++FInstalls;
}

bool TKeyTaker::Match(const KBDLLHOOKSTRUCT& key, bool down) {
    const BYTE vk = static_cast<BYTE>(key.vkCode);
    if (ModifierBit(vk)) {
        auto it = std::find(FModifierKeys.begin(), FModifierKeys.end(), vk);
        if (down && it == FModifierKeys.end()) FModifierKeys.push_back(vk);
        if (!down && it != FModifierKeys.end()) FModifierKeys.erase(it);
        FModifiers = 0;
        for (BYTE m : FModifierKeys) FModifiers |= ModifierBit(m);
        return false;
    }
    auto held = std::find(FSwallowed.begin(), FSwallowed.end(), vk);
    if (!down) {
        // The release of a press that was taken is taken too.
        if (held == FSwallowed.end()) return false;
        FSwallowed.erase(held);
        return true;
    }
    int id = 0;
    {
        std::lock_guard<std::mutex> lock(FMutex);
        for (const TTaken& t : FMatching)
            if ((t.Word & 0xFF) == vk && (t.Word & 0xF000) == FModifiers) id = t.Id;
    }
    if (id == 0) return false;
    const bool repeat = held != FSwallowed.end();
    if (!repeat) FSwallowed.push_back(vk);
    PostMessageW(FTarget, FMessage, static_cast<WPARAM>(id), repeat ? 1 : 0);
    // Sent from the loop, after the hook returned: input made inside the
    // hook would come back to it while it still runs.
    if (!repeat && (FModifiers & (kHotKeyAlt | kHotKeyWin))) PostThreadMessageW(FThreadId, kMaskKey, 0, 0);
    return true;
}

LRESULT CALLBACK TKeyTaker::HookProc(int code, WPARAM wp, LPARAM lp) noexcept {
    TKeyTaker* self = GHookOwner;
    if (code != HC_ACTION || !self) return CallNextHookEx(nullptr, code, wp, lp);
    const auto& key = *reinterpret_cast<const KBDLLHOOKSTRUCT*>(lp);
    // The event's own time, on the clock the system's last-input time keeps.
    self->FLastSeen = key.time;
    if (key.dwExtraInfo == kOwnInputMark) return CallNextHookEx(nullptr, code, wp, lp);
    const bool down = wp == WM_KEYDOWN || wp == WM_SYSKEYDOWN;
    return self->Match(key, down) ? 1 : CallNextHookEx(nullptr, code, wp, lp);
}
