// Registry: ids stay unique through recycling, components go with their entity, views walk last to first.
#include "world/components.h"
#include "world/registry.h"

#include <gtest/gtest.h>

TEST(Registry, DestroyedIdsComeBackWithANewVersionAndBare) {
    Registry r;
    Entity e = r.create();
    r.emplace<Player>(e);
    const Entity first = e;
    // Thousands of reuses of one slot pass the version's wrap without ever giving the null id.
    for (int i = 0; i < 5000; ++i) {
        r.destroy(e);
        ASSERT_FALSE(r.valid(e)) << i;
        e = r.create();
        ASSERT_TRUE(r.valid(e)) << i;
        ASSERT_NE(e, nullEntity) << i;
    }
    EXPECT_EQ(entityIndex(e), entityIndex(first));
    EXPECT_FALSE(r.valid(first)) << "an old id must not name the recycled slot";
    EXPECT_FALSE(r.all_of<Player>(e)) << "components go with the entity";
    EXPECT_FALSE(r.valid(nullEntity));
}

TEST(Registry, ViewsWalkTheSmallestStorageLastToFirstAndSurviveDestroys) {
    Registry r;
    std::vector<Entity> e;
    for (int i = 0; i < 6; ++i) {
        e.push_back(r.create());
        r.emplace<BoxCollider>(e[i], glm::vec3(float(i)));
    }
    r.emplace<Drawable>(e[3]);
    r.emplace<Drawable>(e[1]);
    r.emplace<Drawable>(e[0]);
    EXPECT_EQ(r.view<BoxCollider>(), (std::vector<Entity>{e[5], e[4], e[3], e[2], e[1], e[0]}));
    // Drawable is the smaller storage: its own insertion order, reversed.
    EXPECT_EQ((r.view<BoxCollider, Drawable>()), (std::vector<Entity>{e[0], e[1], e[3]}));
    EXPECT_TRUE((r.view<Drawable, Player>().empty()));

    // Destroying the visited entity during a walk still visits every other one; swapped values stay theirs.
    int visited = 0;
    r.each<BoxCollider>([&](Entity x, BoxCollider&) {
        ++visited;
        if (entityIndex(x) % 2 == 0) r.destroy(x);
    });
    EXPECT_EQ(visited, 6);
    for (int i = 0; i < 6; ++i) {
        ASSERT_EQ(r.valid(e[i]), i % 2 == 1) << i;
        if (i % 2) {
            EXPECT_EQ(r.get<BoxCollider>(e[i]).extents, glm::vec3(float(i))) << i;
        }
    }
    EXPECT_EQ((r.view<BoxCollider, Drawable>()), (std::vector<Entity>{e[1], e[3]}));
}
