#include "desktop/window_timer.h"

#include <gtest/gtest.h>

#include "desktop/application.h"
#include "support/peer_player.h"

TEST(WindowTimer, TicksOnlyWhileEnabledAndSurvivesAFailingHandler) {
    TWindowTimer t;
    int ticks = 0;
    t.OnTimer = [&] {
        ++ticks;
        if (ticks == 2) throw EPlovikError(L"tick failed");
    };
    t.SetInterval(20);
    EXPECT_FALSE(WaitFor([&] { return ticks > 0; }, 150)) << "disabled timers do not tick";
    const int shownBefore = Application().ErrorsShown();
    Application().MessageBoxFn = [](HWND, const std::wstring&, const std::wstring&, UINT) { return IDOK; };
    t.SetEnabled(true);
    EXPECT_TRUE(WaitFor([&] { return ticks >= 4; }, 3000));
    EXPECT_EQ(Application().ErrorsShown(), shownBefore + 1);
    t.SetEnabled(false);
    const int stopped = ticks;
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(ticks, stopped);
}
