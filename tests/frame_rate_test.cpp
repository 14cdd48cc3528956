// Frame-rate window: closes in exact one-second steps, also after a stall.
#include "core/frame_rate.h"
#include "core/settings.h"
#include "render/frame.h"
#include "support/program_values.h"

#include <gtest/gtest.h>

using FrameRate = ProgramValuesTest;

TEST_F(FrameRate, CountsFramesPerWholeSecond) {
    frameCount = 0;
    fps = 0.0f;
    fpsWindowStart = 0.0f;
    for (int i = 1; i <= 59; ++i) countFrame(i / 60.0f);
    EXPECT_EQ(fps, 0.0f);  // the first second is not closed yet
    countFrame(1.0f);
    EXPECT_EQ(fps, 60.0f);
    EXPECT_EQ(frameCount, 0);
    EXPECT_EQ(fpsWindowStart, 1.0f);
}

TEST_F(FrameRate, AStallClosesOneWindowPerFrame) {
    frameCount = 0;
    fps = 0.0f;
    fpsWindowStart = 0.0f;
    countFrame(0.5f);
    countFrame(4.2f);  // a 3.7 s stall
    EXPECT_EQ(fps, 2.0f);
    EXPECT_EQ(fpsWindowStart, 1.0f);
    countFrame(4.25f);
    EXPECT_EQ(fps, 1.0f);
    EXPECT_EQ(fpsWindowStart, 2.0f);
    countFrame(4.3f);
    EXPECT_EQ(fps, 1.0f);
    EXPECT_EQ(fpsWindowStart, 3.0f);
    countFrame(4.35f);
    EXPECT_EQ(fpsWindowStart, 4.0f);
    countFrame(4.4f);  // caught up: the window stays open
    EXPECT_EQ(fpsWindowStart, 4.0f);
    EXPECT_EQ(frameCount, 1);
}

TEST_F(FrameRate, ProjectionMatchesTheFixedElements) {
    settings.width = 1280.0f;
    settings.height = 720.0f;
    glm::mat4 p = frameProjection();
    float t = std::tan(glm::radians(45.0f));
    EXPECT_FLOAT_EQ(p[0][0], 1.0f / ((1280.0f / 720.0f) * t));
    EXPECT_FLOAT_EQ(p[1][1], 1.0f / t);
    EXPECT_FLOAT_EQ(p[2][2], -1.0004001f);
    EXPECT_FLOAT_EQ(p[2][3], -1.0f);
    EXPECT_FLOAT_EQ(p[3][2], -0.20004001f);
    EXPECT_EQ(p[3][3], 0.0f);
}
