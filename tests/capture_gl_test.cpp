// hollowmere-capture: frames of the flight at a fixed rate, their sound, and the MP4 ffmpeg makes of both.
#include "support/pictures.h"
#include "support/process.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// What ffprobe says of the first stream of a kind ("v", "a") of the file.
std::string probe(const std::string& file, const char* kind, const char* entry) {
    return runCommand(std::string("ffprobe -v error -select_streams ") + kind + " -show_entries stream=" + entry +
                      " -of csv=p=0 '" + file + "'").output;
}

}  // namespace

TEST(CaptureTool, AroundTwentySecondsWritesFramesTheLanternSoundAndAnMp4OfBoth) {
    const std::string out = makeTempDir("capture") + "/flight";
    const CommandResult run =
        runCommand(binaryDir() + "/tools/capture/hollowmere-capture --out '" + out + "' --from 19.5 --to 20.5 --fps 10 --size 160x90");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("frame 11/11 at 20.5 s"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("wrote " + out + "/flight.mp4"), std::string::npos) << run.output;

    const Picture first = readImage(out + "/frame_00000.png"), last = readImage(out + "/frame_00010.png");
    for (const Picture* frame : {&first, &last}) {
        EXPECT_EQ(frame->width, 160);
        EXPECT_EQ(frame->height, 90);
        EXPECT_TRUE(looksDrawn(*frame));
    }
    EXPECT_GT(changedShare(first, last), 0.01) << "the flight does not move in a second";
    EXPECT_TRUE(readImage(out + "/frame_00011.png").rgb.empty()) << "a frame past --to";

    WaveData wave;
    ASSERT_TRUE(readWave(out + "/flight.wav", wave)) << run.output;
    EXPECT_EQ(wave.rate, 48000);
    EXPECT_EQ(wave.channels, 2);
    EXPECT_EQ(wave.frames(), 11u * 4800u) << "11 frames of a tenth of a second";
    // The lantern at 20 s, half a second into the sound, stands well above the music and the wind before it.
    EXPECT_GT(rms(wave, -1, 48000 / 2, 48000 / 2), 3.0 * rms(wave, -1, 0, 48000 * 9 / 20));

    double video = 0.0, audio = 0.0;
    EXPECT_EQ(std::sscanf(probe(out + "/flight.mp4", "v", "duration").c_str(), "%lf", &video), 1);
    EXPECT_EQ(std::sscanf(probe(out + "/flight.mp4", "a", "duration").c_str(), "%lf", &audio), 1);
    EXPECT_NEAR(video, 1.1, 0.01);
    EXPECT_NEAR(audio, video, 0.05);
    EXPECT_EQ(probe(out + "/flight.mp4", "a", "codec_name"), "aac\n");
}
