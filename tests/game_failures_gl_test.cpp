// The game binary with files missing, broken or corrupt: each is reported once and the game runs on,
// except a shader, which ends it at once.
#include "support/game_run.h"
#include "support/pictures.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

const char* SMALL_WINDOW = "[window]\nWIDTH=320\nHEIGHT=240\nREFRESH_RATE=60\nFULLSCREEN=false\nBRIGHTNESS=0.5\n";

std::string startLines() { return readFile(sourceDir() + "/tests/fixtures/startup_lines.txt"); }

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// What one run showed: its output, its exit status and its first drawn picture.
struct Outcome {
    std::string output;
    int status = -1;
    Picture picture;
};

// Runs the game in dir until its first frame is drawn, then presses Escape.
Outcome runToFirstFrame(const std::string& dir, const std::string& env = "") {
    GameRun run = startGame(dir, 120.0, env);
    Outcome outcome;
    if (!run.window.empty()) {
        outcome.picture = waitForDrawnPicture(run, 120.0);
        sendKey(run, "Escape");
    }
    outcome.status = waitForExit(run, 60.0);
    outcome.output = gameOutput(run);
    return outcome;
}

// Runs a game that must end by itself; returns its outcome and how long it ran.
Outcome runToItsEnd(const std::string& dir, double& seconds) {
    const auto start = std::chrono::steady_clock::now();
    GameRun run = startGame(dir, 60.0);
    Outcome outcome;
    outcome.status = waitForExit(run, 60.0);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.output = gameOutput(run);
    return outcome;
}

std::string smallGameDir(const std::string& prefix) {
    const std::string dir = makeGameDir(prefix);
    writeFile(dir + "/Resources/settings.ini", SMALL_WINDOW);
    return dir;
}

struct MissingFile {
    const char* path;     // under the game's folder
    const char* message;  // the one line it gives; empty: nothing is printed for it
};

}  // namespace

TEST(GameFailures, EachMissingFileIsReportedOnceAndTheGameRunsOn) {
    const MissingFile cases[] = {
        {"Resources/models/candle2/lantern.fbx", "[ERROR] Assimp: "},
        {"Resources/models/house/plaster_diffuse.png",
         "Texture failed to load at path: Resources/models/house/plaster_diffuse.png\n"},
        {"Resources/skybox/top.png", "Cubemap tex failed to load at path: Resources/skybox/top.png\n"},
        {"Resources/fonts/call-of-ops-duty.regular.otf", "ERROR::FREETYPE: Failed to load font\n"},
        {"Resources/wind.mp3", ""},
        {"Resources/glass_breaks.mp3", ""},
        {"Resources/settings.ini", "ERROR: Failed to load 'Resources/settings.ini'. Using default values instead.\n"},
    };
    for (const MissingFile& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string dir = smallGameDir("game-missing");
        ASSERT_TRUE(std::filesystem::remove(dir + "/" + c.path));
        const Outcome outcome = runToFirstFrame(dir);
        EXPECT_TRUE(looksDrawn(outcome.picture)) << outcome.output;
        EXPECT_EQ(outcome.status, 0) << outcome.output;
        const std::string message = c.message;
        if (message.empty()) {
            EXPECT_EQ(outcome.output, startLines());
        } else {
            EXPECT_EQ(countOf(outcome.output, message), 1u) << outcome.output;
        }
    }
}

TEST(GameFailures, BrokenSoundsAreNamedOnceWithTheReasonAndTheGameRunsOn) {
    const std::string dir = smallGameDir("game-broken-sound");
    // The wind cut off halfway, the glass break replaced by noise of the same size, the lantern gone.
    const std::string wind = dir + "/Resources/wind.mp3";
    std::filesystem::resize_file(wind, std::filesystem::file_size(wind) / 2);
    const std::string glass = dir + "/Resources/glass_breaks.mp3";
    std::mt19937 random(7);
    std::string noise(std::filesystem::file_size(glass), '\0');
    for (char& byte : noise) byte = static_cast<char>(random() & 0xff);
    writeFile(glass, noise);
    ASSERT_TRUE(std::filesystem::remove(dir + "/Resources/lantern.mp3"));
    // A sound device to play them on: the wave backend.
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=wave\n[wave]\nfile=" + dir + "/heard.wav\n");

    const Outcome outcome = runToFirstFrame(dir, "ALSOFT_CONF=" + dir + "/alsoft.conf");
    EXPECT_TRUE(looksDrawn(outcome.picture)) << outcome.output;
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    for (const char* line : {"Sound failed to load at path: Resources/wind.mp3 (cut short: ",
                             "Sound failed to load at path: Resources/glass_breaks.mp3 (no MP3 audio in it)\n",
                             "Sound failed to load at path: Resources/lantern.mp3 (No such file or directory)\n"})
        EXPECT_EQ(countOf(outcome.output, line), 1u) << outcome.output;
    EXPECT_EQ(countOf(outcome.output, "Sound failed"), 3u) << outcome.output;
}

TEST(GameFailures, WithoutSettingsTheWindowHasTheDefaultSize) {
    const std::string dir = makeGameDir("game-no-settings");
    ASSERT_TRUE(std::filesystem::remove(dir + "/Resources/settings.ini"));
    const Outcome outcome = runToFirstFrame(dir);
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(outcome.picture.width, 800);
    EXPECT_EQ(outcome.picture.height, 600);
    EXPECT_EQ(outcome.output,
              "ERROR: Failed to load 'Resources/settings.ini'. Using default values instead.\n" + startLines());
}

TEST(GameFailures, AMissingShaderFileEndsTheGameAtOnceWithStatus255) {
    // One program of the renderer's start-up, one built with the scene.
    for (const char* shader : {"Resources/shader/skyboxFragment.shader", "Resources/shader/fragment.shader"}) {
        SCOPED_TRACE(shader);
        const std::string dir = smallGameDir("game-no-shader");
        ASSERT_TRUE(std::filesystem::remove(dir + "/" + shader));
        double seconds = 0.0;
        const Outcome outcome = runToItsEnd(dir, seconds);
        EXPECT_EQ(outcome.status, 255) << outcome.output;
        EXPECT_EQ(countOf(outcome.output, std::string("Failed to open shader file: ") + shader + "\n"), 1u)
            << outcome.output;
        // Nobody is at a terminal to press Enter: no prompt, no wait.
        EXPECT_EQ(outcome.output.find("Press Enter"), std::string::npos);
        EXPECT_LT(seconds, 45.0);
    }
}

TEST(GameFailures, AShaderThatDoesNotCompilePrintsItsLogAndEnds) {
    const std::string dir = smallGameDir("game-bad-shader");
    writeFile(dir + "/Resources/shader/hudFragment.shader",
              "#version 430 core\nout vec4 fragColor;\nvoid main() { fragColor = undeclaredColour; }\n");
    double seconds = 0.0;
    const Outcome outcome = runToItsEnd(dir, seconds);
    EXPECT_EQ(outcome.status, 255) << outcome.output;
    const size_t at = outcome.output.find("Failed to compile shader\n");
    ASSERT_NE(at, std::string::npos) << outcome.output;
    // The compiler's log follows on the next line and names the fault.
    const std::string log = outcome.output.substr(at + std::string("Failed to compile shader\n").size());
    EXPECT_NE(log.find("undeclaredColour"), std::string::npos) << log;
    EXPECT_LT(seconds, 45.0);
}

TEST(GameFailures, CorruptAndTruncatedModelsAreReportedAndLeftOut) {
    const std::string dir = smallGameDir("game-corrupt-model");
    // The house cut off halfway, the lantern replaced by noise of the same size.
    const std::string house = dir + "/Resources/models/house/house3.fbx";
    std::filesystem::resize_file(house, std::filesystem::file_size(house) / 2);
    const std::string lantern = dir + "/Resources/models/candle2/lantern.fbx";
    const auto size = std::filesystem::file_size(lantern);
    std::mt19937 random(7);
    std::string noise(size, '\0');
    for (char& byte : noise) byte = static_cast<char>(random() & 0xff);
    writeFile(lantern, noise);

    const Outcome outcome = runToFirstFrame(dir);
    EXPECT_TRUE(looksDrawn(outcome.picture)) << outcome.output;
    EXPECT_EQ(outcome.status, 0) << outcome.output;
    EXPECT_EQ(countOf(outcome.output, "[ERROR] Assimp: "), 2u) << outcome.output;
    EXPECT_EQ(outcome.output.find("successfully loaded model with path: Resources/models/house/house3.fbx"),
              std::string::npos);
    EXPECT_EQ(outcome.output.find("successfully loaded model with path: Resources/models/candle2/lantern.fbx"),
              std::string::npos);
}
