// Settings fuzz through the game binary: with any settings file the window opens, the targets sized by it
// are made, and the game reaches its shaders; the full game starts with the small ones.
#include "core/settings.h"
#include "support/game_run.h"
#include "support/pictures.h"
#include "support/process.h"
#include "support/settings_fuzz.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

const unsigned SEED = 20261207;

// What the game's own reader prints for the file.
std::string expectedSettingsLines(const std::string& path) {
    testing::internal::CaptureStdout();
    loadSettings(path);
    return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(SettingsFuzzGame, EveryFileOpensTheWindowAndGetsAsFarAsTheLastProgram) {
    // Without the shadow program's file the game ends right after the window, the sky, the font and
    // the volumetric targets have been made at the file's size.
    const std::string dir = makeTempDir("settings-fuzz-game");
    std::filesystem::copy(sourceDir() + "/Resources", dir + "/Resources",
                          std::filesystem::copy_options::recursive);
    std::filesystem::remove_all(dir + "/Resources/models");
    std::filesystem::remove(dir + "/Resources/shader/vertexShadow.shader");
    const std::string ending = "Failed to open shader file: Resources/shader/vertexShadow.shader\n";

    const std::vector<std::string> files = fuzzSettingsFiles(200, SEED);
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE("file " + std::to_string(i) + ":\n" + files[i]);
        const std::string path = dir + "/Resources/settings.ini";
        writeFile(path, files[i]);
        const std::string expected = expectedSettingsLines(path) + ending;
        const CommandResult run = runCommand("cd " + dir + " && ALSOFT_DRIVERS=no-device " + binaryDir() +
                                             "/hollowmere 2>&1");
        ASSERT_EQ(run.status, 255) << run.output;
        ASSERT_EQ(run.output, expected);
    }
}

TEST(SettingsFuzzGame, TheGameStartsWithTheSmallOnes) {
    // A full start is slow on the software renderer: the first few files whose window is small.
    const std::string probe = makeTempDir("settings-fuzz-probe") + "/settings.ini";
    const std::vector<std::string> files = fuzzSettingsFiles(200, SEED);
    int started = 0;
    for (size_t i = 0; i < files.size() && started < 4; ++i) {
        writeFile(probe, files[i]);
        testing::internal::CaptureStdout();
        const Settings s = loadSettings(probe);
        testing::internal::GetCapturedStdout();
        if (s.fullscreen || s.width * s.height > 640.0f * 480.0f) continue;
        SCOPED_TRACE("file " + std::to_string(i) + ":\n" + files[i]);
        const std::string dir = makeGameDir("settings-fuzz-start");
        writeFile(dir + "/Resources/settings.ini", files[i]);
        GameRun run = startGame(dir, 120.0);
        ASSERT_FALSE(run.window.empty()) << gameOutput(run);
        EXPECT_TRUE(looksDrawn(waitForDrawnPicture(run, 120.0))) << gameOutput(run);
        sendKey(run, "Escape");
        EXPECT_EQ(waitForExit(run, 60.0), 0) << gameOutput(run);
        ++started;
    }
    EXPECT_EQ(started, 4);
}
