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

namespace {
struct TTickCounter {
    int Ticks = 0;
    static void Tick(void* owner) {
        auto* self = static_cast<TTickCounter*>(owner);
        if (++self->Ticks == 2) throw EPlovikError(L"tick failed");
    }
};
}  // namespace

TEST(SimpleTimer, StartStopAndASwallowedFailure) {
    TTickCounter counter;
    TSimpleTimer t(&counter, &TTickCounter::Tick);
    EXPECT_FALSE(t.Active());
    EXPECT_FALSE(t.Stop()) << "nothing to stop";

    const int shownBefore = Application().ErrorsShown();
    EXPECT_TRUE(t.Start(20));
    EXPECT_TRUE(t.Active());
    EXPECT_EQ(t.Interval(), 20u);
    EXPECT_TRUE(WaitFor([&] { return counter.Ticks >= 4; }, 3000)) << "a failing tick does not stop the timer";
    EXPECT_EQ(Application().ErrorsShown(), shownBefore) << "the failure is swallowed, not shown";

    EXPECT_TRUE(t.Stop());
    EXPECT_FALSE(t.Active());
    const int stopped = counter.Ticks;
    WaitFor([] { return false; }, 150);
    EXPECT_EQ(counter.Ticks, stopped);

    // Starting an active timer restarts it with the new interval.
    EXPECT_TRUE(t.Start(20));
    EXPECT_TRUE(t.Start(5000));
    const int restarted = counter.Ticks;
    WaitFor([] { return false; }, 200);
    EXPECT_EQ(counter.Ticks, restarted);

    EXPECT_FALSE(t.Start(0)) << "an interval of 0 never ticks";
    EXPECT_FALSE(t.Active());
}

TEST(SimpleTimer, AllTimersShareOneHandlerWindow) {
    const unsigned before = TSimpleTimerHandler::References();
    HWND window = nullptr;
    {
        TWindowTimer a;
        TSimpleTimer b(nullptr, nullptr);
        EXPECT_EQ(TSimpleTimerHandler::References(), before + 2);
        window = TSimpleTimerHandler::Window();
        EXPECT_TRUE(IsWindow(window));
        EXPECT_TRUE(b.Start(10));
        WaitFor([] { return false; }, 50);  // ticks without a callback are harmless
        EXPECT_TRUE(b.Active());
    }
    EXPECT_EQ(TSimpleTimerHandler::References(), before);
    if (before == 0) {
        EXPECT_FALSE(IsWindow(window)) << "the last timer takes the window with it";
    }
}
