// What each tool writes: capture's MP4 (and frames and sound when asked for, or without ffmpeg), bench's table and
// JSON line, inspect's records of a model file written for the test. Shot's PNGs are the reference pictures' suite's.
#include "core/gl_debug.h"
#include "support/game_run.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "wave_capture.h"

#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

// A GL error the tool reports fails the test that ran it.
CommandResult tool(const std::string& name, const std::string& args) {
    CommandResult run = runCommand(binaryDir() + "/tools/" + name + "/hollowmere-" + name + " " + args);
    EXPECT_EQ(run.output.find(GL_ERROR_PREFIX), std::string::npos) << name << " " << args << ":\n" << run.output;
    return run;
}

std::string joined(const std::vector<std::string>& names) {
    std::string all;
    for (const std::string& name : names) all += (all.empty() ? "" : " ") + name;
    return all;
}

}  // namespace

TEST(Tools, CaptureAroundTwentySecondsWritesFramesTheLanternSoundAndAnMp4OfBoth) {
    const std::string out = makeTempDir("capture") + "/flight";
    const CommandResult run =
        tool("capture", "--out '" + out + "' --from 19.5 --to 20.5 --fps 10 --size 160x90 --png --wav");
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
    std::string frames;
    for (int i = 0; i <= 10; ++i) frames += " frame_000" + std::string(i < 10 ? "0" : "") + std::to_string(i) + ".png";
    EXPECT_EQ(joined(folderNames(out)), "flight.mp4 flight.wav" + frames);
}

TEST(Tools, CaptureLeavesOnlyWhatWasAskedForAndNeverAVideoThatDidNotFinish) {
    // PATH folders: one without ffmpeg, one whose ffmpeg always fails, one whose ffmpeg fails only when it is
    // given the sound (the second of the two runs).
    const std::string none = makeTempDir("no-ffmpeg"), broken = makeTempDir("broken-ffmpeg"),
                      noSound = makeTempDir("ffmpeg-without-sound");
    const std::string withoutFfmpeg = "PATH='" + none + "' ", withBroken = "PATH='" + broken + "':\"$PATH\" ",
                      withoutSound = "PATH='" + noSound + "':\"$PATH\" ";
    writeFile(broken + "/ffmpeg", "#!/bin/sh\nexit 1\n");
    writeFile(noSound + "/ffmpeg", "#!/bin/sh\ncase \"$*\" in *s16le*) exit 1;; esac\nPATH=\"${PATH#*:}\" exec ffmpeg \"$@\"\n");
    ASSERT_EQ(runCommand("chmod +x '" + broken + "/ffmpeg' '" + noSound + "/ffmpeg'").status, 0);
    const std::string frames = "frame_00000.png frame_00001.png frame_00002.png";
    // A killed run: stopped once ffmpeg has begun the video, waited for within 60 s.
    const std::string killed = "%s & pid=$!; for i in $(seq 600); do [ -e %o/flight-pictures.mp4.part ] && break; "
                               "sleep 0.1; done; kill -9 $pid; wait $pid; [ -e %o/flight-pictures.mp4.part ]";
    // files: what is left in the folder; for the killed run, only that flight.mp4 is not.
    // env: what the command line starts with.
    const struct { std::string env; const char* extra; std::string wrap; int status; std::string files, said; } rows[] = {
        {"", "", "%s", 0, "flight.mp4", "wrote %o/flight.mp4"},
        {"", "--png", "%s", 0, "flight.mp4 " + frames, "wrote 3 frames to %o\n"},
        {withoutFfmpeg, "", "%s", 0, "flight.wav " + frames, "ffmpeg not found: PNG frames and flight.wav instead of %o/flight.mp4\n"},
        {withoutFfmpeg, "--no-sound", "%s", 0, frames, "ffmpeg not found: PNG frames instead of %o/flight.mp4\n"},
        {withBroken, "", "%s", 1, "", "Failed to encode video: %o/flight.mp4\n"},
        {withoutSound, "", "%s", 1, "", "Failed to encode video: %o/flight.mp4\n"},
        {"", "--to 60 --fps 50", killed, 0, "no flight.mp4", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.env + row.extra + " " + row.wrap);
        const std::string dir = makeTempDir("capture-files") + "/video";
        const auto fill = [&dir](std::string text) {
            for (std::size_t at; (at = text.find("%o")) != std::string::npos;) text.replace(at, 2, dir);
            return text;
        };
        const std::string capture = row.env + binaryDir() +
                                    "/tools/capture/hollowmere-capture --to 0.5 --fps 4 --size 64x36 --out '" + dir +
                                    "' " + row.extra;
        std::string command = fill(row.wrap);
        command.replace(command.find("%s"), 2, capture);
        const CommandResult run = runCommand(command);
        EXPECT_EQ(run.status, row.status) << run.output;
        const std::vector<std::string> left = folderNames(dir);
        if (row.wrap == killed) {
            EXPECT_EQ(std::count(left.begin(), left.end(), "flight.mp4"), 0) << joined(left) << "\n" << run.output;
        } else {
            EXPECT_EQ(joined(left), row.files) << run.output;
        }
        if (!row.said.empty()) {
            EXPECT_NE(run.output.find(fill(row.said)), std::string::npos) << run.output;
        }
    }
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
        {withBrokenFfmpeg, "", nullptr, 1, false, {"Failed to encode video: "}, {"/flight.mp4\nwrote"}},
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

TEST(Tools, BenchPrintsTheTableAndAJsonLineWithEveryPassTheFirstFramesAndTheFramesAfterF2) {
    const CommandResult run = tool("bench", "--frames 3 --warmup 1 --size 160x120 --f2");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("\nms          GPU median       p10       p90  |CPU median"), std::string::npos) << run.output;
    const std::string line = run.output.substr(run.output.rfind('\n', run.output.size() - 2) + 1);
    const nlohmann::json json = nlohmann::json::parse(line, nullptr, false);
    ASSERT_FALSE(json.is_discarded()) << "not JSON: " << line;
    EXPECT_EQ(line.rfind("{\"frames\":3,\"warmup\":1,\"width\":160,\"height\":120,", 0), 0u) << line;
    EXPECT_NEAR(json.value("flightSeconds", 0.0), 64.0, 0.01) << line;
    EXPECT_NEAR(json.value("stepSeconds", 0.0) * 3, json.value("flightSeconds", 0.0), 0.001) << line;
    EXPECT_GT(json.value("startupMs", 0.0), 0.0) << line;
    // Frames timed whole, in the table and the JSON line alike: the first five of the six drawn, and the one
    // after each F2.
    const struct { const char* field; std::size_t count; const char* row; } whole[] = {
        {"firstFramesMs", 5, "\nfirst frames: "}, {"cullingSwitchMs", 2, "\nafter F2: "}};
    for (const auto& w : whole) {
        const nlohmann::json ms = json.value(w.field, nlohmann::json());
        ASSERT_TRUE(ms.is_array() && ms.size() == w.count) << w.field << " in " << line;
        for (const nlohmann::json& one : ms) EXPECT_GT(one.get<double>(), 0.0) << w.field << " in " << line;
        EXPECT_NE(run.output.find(w.row), std::string::npos) << run.output;
    }
    const std::vector<std::string> passes = {"shadow", "scene", "sky", "volumetric", "composite", "overlay"};
    ASSERT_TRUE(json.contains("passes") && json["passes"].size() == passes.size()) << line;
    std::vector<std::string> names = {"frame"};
    names.insert(names.end(), passes.begin(), passes.end());
    for (const std::string& name : names) {
        const nlohmann::json figures = name == "frame" ? json.value("frame", nlohmann::json())
                                                       : json["passes"].value(name, nlohmann::json());
        ASSERT_TRUE(figures.contains("gpu") && figures.contains("cpu")) << name << " in " << line;
        const auto spread = [&figures](const char* clock) {
            const nlohmann::json& s = figures[clock];
            return std::vector<double>{s.value("p10", -1.0), s.value("median", -1.0), s.value("p90", -1.0)};
        };
        const std::vector<double> gpu = spread("gpu"), cpu = spread("cpu");
        // Every pass ran (volumetric light is on by default) and has a row of the table.
        EXPECT_TRUE(0.0 <= gpu[0] && gpu[0] <= gpu[1] && gpu[1] <= gpu[2]) << name << " " << figures.dump();
        EXPECT_TRUE(0.0 < cpu[0] && cpu[0] <= cpu[1] && cpu[1] <= cpu[2]) << name << " " << figures.dump();
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
