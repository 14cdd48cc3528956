// Animation clocks and the light animation that follows them.
#include "world/clocks.h"

#include "animation/hierarchy.h"
#include "assets/model.h"
#include "world/components.h"
#include "world/lights.h"

void advanceAnimationClocks(Registry& registry, float deltaTime) {
    registry.each<Drawable>([&](Entity, Drawable& drawable) {
        if (drawable.animated) drawable.animationTime += deltaTime;
    });
}

void animateLight(Registry& registry, Entity entity, LightSource& source) {
    if (!source.animated) return;
    Drawable* drawable = lightOwnerDrawable(registry, entity);
    if (!drawable || !drawable->model) return;
    const aiAnimation* clip = drawable->model->chosenAnimation();
    if (!clip) return;
    // Same clip time as the skeleton drawn this frame, so the light stays on its node.
    float ticks = animationTicks(*clip, drawable->animationTime);
    glm::mat4 node(1.0f);
    if (drawable->model->nodeGlobalTransform(node, ticks, source.mName)) source.mPosition = glm::vec3(node[3]);
}
