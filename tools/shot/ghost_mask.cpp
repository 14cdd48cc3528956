// Ghost mask: the ghost's meshes drawn again over the frame's depth; a pixel where they meet it shows the ghost.
#include "ghost_mask.h"

#include "assets/model.h"
#include "assets/surface.h"
#include "core/gl.h"
#include "core/settings.h"
#include "render/frame.h"
#include "world/components.h"
#include "world/pose.h"

#include <vector>

namespace {

std::vector<float> readDepth(int width, int height) {
    std::vector<float> depth(static_cast<std::size_t>(width) * height, 1.0f);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());
    return depth;
}

// The ghost's meshes alone into the cleared depth, with the program and pose the scene pass's depth used,
// so a visible pixel gets the very depth the frame holds.
void drawGhostDepth(Registry& registry) {
    registry.each<Player, Transform, Drawable>([&](Entity entity, Player&, Transform&, Drawable& drawable) {
        if (!drawable.model || !registry.all_of<Camera>(entity)) return;
        const Shader depth = shaderVariant(drawable.shader, "#define DEPTH_ONLY");
        depth.use();
        depth.setMat4("modelMatrix", drawable.placement.world);
        depth.setMat4("viewMatrix", registry.get<Camera>(entity).view);
        depth.setMat4("projectionMatrix", frameProjection());
        setBoneUniforms(depth, drawable.pose.bones, isSkinned(drawable));
        for (const Mesh& mesh : drawable.model->meshes) {
            if (mesh.surface != Surface::Glow) continue;
            glBindVertexArray(mesh.vao);
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT, nullptr);
        }
    });
    glBindVertexArray(0);
}

}  // namespace

FramePixels ghostMask(OffscreenGame& game) {
    FramePixels mask;
    mask.width = static_cast<int>(settings.width);
    mask.height = static_cast<int>(settings.height);
    glBindFramebuffer(GL_FRAMEBUFFER, game.renderer.sceneFramebuffer);
    glViewport(0, 0, mask.width, mask.height);
    const std::vector<float> frame = readDepth(mask.width, mask.height);

    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LESS);
    glClear(GL_DEPTH_BUFFER_BIT);
    drawGhostDepth(game.registry);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    const std::vector<float> ghost = readDepth(mask.width, mask.height);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);

    mask.rgb.assign(frame.size() * 3, 0);
    for (std::size_t i = 0; i < frame.size(); ++i)
        if (ghost[i] < 1.0f && ghost[i] <= frame[i]) mask.rgb[3 * i] = mask.rgb[3 * i + 1] = mask.rgb[3 * i + 2] = 255;
    return mask;
}
