// Composite: the scene passes through untouched; the volumetric light is added only where it lies, only while
// switched on, and without crossing a depth edge.
#include "core/toggles.h"
#include "render/composite.h"
#include "render/frame.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"

#include <cmath>

namespace {

unsigned int makeTexture(int internalFormat, int w, int h, unsigned int format, unsigned int type, const void* data,
                         int filter) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, internalFormat, w, h, 0, format, type, data);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    return texture;
}

// What the march keeps in alpha for half-size texel (x, y) of a halfW x halfH target whose ray ends at the given
// view distance: the length of the ray through the texel's centre.
float rayLength(float distance, int x, int y, int halfW, int halfH) {
    const float t = std::tan(glm::radians(PROJECTION_FOV_DEGREES) * 0.5f);
    const float sx = ((x + 0.5f) / halfW * 2.0f - 1.0f) * t * halfW / halfH;
    const float sy = ((y + 0.5f) / halfH * 2.0f - 1.0f) * t;
    return distance * std::sqrt(1.0f + sx * sx + sy * sy);
}

// The frame's inputs (8-bit scene colour, float depth, half-size RGBA32F light) composited into a w x h target.
std::vector<unsigned char> composite(int w, int h, const std::vector<unsigned char>& rgb,
                                     const std::vector<float>& depths, const std::vector<float>& light) {
    Shader program("Resources/shader/quadVertex.shader", "Resources/shader/quadFragment.shader", NO_GEOMETRY);
    ScreenQuad quad(&program);
    unsigned int textures[3] = {
        makeTexture(GL_RGB, w, h, GL_RGB, GL_UNSIGNED_BYTE, rgb.data(), GL_LINEAR),
        makeTexture(GL_DEPTH_COMPONENT, w, h, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data(), GL_NEAREST),
        makeTexture(GL_RGBA32F, w / 2, h / 2, GL_RGBA, GL_FLOAT, light.data(), GL_LINEAR)};
    ColourTarget window(w, h);
    compositeScene(quad, textures[0], textures[2], textures[1]);
    glDeleteTextures(3, textures);
    return window.pixels();
}

using Composite = GlTest;

}  // namespace

TEST_F(Composite, AddsTheLightOnlyWhereItLiesAndWhileOnWithoutCrossingADepthEdge) {
    // A near wall on columns 0..6 and open sky from column 7: the silhouette falls inside half-size texel 3.
    // The light is where the sky is; plain bilinear upsampling would smear it onto columns 6 to 8.
    const int w = 16, h = 8;
    std::vector<unsigned char> rgb;
    for (int i = 0; i < w * h; ++i) rgb.insert(rgb.end(), {static_cast<unsigned char>(i), 60, 200});
    std::vector<float> depths(w * h), light;
    for (int i = 0; i < w * h; ++i) depths[i] = i % w < 7 ? depthAt(frameProjection(), 2.0f) : 1.0f;
    // Red light wherever the half-size depth (the texel at twice the coordinate) saw the sky.
    for (int y = 0; y < h / 2; ++y)
        for (int x = 0; x < w / 2; ++x) {
            const bool sky = depths[2 * (y * w + x)] == 1;
            const float length = rayLength(sky ? PROJECTION_FAR : 2.0f, x, y, w / 2, h / 2);
            light.insert(light.end(), {sky ? 0.5f : 0, 0, 0, length});
        }
    volumetricEnabled = false;
    EXPECT_EQ(composite(w, h, rgb, depths, light), rgb) << "switched off, the scene passes through as it is";
    volumetricEnabled = true;
    const std::vector<unsigned char> lit = composite(w, h, rgb, depths, light);
    for (int i = 0; i < w * h; ++i) {
        if (i % w < 7) {
            EXPECT_NEAR(lit[i * 3], rgb[i * 3], 1) << "wall pixel " << i % w << "," << i / w;
        } else {
            // 0.5 of light rolled off against the headroom of a near-black pixel: about a third of full.
            EXPECT_GE(lit[i * 3], 150) << "sky pixel " << i % w << "," << i / w;
        }
        EXPECT_NEAR(lit[i * 3 + 1], 60, 1) << "pixel " << i;
        EXPECT_NEAR(lit[i * 3 + 2], 200, 1) << "pixel " << i;
    }
}
