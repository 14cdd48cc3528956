// hollowmere-shot: renders the flight at one moment with the game's own frame and writes it as PNG.
#include "app/input.h"
#include "app/offscreen.h"
#include "core/gl.h"
#include "render/frame.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace {

struct ShotOptions {
    float time = 0.0f;
    std::string out;
    int width = 1280;
    int height = 720;
    std::vector<int> keys;
    int frames = 1;  // frames rendered at the same moment; the last one is written
    bool overlay = false;  // a still has no frame rate: the text only when asked for
};

const std::map<std::string, int> KEYS = {
    {"F1", GLFW_KEY_F1}, {"F2", GLFW_KEY_F2}, {"F3", GLFW_KEY_F3},
    {"F4", GLFW_KEY_F4}, {"F5", GLFW_KEY_F5}, {"F6", GLFW_KEY_F6},
};

void usage() {
    std::cout << "usage: hollowmere-shot --time T --out FILE.png [--size WxH] [--key F1 ... --key F6] [--frames N] "
                 "[--overlay]"
              << std::endl;
}

bool parseArgs(int argc, char** argv, ShotOptions& options) {
    bool haveTime = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--overlay") {
            options.overlay = true;
            continue;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return false;
        ++i;
        if (arg == "--time") {
            options.time = std::strtof(value, nullptr);
            haveTime = true;
        } else if (arg == "--out") {
            options.out = value;
        } else if (arg == "--size") {
            if (!parseSize(value, options.width, options.height)) return false;
        } else if (arg == "--key") {
            auto key = KEYS.find(value);
            if (key == KEYS.end()) return false;
            options.keys.push_back(key->second);
        } else if (arg == "--frames") {
            options.frames = std::max(1, std::atoi(value));
        } else {
            return false;
        }
    }
    return haveTime && !options.out.empty();
}

}  // namespace

int main(int argc, char** argv) {
    ShotOptions options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    OffscreenGame game;
    openOffscreenGame(game, options.width, options.height);
    setFlightTime(game.registry, options.time);
    showFps = options.overlay;
    for (int key : options.keys) keyCallback(game.renderer.window, key, 0, GLFW_RELEASE, 0);

    keepPresentedFrames(game, true);
    double frameSeconds = 0.0;
    for (int frame = 0; frame < options.frames; ++frame) {
        const auto start = std::chrono::steady_clock::now();
        renderFrame(game.renderer, game.registry, 0.0f);
        glFinish();
        frameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    keepPresentedFrames(game, false);
    std::cout << "frame: " << frameSeconds * 1000.0 << " ms" << std::endl;

    const bool written = writePng(options.out, game.lastFrame);
    if (!written) std::cout << "Failed to write screenshot: " << options.out << std::endl;
    else std::cout << "wrote " << options.out << std::endl;
    shutdownRenderer(game.renderer);
    return written ? 0 : 1;
}
