// The stopwatch measures wall time while running and keeps the measured value once stopped.
#include "host/core/PerformanceTimer.h"

#include <gtest/gtest.h>

#include <thread>

TEST(PerformanceTimer, MeasuresWhileRunningAndKeepsTheValueWhenStopped) {
    PerformanceTools::Timer t;
    EXPECT_EQ(t.EndTimer(), 0.0);
    t.StartTimer();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_GE(t.GetElapsedTime(), 0.025);
    double elapsed = t.EndTimer();
    EXPECT_GE(elapsed, 0.025);
    EXPECT_LT(elapsed, 5.0);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(t.GetElapsedTime(), elapsed);
    EXPECT_EQ(t.EndTimer(), elapsed);

    // A restart measures from the new start.
    t.StartTimer();
    EXPECT_LT(t.EndTimer(), elapsed);
}
