// Registry: ids stay unique through recycling, components go with their entity, views walk last to first.
#include "world/components.h"
#include "world/registry.h"

#include <gtest/gtest.h>

TEST(Registry, DestroyedIdsComeBackWithANewVersionAndBare) {
    Registry r;
    const Entity first = r.create();
    r.emplace<Player>(first);
    Entity e = first;
    // Thousands of reuses of one slot pass the version's wrap without ever giving the null id.
    for (int i = 0; i < 5000; ++i) {
        r.destroy(e);
        ASSERT_FALSE(r.valid(e)) << i;
        e = r.create();
        ASSERT_TRUE(r.valid(e) && e != nullEntity && entityIndex(e) == entityIndex(first)) << i;
    }
    EXPECT_FALSE(r.valid(first)) << "an old id must not name the recycled slot";
    EXPECT_FALSE(r.all_of<Player>(e)) << "components go with the entity";
}

TEST(Registry, ViewsWalkTheSmallestStorageLastToFirstAndSurviveDestroys) {
    Registry r;
    std::vector<Entity> e;
    for (int i = 0; i < 6; ++i) r.emplace<BoxCollider>(e.emplace_back(r.create()), glm::vec3(float(i)));
    for (int i : {3, 1, 0}) r.emplace<Drawable>(e[i]);
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
    for (int i : {1, 3, 5}) EXPECT_EQ(r.get<BoxCollider>(e[i]).extents, glm::vec3(float(i))) << i;
    for (int i : {0, 2, 4}) EXPECT_FALSE(r.valid(e[i])) << i;
    EXPECT_EQ((r.view<BoxCollider, Drawable>()), (std::vector<Entity>{e[1], e[3]}));
}
