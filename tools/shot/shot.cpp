// hollowmere-shot: renders the flight at one moment with the game's own frame and writes it as PNG.
#include "app/frame.h"
#include "app/gl.h"
#include "app/input.h"
#include "app/renderer.h"
#include "app/settings.h"
#include "world/components.h"
#include "world/registry.h"
#include "world/scene.h"

#include <stb_image_write.h>

#include <chrono>
#include <cstdio>
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
};

const std::map<std::string, int> KEYS = {
    {"F1", GLFW_KEY_F1}, {"F2", GLFW_KEY_F2}, {"F3", GLFW_KEY_F3},
    {"F4", GLFW_KEY_F4}, {"F5", GLFW_KEY_F5}, {"F6", GLFW_KEY_F6},
};

void usage() {
    std::cout << "usage: hollowmere-shot --time T --out FILE.png [--size WxH] [--key F1 ... --key F6] [--frames N]"
              << std::endl;
}

bool parseArgs(int argc, char** argv, ShotOptions& options) {
    bool haveTime = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (!value) return false;
        ++i;
        if (arg == "--time") {
            options.time = std::strtof(value, nullptr);
            haveTime = true;
        } else if (arg == "--out") {
            options.out = value;
        } else if (arg == "--size") {
            if (std::sscanf(value, "%dx%d", &options.width, &options.height) != 2 || options.width <= 0 ||
                options.height <= 0)
                return false;
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

// The flight at time t: the player's skeleton and camera, and the scenery's animations.
void setFlightTime(Registry& registry, float t) {
    registry.each<Drawable>([&](Entity entity, Drawable& drawable) {
        drawable.animationTime = t;
        if (registry.all_of<Player>(entity)) drawable.cameraTime = t;
    });
}

std::vector<unsigned char> pixels;
int shotWidth = 0;
int shotHeight = 0;

// Reads the finished back buffer, before the swap leaves it undefined.
void readBackBuffer(Renderer&) {
    pixels.assign(static_cast<std::size_t>(shotWidth) * shotHeight * 3, 0);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, shotWidth, shotHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
}

bool writePng(const std::string& path) {
    const int stride = shotWidth * 3;
    // GL rows run bottom-up, PNG rows top-down.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.c_str(), shotWidth, shotHeight, 3, pixels.data(), stride) != 0;
}

}  // namespace

int main(int argc, char** argv) {
    ShotOptions options;
    if (!parseArgs(argc, argv, options)) {
        usage();
        return 2;
    }
    settings.width = static_cast<float>(options.width);
    settings.height = static_cast<float>(options.height);
    settings.fullscreen = false;

    Renderer renderer;
    initRenderer(renderer, false);
    SceneResources resources = loadSceneResources();
    Registry registry;
    createPlayer(resources, registry);
    buildScene(resources, registry);
    setFlightTime(registry, options.time);
    for (int key : options.keys) keyCallback(renderer.window, key, 0, GLFW_RELEASE, 0);

    shotWidth = static_cast<int>(settings.width);
    shotHeight = static_cast<int>(settings.height);
    beforePresent = readBackBuffer;
    double frameSeconds = 0.0;
    for (int frame = 0; frame < options.frames; ++frame) {
        const auto start = std::chrono::steady_clock::now();
        renderFrame(renderer, registry, 0.0f);
        glFinish();
        frameSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    beforePresent = nullptr;
    std::cout << "frame: " << frameSeconds * 1000.0 << " ms" << std::endl;

    const bool written = writePng(options.out);
    if (!written) std::cout << "Failed to write screenshot: " << options.out << std::endl;
    else std::cout << "wrote " << options.out << std::endl;
    shutdownRenderer(renderer);
    return written ? 0 : 1;
}
