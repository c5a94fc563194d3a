#include "desktop/key_repeat_guard.h"

#include <algorithm>

namespace {
// Short enough that a quick second press is not taken for the first one
// still held, long enough to cost nothing while a key is down.
constexpr UINT kReleasePollMs = 25;
}  // namespace

TKeyRepeatGuard::TKeyRepeatGuard() {
    FPoll.SetInterval(kReleasePollMs);
    FPoll.OnTimer = [this] { Poll(); };
}

bool TKeyRepeatGuard::Down(BYTE key) { return key != 0 && GetAsyncKeyState(key) < 0; }

bool TKeyRepeatGuard::FirstOfPress(int Id, TShortCut HotKey) {
    const auto key = static_cast<BYTE>(HotKey & 0xFF);
    auto it = std::find_if(FHeld.begin(), FHeld.end(), [&](const THeld& h) { return h.Id == Id; });
    if (it != FHeld.end()) {
        if (Down(it->Key)) return false;
        FHeld.erase(it);  // let go since, and the poll has not seen it yet
    }
    // A tap already over when its message arrives leaves nothing to watch.
    if (Down(key)) {
        FHeld.push_back({Id, key});
        FPoll.SetEnabled(true);
    }
    return true;
}

bool TKeyRepeatGuard::Holding(int Id) const {
    return std::any_of(FHeld.begin(), FHeld.end(), [&](const THeld& h) { return h.Id == Id; });
}

void TKeyRepeatGuard::Poll() {
    FHeld.erase(std::remove_if(FHeld.begin(), FHeld.end(), [](const THeld& h) { return !Down(h.Key); }),
                FHeld.end());
    if (FHeld.empty()) FPoll.SetEnabled(false);
}
