// scripts/run: with a screen it opens the game window; without one it renders the flight to a video with its sound.
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// The checkout's scripts/run, building into and running from the build these tests come from.
std::string runScript() {
    return "HOLLOWMERE_BUILD_DIR='" + binaryDir() + "' '" + sourceDir() + "/scripts/run'";
}

}  // namespace

TEST(RunScript, WithoutADisplayItRendersTheFlightToAVideoWithSoundAndEndsSayingWhereItIs) {
    const std::vector<std::string> startup = lines(readFile(sourceDir() + "/tests/fixtures/startup_lines.txt"));
    ASSERT_FALSE(startup.empty()) << "tests/fixtures/startup_lines.txt is missing";
    const struct { const char* args; const char* rendering; const char* lastFrame; const char* video; } rows[] = {
        // What the user gives wins; what they leave out comes from the script's defaults.
        {"--to 1 --fps 4 --size 160x90", "rendering 5 frames of 160x90 at 4 fps", "frame 5/5 (100 %) at 1 s, took ",
         "video,160,90\naudio\n"},
        {"--to 0.25", "rendering 7 frames of 640x360 at 24 fps", "frame 7/7 (100 %) at 0.25 s, took ",
         "video,640,360\naudio\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args);
        const std::string out = makeTempDir("run-headless") + "/flight";
        const CommandResult run =
            runCommand("env -u DISPLAY -u WAYLAND_DISPLAY " + runScript() + " " + row.args + " --out '" + out + "'");
        ASSERT_EQ(run.status, 0) << run.output;
        for (const std::string& line : startup) EXPECT_EQ(run.output.find(line), std::string::npos) << line;
        for (const std::string wanted : {row.rendering, row.lastFrame})
            EXPECT_NE(run.output.find(wanted), std::string::npos) << wanted << " not in\n" << run.output;
        const std::vector<std::string> printed = lines(run.output);
        EXPECT_EQ(printed.back(), "wrote " + out + "/flight.mp4") << run.output;
        const std::string streams = runCommand("ffprobe -v error -show_entries stream=codec_type,width,height -of "
                                               "csv=p=0 '" + out + "/flight.mp4'").output;
        EXPECT_EQ(streams, row.video);
        EXPECT_EQ(folderNames(out), std::vector<std::string>{"flight.mp4"}) << "only the video is left";
    }
}

TEST(RunScript, WithVideoItRendersTheVideoEvenWithADisplay) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    const std::string out = makeTempDir("run-video") + "/flight";
    const CommandResult run = runCommand(runScript() + " --video --to 0.5 --fps 4 --size 96x54 --out '" + out + "'");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("rendering 3 frames of 96x54 at 4 fps"), std::string::npos) << run.output;
    EXPECT_EQ(run.output.find("no display found"), std::string::npos) << run.output;
    EXPECT_EQ(lines(run.output).back(), "wrote " + out + "/flight.mp4") << run.output;
    EXPECT_EQ(folderNames(out), std::vector<std::string>{"flight.mp4"});
}

TEST(RunScript, WithADisplayItOpensTheGameWindowAndEscapeEndsIt) {
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no display";
    // The script checks the packages and the build before the game starts, hence the long bound.
    GameRun game(makeTempDir("run-window"), "HOLLOWMERE_BUILD_DIR='" + binaryDir() + "'", 180.0,
                 "'" + sourceDir() + "/scripts/run'");
    ASSERT_FALSE(game.window.empty()) << "no game window within 180 s:\n" << gameOutput(game);
    sendKey(game, "Escape");
    EXPECT_EQ(waitForExit(game, 30.0), 0) << "Escape did not end the game:\n" << gameOutput(game);
    EXPECT_EQ(gameOutput(game).find("no display found"), std::string::npos) << gameOutput(game);
    // Any display a test gets here is drawn by Mesa's software renderer unless glxinfo names another.
    const std::string renderer = runCommand("glxinfo -B | grep 'OpenGL renderer string'").output;
    const bool software = renderer.find("llvmpipe") != std::string::npos || renderer.find("softpipe") != std::string::npos ||
                          renderer.find("swrast") != std::string::npos;
    const std::string hint = "the window's frame rate will be low; scripts/run --video renders the smooth video instead\n";
    EXPECT_EQ(gameOutput(game).find(hint) != std::string::npos, software) << renderer << gameOutput(game);
}
