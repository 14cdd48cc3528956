// Test support: PPM screenshots and their differences.
#include "support/pictures.h"

#include "support/process.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>

Picture readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();  // the one blank after the header
    if (!in || magic != "P6" || width <= 0 || height <= 0 || maxValue <= 0 || maxValue > 65535) return {};
    const size_t count = static_cast<size_t>(width) * height * 3, bytes = maxValue > 255 ? 2 : 1;
    std::vector<unsigned char> raw(count * bytes);
    if (!in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()))) return {};
    Picture picture{width, height, std::vector<float>(count)};
    for (size_t i = 0; i < count; ++i)
        picture.rgb[i] = (bytes == 2 ? raw[2 * i] * 256 + raw[2 * i + 1] : raw[i]) * 255.0f / maxValue;
    return picture;
}

double changedShare(const Picture& a, const Picture& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return 1.0;
    size_t changed = 0;
    for (size_t i = 0; i < a.rgb.size(); i += 3)
        changed += std::max({std::fabs(a.rgb[i] - b.rgb[i]), std::fabs(a.rgb[i + 1] - b.rgb[i + 1]),
                             std::fabs(a.rgb[i + 2] - b.rgb[i + 2])}) > 4.0f;
    return static_cast<double>(changed) / (a.rgb.size() / 3);
}

bool looksDrawn(const Picture& picture) {
    size_t different = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3)
        different += std::fabs(picture.rgb[i] - picture.rgb[0]) > 8.0f ||
                     std::fabs(picture.rgb[i + 1] - picture.rgb[1]) > 8.0f ||
                     std::fabs(picture.rgb[i + 2] - picture.rgb[2]) > 8.0f;
    return !picture.rgb.empty() && different > picture.rgb.size() / 300;
}

Picture takePicture(const GameRun& run) {
    static int count = 0;
    const std::string path = run.dir + "/shot" + std::to_string(count++) + ".ppm";
    if (run.window.empty() || runCommand("import -window " + run.window + " " + path).status != 0) return {};
    return readPpm(path);
}

Picture waitForPicture(const GameRun& run, double seconds, const std::function<bool(const Picture&)>& wanted,
                       double still) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    Picture last = takePicture(run);
    while (std::chrono::steady_clock::now() < end) {
        Picture next = takePicture(run);
        if (!next.rgb.empty() && changedShare(next, last) <= still && wanted(next)) return next;
        last = std::move(next);
    }
    return {};
}
