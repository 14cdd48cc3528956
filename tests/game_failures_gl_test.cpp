// The game binary with files missing, broken or corrupt: each is named once and the game runs on,
// except a shader, which ends it at once with status 255.
#include "support/game_run.h"
#include "support/pictures.h"
#include "support/process.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <random>

namespace {

size_t countOf(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

void cutInHalf(const std::string& path) { std::filesystem::resize_file(path, std::filesystem::file_size(path) / 2); }

void fillWithNoise(const std::string& path) {
    std::mt19937 random(7);
    std::string noise(std::filesystem::file_size(path), '\0');
    for (char& byte : noise) byte = static_cast<char>(random() & 0xff);
    writeFile(path, noise);
}

}  // namespace

TEST(GameFailures, EveryMissingOrBrokenFileIsNamedOnceAndTheGameRunsOn) {
    const std::string dir = makeGameDir("game-missing");
    const std::string res = dir + "/Resources/";
    for (const char* file : {"models/candle2/lantern.fbx", "models/house/plaster_diffuse.png", "skybox/top.png",
                             "fonts/call-of-ops-duty.regular.otf", "settings.ini", "lantern.mp3"})
        ASSERT_TRUE(std::filesystem::remove(res + file)) << file;
    cutInHalf(res + "models/candle1/volumetric_floor.fbx");
    cutInHalf(res + "wind.mp3");
    fillWithNoise(res + "glass_breaks.mp3");
    // A sound device to play on, so the sounds are loaded: the wave backend.
    writeFile(dir + "/alsoft.conf", "[general]\ndrivers=wave\n[wave]\nfile=" + dir + "/heard.wav\n");

    GameRun run(dir, "ALSOFT_CONF=" + dir + "/alsoft.conf");
    ASSERT_FALSE(run.window.empty()) << "no window within 60 s\n" << gameOutput(run);
    const Picture picture = waitForPicture(run, 60.0, looksDrawn);
    EXPECT_TRUE(looksDrawn(picture)) << "no frame drawn within 60 s\n" << gameOutput(run);
    EXPECT_EQ(picture.width, 800) << "without settings.ini the window has the default size";
    EXPECT_EQ(picture.height, 600);
    sendKey(run, "Escape");
    EXPECT_EQ(waitForExit(run, 30.0), 0) << gameOutput(run);
    const std::string output = gameOutput(run);
    for (const char* line : {
             "ERROR: Failed to load 'Resources/settings.ini'. Using default values instead.\n",
             "Texture failed to load at path: Resources/models/house/plaster_diffuse.png\n",
             "Cubemap tex failed to load at path: Resources/skybox/top.png\n",
             "ERROR::FREETYPE: Failed to load font\n",
             "Sound failed to load at path: Resources/wind.mp3 (cut short: ",
             "Sound failed to load at path: Resources/glass_breaks.mp3 (no MP3 audio in it)\n",
             "Sound failed to load at path: Resources/lantern.mp3 (No such file or directory)\n",
             "successfully loaded model with path: Resources/models/house/house3.fbx\n",
         })
        EXPECT_EQ(countOf(output, line), 1u) << line << "\nin:\n" << output;
    // The missing lantern and the floor cut short: one importer error each, and neither is loaded.
    EXPECT_EQ(countOf(output, "[ERROR] Assimp: "), 2u) << output;
    EXPECT_EQ(countOf(output, "Sound failed"), 3u) << output;
    EXPECT_EQ(countOf(output, "successfully loaded model"), 2u) << output;
}

TEST(GameFailures, AMissingOrBrokenShaderEndsTheGameAtOnceWithStatus255) {
    const struct {
        const char* file;    // under Resources/shader
        const char* source;  // written in its place; null: the file is removed
        const char* line;    // printed once
        const char* then;    // printed after it
    } cases[] = {
        {"skyboxFragment.shader", nullptr, "Failed to open shader file: Resources/shader/skyboxFragment.shader\n", ""},
        {"fragment.shader", nullptr, "Failed to open shader file: Resources/shader/fragment.shader\n", ""},
        {"hudFragment.shader", "#version 430 core\nout vec4 c;\nvoid main() { c = undeclaredColour; }\n",
         "Failed to compile shader\n", "undeclaredColour"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string dir = makeGameDir("game-shader");
        const std::string path = dir + "/Resources/shader/" + c.file;
        if (c.source) writeFile(path, c.source);
        else ASSERT_TRUE(std::filesystem::remove(path));
        // Nobody is at a terminal to press Enter: it must end by itself, well within the bound.
        const CommandResult run = runCommand("cd " + dir + " && ALSOFT_DRIVERS=null timeout 60 " + binaryDir() +
                                             "/hollowmere");
        EXPECT_EQ(run.status, 255) << run.output;
        EXPECT_EQ(countOf(run.output, c.line), 1u) << run.output;
        EXPECT_NE(run.output.find(c.then, run.output.find(c.line)), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("Press Enter"), std::string::npos) << run.output;
    }
}
