#include "kovalin/Application.h"
#include "kovalin/Timer.h"
#include "tests/support/WindowDriver.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace kovalin;
using namespace testsupport;

namespace {

TEST(TimerTest, SettingTheIntervalRestartsTheCountAndZeroStopsIt) {
    Application().Initialize();
    TTimer timer;
    timer.SetEnabled(false);
    const UINT interval = 400;
    timer.SetInterval(interval);
    int ticks = 0;
    timer.SetOnTimer([&] { ++ticks; });
    EXPECT_FALSE(timer.Running());
    timer.SetEnabled(true);
    // Restarted more often than it runs out: it never ticks. On a loaded machine a pump may
    // overrun by far; the claim holds only while every restart came in time.
    DWORD longestGap = 0;
    for (int i = 0; i < 8; ++i) {
        DWORD start = GetTickCount();
        PumpMessages(50);
        longestGap = std::max(longestGap, GetTickCount() - start);
        timer.SetInterval(interval);
    }
    if (longestGap < interval) {
        EXPECT_EQ(ticks, 0);
    }
    ticks = 0;
    EXPECT_TRUE(PumpUntil([&] { return ticks == 1; }, 2000));
    timer.SetInterval(0);
    EXPECT_FALSE(timer.Running());
    PumpMessages(300);
    EXPECT_EQ(ticks, 1);
}

} // namespace
