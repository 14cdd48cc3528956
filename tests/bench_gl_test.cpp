// hollowmere-bench: its table and, last, one JSON line with the whole frame and every pass.
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdio>

TEST(BenchTool, PrintsTheTableAndAJsonLineWithEveryPass) {
    const CommandResult run = runCommand(binaryDir() + "/tools/bench/hollowmere-bench --frames 3 --warmup 1 --size 160x120");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nms          GPU median       p10       p90  |CPU median"), std::string::npos) << run.output;
    const std::string json = run.output.substr(run.output.rfind('\n', run.output.size() - 2) + 1);
    ASSERT_EQ(json.rfind("{\"frames\":3,\"warmup\":1,\"width\":160,\"height\":120,", 0), 0u) << json;
    EXPECT_EQ(json.substr(json.size() - 3), "}}\n") << json;
    for (const std::string name : {"frame", "shadow", "scene", "sky", "volumetric", "composite", "overlay"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(run.output.find("\n" + name + " "), std::string::npos) << "no table row";
        const size_t at = json.find("\"" + name + "\":{");
        ASSERT_NE(at, std::string::npos);
        double t[6] = {};  // GPU, then CPU: median, p10, p90
        ASSERT_EQ(std::sscanf(json.c_str() + at + name.size() + 3,
                              "{\"gpu\":{\"median\":%lf,\"p10\":%lf,\"p90\":%lf},\"cpu\":{\"median\":%lf,\"p10\":%lf,\"p90\":%lf}}",
                              &t[0], &t[1], &t[2], &t[3], &t[4], &t[5]), 6) << json;
        for (int c : {0, 3}) EXPECT_TRUE(0.0 <= t[c + 1] && t[c + 1] <= t[c] && t[c] <= t[c + 2]) << t[c];
        EXPECT_GT(t[3], 0.0) << "the pass did not run";  // volumetric light is on by default
    }
}
