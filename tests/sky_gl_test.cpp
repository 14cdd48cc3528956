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

int faceSize(unsigned int texture, int face, GLenum dimension) {
    int size = -1;
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, dimension, &size);
    return size;
}

using Sky = GlTest;

}  // namespace

TEST_F(Sky, EachDirectionShowsItsFaceWhereverTheCameraStandsAndOnlyWhereDepthIsCleared) {
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
}

TEST_F(Sky, AMissingFaceIsReportedInOneLineAndTheOtherFiveLoad) {
    std::array<std::string, 6> paths = writeFaces();
    std::filesystem::remove(paths[2]);
    const auto [texture, output] = load(paths);
    EXPECT_EQ(output, "Cubemap tex failed to load at path: " + paths[2] + "\n");
    for (int face = 0; face < 6; ++face) EXPECT_EQ(faceSize(texture, face, GL_TEXTURE_WIDTH), face == 2 ? 0 : 3);
    glDeleteTextures(1, &texture);
}

TEST_F(Sky, TheShippedFacesLoadSquareOfOneSizeAndSilently) {
    const auto [texture, output] = load(SKYBOX_FACES);
    EXPECT_EQ(output, "");
    const int size = faceSize(texture, 0, GL_TEXTURE_WIDTH);
    EXPECT_GT(size, 0);
    for (int face = 0; face < 6; ++face) {
        EXPECT_EQ(faceSize(texture, face, GL_TEXTURE_WIDTH), size) << SKYBOX_FACES[face];
        EXPECT_EQ(faceSize(texture, face, GL_TEXTURE_HEIGHT), size) << SKYBOX_FACES[face];
    }
    glDeleteTextures(1, &texture);
}
