// Every tool's arguments: a bad one is refused with one line on stderr and status 2 before any window opens.
#include "support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

TEST(ToolArguments, ABadArgumentIsOneLineOnStderrWithStatus2) {
    const struct { const char* tool; const char* args; const char* line; } rows[] = {
        {"shot", "--size 96x54 --out a.png", "hollowmere-shot: --time is required"},
        {"shot", "--time 1", "hollowmere-shot: --out is required"},
        {"shot", "--time 1.5s --out a.png", "hollowmere-shot: --time: '1.5s' is not a number"},
        {"shot", "--time 1 --out a.png --key F9", "--key: F9 not in"},
        {"shot", "--time 1 --out a.png --size 99999x54", "--size: '99999x54' is not WxH with sides from 1 to 16384"},
        {"shot", "--time 1 --out a.png --mask", "--mask: 1 required TEXT missing"},
        {"shot", "--time 1 --out a.png --mask a.png", "--mask: 'a.png' is the --out file too"},
        {"capture", "--fps 10", "hollowmere-capture: --out is required"},
        {"capture", "--out x --from 3 --to 2", "--to 2 is before --from 3"},
        {"capture", "--out x --no-sound 1", "unexpected argument: 1"},
        {"capture", "--out x --wav --no-sound", "--no-sound excludes --wav"},
        {"bench", "--frames 1000001", "hollowmere-bench: --frames: '1000001' is not a whole number from 1 to 1000000"},
        {"bench", "--warmup -1", "--warmup: '-1' is not a whole number from 0"},
        {"inspect", "", "hollowmere-inspect: FILE is required"},
        {"inspect", "a --time -inf", "--time: '-inf' is not a number"},
    };
    // In a fresh folder that sees the checkout's Resources (so an --out that slips through lands nowhere that
    // matters) and without a display, so a tool that gets as far as its window fails differently.
    const std::string dir = makeTempDir("tool-arguments");
    std::filesystem::create_directory_symlink(sourceDir() + "/Resources", dir + "/Resources");
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.tool) + " " + row.args);
        const std::string tool = "hollowmere-" + std::string(row.tool);
        const CommandResult run = runCommand("cd '" + dir + "' && env -u DISPLAY '" + binaryDir() + "/tools/" +
                                             row.tool + "/" + tool + "' " + row.args + " 2>&1 >'" + dir + "/stdout'");
        const std::string out = readFile(dir + "/stdout"), &err = run.output;
        EXPECT_EQ(run.status, 2) << err << out;
        EXPECT_TRUE(std::count(err.begin(), err.end(), '\n') == 1 && err.rfind(tool + ": ", 0) == 0) << err;
        EXPECT_NE(err.find(row.line), std::string::npos) << err;
        EXPECT_EQ(out, "");
    }
}
