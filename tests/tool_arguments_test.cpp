// Every tool's arguments: a bad one is refused with one line on stderr before any window opens, --help lists them.
#include "support/process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace {

struct ToolRun {
    int status = -1;
    std::string stdoutText;
    std::string stderrText;
};

std::string toolPath(const std::string& tool) { return binaryDir() + "/tools/" + tool + "/hollowmere-" + tool; }

// The tool in a fresh folder that sees the checkout's Resources (so a --out that slips through lands nowhere
// that matters) and without a display, so one that gets as far as opening its window fails in a way the
// rows tell apart.
ToolRun runTool(const std::string& tool, const std::string& args) {
    const std::string dir = makeTempDir("tool_arguments");
    std::filesystem::create_directory_symlink(sourceDir() + "/Resources", dir + "/Resources");
    const CommandResult result = runCommand("cd '" + dir + "' && env -u DISPLAY '" + toolPath(tool) + "' " + args +
                                            " 2>&1 >'" + dir + "/stdout'");
    return {result.status, readFile(dir + "/stdout"), result.output};
}

struct Refusal {
    const char* tool;
    const char* args;
    const char* line;  // a part of the one line on stderr
};

const Refusal REFUSALS[] = {
    {"shot", "--size 96x54 --out a.png", "hollowmere-shot: --time is required"},
    {"shot", "--time 1", "hollowmere-shot: --out is required"},
    {"shot", "--time abc --out a.png", "hollowmere-shot: --time: 'abc' is not a number"},
    {"shot", "--time 1.5s --out a.png", "--time: '1.5s' is not a number"},
    {"shot", "--time inf --out a.png", "--time: 'inf' is not a number"},
    {"shot", "--time nan --out a.png", "--time: 'nan' is not a number"},
    {"shot", "--time 1e39 --out a.png", "--time: '1e39' is not a number"},
    {"shot", "--time --out a.png", "--time"},
    {"shot", "--time 1 --out a.png --key F9", "--key: F9 not in"},
    {"shot", "--time 1 --out a.png --key F1 F2", "unexpected argument: F2"},
    {"shot", "--time 1 --out a.png --size 96by54", "--size: '96by54' is not WxH"},
    {"shot", "--time 1 --out a.png --size 96x", "--size: '96x' is not WxH"},
    {"shot", "--time 1 --out a.png --size 0x54", "--size: '0x54' is not WxH"},
    {"shot", "--time 1 --out a.png --size 96x-54", "--size: '96x-54' is not WxH"},
    {"shot", "--time 1 --out a.png --size 99999x54", "--size: '99999x54' is not WxH with sides from 1 to 16384"},
    {"shot", "--time 1 --out a.png --frames 0", "--frames: '0' is not a whole number from 1"},
    {"shot", "--time 1 --out a.png --frames 2.5", "--frames: '2.5' is not a whole number"},
    {"shot", "--time 1 --out a.png --frames 99999999999", "--frames: '99999999999' is not a whole number"},
    {"shot", "--time 1 --out a.png --overlay 1", "unexpected argument: 1"},
    {"capture", "", "hollowmere-capture: --out is required"},
    {"capture", "--fps 10", "--out is required"},
    {"capture", "--out", "--out"},
    {"capture", "--out x --fps 0", "--fps: '0' is not a number above 0"},
    {"capture", "--out x --fps ten", "--fps: 'ten' is not a number"},
    {"capture", "--out x --size 10", "--size: '10' is not WxH"},
    {"capture", "--out x --from 3 --to 2", "--to 2 is before --from 3"},
    {"capture", "--out x --from -1", "--from: '-1' is not a number of 0 or more"},
    {"capture", "--out x --to 1e999", "--to: '1e999' is not a number"},
    {"capture", "--out x --speed 2", "unexpected arguments: --speed 2"},
    {"capture", "--out x --no-sound 1", "unexpected argument: 1"},
    {"bench", "--frames 0", "hollowmere-bench: --frames: '0' is not a whole number from 1 to 1000000"},
    {"bench", "--frames x", "--frames: 'x' is not a whole number"},
    {"bench", "--frames 1000001", "--frames: '1000001' is not a whole number"},
    {"bench", "--frames", "--frames"},
    {"bench", "--size 320", "--size: '320' is not WxH"},
    {"bench", "--size 0x240", "--size: '0x240' is not WxH"},
    {"bench", "--warmup -1", "--warmup: '-1' is not a whole number from 0"},
    {"bench", "--speed 2", "unexpected arguments: --speed 2"},
    {"inspect", "", "hollowmere-inspect: FILE is required"},
    {"inspect", "a b", "unexpected argument: b"},
    {"inspect", "a --time", "--time"},
    {"inspect", "a --time soon", "--time: 'soon' is not a number"},
    {"inspect", "a --time -inf", "--time: '-inf' is not a number"},
};

}  // namespace

TEST(ToolArguments, ABadArgumentIsOneLineOnStderrAndStatus2BeforeAnyWindowOpens) {
    for (const Refusal& row : REFUSALS) {
        SCOPED_TRACE(std::string(row.tool) + " " + row.args);
        const ToolRun run = runTool(row.tool, row.args);
        EXPECT_EQ(run.status, 2) << run.stderrText << run.stdoutText;
        EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
        EXPECT_EQ(run.stderrText.rfind("hollowmere-" + std::string(row.tool) + ": ", 0), 0u) << run.stderrText;
        EXPECT_NE(run.stderrText.find(row.line), std::string::npos) << run.stderrText;
        EXPECT_EQ(run.stdoutText, "");
    }
}

namespace {

struct Usage {
    const char* tool;
    std::vector<std::string> names;  // every option, each named in the help
};

const Usage USAGES[] = {
    {"shot", {"--time", "--out", "--size", "--key", "--frames", "--overlay"}},
    {"capture", {"--out", "--fps", "--size", "--from", "--to", "--no-sound", "--overlay"}},
    {"bench", {"--frames", "--size", "--warmup"}},
    {"inspect", {"FILE", "--time"}},
};

}  // namespace

TEST(ToolArguments, HelpNamesEveryOptionOnStdoutAndExits0) {
    for (const Usage& row : USAGES) {
        SCOPED_TRACE(row.tool);
        const ToolRun run = runTool(row.tool, "--help");
        EXPECT_EQ(run.status, 0) << run.stderrText;
        EXPECT_EQ(run.stderrText, "");
        EXPECT_NE(run.stdoutText.find("Usage: hollowmere-" + std::string(row.tool)), std::string::npos)
            << run.stdoutText;
        for (const std::string& name : row.names)
            EXPECT_NE(run.stdoutText.find("  " + name + " "), std::string::npos) << name << "\n" << run.stdoutText;
    }
}
