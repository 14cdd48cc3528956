// The whole game as a player meets it on a machine without a sound device, in one run: its window, its
// start-up lines, what each key does to the picture, restart and quit.
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

constexpr double WAIT = 40.0;  // seconds: a few frames of the software renderer on a loaded machine
// Frames at a stopped clock agree to the pixel; the smallest change, F3's few digits, is 14 pixels of 76800.
constexpr double STILL = 1e-4;

// libfaketime's clock stopped at a whole second: every frame then draws the same instant of the flight.
void stopClockAt(const std::string& file, int seconds) {
    writeFile(file + ".new", std::string("2026-01-01 00:00:") + (seconds < 10 ? "0" : "") + std::to_string(seconds));
    std::filesystem::rename(file + ".new", file);  // the game never reads half a line
}

// A wanted picture: one that differs from `from` by more than `by`, or (when far is false) by less.
std::function<bool(const Picture&)> apart(const Picture& from, double by, bool far = true) {
    return [&from, by, far](const Picture& p) { return (changedShare(p, from) > by) == far; };
}

}  // namespace

TEST(GameEndToEnd, WithoutASoundDeviceEveryKeyWorksAndEscapeEndsWithStatusZero) {
    const std::string expectedLines = readFile(sourceDir() + "/tests/fixtures/startup_lines.txt");
    ASSERT_FALSE(expectedLines.empty()) << "tests/fixtures/startup_lines.txt is missing";
    ASSERT_FALSE(faketimeEnv().empty()) << "libfaketime is missing (scripts/setup installs it)";
    const std::string dir = makeGameDir("game-e2e"), clock = dir + "/clock.rc";
    writeFile(dir + "/Resources/settings.ini", "[window]\nWIDTH=320\nHEIGHT=240\nFULLSCREEN=false\n");
    // A sound device that cannot open, the way a machine without sound hardware looks.
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=oss\n[oss]\ndevice=" + dir + "/no-such-dsp\n");
    stopClockAt(clock, 0);
    GameRun run(dir, faketimeEnv() + " FAKETIME_TIMESTAMP_FILE=" + clock + " FAKETIME_CACHE_DURATION=1 ALSOFT_CONF=" +
                         dir + "/alsoft.conf");
    ASSERT_FALSE(run.window.empty()) << "no window within 60 s\n" << gameOutput(run);
    const std::string info = runCommand("xwininfo -id " + run.window).output;
    for (const char* part : {"Width: 320", "Height: 240", "\"KVR31 - Hollowmere\""})
        EXPECT_NE(info.find(part), std::string::npos) << part << " not in\n" << info;
    ASSERT_TRUE(waitForOutput(run, expectedLines, WAIT)) << "start-up lines not printed:\n" << gameOutput(run);
    const Picture opening = waitForPicture(run, WAIT, looksDrawn);
    ASSERT_TRUE(looksDrawn(opening)) << "no frame drawn within " << WAIT << " s";

    // A key changes the picture and a second press brings the frame back. F2 only shows on faces turned
    // away, so it is pressed in wireframe, where their edges show through the front faces.
    const auto pressTwice = [&](const char* key, const char* around, const Picture& from) {
        SCOPED_TRACE(key);
        Picture base = from;
        if (*around) sendKey(run, around), base = waitForPicture(run, WAIT, apart(from, STILL));
        ASSERT_FALSE(base.rgb.empty()) << around << " did not change the picture";
        sendKey(run, key);
        ASSERT_FALSE(waitForPicture(run, WAIT, apart(base, STILL)).rgb.empty()) << key << " changed nothing";
        sendKey(run, key);
        ASSERT_FALSE(waitForPicture(run, WAIT, apart(base, STILL, false)).rgb.empty()) << "a second " << key;
        if (*around) sendKey(run, around);
        ASSERT_FALSE(waitForPicture(run, WAIT, apart(from, STILL, false)).rgb.empty()) << "a second " << around;
    };
    // F3 first: the frame rate stands still with the clock at 0 but catches up frame by frame once the
    // clock moves, so it is off for the rest.
    pressTwice("F3", "", opening);
    sendKey(run, "F3");
    const Picture bare = waitForPicture(run, WAIT, apart(opening, STILL));
    ASSERT_FALSE(bare.rgb.empty()) << "F3 did not take the frame rate away";

    // 20 s in, the study's lantern is close: shadows, light shafts and normal maps all show.
    stopClockAt(clock, 20);
    const Picture far = waitForPicture(run, WAIT, apart(bare, 0.1));
    ASSERT_FALSE(far.rgb.empty()) << "the flight did not move on to 20 s";
    for (const auto& [key, around] : {std::pair{"F1", ""}, {"F2", "F1"}, {"F4", ""}, {"F5", ""}, {"F6", ""}})
        pressTwice(key, around, far);

    sendKey(run, "Return");
    EXPECT_FALSE(waitForPicture(run, WAIT, apart(bare, changedShare(far, bare) / 20, false)).rgb.empty())
        << "Enter did not go back to the opening shot";
    sendKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 30.0), 0) << "Escape did not end the game with status 0 within 30 s";
    EXPECT_EQ(gameOutput(run), expectedLines);  // nothing more, not a word about sound
}
