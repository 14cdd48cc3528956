// Test support: pictures and their differences.
#include "support/pictures.h"

#include "support/process.h"

#include <stb_image.h>

#include <chrono>
#include <cmath>

Picture readImage(const std::string& path) {
    Picture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (pixels) picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
    stbi_image_free(pixels);
    return picture;
}

namespace {

bool differs(const Picture& a, size_t i, const Picture& b, size_t j) {
    for (int c = 0; c < 3; ++c)
        if (std::fabs(a.rgb[i + c] - b.rgb[j + c]) > 4.0f) return true;
    return false;
}

}  // namespace

double changedShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1.0;
    size_t changed = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3) changed += differs(a, i, b, i);
    return 3.0 * changed / a.rgb.size();
}

bool looksDrawn(const Picture& picture) {
    size_t different = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) different += differs(picture, i, picture, 0);
    return !picture.rgb.empty() && different > picture.rgb.size() / 900;
}

Picture waitForPicture(const GameRun& run, double seconds, const std::function<bool(const Picture&)>& wanted,
                       double still) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    const auto shot = [&] {
        const std::string path = run.dir + "/shot.ppm";
        const bool taken = runCommand("import -depth 8 -window " + run.window + " " + path).status == 0;
        return taken ? readImage(path) : Picture{};
    };
    for (Picture last = shot(); !run.window.empty() && std::chrono::steady_clock::now() < end;) {
        Picture next = shot();
        if (!next.rgb.empty() && changedShare(next, last) <= still && wanted(next)) return next;
        last = std::move(next);
    }
    return {};
}
