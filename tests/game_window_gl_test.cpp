// The built game under the test display: window size and title from settings.ini, Escape ends it.
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(GameWindow, OpensAtTheSettingsSizeAndEscapeQuits) {
    std::string dir = makeGameDir("game-window");
    writeFile(dir + "/Resources/settings.ini", "[window]\nWIDTH=1001\nHEIGHT=601\nFULLSCREEN=false\n");
    GameRun run = startGame(dir);
    ASSERT_FALSE(run.window.empty()) << gameOutput(run);

    CommandResult info = runCommand("xwininfo -id " + run.window);
    EXPECT_NE(info.output.find("Width: 1001"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("Height: 601"), std::string::npos) << info.output;
    EXPECT_NE(info.output.find("\"KVR31 - Hollowmere\""), std::string::npos) << info.output;

    auto start = std::chrono::steady_clock::now();
    sendKey(run, "Escape");
    int status = waitForExit(run, 10.0);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(status, 0) << gameOutput(run);
    EXPECT_LT(seconds, 10.0);
}
