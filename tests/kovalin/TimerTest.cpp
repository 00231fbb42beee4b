#include "kovalin/Application.h"
#include "kovalin/Timer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

using namespace kovalin;
using namespace testsupport;

namespace {

TEST(TimerTest, SettingTheIntervalRestartsTheCountAndZeroStopsIt) {
    Application().Initialize();
    TTimer timer;
    timer.SetEnabled(false);
    timer.SetInterval(150);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    EXPECT_FALSE(timer.Running());
    timer.SetEnabled(true);
    // Restarted more often than it runs out: it never ticks.
    for (int i = 0; i < 8; ++i) {
        PumpMessages(50);
        timer.SetInterval(150);
    }
    EXPECT_EQ(ticks, 0);
    EXPECT_TRUE(PumpUntil([&] { return ticks == 1; }, 1000));
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    PumpMessages(300);
    EXPECT_EQ(ticks, 1);
}

} // namespace
