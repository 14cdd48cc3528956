// Test support: PPM screenshots and their differences.
#include "support/pictures.h"

#include "support/process.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <thread>

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

Picture readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int width = 0, height = 0, maxValue = 0;
    in >> magic >> width >> height >> maxValue;
    in.get();  // the one blank after the header
    if (!in || magic != "P6" || width <= 0 || height <= 0 || maxValue <= 0 || maxValue > 65535) return {};
    const size_t count = static_cast<size_t>(width) * height * 3;
    const size_t bytesPerValue = maxValue > 255 ? 2 : 1;
    std::vector<unsigned char> raw(count * bytesPerValue);
    in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size()));
    if (static_cast<size_t>(in.gcount()) != raw.size()) return {};
    Picture picture;
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const int value = bytesPerValue == 2 ? raw[2 * i] * 256 + raw[2 * i + 1] : raw[i];
        picture.rgb[i] = static_cast<float>(value) * 255.0f / static_cast<float>(maxValue);
    }
    return picture;
}

// Calls perPixel with each pixel's largest channel difference in the region; returns the pixel count,
// or -1 when the pictures cannot be compared.
template <typename PerPixel>
double forEachDifference(const Picture& a, const Picture& b, const Region& region, PerPixel perPixel) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty()) return -1.0;
    const int x0 = std::clamp(region.x, 0, a.width);
    const int y0 = std::clamp(region.y, 0, a.height);
    const int x1 = region.width > 0 ? std::min(a.width, x0 + region.width) : a.width;
    const int y1 = region.height > 0 ? std::min(a.height, y0 + region.height) : a.height;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
            const size_t i = (static_cast<size_t>(y) * a.width + x) * 3;
            float d = 0.0f;
            for (int c = 0; c < 3; ++c) d = std::max(d, std::fabs(a.rgb[i + c] - b.rgb[i + c]));
            perPixel(d);
        }
    return static_cast<double>(x1 - x0) * (y1 - y0);
}

double pictureDifference(const Picture& a, const Picture& b, const Region& region) {
    double sum = 0.0;
    const double pixels = forEachDifference(a, b, region, [&](float d) { sum += d; });
    if (pixels < 0) return 255.0;
    return pixels > 0 ? sum / pixels : 0.0;
}

double changedShare(const Picture& a, const Picture& b, const Region& region, double level) {
    double changed = 0.0;
    const double pixels = forEachDifference(a, b, region, [&](float d) { changed += d > level ? 1.0 : 0.0; });
    if (pixels < 0) return 1.0;
    return pixels > 0 ? changed / pixels : 0.0;
}

bool looksDrawn(const Picture& picture) {
    if (picture.rgb.empty()) return false;
    size_t different = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3)
        for (int c = 0; c < 3; ++c)
            if (std::fabs(picture.rgb[i + c] - picture.rgb[c]) > 8.0f) {
                ++different;
                break;
            }
    return different > picture.rgb.size() / 3 / 100;
}

Picture takePicture(const GameRun& run) {
    static int count = 0;
    const std::string path = screenshot(run, "shot" + std::to_string(count++));
    return path.empty() ? Picture{} : readPpm(path);
}

Picture waitForDrawnPicture(const GameRun& run, double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    Picture picture = takePicture(run);
    while (!looksDrawn(picture) && secondsSince(start) < timeoutSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        picture = takePicture(run);
    }
    return picture;
}

Picture waitForChange(const GameRun& run, const Picture& from, double threshold, double timeoutSeconds,
                      const Region& region, Measure measure) {
    const auto differ = [&](const Picture& a, const Picture& b) {
        return measure == Measure::ChangedShare ? changedShare(a, b, region) : pictureDifference(a, b, region);
    };
    const auto start = std::chrono::steady_clock::now();
    Picture picture = takePicture(run);
    while (differ(picture, from) <= threshold && secondsSince(start) < timeoutSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(250));
        picture = takePicture(run);
    }
    // A shot can catch a frame being presented: keep going until two in a row agree.
    for (int tries = 0; tries < 20 && secondsSince(start) < timeoutSeconds + 10.0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        Picture next = takePicture(run);
        const bool stable = differ(next, picture) < threshold / 4.0;
        picture = next;
        if (stable) break;
    }
    return picture;
}

Picture waitForStill(const GameRun& run, double still, double timeoutSeconds) {
    const auto start = std::chrono::steady_clock::now();
    Picture picture = takePicture(run);
    while (secondsSince(start) < timeoutSeconds) {
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        Picture next = takePicture(run);
        const bool stable = pictureDifference(next, picture) <= still;
        picture = next;
        if (stable) break;
    }
    return picture;
}
