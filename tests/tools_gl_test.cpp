// What each tool writes: capture's frames, sound and MP4, bench's table and JSON line, inspect's records of a
// model file written for the test. Shot's PNGs are the reference pictures' suite's.
#include "support/game_run.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "wave_capture.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <vector>

namespace {

CommandResult tool(const std::string& name, const std::string& args) {
    return runCommand(binaryDir() + "/tools/" + name + "/hollowmere-" + name + " " + args);
}

}  // namespace

TEST(Tools, CaptureAroundTwentySecondsWritesFramesTheLanternSoundAndAnMp4OfBoth) {
    const std::string out = makeTempDir("capture") + "/flight";
    const CommandResult run = tool("capture", "--out '" + out + "' --from 19.5 --to 20.5 --fps 10 --size 160x90");
    ASSERT_EQ(run.status, 0) << run.output;
    // Its closing line, "wrote .../flight.mp4", is the run script's to hold.
    EXPECT_NE(run.output.find("\nframe 11/11 (100 %) at 20.5 s, took "), std::string::npos) << run.output;
    const Picture first = readImage(out + "/frame_00000.png"), last = readImage(out + "/frame_00010.png");
    EXPECT_TRUE(first.width == 160 && first.height == 90 && looksDrawn(first) && looksDrawn(last));
    EXPECT_GT(changedShare(first, last), 0.01) << "the flight does not move in a second";
    EXPECT_TRUE(readImage(out + "/frame_00011.png").rgb.empty()) << "a frame past --to";
    WaveData wave;
    ASSERT_TRUE(readWave(out + "/flight.wav", wave)) << run.output;
    EXPECT_TRUE(wave.rate == 48000 && wave.channels == 2 && wave.frames() == 11u * 4800u) << "11 tenths of a second";
    // The lantern at 20 s, half a second in, stands well above the music and the wind before it.
    EXPECT_GT(rms(wave, -1, 48000 / 2, 48000 / 2), 3.0 * rms(wave, -1, 0, 48000 * 9 / 20));
    // The MP4 carries the pictures and the sound as AAC, as long as each other.
    const std::string streams =
        runCommand("ffprobe -v error -show_entries stream=codec_name,duration -of csv=p=0 '" + out + "/flight.mp4'").output;
    double video = 0.0, audio = 0.0;
    ASSERT_EQ(std::sscanf(streams.c_str(), "h264,%lf\naac,%lf", &video, &audio), 2) << streams;
    EXPECT_TRUE(std::fabs(video - 1.1) < 0.01 && std::fabs(audio - video) < 0.05) << streams;
}

TEST(Tools, CaptureLeavesTheRoutineStartUpLinesOutUnlessVerboseButNeverAFailure) {
    const std::vector<std::string> startup = lines(readFile(sourceDir() + "/tests/fixtures/startup_lines.txt"));
    ASSERT_FALSE(startup.empty()) << "tests/fixtures/startup_lines.txt is missing";
    // An ffmpeg that fails, first on the PATH.
    const std::string brokenFfmpeg = makeTempDir("broken-ffmpeg");
    writeFile(brokenFfmpeg + "/ffmpeg", "#!/bin/sh\nexit 1\n");
    ASSERT_EQ(runCommand("chmod +x '" + brokenFfmpeg + "/ffmpeg'").status, 0);
    const std::string withBrokenFfmpeg = "PATH='" + brokenFfmpeg + "':\"$PATH\" %s";
    // wrap: "%s" stands for the capture command; extra: more arguments; removed: a file taken out of a copy of
    // Resources, or none.
    const struct { std::string wrap; const char *extra, *removed; int status; bool startupShown;
                   std::vector<std::string> shown, hidden; } rows[] = {
        // In a log: a plain line each tenth of the way (every frame of three), nothing drawn in place.
        {"%s", "", nullptr, 0, false, {"\nframe 1/3 (33 %) at 0 s, ", " left\nframe 2/3 (66 %) at 0.25 s, ",
                                       "\nframe 3/3 (100 %) at 0.5 s, took "}, {"\r", "\033[K"}},
        {"%s", "--verbose", nullptr, 0, true, {"\nframe 3/3 (100 %) at 0.5 s, took "}, {}},
        // In a terminal: one line drawn over and over, ended once the frames are done.
        {"script -qec \"%s\" /dev/null", "", nullptr, 0, false,
         {"\rframe 1/3 (33 %) at 0 s, ", " left\033[K\rframe 2/3 (66 %) at 0.25 s, ",
          "\rframe 3/3 (100 %) at 0.5 s, took "}, {" left\r\n"}},
        {"%s", "", "Resources/models/candle2/lantern.fbx", 0, false,
         {"[ERROR] Assimp: Unable to open file \"Resources/models/candle2/lantern.fbx\"", "frame 3/3 "}, {}},
        // A fatal exit follows at once: the line must not be held back with the routine ones.
        {"%s", "", "Resources/shader/fragment.shader", 255, false,
         {"Failed to open shader file: Resources/shader/fragment.shader"}, {"frame 1/3 "}},
        // A video that could not be made is a failed capture, said and in the status.
        {withBrokenFfmpeg, "", nullptr, 1, false, {"frame 3/3 ", "Failed to encode video: "}, {"/flight.mp4\nwrote"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.wrap + " " + row.extra + " without " + (row.removed ? row.removed : "nothing"));
        const std::string dir = row.removed ? makeGameDir("capture-lines") : sourceDir();
        if (row.removed) {
            ASSERT_EQ(std::remove((dir + "/" + row.removed).c_str()), 0) << row.removed;
        }
        const std::string capture = binaryDir() + "/tools/capture/hollowmere-capture --to 0.5 --fps 4 --size 64x36 "
                                    "--no-sound --out " + makeTempDir("capture-lines") + " " + row.extra;
        char command[1024];
        std::snprintf(command, sizeof command, row.wrap.c_str(), capture.c_str());
        const CommandResult run = runCommand("cd '" + dir + "' && " + command);
        EXPECT_EQ(run.status, row.status) << run.output;
        for (const std::string& line : startup)
            EXPECT_EQ(run.output.find(line) != std::string::npos, row.startupShown) << line << " in\n" << run.output;
        for (const std::string& text : row.shown)
            EXPECT_NE(run.output.find(text), std::string::npos) << text << " not in\n" << run.output;
        for (const std::string& text : row.hidden)
            EXPECT_EQ(run.output.find(text), std::string::npos) << text << " in\n" << run.output;
    }
}

TEST(Tools, BenchPrintsTheTableAndAJsonLineWithEveryPass) {
    const CommandResult run = tool("bench", "--frames 3 --warmup 1 --size 160x120");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nms          GPU median       p10       p90  |CPU median"), std::string::npos) << run.output;
    const std::string json = run.output.substr(run.output.rfind('\n', run.output.size() - 2) + 1);
    EXPECT_EQ(json.rfind("{\"frames\":3,\"warmup\":1,\"width\":160,\"height\":120,", 0), 0u) << json;
    EXPECT_EQ(json.substr(json.size() - 3), "}}\n") << json;
    for (const std::string name : {"frame", "shadow", "scene", "sky", "volumetric", "composite", "overlay"}) {
        double t[6] = {};  // GPU, then CPU: median, p10, p90
        ASSERT_EQ(std::sscanf(json.c_str() + json.find("\"" + name + "\":{") + name.size() + 3,
                              "{\"gpu\":{\"median\":%lf,\"p10\":%lf,\"p90\":%lf},\"cpu\":{\"median\":%lf,\"p10\":%lf,\"p90\":%lf}}",
                              &t[0], &t[1], &t[2], &t[3], &t[4], &t[5]), 6) << name << " in " << json;
        // Every pass ran (volumetric light is on by default) and has a row of the table.
        EXPECT_TRUE(t[1] <= t[0] && t[0] <= t[2] && 0.0 < t[4] && t[4] <= t[3] && t[3] <= t[5]) << name << " " << t[3];
        EXPECT_NE(run.output.find("\n" + name + " "), std::string::npos) << name;
    }
}

TEST(Tools, InspectPrintsEveryRecordAndTheCameraPoseAtTheTimeAndRefusesWhatDoesNotImport) {
    // Root lifted by 1 in y; a textured square on bone Spine; a camera node flying from z = 10 along +x over the
    // longer of two clips; two lights on nodes of their own.
    auto scene = makeScene("Scene", translation(0, 1, 0));
    aiNode* root = scene->mRootNode;
    aiMesh* body = makeQuad("body", {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
    body->mMaterialIndex = addMaterial(*scene, {"skin.png"}, {"skin_n.png"});
    addBoneWeight(*body, "Spine", 0, 1.0f);
    addMesh(*scene, addNode(root, "Body"), body);
    for (const auto& [name, x, y, z] : {std::tuple{"Spine", 0, 1, 0}, {"Camera", 0, 0, 10}, {"Lamp", 2, 0, 0}, {"Candle", -1, 3, 0}})
        addNode(root, name, translation(x, y, z));
    addAnimation(*scene, "idle", 24.0, 24.0);
    aiNodeAnim* flight = addChannel(*addAnimation(*scene, "fly", 48.0, 24.0), "Camera");
    for (double tick : {0.0, 48.0}) addPositionKey(*flight, tick, aiVector3D(tick / 12, 0, 10));
    addCamera(*scene, "Camera", aiVector3D(0, 0, 0), aiVector3D(0, 1, 0), aiVector3D(1, 0, 0));
    addLight(*scene, "Lamp", aiLightSource_POINT, aiVector3D(0, 0, 0), aiColor3D(1, 0.5f, 0.25f));
    addLight(*scene, "Candle", aiLightSource_SPOT, aiVector3D(0, 0.5f, 0), aiColor3D(0, 1, 0));
    const std::string dir = makeTempDir("inspect");
    ASSERT_TRUE(writeScene(*scene, dir + "/rig.assbin"));
    writeFile(dir + "/broken.fbx", "Kaydara FBX Binary, cut short");
    const struct { const char* args; int status; const char* records; } cases[] = {
        // Records apart by '|', each printed whole.
        {"rig.assbin --time 1", 0,
         "root node: \"Scene\"\n|root transform (rows):\n  1 0 0 0\n  0 1 0 1\n  0 0 1 0\n  0 0 0 1\n|"
         "bounding box (mesh coordinates): min (0, 0, 0) max (1, 1, 0)\n|meshes: 1\n|  mesh 0 \"\": 4 vertices, 2 "
         "triangles\n    texture_diffuse: \"skin.png\"\n    texture_normal: \"skin_n.png\"\n|bones: 1\n  bone 0 \"Spine\"\n|"
         "animations: 2\n|  animation 0 \"idle\": duration 24 ticks, 24 ticks per second|  animation 1 \"fly\": duration "
         "48 ticks, 24 ticks per second|chosen animation: 1 \"fly\"|camera: \"Camera\" position (0, 0, 0) up (0, 1, "
         "0) look-at (1, 0, 0)\n|camera pose at 1 s: position (2, 0, 10) looking (1, 0, 0) up (0, 1, 0)\n|lights: 2\n"
         "  light \"Lamp\": point, ambient (0, 0, 0) diffuse (1, 0.5, 0.25) specular (1, 0.5, 0.25), world position "
         "(2, 1, 0)\n  light \"Candle\": spot, ambient (0, 0, 0) diffuse (0, 1, 0) specular (0, 1, 0), world "
         "position (-1, 4.5, 0)\n"},
        {"rig.assbin --time 2.5", 0, "camera pose at 2.5 s: position (1, 0, 10)"},  // the 2 s clip wraps
        {"broken.fbx", 1, "[ERROR] Assimp: "}, {"missing.fbx", 1, "[ERROR] Assimp: "},
    };
    for (const auto& c : cases) {
        const CommandResult run = tool("inspect", dir + "/" + c.args);
        EXPECT_EQ(run.status, c.status) << c.args << "\n" << run.output;
        for (size_t at = 0, end = 0; end != std::string::npos; at = end + 1) {
            const std::string record = std::string(c.records).substr(at, (end = std::string(c.records).find('|', at)) - at);
            EXPECT_NE(run.output.find(record), std::string::npos) << c.args << ": no " << record << " in\n" << run.output;
        }
        EXPECT_EQ(run.output.find("meshes:") == std::string::npos, c.status == 1) << c.args;
    }
}

// The ghost's mask beside the frame: the frame's size, only black and white, the ghost a part of it.
TEST(Tools, ShotWritesTheGhostsMaskBesideTheFrame) {
    const std::string dir = makeTempDir("shot-mask");
    const CommandResult run = tool("shot", "--time 2 --size 160x90 --out " + dir + "/f.png --mask " + dir + "/m.png");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("wrote " + dir + "/m.png"), std::string::npos) << run.output;
    const Picture frame = readImage(dir + "/f.png"), mask = readImage(dir + "/m.png");
    ASSERT_TRUE(mask.width == 160 && mask.height == 90 && frame.rgb.size() == mask.rgb.size());
    size_t white = 0, grey = 0;
    for (size_t i = 0; i < mask.rgb.size(); i += 3) {
        const bool same = mask.rgb[i] == mask.rgb[i + 1] && mask.rgb[i] == mask.rgb[i + 2];
        grey += !same || (mask.rgb[i] != 0.0f && mask.rgb[i] != 255.0f);
        white += mask.rgb[i] == 255.0f;
    }
    EXPECT_EQ(grey, 0u) << "pixels neither black nor white";
    const double share = white / (mask.rgb.size() / 3.0);
    EXPECT_TRUE(share > 0.01 && share < 0.4) << "the ghost, ahead at the door, covers " << 100 * share << " %";
}
