// The game binary with files missing, broken or corrupt: each is named once and the game runs on, except a
// shader, which ends it at once with status 255.
#include "support/game_run.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(GameFailures, EveryMissingOrBrokenFileIsNamedOnceAndTheGameRunsOn) {
    const std::string dir = makeGameDir("game-missing"), res = dir + "/Resources/";
    for (const char* file : {"models/candle2/lantern.fbx", "models/house/plaster_diffuse.png", "skybox/top.png",
                             "fonts/call-of-ops-duty.regular.otf", "settings.ini", "lantern.mp3"})
        ASSERT_TRUE(std::filesystem::remove(res + file)) << file;
    // The floor model and the wind cut off halfway, the glass break a file of the right size with no audio.
    for (const char* file : {"models/candle1/volumetric_floor.fbx", "wind.mp3"})
        std::filesystem::resize_file(res + file, std::filesystem::file_size(res + file) / 2);
    writeFile(res + "glass_breaks.mp3", std::string(std::filesystem::file_size(res + "glass_breaks.mp3"), '\x5a'));
    // A sound device to play on, so the sounds are loaded: the wave backend.
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=wave\n[wave]\nfile=" + dir + "/heard.wav\n");

    GameRun run(dir, "ALSOFT_CONF=" + dir + "/alsoft.conf");
    ASSERT_FALSE(run.window.empty()) << "no window within 60 s\n" << gameOutput(run);
    const Picture picture = waitForPicture(run, 60.0, looksDrawn, 1.0);  // the flight moves on: any two shots
    EXPECT_TRUE(looksDrawn(picture)) << "no frame drawn within 60 s\n" << gameOutput(run);
    EXPECT_TRUE(picture.width == 800 && picture.height == 600) << "without settings.ini the window has the default size";
    sendKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 30.0), 0) << gameOutput(run);
    const std::string output = gameOutput(run);
    for (const auto& [line, times] : {
             std::pair{"ERROR: Failed to load 'Resources/settings.ini'. Using default values instead.\n", 1},
             {"Texture failed to load at path: Resources/models/house/plaster_diffuse.png\n", 1},
             {"Cubemap tex failed to load at path: Resources/skybox/top.png\n", 1},
             {"ERROR::FREETYPE: Failed to load font\n", 1},
             {"Sound failed to load at path: Resources/wind.mp3 (cut short: ", 1},
             {"Sound failed to load at path: Resources/glass_breaks.mp3 (no MP3 audio in it)\n", 1},
             {"Sound failed to load at path: Resources/lantern.mp3 (No such file or directory)\n", 1},
             {"Sound failed", 3},
             {"[ERROR] Assimp: ", 2},  // the missing lantern and the floor cut short, neither loaded
             {"successfully loaded model with path: Resources/models/", 2},
         })
        EXPECT_EQ(countOf(output, line), static_cast<size_t>(times)) << line << "\nin:\n" << output;
}

TEST(GameFailures, AMissingOrBrokenShaderEndsTheGameAtOnceWithStatus255) {
    const struct { const char* file; const char* source; const char* line; const char* then; } cases[] = {
        {"skyboxFragment.shader", nullptr, "Failed to open shader file: Resources/shader/skyboxFragment.shader\n", ""},
        // The compiler's log follows and names the fault.
        {"hudFragment.shader", "#version 430 core\nout vec4 c;\nvoid main() { c = undeclaredColour; }\n",
         "Failed to compile shader\n", "undeclaredColour"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = makeGameDir("game-shader"), path = dir + "/Resources/shader/" + c.file;
        if (c.source) writeFile(path, c.source);
        else ASSERT_TRUE(std::filesystem::remove(path));
        // Nobody is at a terminal to press Enter: it must end by itself, well within the bound.
        const CommandResult run = runCommand("cd " + dir + " && ALSOFT_DRIVERS=null timeout 60 " + binaryDir() + "/hollowmere");
        EXPECT_TRUE(run.status == 255 && countOf(run.output, c.line) == 1 && run.output.find("Press Enter") == std::string::npos &&
                    run.output.find(c.then, run.output.find(c.line)) != std::string::npos) << run.status << "\n" << run.output;
    }
}

TEST(GameFailures, EachSettingPastItsLimitsIsNamedWithTheValueUsedAndTheGameGoesOnToItsShaders) {
    // Without models and the shadow program's file the game ends right after everything the settings size is made.
    // Single bad values, their limits and stray lines are settings_test's and the fuzz's; these are whole files
    // as the game meets them.
    const std::string dir = makeGameDir("game-settings");
    std::filesystem::remove_all(dir + "/Resources/models");
    ASSERT_TRUE(std::filesystem::remove(dir + "/Resources/shader/vertexShadow.shader"));
    const std::string w = "Invalid WIDTH=", r = "Invalid REFRESH_RATE=", u = " in settings: using ";
    const struct { const char* file; std::string lines; } cases[] = {
        {"[window]\nWIDTH=16384\nHEIGHT=1\nREFRESH_RATE=1000\nBRIGHTNESS=-1e30\n", ""},  // the limits themselves
        {"[window]\nBRIGHTNESS=nan\nREFRESH_RATE=0.5\n", r + "0.5" + u + "60 instead\nInvalid BRIGHTNESS=nan" + u + "0.5 instead\n"},
        {"[window]\r\nwidth = -1\x01\x02 ; x\r\nFULLSCREEN=maybe\r\nHEIGHT=wide\r\n", w + "-1??" + u + "800 instead\n"},
        {"WIDTH=0\n[other]\nHEIGHT=0\n[window\nREFRESH_RATE=0\n", ""},  // outside [window]
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        writeFile(dir + "/Resources/settings.ini", c.file);
        const CommandResult run = runCommand("cd " + dir + " && ALSOFT_DRIVERS=null timeout 60 " + binaryDir() + "/hollowmere");
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.output, c.lines + "Failed to open shader file: Resources/shader/vertexShadow.shader\n");
    }
}
