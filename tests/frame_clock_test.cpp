// Frame clock: frame steps stay exact however long the game has run.
#include "app/frame_clock.h"

#include <gtest/gtest.h>

namespace {

// A timer that reads what the test says.
double now = 0.0;
double readNow() { return now; }

}  // namespace

TEST(FrameClock, FortyHoursOnEveryStepIsExactToAMicrosecond) {
    now = 40.0 * 3600.0;
    FrameClock clock = startFrameClock(readNow);
    // Steady 60 Hz frames, then frames of odd lengths: a stall, a short one, one of 1.234567 ms.
    for (double step : {1.0 / 60.0, 1.0 / 60.0, 1.0 / 60.0, 0.75, 0.004, 0.001234567, 1.0 / 60.0}) {
        now += step;
        EXPECT_NEAR(nextFrameStep(clock), step, 1e-6) << step;
    }
}
