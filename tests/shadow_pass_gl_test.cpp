// Point-light shadows: which casters a light draws, and its cached cube against a renderer drawing the same
// moment from scratch, while casters move and face culling changes.
#include "app/input.h"
#include "render/light_visibility.h"
#include "render/shadow_cache.h"
#include "support/gl_context.h"
#include "support/tiny_scene.h"

#include <gtest/gtest.h>

#include <bitset>
#include <cmath>
#include <functional>

namespace {

constexpr std::size_t FACE = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE;
constexpr std::size_t MIDDLE = FACE / 2 + SHADOW_SIZE / 2;  // of the +x face, which looks straight at the wall

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

    void TearDown() override {
        glEnable(GL_CULL_FACE);  // as every scene starts
        GlTest::TearDown();
    }

    // Builds the same into two new worlds; the entities and lights come out the same in each.
    template <typename Build>
    auto both(Build build) {
        fresh = std::make_unique<tiny::Scene>(64, 64);
        cached = std::make_unique<tiny::Scene>(64, 64);
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
};

// A wall 2 m in front of the origin on +x, facing it.
Entity addWall(tiny::Scene& scene) {
    return scene.addEntity(scene.addModel({makeQuad("wall", {2, -1, -1}, {0, 0, 2}, {0, 2, 0})}));
}

}  // namespace

TEST_F(ShadowDraws, OnlyLightsWithACubeAndTheWallInReachDrawIt) {
    tiny::Scene scene(64, 64);
    addWall(scene);
    const struct { const char* name; glm::vec3 position; int cube; bool drawn; } cases[] = {
        {"last cube", {0, 0, 0}, MAX_LIGHTS - 1, true}, {"a cube past the array", {0, 0, 0}, MAX_LIGHTS, false},
        {"a light not yet set up", {0, 0, 0}, -1, false},
        {"52 m off, within its reach of about 99 m", {-50, 0, 0}, 0, true},
        {"202 m off, beyond its reach", {-200, 0, 0}, 0, false},
    };
    // A light that moves has its cube drawn whole every frame, as the lantern's is.
    LightSource& light = scene.addLight({0.0f, 0.0f, 0.0f});
    light.animated = true;
    for (const auto& c : cases) {
        light.mPosition = c.position;
        light.mLightID = c.cube;
        updateWorld(scene.registry, 0.0f);
        EXPECT_EQ(primitivesDuring([&] { shadowPass(scene.renderer, scene.registry); }) > 0, c.drawn) << c.name;
        if (!c.drawn) continue;
        EXPECT_NEAR(scene.cube(c.cube)[MIDDLE], depthAt(light.shadowProjection, 2 - c.position.x), 1e-6f) << c.name;
    }
    // Of ten lights, walked last created first, the last eight created get cubes 0 .. 7 and draw; the first
    // (now beyond its reach) and the second have none.
    light.animated = false;
    for (int i = 1; i < 10; ++i) scene.addLight({0.0f, 0.0f, 0.1f * i});
    initShadows(scene.renderer, scene.registry);
    // Their first frame draws the static casters one face at a time: the wall's two triangles go to each
    // face its bounds (centre (2, 0, 0), half-diagonal sqrt 2) may show in, and at least to +x.
    GLuint expected = 0;
    int walked = 0;
    scene.registry.each<LightSource>([&](Entity, LightSource& each) {
        EXPECT_EQ(each.mLightID, walked++);
        const std::uint8_t faces = facesReached(each.mPosition, {{2, 0, 0}, std::sqrt(2.0f)});
        EXPECT_TRUE(each.mLightID >= MAX_LIGHTS || (faces & 1u)) << each.mLightID;
        if (each.mLightID < MAX_LIGHTS) expected += 2u * static_cast<GLuint>(std::bitset<6>(faces).count());
    });
    updateWorld(scene.registry, 0.0f);
    EXPECT_EQ(primitivesDuring([&] { shadowPass(scene.renderer, scene.registry); }), expected);
}

// A box slides past the wall. Frame after frame the cached cube equals a full redraw; the box is drawn into the
// +x face exactly while it shows in that face's middle (nearer than the wall), and the face gets a store of
// its static depth only once the box has been drawn into it.
TEST_F(ShadowDraws, ACachedCubeEqualsAFullRedrawWhileAMovingCasterComesGoesAndHidesBehindTheWall) {
    const struct { const char* name; aiVector3D from, to; std::vector<std::pair<float, float>> steps; } paths[] = {
        // (time, what the +x face's middle sees, m): before the +x face at 0 s, behind the light from 0.45 s.
        {"across the light", {1, 0, 0}, {-3, 0, 0},
         {{0.9f, 2.0f}, {0.0f, 0.8f}, {0.0f, 0.8f}, {0.45f, 2.0f}, {0.9f, 2.0f}}},
        // 3 m out, behind the wall (its back at 2 m), to 1 m out, before it, and back.
        {"behind the wall", {3, 0, 0}, {1, 0, 0}, {{0.0f, 2.0f}, {0.2f, 2.0f}, {0.9f, 1.0f}, {0.0f, 2.0f}}},
    };
    for (const auto& path : paths) {
        const Entity mover = both([&](tiny::Scene& s) {
            addWall(s);
            s.addLight({0.0f, 0.0f, 0.0f});
            initShadows(s.renderer, s.registry);
            return s.addEntity(tiny::slidingBox(s, path.from, path.to));
        });
        const LightSource& light = cached->registry.get<LightSource>(cached->registry.view<LightSource>()[0]);
        const ShadowCache& cache = *cached->renderer.shadowCache;
        bool everDrawn = false;
        for (const auto& [time, seen] : path.steps) {
            SCOPED_TRACE(std::string(path.name) + " at " + std::to_string(time) + " s");
            const std::vector<float> cube = cubeAt(*cached, mover, time);
            fresh->freshShadows();
            EXPECT_EQ(firstDifferentFace(cube, cubeAt(*fresh, mover, time)), -1) << "the face unlike a full redraw";
            EXPECT_NEAR(cube[MIDDLE], depthAt(light.shadowProjection, seen), 1e-6f) << "the +x face's middle";
            everDrawn = everDrawn || seen < 2.0f;
            EXPECT_EQ((cache.movingFaces[0] & 1u) != 0, seen < 2.0f) << "the box drawn into the +x face";
            EXPECT_EQ(cache.faceStore[0] != 0, everDrawn) << "a store for the +x face";
        }
        // The box only ever passed before the +x and -x faces: the others need no store.
        for (int face = 2; face < 6; ++face) EXPECT_EQ(cache.faceStore[face], 0u) << path.name << ", face " << face;
    }
}

TEST_F(ShadowDraws, FaceCullingSwitchedBackAndForthGivesWhatAFullRedrawGives) {
    // A wall seen from behind by the light, so it throws shadow only while faces are not culled; a panel in
    // that shadow, and the box sliding from before the wall to behind the light.
    Entity panel = nullEntity;
    const Entity mover = both([&](tiny::Scene& s) {
        s.addEntity(s.addModel({makeQuad("wall", {2, -1, 1}, {0, 0, -2}, {0, 2, 0})}));
        panel = s.addEntity(s.addModel({makeQuad("panel", {3, -0.2f, -0.2f}, {0, 0, 0.4f}, {0, 0.4f, 0})}));
        s.addLight({0.0f, 0.0f, 0.0f});
        s.lookAt({2.6f, 1.0f, 1.5f}, {3.0f, 0.0f, 0.0f});
        return s.addEntity(tiny::slidingBox(s));
    });
    const auto hidden = [&](tiny::Scene& s) {
        return hiddenCubes(*s.renderer.lightVisibility, panel, s.models[1]->meshes[0]);
    };
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
        cubeWith[culling] = cached->cube(0);
        fresh->freshShadows();
        EXPECT_EQ(picture.pixelsUnlike(twoFrames(*fresh)), 0);
        EXPECT_EQ(firstDifferentFace(cubeWith[culling], fresh->cube(0)), -1);
        EXPECT_EQ(hidden(*cached), hidden(*fresh));
    }
    EXPECT_NE(firstDifferentFace(cubeWith[0], cubeWith[1]), -1) << "the wall's shadow does not depend on culling";
    EXPECT_EQ(hidden(*fresh), 1u) << "the wall, drawn while culling is off, does not hide the panel";
}

// Hidden from a light only where no shadow lookup could see it, and then shaded as the lookups shade it.
TEST_F(ShadowDraws, AStaticMeshCountsHiddenOnlyWhereNoLookupCouldSeeTheLightAndLooksNoDifferent) {
    tiny::Scene scene(160, 120);
    const Entity wall = addWall(scene);
    // A 0.4 m square facing the light at each corner; the wall spans 2 m square at x = 2, and no square stands
    // between the light and another. At x = 3 the wall's shadow ends at z = 1.5; the lookups' disc reaches
    // 5.5 cm there, and with the normal offset across the ray and the nearest texel's half about 7 cm.
    const struct { const char* name; glm::vec3 corner; bool hidden; } cases[] = {
        {"well behind the wall", {3.0f, -0.2f, -0.2f}, true},
        {"a centimetre behind it, within the lookups' margin", {2.01f, 0.4f, 0.4f}, false},
        {"beside the wall, in the open", {3.0f, -0.2f, 2.0f}, false},
        {"half behind the wall's edge", {3.0f, -1.0f, 1.3f}, false},
        {"in the shadow, 3 cm from its edge: the disc reaches past it", {3.0f, 0.3f, 1.07f}, false},
        {"in the shadow, 6.5 cm from its edge: the normal offset and the nearest texel reach past the disc",
         {3.0f, 0.8f, 1.035f}, false},
        {"in the shadow, 10 cm from its edge", {3.0f, -0.5f, 1.0f}, true},
        {"before the wall", {1.0f, -0.8f, -0.8f}, false},
    };
    std::vector<Entity> squares;
    for (const auto& c : cases)
        squares.push_back(scene.addEntity(scene.addModel({makeQuad(c.name, c.corner, {0, 0, 0.4f}, {0, 0.4f, 0})})));
    scene.addLight({0.0f, 0.0f, 0.0f});
    initShadows(scene.renderer, scene.registry);
    LightVisibility& visibility = *scene.renderer.lightVisibility;
    // The first frame draws the static depth and asks nothing, so that frame never waits for the answers.
    updateWorld(scene.registry, 0.0f);
    shadowPass(scene.renderer, scene.registry);
    EXPECT_TRUE(visibility.pending.empty());
    shadowPass(scene.renderer, scene.registry);
    readVisibility(visibility);
    const auto hidden = [&](Entity e) {
        return hiddenCubes(visibility, e, scene.registry.get<Drawable>(e).model->meshes[0]);
    };
    for (std::size_t i = 0; i < squares.size(); ++i)
        EXPECT_EQ(hidden(squares[i]), cases[i].hidden ? 1u : 0u) << cases[i].name;
    EXPECT_EQ(hidden(wall), 0u) << "the wall itself is what the light sees";
    // Seen from behind the wall: the picture is the one the lookups alone give, and only with shadows off does
    // the light reach the square well behind the wall.
    scene.lookAt({2.4f, 0.4f, 1.6f}, {3.0f, 0.0f, 0.0f});
    const tiny::Picture known = scene.frame();
    shadowsEnabled = false;
    const tiny::Picture off = scene.frame();
    shadowsEnabled = true;
    scene.renderer.lightVisibility.reset();
    EXPECT_EQ(scene.frame().pixelsUnlike(known), 0) << "a square known hidden looks otherwise than the lookups show it";
    const glm::ivec2 behind = scene.pixelOf({3.0f, 0.0f, 0.0f});
    EXPECT_GT(off.around(behind), known.around(behind) + 20.0f) << "with shadows off it stays dark";
}
