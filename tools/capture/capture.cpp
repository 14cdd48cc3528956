// hollowmere-capture: renders the flight at a fixed frame rate into PNG frames and its sound into a WAV file,
// and with ffmpeg both into one MP4.
#include "flight_sound.h"
#include "progress.h"

#include "common/arguments.h"
#include "common/offscreen_run.h"
#include "common/png.h"
#include "common/quiet_startup.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
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
    bool verbose = false;  // the game's routine start-up lines too
};

std::optional<int> parseArgs(int argc, char** argv, CaptureOptions& options) {
    CLI::App app{"Renders the flight at a fixed frame rate into PNG frames and its sound into a WAV file, "
                 "and with ffmpeg both into one MP4. Shows its progress on one line in a terminal, a line each "
                 "tenth of the way otherwise.",
                 "hollowmere-capture"};
    useToolDefaults(app);
    app.add_option("--out", options.out, "folder for the frames, flight.wav and flight.mp4")->required();
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
    app.add_flag("--no-sound", noSound, "frames only, no flight.wav");
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

// Single-quoted for the shell.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// The frames, with the sound when there is one, as one MP4 when ffmpeg is on the PATH; frames alone otherwise.
// False only when ffmpeg ran and failed.
bool encodeVideo(const CaptureOptions& options, bool withSound) {
    if (std::system("command -v ffmpeg > /dev/null 2>&1") != 0) {
        std::cout << "ffmpeg not found: frames only, no " << options.out << "/flight.mp4" << std::endl;
        return true;
    }
    char rate[32];
    std::snprintf(rate, sizeof rate, "%g", options.fps);
    // yuv420p plays everywhere but needs even sides.
    const std::string sound = withSound ? " -i " + quoted(options.out + "/flight.wav") + " -c:a aac -b:a 192k" : "";
    // -nostdin: in a terminal ffmpeg would read keys meant for the shell.
    const std::string command = std::string("ffmpeg -nostdin -y -loglevel error -framerate ") + rate + " -i " +
                                quoted(options.out + "/frame_%05d.png") + sound +
                                " -vf 'pad=ceil(iw/2)*2:ceil(ih/2)*2' -pix_fmt yuv420p " +
                                quoted(options.out + "/flight.mp4");
    std::cout << "encoding " << options.out << "/flight.mp4" << std::endl;
    if (std::system(command.c_str()) == 0) {
        std::cout << "wrote " << options.out << "/flight.mp4" << std::endl;
        return true;
    }
    std::cout << "Failed to encode video: " << options.out << "/flight.mp4" << std::endl;
    return false;
}

// The frames at from, from + step, ... up to and including the end, each written as it is presented,
// with the sound mixed along.
struct CaptureRun {
    const CaptureOptions& options;
    FlightSound sound;
    bool withSound = false;
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
    if (!writePng(framePath(options.out, index), game.lastFrame)) {
        endProgressLine(run.progress);
        std::cout << "Failed to write frame: " << framePath(options.out, index) << std::endl;
        return false;
    }
    ++run.written;
    showProgress(run.progress, run.written, options.from + index * step);
    return true;
}

// The kept sound as flight.wav; true when there is none to write.
bool writeSound(CaptureRun& run) {
    if (!run.withSound) return true;
    const std::string path = run.options.out + "/flight.wav";
    const bool written = writeWav(path, run.sound);
    std::cout << (written ? "wrote " : "Failed to write sound: ") << path << std::endl;
    closeFlightSound(run.sound);
    return written;
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

    options.setup.keepFrames = true;
    CaptureRun run{options, {}, false, 0, 0, {}};
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

    std::cout << "wrote " << run.written << " frames to " << options.out << std::endl;
    const bool soundWritten = writeSound(run);
    const bool encoded = run.written == run.count && encodeVideo(options, soundWritten && run.withSound);
    return encoded && soundWritten ? 0 : 1;
}
