// Volumetric light: which lights the march receives, where its results land, and what it shows.
#include "render/volumetric_pass.h"

#include "app/startup.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/frame.h"
#include "render/render_targets.h"
#include "render/renderer.h"
#include "support/gl_context.h"
#include "support/process.h"
#include "world/lights.h"
#include "world/registry.h"

#include <gtest/gtest.h>
#include <stb_image.h>

#include <glm/gtc/matrix_transform.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string SHADERS = "Resources/shader/";

std::string stageLog(unsigned int stage) {
    int length = 0;
    glGetShaderiv(stage, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    if (length > 0) glGetShaderInfoLog(stage, length, nullptr, log.data());
    return log.c_str();
}

std::string programLog(unsigned int program) {
    int length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<size_t>(std::max(length, 1)), '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
    return log.c_str();
}

// Compiles one file and expects neither an error nor a warning.
unsigned int compileClean(const std::string& file, unsigned int type) {
    std::ifstream in(SHADERS + file);
    std::stringstream text;
    text << in.rdbuf();
    const std::string source = text.str();
    EXPECT_FALSE(source.empty()) << file;
    unsigned int stage = glCreateShader(type);
    const char* src = source.c_str();
    glShaderSource(stage, 1, &src, nullptr);
    glCompileShader(stage);
    int ok = 0;
    glGetShaderiv(stage, GL_COMPILE_STATUS, &ok);
    EXPECT_TRUE(ok) << file;
    EXPECT_EQ(stageLog(stage), "") << file;
    return stage;
}

struct Texel {
    float r, g, b, a;
    float light() const { return (r + g + b) / 3.0f; }
};

std::vector<Texel> readTexture(unsigned int texture, glm::ivec2 size) {
    std::vector<Texel> texels(static_cast<size_t>(size.x * size.y));
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_FLOAT, texels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    return texels;
}

// Axis-aligned box, the only solid thing of the test scene besides a back wall.
struct Box {
    glm::vec3 min, max;
};

// Distance along dir (normalised) to the first hit with the box, or a huge value.
float hitBox(const Box& box, const glm::vec3& origin, const glm::vec3& dir) {
    float enter = 0.0f, leave = 1e30f;
    for (int a = 0; a < 3; ++a) {
        if (std::abs(dir[a]) < 1e-8f) {
            if (origin[a] < box.min[a] || origin[a] > box.max[a]) return 1e30f;
            continue;
        }
        float t0 = (box.min[a] - origin[a]) / dir[a];
        float t1 = (box.max[a] - origin[a]) / dir[a];
        enter = std::max(enter, std::min(t0, t1));
        leave = std::min(leave, std::max(t0, t1));
    }
    return enter <= leave ? enter : 1e30f;
}

// The back wall is the plane z = WALL_Z, facing the camera at the origin.
constexpr float WALL_Z = -12.0f;

float hitScene(const std::vector<Box>& boxes, const glm::vec3& origin, const glm::vec3& dir) {
    float t = dir.z < -1e-6f ? (WALL_Z - origin.z) / dir.z : 1e30f;
    for (const Box& b : boxes) t = std::min(t, hitBox(b, origin, dir));
    return t;
}

// Direction of a cube-map texel centre, in GL's face order +X, -X, +Y, -Y, +Z, -Z.
glm::vec3 cubeDirection(int face, float s, float t) {
    float sc = 2.0f * s - 1.0f, tc = 2.0f * t - 1.0f;
    switch (face) {
        case 0: return {1.0f, -tc, -sc};
        case 1: return {-1.0f, -tc, sc};
        case 2: return {sc, 1.0f, tc};
        case 3: return {sc, -1.0f, -tc};
        case 4: return {sc, -tc, 1.0f};
        default: return {-sc, -tc, -1.0f};
    }
}

// A one-cube shadow array as the shadow pass stores it: distance to the light over the far plane.
unsigned int makeShadowCube(const std::vector<Box>& boxes, const glm::vec3& light, float farPlane) {
    constexpr int SIZE = 64;
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, texture);
    glTexImage3D(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_DEPTH_COMPONENT32F, SIZE, SIZE, 6, 0, GL_DEPTH_COMPONENT,
                 GL_FLOAT, nullptr);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    std::vector<float> depth(SIZE * SIZE);
    for (int face = 0; face < 6; ++face) {
        for (int y = 0; y < SIZE; ++y)
            for (int x = 0; x < SIZE; ++x) {
                glm::vec3 dir = glm::normalize(cubeDirection(face, (x + 0.5f) / SIZE, (y + 0.5f) / SIZE));
                depth[y * SIZE + x] = std::min(hitScene(boxes, light, dir) / farPlane, 1.0f);
            }
        glTexSubImage3D(GL_TEXTURE_CUBE_MAP_ARRAY, 0, 0, 0, face, SIZE, SIZE, 1, GL_DEPTH_COMPONENT, GL_FLOAT,
                        depth.data());
    }
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, 0);
    return texture;
}

// The half-size scene depth of a camera at the origin looking down -z.
unsigned int makeSceneDepth(const std::vector<Box>& boxes, const glm::mat4& projection, glm::ivec2 size) {
    const glm::mat4 inverse = glm::inverse(projection);
    std::vector<float> depth(static_cast<size_t>(size.x * size.y));
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x) {
            glm::vec2 ndc((x + 0.5f) / size.x * 2.0f - 1.0f, (y + 0.5f) / size.y * 2.0f - 1.0f);
            glm::vec4 far = inverse * glm::vec4(ndc, 1.0f, 1.0f);
            glm::vec3 dir = glm::normalize(glm::vec3(far) / far.w);
            glm::vec4 clip = projection * glm::vec4(dir * hitScene(boxes, glm::vec3(0.0f), dir), 1.0f);
            depth[y * size.x + x] = std::clamp(clip.z / clip.w * 0.5f + 0.5f, 0.0f, 1.0f);
        }
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT32F, size.x, size.y, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                 depth.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

Entity addLight(Registry& registry, const glm::vec3& position, bool volumetric, float phi, int id = 0) {
    LightSource light;
    light.mPosition = position;
    light.volumetric = volumetric;
    light.mPhi = phi;
    light.mTau = 0.05f;
    light.mNrSamples = 20;
    light.mLightID = id;
    light.mColorDiffuse = glm::vec3(1.0f, 0.8f, 0.6f);
    Entity e = registry.create();
    registry.emplace<LightSource>(e, light);
    return e;
}

struct VolumetricPass : GlTest {
    std::unique_ptr<Shader> march, downsample, blur;
    std::unique_ptr<VolumetricLight> volumetric;
    Registry registry;
    glm::ivec2 size{0};
    unsigned int depth = 0;
    unsigned int shadow = 0;

    void SetUp() override {
        GlTest::SetUp();
        settings.width = 320.0f;
        settings.height = 180.0f;
        march = std::make_unique<Shader>(SHADERS + "volumetricVertex.shader", SHADERS + "volumetricFragment.shader",
                                         NO_GEOMETRY);
        downsample = std::make_unique<Shader>(SHADERS + "volumetricDownsampleVertex.shader",
                                              SHADERS + "volumetricDownsampleFragment.shader", NO_GEOMETRY);
        blur = std::make_unique<Shader>(SHADERS + "blurVertex.shader", SHADERS + "blurFragment.shader", NO_GEOMETRY);
        volumetric = std::make_unique<VolumetricLight>(march.get(), downsample.get(), blur.get());
        size = halfTargetSize();
        setScene({}, {}, glm::vec3(0.0f));
    }
    void TearDown() override {
        glDeleteTextures(1, &depth);
        glDeleteTextures(1, &shadow);
        GlTest::TearDown();
    }

    // depthBoxes are what the camera sees, shadowBoxes what the light at lightPosition sees.
    void setScene(const std::vector<Box>& depthBoxes, const std::vector<Box>& shadowBoxes, glm::vec3 lightPosition) {
        glDeleteTextures(1, &depth);
        glDeleteTextures(1, &shadow);
        depth = makeSceneDepth(depthBoxes, frameProjection(), size);
        shadow = makeShadowCube(shadowBoxes, lightPosition, 500.0f);
    }

    void render(float frameTime = 0.0f) {
        renderVolumetricLight(*volumetric, depth, glm::vec3(0.0f), glm::mat4(1.0f), glm::inverse(frameProjection()),
                              frameTime, registry, shadow);
        glFinish();
    }

    std::vector<Texel> result() { return readTexture(volumetric->colorTextureA, size); }
    std::vector<Texel> firstBlur() { return readTexture(volumetric->colorTextureB, size); }
    Texel at(const std::vector<Texel>& image, int x, int y) { return image[static_cast<size_t>(y * size.x + x)]; }

    int loc(const std::string& name) { return glGetUniformLocation(march->ID, name.c_str()); }
    float uniformFloat(const std::string& name) {
        float v = -1.0f;
        glGetUniformfv(march->ID, loc(name), &v);
        return v;
    }
    int uniformInt(const std::string& name) {
        int v = -1;
        glGetUniformiv(march->ID, loc(name), &v);
        return v;
    }
    glm::vec3 uniformVec3(const std::string& name) {
        glm::vec3 v(-1.0f);
        glGetUniformfv(march->ID, loc(name), &v.x);
        return v;
    }
    // Marks every element's power so an element the pass leaves alone keeps the mark.
    void markLightArray(float mark) {
        march->use();
        for (int i = 0; i < MAX_LIGHTS; ++i) march->setFloat("pointLight[" + std::to_string(i) + "].mPhi", mark);
    }
};

}  // namespace

TEST(VolumetricPrograms, CompileAndLinkWithEmptyLogs) {
    sharedGlWindow();
    const std::array<std::array<const char*, 2>, 3> programs{{
        {"volumetricVertex.shader", "volumetricFragment.shader"},
        {"volumetricDownsampleVertex.shader", "volumetricDownsampleFragment.shader"},
        {"blurVertex.shader", "blurFragment.shader"},
    }};
    for (const auto& files : programs) {
        unsigned int program = glCreateProgram();
        unsigned int vertex = compileClean(files[0], GL_VERTEX_SHADER);
        unsigned int fragment = compileClean(files[1], GL_FRAGMENT_SHADER);
        glAttachShader(program, vertex);
        glAttachShader(program, fragment);
        glLinkProgram(program);
        int linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        EXPECT_TRUE(linked) << files[1];
        EXPECT_EQ(programLog(program), "") << files[1];
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        glDeleteProgram(program);
    }
}

TEST_F(VolumetricPass, UploadsOnlyVolumetricLightsInWalkOrder) {
    addLight(registry, {1, 0, -5}, true, 700.0f);
    addLight(registry, {2, 0, -5}, false, 50.0f);
    addLight(registry, {3, 0, -5}, true, 100.0f);
    addLight(registry, {4, 0, -5}, false, 50.0f);
    markLightArray(-7.0f);
    render();
    EXPECT_EQ(uniformInt("nr_pointlights"), 2);
    // Last created first; the house-like lights in between take no slot.
    EXPECT_FLOAT_EQ(uniformFloat("pointLight[0].mPhi"), 100.0f);
    EXPECT_EQ(uniformVec3("pointLight[0].mPosition"), glm::vec3(3, 0, -5));
    EXPECT_FLOAT_EQ(uniformFloat("pointLight[1].mPhi"), 700.0f);
    EXPECT_EQ(uniformVec3("pointLight[1].mPosition"), glm::vec3(1, 0, -5));
    // Fewer than eight volumetric lights still leave the non-volumetric ones out.
    for (int i = 2; i < MAX_LIGHTS; ++i)
        EXPECT_FLOAT_EQ(uniformFloat("pointLight[" + std::to_string(i) + "].mPhi"), -7.0f) << i;
}

TEST_F(VolumetricPass, TakesTheFirstEightVolumetricLightsOfTheWalk) {
    for (int i = 0; i < 10; ++i) {
        addLight(registry, {0, 0, -5}, true, 10.0f + i);
        addLight(registry, {0, 0, -5}, false, 500.0f + i);
    }
    markLightArray(-7.0f);
    render();
    EXPECT_EQ(uniformInt("nr_pointlights"), 8);
    for (int i = 0; i < MAX_LIGHTS; ++i)
        EXPECT_FLOAT_EQ(uniformFloat("pointLight[" + std::to_string(i) + "].mPhi"), 19.0f - i) << i;
}

TEST_F(VolumetricPass, WithoutVolumetricLightsTheQuadIsStillDrawnAndBlurred) {
    addLight(registry, {0, 0, -5}, false, 50.0f);
    markLightArray(-7.0f);
    unsigned int query = 0;
    glGenQueries(1, &query);
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    render();
    glEndQuery(GL_PRIMITIVES_GENERATED);
    unsigned int primitives = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &primitives);
    glDeleteQueries(1, &query);

    EXPECT_EQ(uniformInt("nr_pointlights"), 0);
    EXPECT_FLOAT_EQ(uniformFloat("pointLight[0].mPhi"), -7.0f);
    // The march and both blur directions: three quads of two triangles.
    EXPECT_EQ(primitives, 6u);
    // Dark air everywhere, and neither clear colour (magenta for A, yellow for B) left anywhere.
    for (const auto& image : {result(), firstBlur()}) {
        float brightest = 0.0f;
        for (const Texel& t : image) brightest = std::max({brightest, t.r, t.g, t.b});
        EXPECT_LT(brightest, 1e-6f);
    }
}

TEST_F(VolumetricPass, FrameTimeIsTheSumOfTheFrameTimesOfThePass) {
    render(0.0f);
    EXPECT_FLOAT_EQ(uniformFloat("frameTime"), 0.0f);
    render(0.25f);
    render(0.5f);
    EXPECT_FLOAT_EQ(uniformFloat("frameTime"), 0.75f);
    EXPECT_FLOAT_EQ(volumetric->accumulatedTime, 0.75f);
}

TEST_F(VolumetricPass, LeavesTheDefaultFramebufferAndDepthTestingAsTheFrameNeedsThem) {
    glDisable(GL_DEPTH_TEST);
    render();
    int framebuffer = -1, viewport[4] = {};
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &framebuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(framebuffer, 0);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(viewport[2], size.x);
    EXPECT_EQ(viewport[3], size.y);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// The blur alone on a known picture: one bright texel on a plain background.
TEST_F(VolumetricPass, FirstBlurRunsAlongColumnsIntoBAndTheSecondAlongRowsBackIntoA) {
    std::vector<Texel> picture(static_cast<size_t>(size.x * size.y), Texel{0, 0, 0, 5.0f});
    const int cx = size.x / 2, cy = size.y / 2;
    picture[static_cast<size_t>(cy * size.x + cx)] = Texel{1, 1, 1, 5.0f};
    glBindTexture(GL_TEXTURE_2D, volumetric->colorTextureA);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size.x, size.y, GL_RGBA, GL_FLOAT, picture.data());
    glViewport(0, 0, size.x, size.y);
    glDisable(GL_DEPTH_TEST);
    blurVolumetricLight(*volumetric);
    glFinish();

    std::vector<Texel> b = firstBlur(), a = result();
    EXPECT_GT(at(b, cx, cy + 2).r, 0.0f);
    EXPECT_GT(at(b, cx, cy - 2).r, 0.0f);
    EXPECT_EQ(at(b, cx + 2, cy).r, 0.0f);
    EXPECT_GT(at(a, cx + 2, cy + 2).r, 0.0f);
    EXPECT_LT(at(a, cx, cy).r, at(b, cx, cy).r);
    // Ray lengths pass through for the next pass to compare.
    EXPECT_FLOAT_EQ(at(a, cx, cy).a, 5.0f);
}

// A bright far background beside a dark near silhouette: the halo stays on its side.
TEST_F(VolumetricPass, BlurDoesNotBleedAcrossADepthEdge) {
    std::vector<Texel> picture(static_cast<size_t>(size.x * size.y));
    const int edge = size.x / 2;
    for (int y = 0; y < size.y; ++y)
        for (int x = 0; x < size.x; ++x)
            picture[static_cast<size_t>(y * size.x + x)] = x < edge ? Texel{0, 0, 0, 2.0f} : Texel{1, 1, 1, 12.0f};
    glBindTexture(GL_TEXTURE_2D, volumetric->colorTextureA);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, size.x, size.y, GL_RGBA, GL_FLOAT, picture.data());
    glViewport(0, 0, size.x, size.y);
    glDisable(GL_DEPTH_TEST);
    blurVolumetricLight(*volumetric);
    glFinish();

    std::vector<Texel> a = result();
    const int y = size.y / 2;
    EXPECT_LT(at(a, edge - 1, y).r, 0.01f);
    EXPECT_GT(at(a, edge, y).r, 0.99f);
}

// The tests' own scene: camera at the origin looking down -z, a back wall, one candle-like light.
const glm::vec3 LIGHT{0.0f, 0.0f, -6.0f};

// Pixel of the half-size target where a point of the view appears.
glm::ivec2 pixelOf(const glm::vec3& p, glm::ivec2 size) {
    glm::vec4 clip = frameProjection() * glm::vec4(p, 1.0f);
    glm::vec2 ndc = glm::vec2(clip) / clip.w;
    return {static_cast<int>((ndc.x * 0.5f + 0.5f) * size.x), static_cast<int>((ndc.y * 0.5f + 0.5f) * size.y)};
}

TEST_F(VolumetricPass, AVolumetricLightBrightensTheAirAroundIt) {
    addLight(registry, LIGHT, true, 700.0f);
    setScene({}, {}, LIGHT);
    render();
    std::vector<Texel> image = result();
    glm::ivec2 centre = pixelOf(LIGHT, size);
    float atLight = at(image, centre.x, centre.y).light();
    float beside = at(image, centre.x + size.x / 8, centre.y).light();
    float corner = at(image, 1, 1).light();
    EXPECT_GT(atLight, 0.2f);
    EXPECT_GT(atLight, 2.0f * beside);
    EXPECT_GT(beside, 1.5f * corner);
    EXPECT_GT(corner, 0.0f);
    // Warm like its light: red above blue.
    EXPECT_GT(at(image, centre.x, centre.y).r, at(image, centre.x, centre.y).b);
}

TEST_F(VolumetricPass, HaloFallsOffSmoothlyWithoutBands) {
    addLight(registry, LIGHT, true, 700.0f);
    setScene({}, {}, LIGHT);
    render(1.0f);
    std::vector<Texel> image = result();
    glm::ivec2 centre = pixelOf(LIGHT, size);
    // Out of the halo's core the light falls off ever more gently: rings from too few samples would
    // show as plateaus and jumps, noise as rises (a hundredth of the light passes unseen).
    float previousStep = 1e30f;
    for (int x = centre.x + 8; x < size.x - 1; ++x) {
        const float here = at(image, x, centre.y).light();
        const float step = here - at(image, x + 1, centre.y).light();
        EXPECT_GT(step, -0.01f * here) << x;
        EXPECT_LT(step, previousStep * 1.2f + 0.01f * here) << x;
        previousStep = step;
    }
}

// The fewest samples a ray (two), offset pixel by pixel and blurred, against fifteen: no rings, no false shadows.
TEST_F(VolumetricPass, FewSamplesAgreeWithManyThroughAShadow) {
    Entity e = addLight(registry, LIGHT, true, 700.0f);
    const Box box{{0.35f, -0.3f, -5.3f}, {0.85f, 0.3f, -4.8f}};
    setScene({box}, {box}, LIGHT);
    // The pass's count scaled by the light's own against the default 30, half of it per pixel.
    registry.get<LightSource>(e).mNrSamples = 90;
    render(1.0f);
    std::vector<Texel> many = result();
    registry.get<LightSource>(e).mNrSamples = 9;
    render(1.0f);
    std::vector<Texel> few = result();
    float worst = 0.0f, total = 0.0f;
    for (size_t k = 0; k < few.size(); ++k) {
        float error = std::abs(few[k].light() - many[k].light()) / (many[k].light() + 0.01f);
        worst = std::max(worst, error);
        total += error;
    }
    EXPECT_LT(worst, 0.2f);
    EXPECT_LT(total / static_cast<float>(few.size()), 0.02f);
}

TEST_F(VolumetricPass, ABoxBetweenLightAndCameraLeavesADarkerShaft) {
    addLight(registry, LIGHT, true, 700.0f);
    // Beside the light on the camera's side, so its shadow runs toward the camera and to the right.
    const Box box{{0.35f, -0.3f, -5.3f}, {0.85f, 0.3f, -4.8f}};
    setScene({box}, {}, LIGHT);
    render();
    std::vector<Texel> open = result();
    setScene({box}, {box}, LIGHT);
    render();
    std::vector<Texel> shadowed = result();

    // Beyond the box on screen, the air looked through lies in its shadow.
    glm::ivec2 shaft = pixelOf(glm::vec3(1.8f, 0.0f, -3.6f), size);
    glm::ivec2 mirror = pixelOf(glm::vec3(-1.8f, 0.0f, -3.6f), size);
    EXPECT_LT(at(shadowed, shaft.x, shaft.y).light(), 0.8f * at(open, shaft.x, shaft.y).light());
    // The other side of the light is untouched.
    EXPECT_NEAR(at(shadowed, mirror.x, mirror.y).light(), at(open, mirror.x, mirror.y).light(),
                0.05f * at(open, mirror.x, mirror.y).light());
}


// The frame driver: the pass's clock moves only in frames that run it, and blending comes back on.
using VolumetricFrame = GlTest;

TEST_F(VolumetricFrame, OnlyFramesWithThePassOnAdvanceItsClock) {
    showFps = false;  // the overlay's text would switch blending on by itself
    settings.width = 64.0f;
    settings.height = 36.0f;
    Renderer renderer;
    initRenderer(renderer, false);
    Registry registry;

    volumetricEnabled = true;
    renderFrame(renderer, registry, 0.0f);
    renderFrame(renderer, registry, 0.25f);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glDisable(GL_BLEND);
    volumetricEnabled = false;
    renderFrame(renderer, registry, 0.5f);
    EXPECT_FALSE(glIsEnabled(GL_BLEND)) << "a frame without the pass leaves blending alone";
    volumetricEnabled = true;
    renderFrame(renderer, registry, 0.125f);

    EXPECT_FLOAT_EQ(renderer.volumetricLight->accumulatedTime, 0.375f);
    float frameTime = -1.0f;
    const unsigned int program = renderer.volumetricShader->ID;
    glGetUniformfv(program, glGetUniformLocation(program, "frameTime"), &frameTime);
    EXPECT_FLOAT_EQ(frameTime, 0.375f);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    glfwDestroyWindow(renderer.window);
    renderer.window = nullptr;
    glfwMakeContextCurrent(sharedGlWindow());
}

namespace {

// Mean brightness (0..255) of a block of a PNG written by hollowmere-shot; x, y, w, h as shares of the
// picture, y from the top. Negative when the picture could not be read.
struct ShotPicture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    float mean(float x, float y, float w, float h) const {
        double sum = 0.0;
        int n = 0;
        for (int py = static_cast<int>(y * height); py < static_cast<int>((y + h) * height); ++py)
            for (int px = static_cast<int>(x * width); px < static_cast<int>((x + w) * width); ++px, ++n)
                for (int c = 0; c < 3; ++c) sum += rgb[static_cast<size_t>((py * width + px) * 3 + c)] / 3.0;
        return n ? static_cast<float>(sum / n) : -1.0f;
    }
};

ShotPicture shipped(const std::string& arguments) {
    static const std::string dir = makeTempDir("volumetric_shot");
    static int count = 0;
    const std::string path = dir + "/shot" + std::to_string(count++) + ".png";
    const CommandResult run =
        runCommand(binaryDir() + "/tools/shot/hollowmere-shot --time 10 --size 320x180 " + arguments + " --out " + path);
    EXPECT_EQ(run.status, 0) << run.output;
    ShotPicture picture;
    int channels = 0;
    unsigned char* pixels = stbi_load(path.c_str(), &picture.width, &picture.height, &channels, 3);
    if (pixels) {
        picture.rgb.assign(pixels, pixels + static_cast<size_t>(picture.width) * picture.height * 3);
        stbi_image_free(pixels);
    }
    return picture;
}

}  // namespace

// At 10 s the camera looks through a doorway at the seance circle of floor candles.
TEST(VolumetricShippedScene, SwitchingThePassOffChangesTheFrameAroundTheCandles) {
    if (!std::filesystem::exists(binaryDir() + "/tools/shot/hollowmere-shot"))
        GTEST_SKIP() << "hollowmere-shot is not built";
    const ShotPicture on = shipped("");
    const ShotPicture off = shipped("--key F5");
    ASSERT_FALSE(on.rgb.empty());
    ASSERT_FALSE(off.rgb.empty());
    // The circle's three flames and the air around them.
    const float candlesOn = on.mean(0.40f, 0.58f, 0.25f, 0.22f);
    const float candlesOff = off.mean(0.40f, 0.58f, 0.25f, 0.22f);
    EXPECT_GT(candlesOn, candlesOff + 30.0f);
    // The near door frame on the left is far from every flame: it gains much less.
    const float frameOn = on.mean(0.0f, 0.3f, 0.12f, 0.4f);
    const float frameOff = off.mean(0.0f, 0.3f, 0.12f, 0.4f);
    EXPECT_GE(frameOn, frameOff);
    EXPECT_LT(frameOn - frameOff, 0.3f * (candlesOn - candlesOff));
}
