// Skybox: each direction shows its own face wherever the depth is cleared, wherever the camera stands; faces of
// any channel count load, and a missing one is reported.
#include "render/shadow_pass.h"
#include "render/sky.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"
#include "support/process.h"

#include <glm/gtc/matrix_transform.hpp>
#include <stb_image_write.h>

#include <filesystem>
#include <sstream>

namespace {

// One solid 3 x 3 image per face (odd rows catch unaligned uploads) of 1 to 4 channels, and the RGB it shows.
struct Face {
    int channels;
    std::vector<unsigned char> texel;
    std::array<int, 3> shown;
};
const Face FACES[6] = {{1, {90}, {90, 90, 90}},          {2, {160, 7}, {160, 160, 160}},
                       {4, {200, 100, 50, 0}, {200, 100, 50}}, {3, {10, 250, 250}, {10, 250, 250}},
                       {3, {250, 10, 250}, {250, 10, 250}},    {3, {20, 40, 60}, {20, 40, 60}}};

std::array<std::string, 6> writeFaces() {
    const std::string dir = makeTempDir("sky");
    std::array<std::string, 6> paths;
    for (int i = 0; i < 6; ++i) {
        paths[i] = dir + "/" + std::filesystem::path(SKYBOX_FACES[i]).filename().string();
        std::vector<unsigned char> data;
        for (int t = 0; t < 9; ++t) data.insert(data.end(), FACES[i].texel.begin(), FACES[i].texel.end());
        stbi_write_png(paths[i].c_str(), 3, 3, FACES[i].channels, data.data(), 3 * FACES[i].channels);
    }
    return paths;
}

// The texture and what loading it printed.
std::pair<unsigned int, std::string> load(const std::array<std::string, 6>& paths) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    const unsigned int texture = loadCubemap(paths);
    std::cout.rdbuf(old);
    return {texture, captured.str()};
}

using Sky = GlTest;

}  // namespace

TEST_F(Sky, EachDirectionShowsItsFaceWhereverTheCameraStandsOnlyWhereDepthIsClearedAndAMissingFaceIsReported) {
    Shader program("Resources/shader/skyboxVertex.shader", "Resources/shader/skyboxFragment.shader", NO_GEOMETRY);
    Skybox sky(&program);
    const auto [texture, output] = load(writeFaces());
    EXPECT_EQ(output, "");
    ColourTarget target(32, 32);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);  // the game culls back faces: the cube must face inward
    const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, 0.1f, 500.0f);
    for (int face = 0; face < 6; ++face)
        for (const glm::vec3 camera : {glm::vec3(0.0f), glm::vec3(5.0f, 1.0f, -70.0f)}) {
            const glm::mat4 view = glm::lookAt(camera, camera + CUBE_FACES[face].direction, CUBE_FACES[face].up);
            for (const double cleared : {1.0, 0.999}) {
                glClearDepth(cleared);
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                drawSkybox(sky, view, projection, texture);
                const std::vector<unsigned char> rgb = target.pixels();
                const std::size_t centre = (16 * 32 + 16) * 3;
                for (int c = 0; c < 3; ++c)
                    EXPECT_NEAR(rgb[centre + c], cleared == 1.0 ? FACES[face].shown[c] : 0, 2)
                        << "face " << face << " from " << camera.z << ", depth cleared to " << cleared;
            }
        }
    glClearDepth(1.0);
    glDisable(GL_CULL_FACE);
    glDeleteTextures(1, &texture);
    // A face that fails to load is reported in one line; the others still load.
    std::array<std::string, 6> paths = writeFaces();
    std::filesystem::remove(paths[2]);
    const auto [withoutTop, report] = load(paths);
    EXPECT_EQ(report, "Cubemap tex failed to load at path: " + paths[2] + "\n");
    glDeleteTextures(1, &withoutTop);
}
