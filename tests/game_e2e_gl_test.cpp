// The whole game as a player meets it: its start-up lines, what each key does to the picture, restart and quit.
#include "support/game_run.h"
#include "support/pictures.h"
#include "support/process.h"
#include "support/stopped_clock.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <thread>

namespace {

const char* SMALL_WINDOW = "[window]\nWIDTH=320\nHEIGHT=240\nREFRESH_RATE=60\nFULLSCREEN=false\nBRIGHTNESS=0.5\n";

std::string expectedStartLines() { return readFile(sourceDir() + "/tests/fixtures/startup_lines.txt"); }

// Waits until the game has printed `text` (its start-up is done), up to timeoutSeconds.
bool waitForOutput(const GameRun& run, const std::string& text, double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    while (gameOutput(run).find(text) == std::string::npos) {
        if (std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() > timeoutSeconds)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    return true;
}

// A game in a fresh folder with a small window, started, loaded and showing its first frame.
struct StartedGame {
    GameRun run;
    Picture first;
};

StartedGame startLoadedGame(const std::string& dir, const std::string& env = "") {
    writeFile(dir + "/Resources/settings.ini", SMALL_WINDOW);
    StartedGame game;
    game.run = startGame(dir, 120.0, env);
    if (game.run.window.empty()) return game;
    if (!waitForOutput(game.run, expectedStartLines(), 120.0)) return game;
    game.first = waitForDrawnPicture(game.run, 60.0);
    return game;
}

// Frames at a stopped clock are the same; every key changes the picture by a tenth of a level or far more.
constexpr double STILL = 0.05;
constexpr double KEY_WAIT = 40.0;  // seconds: two frames of the software renderer with room to spare

struct KeyCase {
    const char* key;
    Region region;  // where the key shows; the whole window when empty
};

// A wireframe frame: its most common colour (the background), the share of pixels near it, the share of
// line pixels far from it, and in how many cells of a 4 x 4 grid lines cover a hundredth or more.
struct LineFrame {
    float background[3] = {0.0f, 0.0f, 0.0f};
    double backgroundShare = 0.0;
    double lineShare = 0.0;
    int cellsWithLines = 0;
};

float channelDistance(const Picture& picture, size_t pixel, const float* colour) {
    float d = 0.0f;
    for (int c = 0; c < 3; ++c) d = std::max(d, std::fabs(picture.rgb[pixel * 3 + c] - colour[c]));
    return d;
}

LineFrame lineFrame(const Picture& picture) {
    LineFrame frame;
    const size_t n = picture.rgb.size() / 3;
    std::map<std::array<int, 3>, size_t> counts;
    for (size_t i = 0; i < n; ++i)
        ++counts[{int(picture.rgb[i * 3]), int(picture.rgb[i * 3 + 1]), int(picture.rgb[i * 3 + 2])}];
    const auto mode = std::max_element(counts.begin(), counts.end(),
                                       [](const auto& a, const auto& b) { return a.second < b.second; });
    for (int c = 0; c < 3 && mode != counts.end(); ++c) frame.background[c] = static_cast<float>(mode->first[c]);
    std::vector<size_t> cellLines(16, 0);
    for (size_t i = 0; i < n; ++i) {
        const float d = channelDistance(picture, i, frame.background);
        if (d <= 8.0f) frame.backgroundShare += 1.0;
        if (d <= 24.0f) continue;
        frame.lineShare += 1.0;
        const size_t x = i % picture.width, y = i / picture.width;
        ++cellLines[(y * 4 / picture.height) * 4 + x * 4 / picture.width];
    }
    frame.backgroundShare /= static_cast<double>(n);
    frame.lineShare /= static_cast<double>(n);
    for (size_t lines : cellLines) frame.cellsWithLines += lines * 16 * 100 >= n ? 1 : 0;
    return frame;
}

}  // namespace

TEST(GameEndToEnd, NormalStartPrintsItsLinesInOrderAndEscapeEndsWithStatusZero) {
    StartedGame game = startLoadedGame(makeGameDir("game-e2e-start"));
    ASSERT_FALSE(game.run.window.empty()) << gameOutput(game.run);
    ASSERT_TRUE(looksDrawn(game.first)) << gameOutput(game.run);
    // A few more frames: the running game prints nothing more.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const auto start = std::chrono::steady_clock::now();
    sendKey(game.run, "Escape");
    EXPECT_EQ(waitForExit(game.run, 30.0), 0);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 30.0);
    EXPECT_EQ(gameOutput(game.run), expectedStartLines());
}

TEST(GameEndToEnd, EachFunctionKeyChangesThePictureAndASecondPressBringsItBack) {
    const std::string dir = makeGameDir("game-e2e-keys");
    const StoppedClock clock = makeStoppedClock(dir);
    ASSERT_FALSE(clock.env.empty()) << "libfaketime is missing (scripts/setup installs it)";
    StartedGame game = startLoadedGame(dir, clock.env);
    ASSERT_TRUE(looksDrawn(game.first)) << gameOutput(game.run);

    // 20 s into the flight the study's lantern is close: shadows, shafts and normal maps all show.
    setClockTime(clock, 20);
    waitForChange(game.run, game.first, 5.0, KEY_WAIT);
    Picture before = waitForStill(game.run, 0.0, KEY_WAIT);
    ASSERT_GT(pictureDifference(before, game.first), 5.0) << "the flight did not move on";
    // The threshold means something only while the stopped clock really holds the picture still.
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const double noise = pictureDifference(takePicture(game.run), before);
    std::printf("two shots at the stopped clock differ by %.4f\n", noise);
    ASSERT_LT(noise, STILL / 4.0);

    const int w = before.width, h = before.height;
    // F2 only shows on faces turned away; in wireframe their edges appear through the front faces.
    const KeyCase cases[] = {
        {"F1", {}},
        {"F1 F2", {}},
        {"F3", {w * 6 / 10, 0, 0, h / 5}},  // the frame-rate text in the upper right corner
        {"F4", {}},
        {"F5", {}},
        {"F6", {}},
    };
    for (const KeyCase& c : cases) {
        SCOPED_TRACE(c.key);
        const std::string key = c.key;
        const bool withWireframe = key == "F1 F2";
        Picture base = before;
        if (withWireframe) {
            sendKey(game.run, "F1");
            base = waitForChange(game.run, before, STILL, KEY_WAIT);
        }
        const std::string toggled = withWireframe ? "F2" : key;
        sendKey(game.run, toggled);
        const Picture on = waitForChange(game.run, base, STILL, KEY_WAIT, c.region);
        const double change = pictureDifference(on, base, c.region);
        EXPECT_GT(change, STILL);
        if (key == "F1") {
            // The house, the candles, the lantern and the ghost as lines over the background, across the
            // frame; not the composite's white left bare.
            const LineFrame lines = lineFrame(on);
            std::printf("F1: background (%.0f, %.0f, %.0f) %.3f of the frame, lines %.3f, in %d of 16 cells\n",
                        lines.background[0], lines.background[1], lines.background[2], lines.backgroundShare,
                        lines.lineShare, lines.cellsWithLines);
            EXPECT_GT(lines.backgroundShare, 0.5);
            EXPECT_GT(lines.lineShare, 0.05);
            EXPECT_GE(lines.cellsWithLines, 12);
            const float* bg = lines.background;
            EXPECT_GT(255.0f - std::min({bg[0], bg[1], bg[2]}), 48.0f) << "the background is the white clear";
        }

        sendKey(game.run, toggled);
        const Picture off = waitForChange(game.run, on, STILL, KEY_WAIT, c.region);
        const double back = pictureDifference(off, base, c.region);
        EXPECT_LT(back, STILL);
        if (key == "F1") {
            EXPECT_EQ(back, 0.0) << "the second F1 gives the frame before it exactly";
        }
        std::printf("%s changes the picture by %.3f, pressed again %.3f is left\n", toggled.c_str(), change, back);
        if (withWireframe) {
            sendKey(game.run, "F1");
            before = waitForChange(game.run, off, STILL, KEY_WAIT);
        } else {
            before = off;
        }
    }
    sendKey(game.run, "Escape");
    EXPECT_EQ(waitForExit(game.run, 60.0), 0);
    EXPECT_EQ(gameOutput(game.run), expectedStartLines());
}

TEST(GameEndToEnd, EnterReturnsToTheOpeningShot) {
    const std::string dir = makeGameDir("game-e2e-restart");
    const StoppedClock clock = makeStoppedClock(dir);
    ASSERT_FALSE(clock.env.empty()) << "libfaketime is missing (scripts/setup installs it)";
    StartedGame game = startLoadedGame(dir, clock.env);
    ASSERT_TRUE(looksDrawn(game.first)) << gameOutput(game.run);
    const Picture opening = waitForStill(game.run, 0.0, KEY_WAIT);

    setClockTime(clock, 20);
    waitForChange(game.run, opening, 5.0, KEY_WAIT);
    const Picture far = waitForStill(game.run, 0.0, KEY_WAIT);
    const double away = pictureDifference(far, opening);
    ASSERT_GT(away, 5.0);

    sendKey(game.run, "Return");
    waitForChange(game.run, far, 5.0, KEY_WAIT);
    const Picture again = waitForStill(game.run, 0.0, KEY_WAIT);
    EXPECT_LT(pictureDifference(again, opening), away / 20.0);
    std::printf("20 s away: %.3f, after the restart: %.3f\n", away, pictureDifference(again, opening));

    sendKey(game.run, "Escape");
    EXPECT_EQ(waitForExit(game.run, 60.0), 0);
}
