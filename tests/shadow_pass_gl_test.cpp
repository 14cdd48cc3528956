// Point-light shadows: the shadow programs, the cube array, face matrices, uniforms and the layered draw.
#include "render/shadow_pass.h"

#include "render/shadow_cache.h"
#include "support/scene_builder.h"

#include "tiny_scene.h"

#include "support/gl_context.h"
#include "support/matchers.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// The right-handed view matrix built by hand: rows s, u, -f and translation (-s.eye, -u.eye, f.eye).
glm::mat4 handLookAt(const glm::vec3& eye, const glm::vec3& centre, const glm::vec3& up) {
    const glm::vec3 f = glm::normalize(centre - eye);
    const glm::vec3 s = glm::normalize(glm::cross(f, up));
    const glm::vec3 u = glm::cross(s, f);
    glm::mat4 m(1.0f);
    for (int c = 0; c < 3; ++c) {
        m[c][0] = s[c];
        m[c][1] = u[c];
        m[c][2] = -f[c];
    }
    m[3][0] = -glm::dot(s, eye);
    m[3][1] = -glm::dot(u, eye);
    m[3][2] = glm::dot(f, eye);
    return m;
}

// 90 degrees, square, near 0.001, far 500, depth -1 .. 1.
glm::mat4 handProjection() {
    const float n = 0.001f, f = 500.0f;
    glm::mat4 p(0.0f);
    p[0][0] = 1.0f;
    p[1][1] = 1.0f;
    p[2][2] = -(f + n) / (f - n);
    p[2][3] = -1.0f;
    p[3][2] = -2.0f * f * n / (f - n);
    return p;
}

glm::mat4 uniformMat4(const Shader& shader, const std::string& name) {
    glm::mat4 m(-7.0f);
    glGetUniformfv(shader.ID, glGetUniformLocation(shader.ID, name.c_str()), &m[0][0]);
    return m;
}

struct ShadowPrograms : GlTest {};

}  // namespace

TEST_F(ShadowPrograms, MainAndShadowProgramsCompileAndLinkWithoutAWord) {
    const std::string dir = "Resources/shader/";
    const std::vector<std::pair<std::string, GLenum>> mainStages = {
        {dir + "vertex.shader", GL_VERTEX_SHADER}, {dir + "fragment.shader", GL_FRAGMENT_SHADER}};
    const std::vector<std::pair<std::string, GLenum>> shadowStages = {
        {dir + "vertexShadow.shader", GL_VERTEX_SHADER},
        {dir + "geometryShadow.shader", GL_GEOMETRY_SHADER},
        {dir + "fragmentShadow.shader", GL_FRAGMENT_SHADER}};
    for (const auto& stages : {mainStages, shadowStages}) {
        for (const auto& [path, type] : stages) {
            bool compiled = false;
            EXPECT_EQ(tiny::stageLog(path, type, compiled), "") << path;
            EXPECT_TRUE(compiled) << path;
        }
        bool linked = false;
        EXPECT_EQ(tiny::linkLog(stages, linked), "") << stages.front().first;
        EXPECT_TRUE(linked) << stages.front().first;
    }
}

TEST_F(ShadowPrograms, TheCubeArrayHoldsEightDepthCubesOf1024AndIsComplete) {
    Renderer renderer;
    createShadowTarget(renderer);
    glBindTexture(GL_TEXTURE_CUBE_MAP_ARRAY, renderer.shadowMapArray);
    GLint w = 0, h = 0, layers = 0, depthBits = 0, minFilter = 0, magFilter = 0, wrap = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_DEPTH, &layers);
    glGetTexLevelParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, 0, GL_TEXTURE_DEPTH_SIZE, &depthBits);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_MAG_FILTER, &magFilter);
    glGetTexParameteriv(GL_TEXTURE_CUBE_MAP_ARRAY, GL_TEXTURE_WRAP_R, &wrap);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 1024);
    EXPECT_EQ(layers, 48);
    EXPECT_GE(depthBits, 16);
    EXPECT_EQ(minFilter, GL_LINEAR);
    EXPECT_EQ(magFilter, GL_LINEAR);
    EXPECT_EQ(wrap, GL_CLAMP_TO_EDGE);

    glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
    EXPECT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
    GLint layered = 0;
    glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_LAYERED,
                                          &layered);
    EXPECT_EQ(layered, GL_TRUE);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

TEST(ShadowMatrices, ALightAt234GetsTheSixFaceViewsInGlOrder) {
    LightSource light;
    light.mPosition = glm::vec3(2.0f, 3.0f, 4.0f);
    initShadowTransforms(light, 0, 3);
    EXPECT_EQ(light.mLightID, 3);
    EXPECT_EQ(light.near_far, glm::vec2(0.001f, 500.0f));
    ASSERT_EQ(light.shadowTransforms.size(), 6u);

    const glm::vec3 eye(2.0f, 3.0f, 4.0f);
    // Face 0 looks from (2, 3, 4) at (3, 3, 4) with up (0, -1, 0).
    EXPECT_TRUE(matNear(light.shadowTransforms[0], handProjection() * handLookAt(eye, {3, 3, 4}, {0, -1, 0}), 1e-4f));
    const glm::vec3 directions[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    const glm::vec3 ups[6] = {{0, -1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}, {0, -1, 0}, {0, -1, 0}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_TRUE(matNear(light.shadowTransforms[i], handProjection() * handLookAt(eye, eye + directions[i], ups[i]),
                            1e-4f))
            << "face " << i;
        // A point straight ahead of the face lands in the middle of it, in front of the light.
        const glm::vec4 clip = light.shadowTransforms[i] * glm::vec4(eye + 2.0f * directions[i], 1.0f);
        EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-5f);
        EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-5f);
        EXPECT_GT(clip.w, 0.0f);
    }
}

namespace {

struct ShadowUniforms : GlTest {
    Shader shadow;
    void SetUp() override {
        GlTest::SetUp();
        shadow = Shader("Resources/shader/vertexShadow.shader", "Resources/shader/fragmentShadow.shader",
                        "Resources/shader/geometryShadow.shader");
        shadow.use();
    }
};

}  // namespace

TEST_F(ShadowUniforms, TheSixMatricesArriveAsCmMat0To5InFaceOrderWithTheLightsData) {
    LightSource light;
    light.mPosition = glm::vec3(2.0f, 3.0f, 4.0f);
    initShadowTransforms(light, 0, 2);
    setShadowUniforms(light, shadow);
    for (int i = 0; i < 6; ++i)
        EXPECT_TRUE(matNear(uniformMat4(shadow, "cm_mat[" + std::to_string(i) + "]"), light.shadowTransforms[i]))
            << "cm_mat[" << i << "]";
    GLint id = -1;
    glGetUniformiv(shadow.ID, glGetUniformLocation(shadow.ID, "lightID"), &id);
    EXPECT_EQ(id, 2);
    glm::vec2 nearFar(0.0f);
    glGetUniformfv(shadow.ID, glGetUniformLocation(shadow.ID, "near_far"), &nearFar.x);
    EXPECT_EQ(nearFar, glm::vec2(0.001f, 500.0f));
    glm::vec4 position(0.0f);
    glGetUniformfv(shadow.ID, glGetUniformLocation(shadow.ID, "lightPos"), &position.x);
    EXPECT_EQ(position, glm::vec4(2.0f, 3.0f, 4.0f, 1.0f));
}

TEST_F(ShadowUniforms, StillLightsKeepTheirFirstMatricesMovingOnesAreRebuiltEveryFrame) {
    LightSource still;
    still.mPosition = glm::vec3(1.0f, 1.0f, 1.0f);
    initShadowTransforms(still, 0, 0);
    const std::vector<glm::mat4> first = still.shadowTransforms;
    LightSource moving = still;
    moving.animated = true;

    for (int frame = 1; frame <= 3; ++frame) {
        still.mPosition = moving.mPosition = glm::vec3(1.0f + frame, 1.0f, 1.0f);
        setShadowUniforms(still, shadow);
        setShadowUniforms(moving, shadow);
        ASSERT_EQ(still.shadowTransforms.size(), 6u);
        ASSERT_EQ(moving.shadowTransforms.size(), 6u) << "frame " << frame;
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(still.shadowTransforms[i], first[i]);
            const glm::vec3 eye = moving.mPosition;
            EXPECT_TRUE(matNear(moving.shadowTransforms[i],
                                handProjection() * handLookAt(eye, eye + CUBE_FACES[i].direction, CUBE_FACES[i].up),
                                1e-4f));
        }
        EXPECT_TRUE(matNear(uniformMat4(shadow, "cm_mat[0]"), moving.shadowTransforms[0]));
    }
}

namespace {

// A wall 2 m in front of the light on +x, in a tiny world with the real shadow target and program.
struct ShadowDraws : GlTest {
    std::unique_ptr<tiny::Scene> scene;
    void SetUp() override {
        GlTest::SetUp();
        scene = std::make_unique<tiny::Scene>(64, 64);
        // Faces -x, toward a light at the origin.
        Model& wall = scene->addModel({tiny::quad("wall", {2, -1, -1}, {0, 0, 2}, {0, 2, 0})});
        scene->addEntity(wall);
    }

    // Primitives the geometry stage sends out while fn runs.
    GLuint primitivesDuring(const std::function<void()>& fn) {
        GLuint query = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        fn();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        GLuint count = 0;
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    void beginShadowPass() {
        glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
        glBindFramebuffer(GL_FRAMEBUFFER, scene->renderer.shadowFramebuffer);
        glClear(GL_DEPTH_BUFFER_BIT);
        scene->renderer.shadowShader->use();
    }

    // The stored depth at the centre of one layer-face of the array.
    float depthAtCentre(int layerFace) {
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, scene->renderer.shadowMapArray, 0, layerFace);
        glDrawBuffer(GL_NONE);
        glReadBuffer(GL_NONE);
        float depth = -1.0f;
        glReadPixels(SHADOW_SIZE / 2, SHADOW_SIZE / 2, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo);
        return depth;
    }
};

}  // namespace

TEST_F(ShadowDraws, ACubesFacesAreItsOwnLayersHoldingDistanceOverFar) {
    scene->addLight({0.0f, 0.0f, 0.0f});  // created first: cube 1
    scene->addLight({0.0f, 50.0f, 0.0f});  // created last: cube 0, far above the wall
    initShadows(scene->renderer, scene->registry);
    beginShadowPass();
    renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    glFinish();
    // Light 1's +x face is layer-face 6; the wall is 2 m ahead of it.
    EXPECT_NEAR(depthAtCentre(6), 2.0f / 500.0f, 1e-4f);
    // Its other faces and light 0's cube do not see the wall in their centres.
    EXPECT_EQ(depthAtCentre(7), 1.0f);
    EXPECT_EQ(depthAtCentre(0), 1.0f);
    EXPECT_EQ(depthAtCentre(12), 1.0f);
}

TEST_F(ShadowDraws, LightsWithoutACubeDrawNoCasters) {
    LightSource& light = scene->addLight({0.0f, 0.0f, 0.0f});
    beginShadowPass();
    const Shader& shader = *scene->renderer.shadowShader;
    auto drawFor = [&](int id) {
        light.mLightID = id;
        light.shadowTransforms.clear();
        computeShadowTransforms(light);
        setShadowUniforms(light, shader);
        return primitivesDuring(
            [&] { drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer, &light}); });
    };
    EXPECT_GT(drawFor(7), 0u);
    // Cube 8 would be layer-faces 48 .. 53, which the array does not have; -1 is a light not yet set up.
    EXPECT_EQ(drawFor(MAX_LIGHTS), 0u);
    EXPECT_EQ(drawFor(-1), 0u);
    EXPECT_EQ(primitivesDuring([&] { drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer}); }),
              0u);
}

TEST_F(ShadowDraws, TenLightsNumberedLastCreatedFirstAndOnlyEightDraw) {
    for (int i = 0; i < 10; ++i) scene->addLight({0.0f, 0.0f, 0.1f * i});
    initShadows(scene->renderer, scene->registry);
    EXPECT_TRUE(scene->renderer.shadowsInitialised);
    int k = 9;
    scene->registry.each<LightSource>([&](Entity, LightSource& light) {
        // Walked last created first: creation index k has id 9 - k.
        EXPECT_NEAR(light.mPosition.z, 0.1f * k, 1e-6f);
        EXPECT_EQ(light.mLightID, 9 - k);
        EXPECT_EQ(light.shadowTransforms.size(), 6u);
        --k;
    });
    beginShadowPass();
    const GLuint all = primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); });
    // The wall faces only the +x face of each light; eight lights draw it, two have no cube.
    EXPECT_EQ(all, 8u * 2u);
}

TEST_F(ShadowDraws, WithoutLightsTheArrayIsOnlyCleared) {
    initShadows(scene->renderer, scene->registry);
    beginShadowPass();
    EXPECT_EQ(primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); }), 0u);
    for (int layer : {0, 6, 47}) EXPECT_EQ(depthAtCentre(layer), 1.0f);
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

TEST_F(ShadowDraws, StaticCastersBeyondTheLightsReachAreLeftOut) {
    // Reach about 99 m with this falloff; the wall stays straight ahead on +x either way.
    LightSource& light = scene->addLight({-50.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    beginShadowPass();
    const GLuint near = primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); });
    light.mPosition = glm::vec3(-200.0f, 0.0f, 0.0f);
    light.shadowTransforms.clear();
    computeShadowTransforms(light);
    const GLuint far = primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); });
    EXPECT_EQ(near, 2u);
    EXPECT_EQ(far, 0u);
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
    auto model = std::make_unique<Model>();
    model->adoptScene(imported.get(), scene.dir + "/slider.fbx");
    scene.imported.push_back(std::move(imported));
    scene.models.push_back(std::move(model));
    return *scene.models.back();
}

// The six faces of one cube of the live array, as stored.
std::vector<float> readCube(const Renderer& renderer, int cube) {
    std::vector<float> depth(static_cast<std::size_t>(6) * SHADOW_SIZE * SHADOW_SIZE, -1.0f);
    GLuint fbo = 0;
    glGenFramebuffers(1, &fbo);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
    for (int face = 0; face < 6; ++face) {
        glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0, 6 * cube + face);
        glReadPixels(0, 0, SHADOW_SIZE, SHADOW_SIZE, GL_DEPTH_COMPONENT, GL_FLOAT,
                     depth.data() + static_cast<std::size_t>(face) * SHADOW_SIZE * SHADOW_SIZE);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glDeleteFramebuffers(1, &fbo);
    return depth;
}

// Texels of one face that differ between two cubes.
int differingTexels(const std::vector<float>& a, const std::vector<float>& b, int face) {
    const std::size_t size = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE, first = face * size;
    int count = 0;
    for (std::size_t i = first; i < first + size; ++i) count += a[i] != b[i] ? 1 : 0;
    return count;
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
        glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
        shader.use();
        renderShadowCasters(scene->renderer, scene->registry, 0.0f);
        return readCube(scene->renderer, 0);
    };
    auto fullRedraw = [&] {
        glBindFramebuffer(GL_FRAMEBUFFER, scene->renderer.shadowFramebuffer);
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
    const int centre = SHADOW_SIZE / 2 * SHADOW_SIZE + SHADOW_SIZE / 2;
    EXPECT_NEAR(cachedFrame(0.0f)[centre], 0.8f / 500.0f, 1e-4f);
    EXPECT_NEAR(cachedFrame(0.9f)[centre], 2.0f / 500.0f, 1e-4f);
}

TEST_F(ShadowDraws, WithNothingMovingNoFaceIsStoredAndTheCubeKeepsItsStaticDepth) {
    scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
    scene->renderer.shadowShader->use();
    for (int frame = 0; frame < 2; ++frame) renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    for (unsigned int store : scene->renderer.shadowCache->faceStore) EXPECT_EQ(store, 0u);
    EXPECT_NEAR(depthAtCentre(0), 2.0f / 500.0f, 1e-4f);
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
