// Poses: worked out once a frame by the world update, at each skinned drawable's clock, and what every pass
// draws the drawable with.
#include "support/tiny_scene.h"

#include "support/gl_context.h"
#include "support/matchers.h"
#include "world/placement.h"

#include <gtest/gtest.h>

#include <cmath>

using Poses = GlTest;

namespace {

// The mean of the centres of a placement's mesh spheres.
glm::vec3 middleOf(const Placement& placed) {
    glm::vec3 sum(0.0f);
    for (const Sphere& s : placed.meshBounds) sum += s.centre;
    return placed.meshBounds.empty() ? sum : sum / static_cast<float>(placed.meshBounds.size());
}

}  // namespace

TEST_F(Poses, TheWorldUpdatePosesEachSkinnedDrawableAtItsClock) {
    tiny::Scene scene(64, 64);
    // The box slides from x = 1 at 0 s to x = -3 at 1 s, and loops.
    Model& box = tiny::slidingBox(scene);
    const Entity moving = scene.addEntity(box), stopped = scene.addEntity(box);
    const Entity wall = scene.addEntity(scene.addModel({makeQuad("wall", {2, -1, -1}, {0, 0, 2}, {0, 2, 0})}));
    scene.registry.get<Drawable>(moving).animated = true;
    scene.registry.get<Transform>(stopped).position = glm::vec3(0.0f, 2.0f, 0.0f);
    // The update's step, the moving box's clock after it, and where the box then stands, by hand.
    const struct { float delta, time, x; } steps[] = {
        {0.0f, 0.0f, 1.0f}, {0.25f, 0.25f, 0.0f}, {0.5f, 0.75f, -2.0f}, {0.5f, 1.25f, 0.0f}};
    for (const auto& step : steps) {
        updateWorld(scene.registry, step.delta);
        const Drawable& drawable = scene.registry.get<Drawable>(moving);
        ASSERT_FLOAT_EQ(drawable.animationTime, step.time);
        // Each face of the box is a mesh of its own with its own sphere, half a side off where the box stands.
        ASSERT_EQ(drawable.placement.meshBounds.size(), box.meshes.size());
        EXPECT_TRUE(vecNear(middleOf(drawable.placement), {step.x, 0.0f, 0.0f}, 1e-4f)) << "at " << step.time << " s";
        for (const Sphere& face : drawable.placement.meshBounds) {
            EXPECT_NEAR(glm::length(face.centre - glm::vec3(step.x, 0.0f, 0.0f)), 0.2f, 1e-4f) << "at " << step.time << " s";
            EXPECT_NEAR(face.radius, 0.2f * std::sqrt(2.0f), 1e-5f);
        }
    }
    // A stopped clock keeps its pose, placed where its entity stands; a model without bones has none.
    EXPECT_TRUE(vecNear(middleOf(scene.registry.get<Drawable>(stopped).placement), {1.0f, 2.0f, 0.0f}, 1e-4f));
    EXPECT_TRUE(scene.registry.get<Drawable>(wall).pose.bones.empty());
}

TEST_F(Poses, EveryPassDrawsTheBoxWhereTheFramesOwnClockHasIt) {
    // A light at the origin, a wall 4 m off on +x facing it, and the box sliding across before the wall,
    // throwing its shadow on it; seen from above the light.
    tiny::Scene scene(160, 120);
    scene.addEntity(scene.addModel({makeQuad("wall", {4, -3, -3}, {0, 0, 6}, {0, 6, 0})}));
    const Entity box = scene.addEntity(tiny::slidingBox(scene, {2.0f, 0.0f, -0.6f}, {2.0f, 0.0f, 0.6f}));
    scene.addLight({0.0f, 0.0f, 0.0f});
    scene.lookAt({0.0f, 3.0f, 0.0f}, {3.0f, 0.0f, 0.0f});
    Drawable& sliding = scene.registry.get<Drawable>(box);
    sliding.animated = true;
    scene.frame();  // past the first frame, so each picture below comes from the same cache state
    const tiny::Picture before = scene.frame();
    // The frame's time moves the clock on: the shadow's pass, the depth pre-pass and the lit one all draw the
    // new pose in that same frame, so a second frame at the same time adds nothing.
    const tiny::Picture moved = scene.frame(0.9f);
    ASSERT_GT(before.pixelsUnlike(moved), 100) << "the box and its shadow did not move";
    EXPECT_EQ(scene.frame().pixelsUnlike(moved), 0) << "a pass drew the box a frame behind its clock";
    // And back, with the clock set by hand.
    sliding.animationTime = 0.0f;
    EXPECT_EQ(scene.frame().pixelsUnlike(before), 0) << "a pass drew the box a frame behind its clock";
}

TEST_F(Poses, TheWorldUpdateGivesEachMeshTheLightsItsPlacedBoundsComeWithinReachOf) {
    tiny::Scene scene(64, 64);
    // Two lights 20 m apart, each reaching about 5.6 m; a still square under each, one between them in the
    // reach of neither, and the box sliding from under the first light (x = 1) out of its reach (x = -7).
    const Entity nearFirst = scene.addEntity(scene.addModel({makeQuad("a", {0, -1, 0}, {0.4f, 0, 0}, {0, 0, 0.4f})}));
    const Entity nearSecond = scene.addEntity(scene.addModel({makeQuad("b", {20, -1, 0}, {0.4f, 0, 0}, {0, 0, 0.4f})}));
    const Entity between = scene.addEntity(scene.addModel({makeQuad("c", {10, -1, 0}, {0.4f, 0, 0}, {0, 0, 0.4f})}));
    const Entity box = scene.addEntity(tiny::slidingBox(scene, {1.0f, 0.0f, 0.0f}, {-9.0f, 0.0f, 0.0f}));
    scene.addLight({0.0f, 0.0f, 0.0f}, glm::vec3(1.0f), {1.0f, 0.0f, 16.0f});
    scene.addLight({20.0f, 0.0f, 0.0f}, glm::vec3(1.0f), {1.0f, 0.0f, 16.0f});
    // The frame's list runs last created first: bit 0 is the light at x = 20, bit 1 the one at the origin.
    const struct { const char* name; Entity entity; float time; LightSet lights; } cases[] = {
        {"the square under the first light", nearFirst, 0.0f, 0b10},
        {"the square under the second light", nearSecond, 0.0f, 0b01},
        {"the square between them", between, 0.0f, 0b00},
        {"the box under the first light", box, 0.0f, 0b10},
        {"the box slid 8 m away, by its pose", box, 0.8f, 0b00},
    };
    for (const auto& c : cases) {
        scene.registry.get<Drawable>(box).animationTime = c.time;
        updateWorld(scene.registry, 0.0f);
        const Placement& placed = scene.registry.get<Drawable>(c.entity).placement;
        ASSERT_EQ(placed.meshLights.size(), placed.meshBounds.size()) << c.name;
        for (LightSet lights : placed.meshLights) EXPECT_EQ(lights, c.lights) << c.name;
    }
}
