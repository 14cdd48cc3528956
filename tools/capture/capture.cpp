// hollowmere-capture: renders the flight at a fixed frame rate, streamed with its sound into one MP4 through ffmpeg;
// PNG frames and a WAV file when asked for, or when there is no ffmpeg.
#include "flight_sound.h"
#include "progress.h"
#include "video.h"

#include "common/arguments.h"
#include "common/offscreen_run.h"
#include "common/png.h"
#include "common/quiet_startup.h"

#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

namespace {

struct CaptureOptions {
    RunSetup setup;  // the frame-rate text of a capture says nothing about the game's pace: off unless asked for
    std::string out;
    double fps = 30.0;
    double from = 0.0;
    double to = -1.0;  // negative: to the end of the flight
    bool sound = true;
    bool png = false;      // each frame as a PNG file too
    bool wav = false;      // the sound as a WAV file too
    bool video = true;     // flight.mp4; off when there is no ffmpeg
    bool verbose = false;  // the game's routine start-up lines too
};

std::optional<int> parseArgs(int argc, char** argv, CaptureOptions& options) {
    CLI::App app{"Renders the flight at a fixed frame rate into DIR/flight.mp4 with its sound, through ffmpeg; "
                 "without ffmpeg into PNG frames and a WAV file. Shows its progress on one line in a terminal, a "
                 "line each tenth of the way otherwise.",
                 "hollowmere-capture"};
    useToolDefaults(app);
    app.add_option("--out", options.out, "folder for flight.mp4 (and the frames and flight.wav when asked for)")
        ->required();
    app.add_option("--fps", options.fps, "frames per second of flight time")
        ->check(positiveNumber())
        ->capture_default_str();
    addSizeOption(app, options.setup.size);
    app.add_option("--from", options.from, "flight time of the first frame, in seconds")
        ->check(nonNegativeNumber())
        ->capture_default_str();
    app.add_option("--to", options.to, "flight time of the last frame, in seconds (default: the end of the flight)")
        ->check(nonNegativeNumber());
    bool noSound = false;
    CLI::Option* silent = app.add_flag("--no-sound", noSound, "pictures only: no sound in the video, no flight.wav");
    app.add_flag("--png", options.png, "also each frame as DIR/frame_00000.png, ...");
    app.add_flag("--wav", options.wav, "also the sound as DIR/flight.wav")->excludes(silent);
    app.add_flag("--overlay", options.setup.overlay, "draw the frame-rate text");
    app.add_flag("--verbose", options.verbose, "also print the game's start-up lines (models loaded, lights placed)");
    if (const std::optional<int> status = readArguments(app, argc, argv)) return status;
    options.sound = !noSound;
    if (options.to < 0.0 || options.to >= options.from) return std::nullopt;
    std::ostringstream what;
    what << "--to " << options.to << " is before --from " << options.from;
    return refuseArguments(app, what.str());
}

std::string framePath(const std::string& dir, int index) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%05d.png", index);
    return dir + name;
}

// The folder as an absolute path without a trailing separator.
std::string folderPath(const std::string& folder) {
    std::filesystem::path path = std::filesystem::absolute(folder).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return path.string();
}

// The frames at from, from + step, ... up to and including the end, each written as it is presented,
// with the sound mixed along.
struct CaptureRun {
    const CaptureOptions& options;
    FlightSound sound;
    bool withSound = false;
    VideoOut video;
    bool videoFailed = false;  // ffmpeg would not start or stopped taking frames
    int count = 0;
    int written = 0;
    Progress progress;
};

int openCapture(CaptureRun& run, OffscreenGame& game) {
    const CaptureOptions& options = run.options;
    run.withSound = options.sound && openFlightSound(run.sound, game.registry);
    const double to = options.to < 0.0 ? flightLength(game.registry) : options.to;
    // The small slack keeps an end on the grid.
    run.count = static_cast<int>(std::floor((to - options.from) * options.fps + 1e-4)) + 1;
    if (run.count > 0)
        std::cout << "rendering " << run.count << " frames of " << options.setup.size.width << "x"
                  << options.setup.size.height << " at " << options.fps << " fps, " << options.from << " to "
                  << options.from + (run.count - 1) / options.fps << " s, into " << options.out << std::endl;
    if (options.video && run.count > 0 && !startVideo(run.video, options.out, options.setup.size, options.fps)) {
        run.videoFailed = true;
        return 0;
    }
    run.progress = startProgress(run.count);
    return run.count;
}

float poseFrame(const CaptureRun& run, OffscreenGame& game, int index) {
    // Each frame steps the clocks by one frame time from where the last one was, as the game does;
    // setting the time first keeps a long capture from drifting.
    const double step = 1.0 / run.options.fps;
    const float deltaTime = index == 0 ? 0.0f : static_cast<float>(step);
    setFlightTime(game.registry, static_cast<float>(run.options.from + index * step) - deltaTime);
    return deltaTime;
}

bool keepFrame(CaptureRun& run, OffscreenGame& game, int index) {
    const CaptureOptions& options = run.options;
    const double step = 1.0 / options.fps;
    // The frame's sound, heard from where this frame's camera is; before the first frame the flight
    // has sounded since time 0, unrecorded, so the loops and effects stand where the game has them.
    if (index == 0) mixFlightSound(run.sound, game.registry, options.from, false);
    mixFlightSound(run.sound, game.registry, options.from + (index + 1) * step, true);
    if (options.png && !writePng(framePath(options.out, index), game.lastFrame)) {
        endProgressLine(run.progress);
        std::cout << "Failed to write frame: " << framePath(options.out, index) << std::endl;
        return false;
    }
    if (options.video && !addVideoFrame(run.video, game.lastFrame)) {
        endProgressLine(run.progress);
        run.videoFailed = true;
        return false;
    }
    ++run.written;
    showProgress(run.progress, run.written, options.from + index * step);
    return true;
}

// The kept sound as flight.wav when asked for; true when there is none to write.
bool writeSound(const CaptureRun& run) {
    if (!run.withSound || !run.options.wav) return true;
    const std::string path = run.options.out + "/flight.wav";
    const bool written = writeWav(path, run.sound);
    std::cout << (written ? "wrote " : "Failed to write sound: ") << path << std::endl;
    return written;
}

// The video, with the sound when there is some, once every frame is in; true when none was to be made.
bool writeVideo(CaptureRun& run) {
    if (!run.options.video) return true;
    const std::vector<int16_t> none;
    const bool complete = !run.videoFailed && run.written == run.count;
    if (complete && finishVideo(run.video, run.withSound ? run.sound.samples : none)) {
        std::cout << "wrote " << run.video.path << std::endl;
        return true;
    }
    abandonVideo(run.video);
    if (run.videoFailed || complete) std::cout << "Failed to encode video: " << run.options.out << "/flight.mp4" << std::endl;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    CaptureOptions options;
    if (const std::optional<int> status = parseArgs(argc, argv, options)) return *status;
    std::error_code error;
    std::filesystem::create_directories(options.out, error);
    if (!std::filesystem::is_directory(options.out)) {
        std::cout << "Failed to create capture folder: " << options.out << std::endl;
        return 1;
    }
    // Said in full at the end, wherever the capture was started from.
    options.out = folderPath(options.out);
    if (!onPath("ffmpeg")) {
        options.video = false;
        options.png = true;
        options.wav = options.sound;
        std::cout << "ffmpeg not found: PNG frames" << (options.sound ? " and flight.wav" : "") << " instead of "
                  << options.out << "/flight.mp4" << std::endl;
    }
    // A closed pipe to ffmpeg is an error to report, not a signal that ends the capture.
    std::signal(SIGPIPE, SIG_IGN);

    options.setup.keepFrames = true;
    CaptureRun run{options, {}, false, {}, false, 0, 0, {}};
    RunHooks hooks;
    if (!options.verbose) beginQuietStartup();
    hooks.opened = [&run](OffscreenGame& game) {
        endQuietStartup();
        return openCapture(run, game);
    };
    hooks.before = [&run](OffscreenGame& game, int index) { return poseFrame(run, game, index); };
    hooks.after = [&run](OffscreenGame& game, int index) { return keepFrame(run, game, index); };
    OffscreenGame game;
    runOffscreen(game, options.setup, hooks);
    endQuietStartup();

    if (options.png) std::cout << "wrote " << run.written << " frames to " << options.out << std::endl;
    const bool soundWritten = writeSound(run);
    const bool encoded = writeVideo(run);
    if (run.withSound) closeFlightSound(run.sound);
    return encoded && soundWritten && run.written == run.count ? 0 : 1;
}
