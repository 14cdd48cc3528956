// hollowmere-shot: renders the flight at one moment with the game's own frame and writes it as PNG.
#include "common/arguments.h"
#include "common/offscreen_run.h"
#include "common/png.h"
#include "core/gl.h"
#include "ghost_mask.h"

#include <chrono>
#include <iostream>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The run's frames are rendered at the same moment, and the last one is written; a still has no frame rate,
// so the frame-rate text only when asked for.
struct ShotOptions {
    RunSetup setup;
    std::string out;
    std::string mask;  // empty: no mask
    std::vector<std::string> keys;
};

const std::map<std::string, int> KEYS = {
    {"F1", GLFW_KEY_F1}, {"F2", GLFW_KEY_F2}, {"F3", GLFW_KEY_F3},
    {"F4", GLFW_KEY_F4}, {"F5", GLFW_KEY_F5}, {"F6", GLFW_KEY_F6},
};

std::optional<int> parseArgs(int argc, char** argv, ShotOptions& options) {
    CLI::App app{"Renders the flight at time T with the game's own frame and writes it as PNG.", "hollowmere-shot"};
    useToolDefaults(app);
    app.add_option("--time", options.setup.time, "flight time in seconds")->required()->check(finiteNumber());
    app.add_option("--out", options.out, "PNG file to write")->required();
    app.add_option("--mask", options.mask, "PNG file to write too: white where the ghost shows, black elsewhere");
    addSizeOption(app, options.setup.size);
    std::vector<std::string> names;
    for (const auto& [name, key] : KEYS) names.push_back(name);
    // One key a --key, each used, in order: F4 twice turns shadows off and on again.
    app.add_option("--key", options.keys, "a switch key released once before the frame; again for each")
        ->type_name("F1..F6")
        ->check(CLI::IsMember(names).description(""))
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    app.add_option("--frames", options.setup.frames, "frames rendered at that moment; the last is written")
        ->transform(wholeNumber(1, 1000000))
        ->capture_default_str();
    app.add_flag("--overlay", options.setup.overlay, "draw the frame-rate text");
    if (const std::optional<int> status = readArguments(app, argc, argv)) return status;
    // One file for both would keep only the mask.
    if (options.mask.empty() || options.mask != options.out) return std::nullopt;
    return refuseArguments(app, "--mask: '" + options.mask + "' is the --out file too");
}

}  // namespace

int main(int argc, char** argv) {
    ShotOptions options;
    if (const std::optional<int> status = parseArgs(argc, argv, options)) return *status;

    for (const std::string& name : options.keys) options.setup.keys.push_back(KEYS.at(name));
    options.setup.keepFrames = true;

    std::chrono::steady_clock::time_point start;
    double frameSeconds = 0.0;
    RunHooks hooks;
    hooks.before = [&](OffscreenGame&, int) {
        start = std::chrono::steady_clock::now();
        return 0.0f;
    };
    FramePixels mask;
    hooks.after = [&](OffscreenGame& game, int index) {
        glFinish();
        frameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        // The mask of the frame that is written, while its depth is still there.
        if (!options.mask.empty() && index == options.setup.frames - 1) mask = ghostMask(game);
        return true;
    };
    OffscreenGame game;
    runOffscreen(game, options.setup, hooks);
    std::cout << "frame: " << frameSeconds * 1000.0 << " ms" << std::endl;

    bool written = true;
    for (const auto& [path, pixels] : {std::pair{options.out, &game.lastFrame}, std::pair{options.mask, &mask}}) {
        if (path.empty()) continue;
        if (!writePng(path, *pixels)) {
            std::cout << "Failed to write screenshot: " << path << std::endl;
            written = false;
        } else {
            std::cout << "wrote " << path << std::endl;
        }
    }
    return written ? 0 : 1;
}
