// Point-light shadows: which layers a light's cube fills, which casters it draws, and the cache of static depth.
#include "render/shadow_cache.h"

#include "tiny_scene.h"

#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numeric>

namespace {

// A wall 2 m in front of the origin on +x, facing it, in a tiny world with the real shadow target and program.
struct ShadowDraws : GlTest {
    std::unique_ptr<tiny::Scene> scene;
    void SetUp() override {
        GlTest::SetUp();
        scene = std::make_unique<tiny::Scene>(64, 64);
        scene->addEntity(scene->addModel({tiny::quad("wall", {2, -1, -1}, {0, 0, 2}, {0, 2, 0})}));
        glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
        glBindFramebuffer(GL_FRAMEBUFFER, scene->renderer.shadowFramebuffer);
        scene->renderer.shadowShader->use();
    }

    // Primitives the geometry stage sends out while fn runs.
    GLuint primitivesDuring(const std::function<void()>& fn) {
        GLuint query = 0, count = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        fn();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }
    GLuint shadowPassPrimitives() {
        return primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); });
    }
};

// The six faces of one cube of the live array, as stored.
std::vector<float> readCube(const Renderer& renderer, int cube) {
    const std::size_t faceSize = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE;
    std::vector<float> depth(6 * faceSize, -1.0f);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    for (int face = 0; face < 6; ++face) {
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0, 6 * cube + face);
        glReadPixels(0, 0, SHADOW_SIZE, SHADOW_SIZE, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data() + face * faceSize);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    glDeleteFramebuffers(1, &fbo);
    return depth;
}

// Index of the centre texel of one face in readCube's result.
std::size_t centreOf(int face) {
    return (static_cast<std::size_t>(face) * SHADOW_SIZE + SHADOW_SIZE / 2) * SHADOW_SIZE + SHADOW_SIZE / 2;
}

}  // namespace

TEST_F(ShadowDraws, ALightsCubeIsItsOwnSixLayersHoldingDistanceOverFar) {
    scene->addLight({0.0f, 0.0f, 0.0f});   // created first: cube 1
    scene->addLight({0.0f, 50.0f, 0.0f});  // created last: cube 0, far above the wall
    initShadows(scene->renderer, scene->registry);
    renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    const std::vector<float> cube1 = readCube(scene->renderer, 1), cube0 = readCube(scene->renderer, 0);
    // Cube 1's +x face sees the wall 2 m ahead; its -x face and cube 0 see nothing in their centres.
    EXPECT_NEAR(cube1[centreOf(0)], 2.0f / 500.0f, 1e-4f);
    EXPECT_EQ(cube1[centreOf(1)], 1.0f);
    for (int face = 0; face < 6; ++face) EXPECT_EQ(cube0[centreOf(face)], 1.0f) << "cube 0 face " << face;
}

TEST_F(ShadowDraws, OnlyLightsWithACubeAndTheWallInReachDrawIt) {
    struct Case {
        const char* name;
        glm::vec3 position;
        int cube;
        GLuint primitives;  // the wall is two triangles, seen by the +x face alone
    };
    const Case cases[] = {
        {"last cube", {0, 0, 0}, MAX_LIGHTS - 1, 2},
        {"a cube past the array", {0, 0, 0}, MAX_LIGHTS, 0},
        {"a light not yet set up", {0, 0, 0}, -1, 0},
        {"52 m off, within its reach of about 99 m", {-50, 0, 0}, 0, 2},
        {"202 m off, beyond its reach", {-200, 0, 0}, 0, 0},
    };
    LightSource& light = scene->addLight({0.0f, 0.0f, 0.0f});
    for (const Case& c : cases) {
        light.mPosition = c.position;
        light.mLightID = c.cube;
        light.shadowTransforms.clear();
        computeShadowTransforms(light);
        setShadowUniforms(light, *scene->renderer.shadowShader);
        EXPECT_EQ(primitivesDuring([&] {
                      drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer, &light});
                  }),
                  c.primitives)
            << c.name;
    }
    EXPECT_EQ(primitivesDuring([&] { drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer}); }),
              0u)
        << "no light";
}

TEST_F(ShadowDraws, OfTenLightsTheLastEightCreatedGetCubesAndDraw) {
    for (int i = 0; i < 10; ++i) scene->addLight({0.0f, 0.0f, 0.1f * i});
    initShadows(scene->renderer, scene->registry);
    int created = 9;
    scene->registry.each<LightSource>([&](Entity, LightSource& light) {
        EXPECT_NEAR(light.mPosition.z, 0.1f * created, 1e-6f);
        EXPECT_EQ(light.mLightID, 9 - created) << "light created " << created << "th";
        --created;
    });
    EXPECT_EQ(shadowPassPrimitives(), 8u * 2u);
}

TEST(ShadowReach, ALightsReachIsWhereItFallsTo0Point2PercentOfItsColour) {
    LightSource candle;
    candle.mColorDiffuse = glm::vec3(1.0f, 0.6f, 0.3f);
    candle.mAttenuationConstant = 0.6f;
    candle.mAttenuationLinear = 0.8f;
    candle.mAttenuationQuadratic = 0.8f;
    const float d = lightReach(candle);
    EXPECT_NEAR(1.0f / (0.6f + 0.8f * d + 0.8f * d * d), 0.002f, 1e-6f);
    LightSource linear = candle;
    linear.mAttenuationQuadratic = 0.0f;
    EXPECT_NEAR(1.0f / (0.6f + 0.8f * lightReach(linear)), 0.002f, 1e-6f);
    LightSource endless = linear;
    endless.mAttenuationLinear = 0.0f;
    EXPECT_TRUE(std::isinf(lightReach(endless)));
    LightSource dark = candle;
    dark.mColorDiffuse = glm::vec3(0.0f);
    EXPECT_EQ(lightReach(dark), 0.0f);
}

namespace {

// A 0.4 m box skinned to one bone that slides from (1, 0, 0) at 0 s to (-2.6, 0, 0) at 0.9 s.
Model& addSlidingBox(tiny::Scene& scene) {
    auto imported = makeScene();
    const unsigned int material = addMaterial(*imported, {"white.png"}, {"flat.png"});
    addNode(imported->mRootNode, "slider");
    for (aiMesh* mesh : tiny::box("slider", glm::vec3(-0.2f), glm::vec3(0.2f))) {
        mesh->mMaterialIndex = material;
        for (unsigned int v = 0; v < mesh->mNumVertices; ++v) addBoneWeight(*mesh, "slider", v, 1.0f);
        addMesh(*imported, imported->mRootNode, mesh);
    }
    aiNodeAnim& channel = *addChannel(*addAnimation(*imported, "slide", 1.0, 1.0), "slider");
    addPositionKey(channel, 0.0, aiVector3D(1.0f, 0.0f, 0.0f));
    addPositionKey(channel, 1.0, aiVector3D(-3.0f, 0.0f, 0.0f));
    addRotationKey(channel, 0.0, aiQuaternion());
    addScalingKey(channel, 0.0, aiVector3D(1.0f, 1.0f, 1.0f));
    return scene.adopt(std::move(imported));
}

// Texels of one face that differ between two cubes.
int differingTexels(const std::vector<float>& a, const std::vector<float>& b, int face) {
    const std::size_t size = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE;
    return static_cast<int>(std::inner_product(a.begin() + face * size, a.begin() + (face + 1) * size,
                                               b.begin() + face * size, 0, std::plus<>(), std::not_equal_to<>()));
}

}  // namespace

TEST_F(ShadowDraws, ACachedCubeEqualsAFullRedrawWhileAMovingCasterComesAndGoes) {
    Model& slider = addSlidingBox(*scene);
    const Entity mover = scene->addEntity(slider);
    LightSource& light = scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    const Shader& shader = *scene->renderer.shadowShader;
    auto cachedFrame = [&](float time) {
        scene->registry.get<Drawable>(mover).animationTime = time;
        renderShadowCasters(scene->renderer, scene->registry, 0.0f);
        return readCube(scene->renderer, 0);
    };
    auto fullRedraw = [&] {
        glClear(GL_DEPTH_BUFFER_BIT);
        setShadowUniforms(light, shader);
        drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer, &light});
        return readCube(scene->renderer, 0);
    };

    // Frames before, while and after the box stands between the light and the wall.
    for (float time : {0.9f, 0.0f, 0.0f, 0.45f, 0.9f}) {
        const std::vector<float> cached = cachedFrame(time);
        const std::vector<float> full = fullRedraw();
        for (int face = 0; face < 6; ++face)
            EXPECT_EQ(differingTexels(cached, full, face), 0) << "face " << face << " at " << time << " s";
    }
    // The box in front of the +x face hides the wall; once it has slid behind the light the wall is back.
    EXPECT_NEAR(cachedFrame(0.0f)[centreOf(0)], 0.8f / 500.0f, 1e-4f);
    EXPECT_NEAR(cachedFrame(0.9f)[centreOf(0)], 2.0f / 500.0f, 1e-4f);
}

TEST_F(ShadowDraws, WithNothingMovingNoFaceIsStoredAndTheCubeKeepsItsStaticDepth) {
    scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    for (int frame = 0; frame < 2; ++frame) renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    for (unsigned int store : scene->renderer.shadowCache->faceStore) EXPECT_EQ(store, 0u);
    EXPECT_NEAR(readCube(scene->renderer, 0)[centreOf(0)], 2.0f / 500.0f, 1e-4f);
}

TEST(ShadowCacheFaces, ASphereIsSeenByTheFacesItsPyramidsMeet) {
    const glm::vec3 light(1.0f, 2.0f, 3.0f);
    struct Case {
        glm::vec3 offset;
        float radius;
        std::uint8_t faces;
    };
    const Case cases[] = {
        {{3, 0, 0}, 0.5f, 0b000001},            // straight ahead of +x only
        {{0, 0, -3}, 0.5f, 0b100000},           // -z only
        {{3, 3, 0}, 0.5f, 0b000101},            // on the edge between +x and +y
        {{3, 3, 3}, 0.5f, 0b010101},            // on the corner of +x, +y, +z
        {{0, 0.1f, 0}, 0.5f, ALL_FACES},        // holding the light
        {{0, -30, 0}, 1.0f, 0},                 // beyond a reach of 20 m
        {{0, -20.5f, 0}, 1.0f, 0b001000},       // its near side within the reach
    };
    for (const Case& c : cases)
        EXPECT_EQ(facesReached(light, 20.0f, light + c.offset, c.radius), c.faces)
            << c.offset.x << " " << c.offset.y << " " << c.offset.z;
}
