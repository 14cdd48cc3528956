// hollowmere-shot: a PNG of the asked size showing the lit flight.
#include "support/pictures.h"
#include "support/process.h"

#include <gtest/gtest.h>

TEST(ShotTool, WritesAPngOfTheAskedSizeOfTheLitFlight) {
    const std::string png = makeTempDir("shot") + "/shot.png";
    const CommandResult run =
        runCommand(binaryDir() + "/tools/shot/hollowmere-shot --time 20 --size 160x90 --out " + png);
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("frame: "), std::string::npos) << run.output;
    const Picture shot = readImage(png);
    ASSERT_EQ(shot.width, 160);
    ASSERT_EQ(shot.height, 90);
    // Neither a flat clear colour nor the window's white: a night scene, dark but readable.
    EXPECT_TRUE(looksDrawn(shot));
    double mean = 0.0;
    for (float v : shot.rgb) mean += v / shot.rgb.size();
    EXPECT_GT(mean, 8.0);
    EXPECT_LT(mean, 120.0);
}
