// Point-light shadows: which casters a light draws, and the cache of static depth against a full redraw.
#include "render/light_visibility.h"
#include "render/shadow_cache.h"

#include "tiny_scene.h"

#include "support/gl_context.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cmath>
#include <functional>

namespace {

constexpr std::size_t FACE = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE;

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
    static GLuint primitivesDuring(const std::function<void()>& fn) {
        GLuint query = 0, count = 0;
        glGenQueries(1, &query);
        glBeginQuery(GL_PRIMITIVES_GENERATED, query);
        fn();
        glEndQuery(GL_PRIMITIVES_GENERATED);
        glGetQueryObjectuiv(query, GL_QUERY_RESULT, &count);
        glDeleteQueries(1, &query);
        return count;
    }

    // The six faces of one cube of the live array, as stored, one after the other.
    std::vector<float> readCube(int cube) const {
        std::vector<float> depth(6 * FACE, -1.0f);
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        for (int face = 0; face < 6; ++face) {
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, scene->renderer.shadowMapArray, 0,
                                      6 * cube + face);
            glReadPixels(0, 0, SHADOW_SIZE, SHADOW_SIZE, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[face * FACE]);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, scene->renderer.shadowFramebuffer);
        glDeleteFramebuffers(1, &fbo);
        return depth;
    }

    // Cube 0 after the shadow pass's caster step with the moving entity posed at time.
    std::vector<float> cachedFrame(Entity mover, float time) {
        scene->registry.get<Drawable>(mover).animationTime = time;
        renderShadowCasters(scene->renderer, scene->registry, 0.0f);
        return readCube(0);
    }

    // Cube 0 drawn whole for the light, with no cache.
    std::vector<float> fullRedraw(LightSource& light) {
        glClear(GL_DEPTH_BUFFER_BIT);
        setShadowUniforms(light, *scene->renderer.shadowShader);
        drawShadowCasters(ShadowPassContext{0.0f, scene->registry, scene->renderer, &light});
        return readCube(0);
    }
};

}  // namespace

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
        const ShadowPassContext context{0.0f, scene->registry, scene->renderer, &light};
        EXPECT_EQ(primitivesDuring([&] { drawShadowCasters(context); }), c.primitives) << c.name;
    }
    // Of ten lights, walked last created first, the last eight created get cubes 0 .. 7 and draw; the first
    // (now beyond its reach) and the second have none.
    for (int i = 1; i < 10; ++i) scene->addLight({0.0f, 0.0f, 0.1f * i});
    initShadows(scene->renderer, scene->registry);
    int walked = 0;
    scene->registry.each<LightSource>([&](Entity, LightSource& each) { EXPECT_EQ(each.mLightID, walked++); });
    // Their first frame draws the static casters one face at a time: the wall's two triangles go to each
    // face its bounds (centre (2, 0, 0), half-diagonal sqrt 2) may show in, and at least to +x.
    GLuint expected = 0;
    scene->registry.each<LightSource>([&](Entity, LightSource& each) {
        const std::uint8_t faces = facesReached(each.mPosition, lightReach(each), {2, 0, 0}, std::sqrt(2.0f));
        EXPECT_TRUE(each.mLightID >= MAX_LIGHTS || (faces & 1u)) << each.mLightID;
        if (each.mLightID < MAX_LIGHTS) expected += 2u * static_cast<GLuint>(std::bitset<6>(faces).count());
    });
    EXPECT_EQ(primitivesDuring([&] { renderShadowCasters(scene->renderer, scene->registry, 0.0f); }), expected);
}

namespace {

// A 0.4 m box skinned to one bone that slides from `from` at 0 s to `to` at 1 s (by default from (1, 0, 0)
// to (-3, 0, 0): at 0.9 s it stands at (-2.6, 0, 0)).
Model& addSlidingBox(tiny::Scene& scene, const aiVector3D& from = {1.0f, 0.0f, 0.0f},
                     const aiVector3D& to = {-3.0f, 0.0f, 0.0f}) {
    auto imported = makeScene();
    const unsigned int material = addMaterial(*imported, {"white.png"}, {"flat.png"});
    addNode(imported->mRootNode, "slider");
    for (aiMesh* mesh : tiny::box("slider", glm::vec3(-0.2f), glm::vec3(0.2f))) {
        mesh->mMaterialIndex = material;
        for (unsigned int v = 0; v < mesh->mNumVertices; ++v) addBoneWeight(*mesh, "slider", v, 1.0f);
        addMesh(*imported, imported->mRootNode, mesh);
    }
    aiNodeAnim& channel = *addChannel(*addAnimation(*imported, "slide", 1.0, 1.0), "slider");
    addPositionKey(channel, 0.0, from);
    addPositionKey(channel, 1.0, to);
    addRotationKey(channel, 0.0, aiQuaternion());
    addScalingKey(channel, 0.0, aiVector3D(1.0f, 1.0f, 1.0f));
    return scene.adopt(std::move(imported));
}

}  // namespace

TEST_F(ShadowDraws, ACachedCubeEqualsAFullRedrawWhileAMovingCasterComesAndGoes) {
    const Entity mover = scene->addEntity(addSlidingBox(*scene));
    LightSource& light = scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    // Frames before, while and after the box stands between the light and the wall.
    for (float time : {0.9f, 0.0f, 0.0f, 0.45f, 0.9f}) {
        const std::vector<float> cached = cachedFrame(mover, time), full = fullRedraw(light);
        for (int face = 0; face < 6; ++face)
            EXPECT_TRUE(std::equal(&cached[face * FACE], &cached[face * FACE] + FACE, &full[face * FACE]))
                << "face " << face << " at " << time << " s";
    }
    // The box in front of the +x face hides the wall; once it has slid behind the light the wall is back.
    const std::size_t centre = FACE / 2 + SHADOW_SIZE / 2;  // of the +x face
    // Each face stores its hardware depth: that of a point the given distance along the face's axis.
    auto depthAt = [&](float distance) {
        const glm::vec4 clip = light.shadowProjection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
        return 0.5f * clip.z / clip.w + 0.5f;
    };
    EXPECT_NEAR(cachedFrame(mover, 0.0f)[centre], depthAt(0.8f), 1e-6f);
    EXPECT_NEAR(cachedFrame(mover, 0.9f)[centre], depthAt(2.0f), 1e-6f);
    // The box only ever passed before the +x and -x faces: the others need no store.
    for (int face = 2; face < 6; ++face) EXPECT_EQ(scene->renderer.shadowCache->faceStore[face], 0u) << face;
}

TEST_F(ShadowDraws, AMovingCasterTheWallHidesIsNotDrawnYetTheCubeEqualsAFullRedraw) {
    // The box slides from behind the wall (3 m out) to before it (1 m out); the wall's back is at 2 m.
    const Entity mover = scene->addEntity(addSlidingBox(*scene, {3.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
    LightSource& light = scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    const std::uint8_t& drawnFaces = scene->renderer.shadowCache->movingFaces[0];
    struct Step {
        float time;
        bool drawn;  // into the +x face, where the box's bounds fall
    };
    bool everDrawn = false;
    // Behind the wall twice, before it, behind it again.
    for (const Step step : {Step{0.0f, false}, Step{0.2f, false}, Step{0.9f, true}, Step{0.0f, false}}) {
        everDrawn = everDrawn || step.drawn;
        const std::vector<float> cached = cachedFrame(mover, step.time), full = fullRedraw(light);
        for (int face = 0; face < 6; ++face)
            EXPECT_TRUE(std::equal(&cached[face * FACE], &cached[face * FACE] + FACE, &full[face * FACE]))
                << "face " << face << " at " << step.time << " s";
        EXPECT_EQ((drawnFaces & 1u) != 0, step.drawn) << "at " << step.time << " s";
        // The +x face needs a store only once the box has been drawn into it.
        EXPECT_EQ(scene->renderer.shadowCache->faceStore[0] != 0, everDrawn) << "at " << step.time << " s";
    }
}

TEST_F(ShadowDraws, AStaticMeshCountsHiddenOnlyWhereNoLookupCouldSeeTheLight) {
    struct Case {
        const char* name;
        glm::vec3 corner;  // of a 0.4 m square facing the light; the wall spans 2 m square at x = 2
        bool hidden;
    };
    // No square stands between the light and another.
    const Case cases[] = {
        {"well behind the wall", {3.0f, -0.2f, -0.2f}, true},
        {"a centimetre behind it, within the lookups' margin", {2.01f, 0.4f, 0.4f}, false},
        {"beside the wall, in the open", {3.0f, -0.2f, 2.0f}, false},
        {"half behind the wall's edge", {3.0f, -0.2f, 1.3f}, false},
        {"before the wall", {1.0f, -0.8f, -0.8f}, false},
    };
    std::vector<Entity> squares;
    for (const Case& c : cases)
        squares.push_back(scene->addEntity(scene->addModel({tiny::quad(c.name, c.corner, {0, 0, 0.4f}, {0, 0.4f, 0})})));
    scene->addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene->renderer, scene->registry);
    LightVisibility& visibility = *scene->renderer.lightVisibility;
    // The first frame draws the static depth and asks nothing, so start-up never waits for the answers.
    renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    EXPECT_TRUE(visibility.pending.empty());
    renderShadowCasters(scene->renderer, scene->registry, 0.0f);
    readVisibility(visibility);
    for (std::size_t i = 0; i < squares.size(); ++i) {
        const Mesh& mesh = scene->registry.get<Drawable>(squares[i]).model->meshes[0];
        EXPECT_EQ(hiddenCubes(visibility, squares[i], mesh), cases[i].hidden ? 1u : 0u) << cases[i].name;
    }
    // The wall itself is what the light sees.
    scene->registry.each<Drawable>([&](Entity e, Drawable& d) {
        if (d.model->meshes[0].name == "wall") {
            EXPECT_EQ(hiddenCubes(visibility, e, d.model->meshes[0]), 0u);
        }
    });
}
