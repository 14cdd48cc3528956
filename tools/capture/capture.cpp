// hollowmere-capture: renders the flight at a fixed frame rate into PNG frames and its sound into a WAV file,
// and with ffmpeg both into one MP4.
#include "flight_sound.h"

#include "app/input.h"
#include "app/offscreen.h"
#include "render/frame.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

namespace {

struct CaptureOptions {
    std::string out;
    double fps = 30.0;
    int width = 1280;
    int height = 720;
    double from = 0.0;
    double to = -1.0;  // negative: to the end of the flight
    bool sound = true;
    bool overlay = false;  // the frame-rate text of a capture says nothing about the game's pace
};

void usage() {
    std::cout << "usage: hollowmere-capture --out DIR [--fps 30] [--size WxH] [--from S] [--to S] [--no-sound] "
                 "[--overlay]"
              << std::endl;
}

bool parseNumber(const char* text, double& out) {
    char* end = nullptr;
    const double value = std::strtod(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(value) || value < 0.0) return false;
    out = value;
    return true;
}

bool parseArgs(int argc, char** argv, CaptureOptions& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--no-sound") options.sound = false;
        else if (arg == "--overlay") options.overlay = true;
        if (arg == "--no-sound" || arg == "--overlay") continue;
        if (++i >= argc) return false;
        const char* value = argv[i];
        bool ok = true;
        if (arg == "--out") options.out = value;
        else if (arg == "--fps") ok = parseNumber(value, options.fps) && options.fps > 0.0;
        else if (arg == "--size") ok = parseSize(value, options.width, options.height);
        else if (arg == "--from") ok = parseNumber(value, options.from);
        else if (arg == "--to") ok = parseNumber(value, options.to);
        else ok = false;
        if (!ok) return false;
    }
    return !options.out.empty() && (options.to < 0.0 || options.to >= options.from);
}

std::string framePath(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.png", index);
    return dir + name;
}

// Single-quoted for the shell.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The frames, with the sound when there is one, as one MP4 when ffmpeg is on the PATH; frames alone otherwise.
void encodeVideo(const CaptureOptions& options, bool withSound) {
    if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) {
        std::cout << "ffmpeg not found: frames only, no " << options.out << "/flight.mp4" << std::endl;
        return;
    }
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", options.fps);
    // yuv420p plays everywhere but needs even sides.
    const std::string sound = withSound ? " -i " + quoted(options.out + "/flight.wav") + " -c:a aac -b:a 192k" : "";
    const std::string command = std::string("ffmpeg -y -loglevel error -framerate ") + rate + " -i " +
                                quoted(options.out + "/frame_%05d.png") + sound +
                                " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -pix_fmt yuv420p " +
                                quoted(options.out + "/flight.mp4");
    if (std::system(command.c_str()) == 0) std::cout << "wrote " << options.out << "/flight.mp4" << std::endl;
    else std::cout << "Failed to encode video: " << options.out << "/flight.mp4" << std::endl;
}

}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (!std::filesystem::is_directory(options.out)) {
        std::cout << "Failed to create capture folder: " << options.out << std::endl;
        return 1;
    }

    OffscreenGame game;
    openOffscreenGame(game, options.width, options.height);
    showFps = options.overlay;
    FlightSound sound;
    const bool withSound = options.sound && openFlightSound(sound, game.registry);
    const double to = options.to < 0.0 ? flightLength(game.registry) : options.to;
    const double step = 1.0 / options.fps;
    // Frames at from, from + step, ... up to and including to; the small slack keeps an end on the grid.
    const int count = static_cast<int>(std::floor((to - options.from) * options.fps + 1e-4)) + 1;

    keepPresentedFrames(game, true);
    int written = 0;
    for (int index = 0; index < count; ++index) {
        // Each frame steps the clocks by one frame time from where the last one was, as the game does;
        // setting the time first keeps a long capture from drifting.
        const double t = options.from + index * step;
        const float deltaTime = index == 0 ? 0.0f : static_cast<float>(step);
        setFlightTime(game.registry, static_cast<float>(t) - deltaTime);
        renderFrame(game.renderer, game.registry, deltaTime);
        // The frame's sound, heard from where this frame's camera is; before the first frame the flight
        // has sounded since time 0, unrecorded, so the loops and effects stand where the game has them.
        if (index == 0) mixFlightSound(sound, game.registry, options.from, false);
        mixFlightSound(sound, game.registry, options.from + (index + 1) * step, true);
        if (!writePng(framePath(options.out, index), game.lastFrame)) {
            std::cout << "Failed to write frame: " << framePath(options.out, index) << std::endl;
            break;
        }
        ++written;
        if (index % 30 == 29 || index + 1 == count)
            std::cout << "frame " << index + 1 << "/" << count << " at " << t << " s" << std::endl;
    }
    keepPresentedFrames(game, false);
    shutdownRenderer(game.renderer);

    std::cout << "wrote " << written << " frames to " << options.out << std::endl;
    bool soundWritten = false;
    if (withSound) {
        soundWritten = writeWav(options.out + "/flight.wav", sound);
        std::cout << (soundWritten ? "wrote " : "Failed to write sound: ") << options.out << "/flight.wav" << std::endl;
        closeFlightSound(sound);
    }
    if (written == count) encodeVideo(options, soundWritten);
    return written == count && soundWritten == withSound ? 0 : 1;
}
