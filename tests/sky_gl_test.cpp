// Skybox: cube-map faces (missing and non-RGB images), the rotation-only view, the far-plane draw.
#include "render/sky.h"
#include "support/gl_context.h"
#include "support/process.h"

#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <stb_image_write.h>

#include <filesystem>
#include <sstream>
#include <vector>

namespace {

std::string stageAndProgramLogs(unsigned int program) {
    std::string logs;
    unsigned int stages[4] = {};
    int count = 0;
    glGetAttachedShaders(program, 4, &count, stages);
    char text[2048];
    for (int i = 0; i < count; ++i) {
        text[0] = '\0';
        glGetShaderInfoLog(stages[i], sizeof text, nullptr, text);
        logs += text;
    }
    text[0] = '\0';
    glGetProgramInfoLog(program, sizeof text, nullptr, text);
    return logs + text;
}

Shader skyProgram() {
    return Shader("Resources/shader/skyboxVertex.shader", "Resources/shader/skyboxFragment.shader", NO_GEOMETRY);
}

// A solid image of the given channel count; odd sizes catch unaligned rows.
void writeSolidPng(const std::string& path, int size, int channels, const std::vector<unsigned char>& pixel) {
    std::vector<unsigned char> data;
    for (int i = 0; i < size * size; ++i) data.insert(data.end(), pixel.begin(), pixel.end());
    stbi_write_png(path.c_str(), size, size, channels, data.data(), size * channels);
}

const unsigned char FACE_COLORS[6][3] = {{250, 10, 10}, {10, 250, 10}, {10, 10, 250},
                                         {250, 250, 10}, {10, 250, 250}, {250, 10, 250}};

std::array<std::string, 6> facePaths(const std::string& dir) {
    std::array<std::string, 6> paths;
    for (int i = 0; i < 6; ++i) paths[i] = dir + "/" + std::filesystem::path(SKYBOX_FACES[i]).filename().string();
    return paths;
}

// Six solid RGB faces in a fresh folder, one colour per face.
std::array<std::string, 6> writeColoredFaces(int size) {
    const std::array<std::string, 6> paths = facePaths(makeTempDir("sky"));
    for (int i = 0; i < 6; ++i)
        writeSolidPng(paths[i], size, 3, {FACE_COLORS[i][0], FACE_COLORS[i][1], FACE_COLORS[i][2]});
    return paths;
}

struct CapturedCubemap {
    unsigned int texture = 0;
    std::string output;
};

CapturedCubemap loadCaptured(const std::array<std::string, 6>& paths) {
    std::stringstream captured;
    std::streambuf* old = std::cout.rdbuf(captured.rdbuf());
    unsigned int texture = loadCubemap(paths);
    std::cout.rdbuf(old);
    return {texture, captured.str()};
}

int faceWidth(int face) {
    int width = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

std::vector<unsigned char> faceTexels(unsigned int texture, int face, int size) {
    std::vector<unsigned char> texels(static_cast<size_t>(size * size * 3));
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

// A colour target with a depth buffer, bound, for drawing the sky into.
struct SkyTarget {
    unsigned int framebuffer = 0, color = 0, depth = 0;
    static constexpr int SIZE = 32;
    SkyTarget() {
        glGenFramebuffers(1, &framebuffer);
        glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glGenTextures(1, &color);
        glBindTexture(GL_TEXTURE_2D, color);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, SIZE, SIZE, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, color, 0);
        glGenRenderbuffers(1, &depth);
        glBindRenderbuffer(GL_RENDERBUFFER, depth);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, SIZE, SIZE);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depth);
        glViewport(0, 0, SIZE, SIZE);
    }
    ~SkyTarget() {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &framebuffer);
        glDeleteTextures(1, &color);
        glDeleteRenderbuffers(1, &depth);
    }
    std::array<unsigned char, 3> centre() const {
        std::array<unsigned char, 3> rgb{};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(SIZE / 2, SIZE / 2, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }
};

}  // namespace

using SkyTest = GlTest;

TEST_F(SkyTest, ProgramCompilesAndLinksWithEmptyLogs) {
    Shader sky = skyProgram();
    int linked = 0;
    glGetProgramiv(sky.ID, GL_LINK_STATUS, &linked);
    EXPECT_TRUE(linked);
    EXPECT_EQ(stageAndProgramLogs(sky.ID), "");
}

TEST_F(SkyTest, MissingTopFaceGivesOneLineAndTheOtherFiveLoad) {
    std::array<std::string, 6> paths = writeColoredFaces(4);
    std::filesystem::remove(paths[2]);
    CapturedCubemap cube = loadCaptured(paths);
    EXPECT_EQ(cube.output, "Cubemap tex failed to load at path: " + paths[2] + "\n");
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.texture);
    for (int face = 0; face < 6; ++face) EXPECT_EQ(faceWidth(face), face == 2 ? 0 : 4) << "face " << face;
    glDeleteTextures(1, &cube.texture);
}

TEST_F(SkyTest, NonRgbFacesAreConvertedToRgb) {
    // Grey, grey + alpha, RGBA and RGB faces of an odd size: each must read back as its own RGB colour.
    const std::array<std::string, 6> paths = facePaths(makeTempDir("sky-channels"));
    writeSolidPng(paths[0], 3, 1, {90});
    writeSolidPng(paths[1], 3, 2, {160, 7});
    writeSolidPng(paths[2], 3, 4, {200, 100, 50, 0});
    for (int i = 3; i < 6; ++i) writeSolidPng(paths[i], 3, 3, {20, 40, 60});
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    CapturedCubemap cube = loadCaptured(paths);
    EXPECT_EQ(cube.output, "");
    int alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 4) << "the upload leaves the unpack alignment as it found it";

    const std::vector<std::vector<unsigned char>> expected = {
        {90, 90, 90}, {160, 160, 160}, {200, 100, 50}, {20, 40, 60}, {20, 40, 60}, {20, 40, 60}};
    for (int face = 0; face < 6; ++face) {
        std::vector<unsigned char> texels = faceTexels(cube.texture, face, 3);
        for (int t = 0; t < 9; ++t)
            ASSERT_EQ(std::vector<unsigned char>(texels.begin() + t * 3, texels.begin() + t * 3 + 3), expected[face])
                << "face " << face << " texel " << t;
    }
    glDeleteTextures(1, &cube.texture);
}

TEST_F(SkyTest, ShippedFacesLoadSquareAndSilent) {
    for (const std::string& path : SKYBOX_FACES)
        if (!std::filesystem::exists(path)) GTEST_SKIP() << "no shipped sky yet: " << path;
    CapturedCubemap cube = loadCaptured(SKYBOX_FACES);
    EXPECT_EQ(cube.output, "");
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube.texture);
    const int size = faceWidth(0);
    EXPECT_GT(size, 0);
    for (int face = 0; face < 6; ++face) {
        int height = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_TEXTURE_HEIGHT, &height);
        EXPECT_EQ(faceWidth(face), size);
        EXPECT_EQ(height, size);
    }
    glDeleteTextures(1, &cube.texture);
}

TEST_F(SkyTest, ViewLosesItsTranslationAndDepthFunctionIsRestored) {
    Shader program = skyProgram();
    Skybox sky(&program);
    SkyTarget target;
    const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, 0.1f, 500.0f);
    const glm::mat4 rotation = glm::rotate(glm::mat4(1.0f), 0.7f, glm::normalize(glm::vec3(1, 2, 3)));

    glm::mat4 uploaded[2];
    const glm::vec3 cameraPositions[2] = {glm::vec3(0.0f), glm::vec3(12.0f, -3.0f, 40.0f)};
    for (int i = 0; i < 2; ++i) {
        glDepthFunc(GL_LESS);
        drawSkybox(sky, glm::translate(rotation, -cameraPositions[i]), projection, sky.cubemapTexture);
        glGetUniformfv(program.ID, glGetUniformLocation(program.ID, "view"), glm::value_ptr(uploaded[i]));
        int depthFunc = 0;
        glGetIntegerv(GL_DEPTH_FUNC, &depthFunc);
        EXPECT_EQ(depthFunc, GL_LESS);
    }
    EXPECT_EQ(uploaded[0], uploaded[1]);
    EXPECT_EQ(uploaded[1], glm::mat4(glm::mat3(rotation)));
    EXPECT_EQ(uploaded[1][3], glm::vec4(0, 0, 0, 1));
    int unit = -1;
    glGetUniformiv(program.ID, glGetUniformLocation(program.ID, "skybox"), &unit);
    EXPECT_EQ(unit, 0);
}

TEST_F(SkyTest, EachDirectionShowsItsFaceOnlyWhereDepthIsCleared) {
    Shader program = skyProgram();
    Skybox sky(&program);
    CapturedCubemap cube = loadCaptured(writeColoredFaces(8));
    SkyTarget target;
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);  // the game culls back faces: the cube must face inward
    const glm::mat4 projection = glm::perspective(glm::radians(90.0f), 1.0f, 0.1f, 500.0f);
    const glm::vec3 directions[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const glm::vec3 camera(5.0f, 1.0f, -7.0f);

    for (int face = 0; face < 6; ++face) {
        const glm::vec3 up = face == 2 || face == 3 ? glm::vec3(0, 0, -1) : glm::vec3(0, 1, 0);
        const glm::mat4 view = glm::lookAt(camera, camera + directions[face], up);
        glClearColor(0, 0, 0, 1);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawSkybox(sky, view, projection, cube.texture);
        std::array<unsigned char, 3> seen = target.centre();
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(seen[c], FACE_COLORS[face][c], 2) << "face " << face;

        // Anything nearer than the far plane hides the sky.
        glClearDepth(0.999);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawSkybox(sky, view, projection, cube.texture);
        EXPECT_EQ(target.centre(), (std::array<unsigned char, 3>{0, 0, 0})) << "face " << face;
    }
    glClearDepth(1.0);
    glDisable(GL_CULL_FACE);
    glDeleteTextures(1, &cube.texture);
}
