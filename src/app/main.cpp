// Plovik: the resident core. The hidden application window, 32 hot-key
// managers and the player command link; a few fixed keys drive the player
// until the settings window takes over the bindings.
#include <windows.h>

#include <array>
#include <memory>

#include "desktop/application.h"
#include "desktop/hotkey_manager.h"
#include "player/winamp_link.h"

namespace {

struct TFixedBinding {
    TShortCut HotKey;
    void (TTarnWinAmpLink::*Command)();
};

constexpr TShortCut kCtrlAlt = kHotKeyCtrl | kHotKeyAlt;

// The bindings the README lists.
const TFixedBinding kBindings[] = {
    {kCtrlAlt | 'X', &TTarnWinAmpLink::TrackPlay},
    {kCtrlAlt | 'C', &TTarnWinAmpLink::TrackPause},
    {kCtrlAlt | 'Z', &TTarnWinAmpLink::TrackPrev},
    {kCtrlAlt | 'N', &TTarnWinAmpLink::TrackNext},
    {kCtrlAlt | VK_UP, &TTarnWinAmpLink::VolRaise},
    {kCtrlAlt | VK_DOWN, &TTarnWinAmpLink::VolLower},
};
constexpr TShortCut kStopKey = kCtrlAlt | 'V';

class TResidentCore {
public:
    TResidentCore() {
        for (size_t i = 0; i < std::size(kBindings); ++i) {
            const TFixedBinding b = kBindings[i];
            FManagers[i].OnHotKeyPressed = [this, b](TShortCut, WORD) { (FLink.*b.Command)(); };
            FManagers[i].AddHotKey(b.HotKey);
        }
        THotKeyManager& stop = FManagers[std::size(kBindings)];
        stop.OnHotKeyPressed = [this](TShortCut, WORD) { FLink.TrackStop(false, false); };
        stop.AddHotKey(kStopKey);
    }

private:
    TTarnWinAmpLink FLink;
    std::array<THotKeyManager, 32> FManagers;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    Application().SetTitle(L"(Merrowind) Plovik v4.0");
    Application().Handle();
    auto core = std::make_unique<TResidentCore>();
    const int rc = Application().Run();
    core.reset();
    return rc;
}
