// Checks over the shipped sky faces and sounds: the sky shows no seam, the loops no click or gap. Whether the
// glass break is heard over them is the flight show's to say, from what a capture mixes.
#include "assets/image_decode.h"
#include "audio/sound_engine.h"
#include "render/sky.h"
#include "wave_capture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

struct Dir { double x, y, z; };

// Direction through face coordinates (sc, tc) in [-1, 1] of face +X, -X, +Y, -Y, +Z, -Z, as GL's cube-map lookup has it.
Dir faceDirection(int face, double sc, double tc) {
    const Dir dirs[] = {{1, -tc, -sc}, {-1, -tc, sc}, {sc, 1, tc}, {sc, -1, -tc}, {sc, -tc, 1}, {-sc, -tc, -1}};
    return dirs[face];
}

// GL's selection rule: the major axis picks the face, the other two give (sc, tc).
void lookUp(Dir d, int& face, double& sc, double& tc) {
    const double ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
    if (ax >= ay && ax >= az) face = d.x > 0 ? 0 : 1, sc = (d.x > 0 ? -d.z : d.z) / ax, tc = -d.y / ax;
    else if (ay >= az) face = d.y > 0 ? 2 : 3, sc = d.x / ay, tc = (d.y > 0 ? d.z : -d.z) / ay;
    else face = d.z > 0 ? 4 : 5, sc = (d.z > 0 ? d.x : -d.x) / az, tc = -d.y / az;
}

}  // namespace

// Each border pixel of each face against the pixel one step past the edge, looked up as the GPU would.
TEST(ContentSky, TheFacesAreSquareAndTheirSharedEdgesMatch) {
    const int n = 1024;
    std::vector<DecodedImage> faces;
    for (const std::string& path : SKYBOX_FACES) {
        faces.push_back(decodeImage(path, 3));
        ASSERT_TRUE(faces.back().pixels && faces.back().width == n && faces.back().height == n) << path;
    }
    auto pixel = [&](int face, int row, int col) { return faces[face].pixels.get() + (size_t(row) * n + col) * 3; };
    auto toPixel = [&](double c) { return std::clamp(static_cast<int>(std::floor((c + 1.0) / 2.0 * n)), 0, n - 1); };
    const double out = 1.0 + 1.0 / n;
    for (int face = 0; face < 6; ++face)
        for (int side = 0; side < 4; ++side) {  // left, right, top, bottom
            int neighbour = -1;
            double sum = 0.0;
            for (int k = 0; k < n; ++k) {
                const double along = (k + 0.5) / n * 2.0 - 1.0;
                const double sc = side == 0 ? -out : side == 1 ? out : along;
                const double tc = side == 2 ? -out : side == 3 ? out : along;
                const int row = side == 2 ? 0 : side == 3 ? n - 1 : k, col = side == 0 ? 0 : side == 1 ? n - 1 : k;
                int hit = 0;
                double hsc = 0, htc = 0;
                lookUp(faceDirection(face, sc, tc), hit, hsc, htc);
                if (neighbour < 0) neighbour = hit;
                ASSERT_TRUE(hit != face && hit == neighbour) << "face " << face << " side " << side;
                const unsigned char* a = pixel(face, row, col);
                const unsigned char* b = pixel(hit, toPixel(htc), toPixel(hsc));
                for (int c = 0; c < 3; ++c) sum += std::abs(int(a[c]) - int(b[c]));
            }
            EXPECT_LE(sum / (3.0 * n), 4.0) << SKYBOX_FACES[face] << " side " << side << " against "
                                            << SKYBOX_FACES[neighbour];
        }
}

// Across the seam the step is no bigger than steps the loop makes anyway, and neither side has gone quiet
// (untrimmed encoder delay would leave a gap of silence that a step test misses).
TEST(ContentSound, TheMusicAndWindLoopsJoinWithoutClickOrGap) {
    for (const char* path : {"Resources/spooky_song2.mp3", "Resources/wind.mp3"}) {
        PcmClip pcm;
        ASSERT_TRUE(decodeMp3(path, pcm)) << path;
        ASSERT_GT(pcm.frames(), size_t(pcm.rate) * 2) << path;
        auto at = [&](size_t frame, int ch) { return pcm.samples[frame * pcm.channels + ch] / 32768.0; };
        const size_t last = pcm.frames() - 1, window = size_t(pcm.rate) / 50;
        for (int ch = 0; ch < pcm.channels; ++ch) {
            double inside = 0.0;
            for (size_t i = 0; i + 1 < size_t(pcm.rate); ++i) inside = std::max(inside, std::abs(at(i + 1, ch) - at(i, ch)));
            EXPECT_LE(std::abs(at(0, ch) - at(last, ch)), inside) << path << " channel " << ch;
            const double head = rms(pcm, ch, 0, window), tail = rms(pcm, ch, pcm.frames() - window, window);
            EXPECT_GT(std::min(head, tail), 0.0) << path << " channel " << ch;
            EXPECT_LT(std::max(head, tail) / std::min(head, tail), 3.0) << path << " channel " << ch;
        }
    }
}
