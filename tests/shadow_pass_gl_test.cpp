// Point-light shadows: which casters a light draws, and its cached cube against a renderer drawing the same
// moment from scratch, while casters move and face culling changes.
#include "app/input.h"
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

// Primitives the vertex stages send out while fn runs.
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

// The hardware depth a face stores for a point the given distance along its axis.
float depthAt(const LightSource& light, float distance) {
    const glm::vec4 clip = light.shadowProjection * glm::vec4(0.0f, 0.0f, -distance, 1.0f);
    return 0.5f * clip.z / clip.w + 0.5f;
}

// The face (0 .. 5) where two cubes read back whole first differ, or -1.
int firstDifferentFace(const std::vector<float>& a, const std::vector<float>& b) {
    for (int face = 0; face < 6; ++face)
        if (!std::equal(&a[face * FACE], &a[face * FACE] + FACE, &b[face * FACE])) return face;
    return -1;
}

// Two tiny worlds built alike, each with the real shadow target and programs: `cached` runs frame after frame
// as the game does, `fresh` forgets its shadows before each moment and draws it from scratch.
struct ShadowDraws : GlTest {
    std::unique_ptr<tiny::Scene> cached, fresh;

    void SetUp() override {
        GlTest::SetUp();
        cached = std::make_unique<tiny::Scene>(64, 64);
    }
    void TearDown() override {
        glEnable(GL_CULL_FACE);  // as every scene starts
        GlTest::TearDown();
    }

    // Builds the same into both; the entities and lights come out the same in each.
    template <typename Build>
    auto both(Build build) {
        fresh = std::make_unique<tiny::Scene>(64, 64);
        build(*fresh);
        return build(*cached);
    }

    // Cube 0 after the world update and the shadow pass, the moving entity's clock set to time.
    static std::vector<float> cubeAt(tiny::Scene& scene, Entity mover, float time) {
        scene.registry.get<Drawable>(mover).animationTime = time;
        updateWorld(scene.registry, 0.0f);
        shadowPass(scene.renderer, scene.registry);
        return scene.cube(0);
    }
    std::vector<float> cachedCube(Entity mover, float time) { return cubeAt(*cached, mover, time); }
    std::vector<float> freshCube(Entity mover, float time) {
        fresh->freshShadows();
        return cubeAt(*fresh, mover, time);
    }
};

// A wall 2 m in front of the origin on +x, facing it.
Entity addWall(tiny::Scene& scene) {
    return scene.addEntity(scene.addModel({tiny::quad("wall", {2, -1, -1}, {0, 0, 2}, {0, 2, 0})}));
}

}  // namespace

TEST_F(ShadowDraws, OnlyLightsWithACubeAndTheWallInReachDrawIt) {
    tiny::Scene& scene = *cached;
    addWall(scene);
    struct Case {
        const char* name;
        glm::vec3 position;
        int cube;
        bool drawn;
    };
    const Case cases[] = {
        {"last cube", {0, 0, 0}, MAX_LIGHTS - 1, true},
        {"a cube past the array", {0, 0, 0}, MAX_LIGHTS, false},
        {"a light not yet set up", {0, 0, 0}, -1, false},
        {"52 m off, within its reach of about 99 m", {-50, 0, 0}, 0, true},
        {"202 m off, beyond its reach", {-200, 0, 0}, 0, false},
    };
    // A light that moves has its cube drawn whole every frame, as the lantern's is.
    LightSource& light = scene.addLight({0.0f, 0.0f, 0.0f});
    light.animated = true;
    for (const Case& c : cases) {
        light.mPosition = c.position;
        light.mLightID = c.cube;
        const GLuint primitives = primitivesDuring([&] { shadowPass(scene.renderer, scene.registry); });
        EXPECT_EQ(primitives > 0, c.drawn) << c.name;
        if (!c.drawn) continue;
        // The middle of the +x face looks straight at the wall.
        const float middle = scene.cube(c.cube)[FACE / 2 + SHADOW_SIZE / 2];
        EXPECT_NEAR(middle, depthAt(light, 2.0f - c.position.x), 1e-6f) << c.name;
    }
    // Of ten lights, walked last created first, the last eight created get cubes 0 .. 7 and draw; the first
    // (now beyond its reach) and the second have none.
    light.animated = false;
    for (int i = 1; i < 10; ++i) scene.addLight({0.0f, 0.0f, 0.1f * i});
    initShadows(scene.renderer, scene.registry);
    int walked = 0;
    scene.registry.each<LightSource>([&](Entity, LightSource& each) { EXPECT_EQ(each.mLightID, walked++); });
    // Their first frame draws the static casters one face at a time: the wall's two triangles go to each
    // face its bounds (centre (2, 0, 0), half-diagonal sqrt 2) may show in, and at least to +x.
    GLuint expected = 0;
    scene.registry.each<LightSource>([&](Entity, LightSource& each) {
        const std::uint8_t faces = facesReached(each.mPosition, lightReach(each), {2, 0, 0}, std::sqrt(2.0f));
        EXPECT_TRUE(each.mLightID >= MAX_LIGHTS || (faces & 1u)) << each.mLightID;
        if (each.mLightID < MAX_LIGHTS) expected += 2u * static_cast<GLuint>(std::bitset<6>(faces).count());
    });
    EXPECT_EQ(primitivesDuring([&] { shadowPass(scene.renderer, scene.registry); }), expected);
}

TEST_F(ShadowDraws, ACachedCubeEqualsAFullRedrawWhileAMovingCasterComesAndGoes) {
    const Entity mover = both([](tiny::Scene& s) {
        addWall(s);
        s.addLight({0.0f, 0.0f, 0.0f});
        initShadows(s.renderer, s.registry);
        return s.addEntity(tiny::slidingBox(s));
    });
    // Frames before, while and after the box stands between the light and the wall.
    for (float time : {0.9f, 0.0f, 0.0f, 0.45f, 0.9f})
        EXPECT_EQ(firstDifferentFace(cachedCube(mover, time), freshCube(mover, time)), -1) << "at " << time << " s";
    // The box in front of the +x face hides the wall; once it has slid behind the light the wall is back.
    const std::size_t centre = FACE / 2 + SHADOW_SIZE / 2;  // of the +x face
    const LightSource& light = cached->registry.get<LightSource>(cached->registry.view<LightSource>()[0]);
    EXPECT_NEAR(cachedCube(mover, 0.0f)[centre], depthAt(light, 0.8f), 1e-6f);
    EXPECT_NEAR(cachedCube(mover, 0.9f)[centre], depthAt(light, 2.0f), 1e-6f);
    // The box only ever passed before the +x and -x faces: the others need no store.
    for (int face = 2; face < 6; ++face) EXPECT_EQ(cached->renderer.shadowCache->faceStore[face], 0u) << face;
}

TEST_F(ShadowDraws, AMovingCasterTheWallHidesIsNotDrawnYetTheCubeEqualsAFullRedraw) {
    // The box slides from behind the wall (3 m out) to before it (1 m out); the wall's back is at 2 m.
    const Entity mover = both([](tiny::Scene& s) {
        addWall(s);
        s.addLight({0.0f, 0.0f, 0.0f});
        initShadows(s.renderer, s.registry);
        return s.addEntity(tiny::slidingBox(s, {3.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}));
    });
    const std::uint8_t& drawnFaces = cached->renderer.shadowCache->movingFaces[0];
    struct Step {
        float time;
        bool drawn;  // into the +x face, where the box's bounds fall
    };
    bool everDrawn = false;
    // Behind the wall twice, before it, behind it again.
    for (const Step step : {Step{0.0f, false}, Step{0.2f, false}, Step{0.9f, true}, Step{0.0f, false}}) {
        everDrawn = everDrawn || step.drawn;
        EXPECT_EQ(firstDifferentFace(cachedCube(mover, step.time), freshCube(mover, step.time)), -1)
            << "at " << step.time << " s";
        EXPECT_EQ((drawnFaces & 1u) != 0, step.drawn) << "at " << step.time << " s";
        // The +x face needs a store only once the box has been drawn into it.
        EXPECT_EQ(cached->renderer.shadowCache->faceStore[0] != 0, everDrawn) << "at " << step.time << " s";
    }
}

TEST_F(ShadowDraws, FaceCullingSwitchedBackAndForthGivesWhatAFullRedrawGives) {
    // A wall seen from behind by the light, so it throws shadow only while faces are not culled; a panel in
    // that shadow, and the box sliding from before the wall to behind the light.
    Entity panel = nullEntity;
    const Entity mover = both([&](tiny::Scene& s) {
        s.addEntity(s.addModel({tiny::quad("wall", {2, -1, 1}, {0, 0, -2}, {0, 2, 0})}));
        panel = s.addEntity(s.addModel({tiny::quad("panel", {3, -0.2f, -0.2f}, {0, 0, 0.4f}, {0, 0.4f, 0})}));
        s.addLight({0.0f, 0.0f, 0.0f});
        s.lookAt({2.6f, 1.0f, 1.5f}, {3.0f, 0.0f, 0.0f});
        return s.addEntity(tiny::slidingBox(s));
    });
    const Mesh& panelMesh = cached->models[1]->meshes[0];
    const Mesh& freshPanelMesh = fresh->models[1]->meshes[0];
    // Each moment twice, as the game's frames follow each other: the second asks what the light sees.
    auto twoFrames = [&](tiny::Scene& s) {
        s.registry.get<Drawable>(mover).animationTime = 0.0f;
        s.frame();
        s.registry.get<Drawable>(mover).animationTime = 0.9f;
        return s.frame();
    };
    std::vector<float> cubeWith[2];
    for (const bool culling : {true, false, true, false}) {
        SCOPED_TRACE(culling ? "culling on" : "culling off");
        if (faceCulling != culling) keyCallback(sharedGlWindow(), GLFW_KEY_F2, 0, GLFW_RELEASE, 0);
        ASSERT_EQ(glIsEnabled(GL_CULL_FACE) == GL_TRUE, culling);
        const tiny::Picture picture = twoFrames(*cached);
        const std::vector<float> cube = cached->cube(0);
        fresh->freshShadows();
        const tiny::Picture redrawn = twoFrames(*fresh);
        EXPECT_EQ(firstDifferentFace(cube, fresh->cube(0)), -1);
        EXPECT_EQ(hiddenCubes(*cached->renderer.lightVisibility, panel, panelMesh),
                  hiddenCubes(*fresh->renderer.lightVisibility, panel, freshPanelMesh));
        EXPECT_EQ(picture.pixelsUnlike(redrawn), 0);
        cubeWith[culling] = cube;
    }
    EXPECT_NE(firstDifferentFace(cubeWith[0], cubeWith[1]), -1) << "the wall's shadow does not depend on culling";
    EXPECT_EQ(hiddenCubes(*fresh->renderer.lightVisibility, panel, freshPanelMesh), 1u)
        << "the wall, drawn while culling is off, does not hide the panel";
}

TEST_F(ShadowDraws, AStaticMeshCountsHiddenOnlyWhereNoLookupCouldSeeTheLight) {
    tiny::Scene& scene = *cached;
    addWall(scene);
    struct Case {
        const char* name;
        glm::vec3 corner;  // of a 0.4 m square facing the light; the wall spans 2 m square at x = 2
        bool hidden;
    };
    // No square stands between the light and another. At x = 3 the wall's shadow ends at z = 1.5, and the
    // lookups' disc reaches 5.5 cm there.
    const Case cases[] = {
        {"well behind the wall", {3.0f, -0.2f, -0.2f}, true},
        {"a centimetre behind it, within the lookups' margin", {2.01f, 0.4f, 0.4f}, false},
        {"beside the wall, in the open", {3.0f, -0.2f, 2.0f}, false},
        {"half behind the wall's edge", {3.0f, -1.0f, 1.3f}, false},
        {"in the shadow, 3 cm from its edge: the disc reaches past it", {3.0f, 0.3f, 1.07f}, false},
        {"in the shadow, 10 cm from its edge", {3.0f, -0.5f, 1.0f}, true},
        {"before the wall", {1.0f, -0.8f, -0.8f}, false},
    };
    std::vector<Entity> squares;
    for (const Case& c : cases)
        squares.push_back(scene.addEntity(scene.addModel({tiny::quad(c.name, c.corner, {0, 0, 0.4f}, {0, 0.4f, 0})})));
    scene.addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene.renderer, scene.registry);
    LightVisibility& visibility = *scene.renderer.lightVisibility;
    // The first frame draws the static depth and asks nothing, so start-up never waits for the answers.
    shadowPass(scene.renderer, scene.registry);
    EXPECT_TRUE(visibility.pending.empty());
    shadowPass(scene.renderer, scene.registry);
    readVisibility(visibility);
    for (std::size_t i = 0; i < squares.size(); ++i) {
        const Mesh& mesh = scene.registry.get<Drawable>(squares[i]).model->meshes[0];
        EXPECT_EQ(hiddenCubes(visibility, squares[i], mesh), cases[i].hidden ? 1u : 0u) << cases[i].name;
    }
    // The wall itself is what the light sees.
    scene.registry.each<Drawable>([&](Entity e, Drawable& d) {
        if (d.model->meshes[0].name == "wall") {
            EXPECT_EQ(hiddenCubes(visibility, e, d.model->meshes[0]), 0u);
        }
    });
}
