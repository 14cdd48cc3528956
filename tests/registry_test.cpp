// Registry: id layout, recycling, view order and membership.
#include "world/components.h"
#include "world/registry.h"

#include <gtest/gtest.h>

TEST(Registry, IdsPackIndexAndVersion) {
    EXPECT_EQ(static_cast<std::uint32_t>(nullEntity), 0xFFFFFFFFu);
    Entity e = makeEntity(5, 3);
    EXPECT_EQ(static_cast<std::uint32_t>(e), (3u << 20) | 5u);
    EXPECT_EQ(entityIndex(e), 5u);
    EXPECT_EQ(entityVersion(e), 3u);

    Registry r;
    Entity a = r.create();
    Entity b = r.create();
    EXPECT_EQ(static_cast<std::uint32_t>(a), 0u);
    EXPECT_EQ(static_cast<std::uint32_t>(b), 1u);
    EXPECT_FALSE(r.valid(nullEntity));
}

TEST(Registry, DestroyedIdsComeBackWithANewVersion) {
    Registry r;
    Entity a = r.create();
    r.emplace<Player>(a);
    r.destroy(a);
    EXPECT_FALSE(r.valid(a));
    Entity again = r.create();
    EXPECT_EQ(entityIndex(again), entityIndex(a));
    EXPECT_EQ(entityVersion(again), 1u);
    EXPECT_TRUE(r.valid(again));
    EXPECT_FALSE(r.valid(a));
    // Components go with the entity: the recycled id starts bare.
    EXPECT_FALSE(r.all_of<Player>(again));
}

TEST(Registry, RecyclingNeverYieldsTheNullId) {
    Registry r;
    Entity e = r.create();
    for (int i = 0; i < 5000; ++i) {
        r.destroy(e);
        e = r.create();
        ASSERT_NE(e, nullEntity);
        ASSERT_TRUE(r.valid(e));
        ASSERT_NE(entityVersion(e), 0xFFFu);
    }
    EXPECT_EQ(r.slots.size(), 1u);
}

TEST(Registry, ViewsWalkTheSmallestStorageLastToFirst) {
    Registry r;
    Entity e0 = r.create(), e1 = r.create(), e2 = r.create(), e3 = r.create();
    for (Entity e : {e0, e1, e2, e3}) r.emplace<Transform>(e);
    r.emplace<Drawable>(e3);
    r.emplace<Drawable>(e1);
    r.emplace<Drawable>(e0);
    EXPECT_EQ((r.view<Transform>()), (std::vector<Entity>{e3, e2, e1, e0}));
    // Drawable is the smaller storage: its own insertion order, reversed.
    EXPECT_EQ((r.view<Transform, Drawable>()), (std::vector<Entity>{e0, e1, e3}));
    r.emplace<Player>(e2);
    EXPECT_EQ((r.view<Transform, Player>()), (std::vector<Entity>{e2}));
    EXPECT_TRUE((r.view<Drawable, Player>().empty()));
}

TEST(Registry, DestroyingDuringAWalkVisitsEveryOther) {
    Registry r;
    std::vector<Entity> made;
    for (int i = 0; i < 6; ++i) {
        Entity e = r.create();
        r.emplace<Transform>(e);
        if (i % 2 == 0) r.emplace<Player>(e);
        made.push_back(e);
    }
    int visited = 0;
    r.each<Transform>([&](Entity e, Transform&) {
        ++visited;
        if (r.all_of<Player>(e)) r.destroy(e);
    });
    EXPECT_EQ(visited, 6);
    EXPECT_EQ(r.view<Player>().size(), 0u);
    EXPECT_EQ(r.view<Transform>().size(), 3u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(r.valid(made[i]), i % 2 == 1);
}

TEST(Registry, ComponentsKeepTheirValuesThroughSwaps) {
    Registry r;
    Entity a = r.create(), b = r.create(), c = r.create();
    r.emplace<BoxCollider>(a, glm::vec3(1.0f));
    r.emplace<BoxCollider>(b, glm::vec3(2.0f));
    r.emplace<BoxCollider>(c, glm::vec3(3.0f));
    r.destroy(a);
    EXPECT_EQ(r.get<BoxCollider>(b).extents, glm::vec3(2.0f));
    EXPECT_EQ(r.get<BoxCollider>(c).extents, glm::vec3(3.0f));
    EXPECT_TRUE((r.all_of<BoxCollider>(c)));
    EXPECT_FALSE((r.all_of<BoxCollider, Player>(c)));
}

TEST(Components, FreshDrawableDefaults) {
    Drawable d = makeDrawable(nullptr, Shader{});
    EXPECT_FALSE(d.environmentMapping);
    EXPECT_TRUE(d.animated);
    EXPECT_EQ(d.animationTime, 0.0f);
    EXPECT_EQ(d.cameraTime, 0.0f);
    Camera c;
    EXPECT_EQ(c.view, glm::mat4(0.0f));
    EXPECT_EQ(c.position, glm::vec3(0.0f));
}
