// Tests: a tiny lit world of our own (floor, boxes, quads, point lights) rendered through the real passes.
#pragma once

#include "assets/model.h"
#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/frame.h"
#include "render/light_visibility.h"
#include "render/render_targets.h"
#include "render/renderer.h"
#include "render/shadow_cache.h"
#include "render/shadow_pass.h"
#include "render/sky.h"
#include "support/gl_probe.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/update.h"

#include <glm/gtc/matrix_transform.hpp>
#include <stb_image_write.h>

#include <memory>

namespace tiny {

// Writes a 4 x 4 RGB PNG of one colour.
inline void writeTexture(const std::string& path, const glm::u8vec3& colour) {
    std::vector<glm::u8vec3> rgb(16, colour);
    stbi_write_png(path.c_str(), 4, 4, 3, rgb.data(), 4 * 3);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;  // bottom row first, as GL reads it
    // Mean luminance of the (2r+1)^2 pixels around p: the dither and the shadow noise average out.
    float around(const glm::ivec2& p, int r = 3) const {
        float sum = 0.0f;
        int n = 0;
        for (int j = std::max(p.y - r, 0); j <= std::min(p.y + r, height - 1); ++j)
            for (int i = std::max(p.x - r, 0); i <= std::min(p.x + r, width - 1); ++i, ++n) {
                const unsigned char* c = &rgb[(static_cast<std::size_t>(j) * width + i) * 3];
                sum += 0.2126f * c[0] + 0.7152f * c[1] + 0.0722f * c[2];
            }
        return n ? sum / static_cast<float>(n) : 0.0f;
    }
    // How many pixels differ from other's in any channel.
    int pixelsUnlike(const Picture& other) const {
        int unlike = 0;
        for (std::size_t i = 0; i + 2 < rgb.size() && i + 2 < other.rgb.size(); i += 3)
            unlike += rgb[i] != other.rgb[i] || rgb[i + 1] != other.rgb[i + 1] || rgb[i + 2] != other.rgb[i + 2];
        return rgb.size() == other.rgb.size() ? unlike : width * height;
    }
};

// Owns everything a tiny world needs; the GL context of the test is current.
struct Scene {
    std::string dir = makeTempDir("tiny_scene");
    std::vector<std::unique_ptr<aiScene>> imported;
    std::vector<std::unique_ptr<Model>> models;
    Registry registry;
    Renderer renderer;
    Shader main;
    glm::mat4 view{1.0f}, projection{1.0f};
    glm::vec3 eye{0.0f};
    Entity camera = registry.create();  // a still one: a camera with no model to pose it

    Scene(int width, int height) {
        settings.width = static_cast<float>(width);
        settings.height = static_cast<float>(height);
        showFps = false;  // the frame-rate text only where a test asks for it
        main = Shader("Resources/shader/vertex.shader", "Resources/shader/fragment.shader", NO_GEOMETRY);
        createShadowProgram(renderer);
        createSceneTarget(renderer);
        createShadowTarget(renderer);
        // The state the game starts with.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        // Read back, never presented.
        renderer.unseen = true;
        Drawable still;
        still.animated = false;
        registry.emplace<Drawable>(camera, still);
        lookAt(glm::vec3(0.0f), glm::vec3(0.0f, 0.0f, -1.0f));
        // A plain white surface and a flat normal map, unless a test names others.
        writeTexture(dir + "/white.png", glm::u8vec3(255));
        writeTexture(dir + "/flat.png", glm::u8vec3(128, 128, 255));
    }

    // One model of the given meshes under the root, with one material of the given texture files.
    Model& addModel(const std::vector<aiMesh*>& meshes, const std::string& diffuse = "white.png",
                    const std::string& normal = "flat.png") {
        auto scene = makeScene();
        const unsigned int material = addMaterial(*scene, {diffuse}, {normal});
        for (aiMesh* mesh : meshes) {
            mesh->mMaterialIndex = material;
            addMesh(*scene, scene->mRootNode, mesh);
        }
        return adopt(std::move(scene));
    }

    Model& adopt(std::unique_ptr<aiScene> scene) {
        models.push_back(std::make_unique<Model>());
        models.back()->adoptScene(scene.get(), dir + "/model" + std::to_string(models.size()) + ".fbx");
        imported.push_back(std::move(scene));
        return *models.back();
    }

    // At the origin, not animated.
    Entity addEntity(Model& model) {
        Entity e = registry.create();
        registry.emplace<Transform>(e, Transform{});
        Drawable drawable = makeDrawable(&model, main);
        drawable.animated = false;
        registry.emplace<Drawable>(e, drawable);
        return e;
    }

    // attenuation: constant, linear, quadratic.
    LightSource& addLight(const glm::vec3& position, const glm::vec3& colour = glm::vec3(1.0f),
                          const glm::vec3& attenuation = {0.3f, 0.1f, 0.05f}) {
        LightSource light;
        light.mPosition = position;
        light.mColorDiffuse = light.mColorSpecular = colour;
        light.mAttenuationConstant = attenuation.x, light.mAttenuationLinear = attenuation.y;
        light.mAttenuationQuadratic = attenuation.z;
        return registry.emplace<LightSource>(registry.create(), light);
    }

    void lookAt(const glm::vec3& from, const glm::vec3& to) {
        eye = from;
        view = glm::lookAt(from, to, glm::vec3(0, 1, 0));
        projection = frameProjection();
        registry.emplace<Camera>(camera, Camera{from, view, glm::inverse(view)});
    }

    // The shadow array is the largest thing a scene holds; a suite makes several.
    ~Scene() {
        glDeleteTextures(1, &renderer.shadowMapArray);
        if (renderer.shadowCache) glDeleteTextures(6 * MAX_LIGHTS, renderer.shadowCache->faceStore.data());
    }

    // The game's own frame over the world as it stands, finished in a window of our own that is read back;
    // the clocks move on by deltaTime first, as in play.
    Picture frame(float deltaTime = 0.0f) {
        if (!renderer.skybox) createRenderObjects(renderer, decodeCubemapFaces(SKYBOX_FACES));
        ColourTarget window(static_cast<int>(settings.width), static_cast<int>(settings.height));
        renderer.frameTarget = window.framebuffer;
        renderFrame(renderer, registry, deltaTime);
        renderer.frameTarget = 0;
        return Picture{window.width, window.height, window.pixels()};
    }

    // The six faces of one cube of the shadow array, as stored, one after the other.
    std::vector<float> cube(int index) const {
        const std::size_t face = static_cast<std::size_t>(SHADOW_SIZE) * SHADOW_SIZE;
        std::vector<float> depth(6 * face, -1.0f);
        GLuint fbo = 0;
        glGenFramebuffers(1, &fbo);
        glBindFramebuffer(GL_FRAMEBUFFER, fbo);
        for (int f = 0; f < 6; ++f) {
            glFramebufferTextureLayer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, renderer.shadowMapArray, 0, 6 * index + f);
            glReadPixels(0, 0, SHADOW_SIZE, SHADOW_SIZE, GL_DEPTH_COMPONENT, GL_FLOAT, &depth[f * face]);
        }
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
        glDeleteFramebuffers(1, &fbo);
        return depth;
    }

    // Shadows as a renderer that has drawn nothing yet has them: a new cache over a cleared array, and
    // nothing known of what the lights can see.
    void freshShadows() {
        glDeleteTextures(6 * MAX_LIGHTS, renderer.shadowCache->faceStore.data());
        glDeleteFramebuffers(1, &renderer.shadowCache->layerFramebuffer);
        renderer.shadowCache = std::make_unique<ShadowCache>();
        createShadowCache(*renderer.shadowCache, renderer.shadowMapArray, SHADOW_SIZE, SHADOW_LAYER_FACES);
        renderer.lightVisibility = std::make_unique<LightVisibility>();
        createVisibilityBox(*renderer.lightVisibility);
    }

    // Window pixel (x, y from the bottom) where a world point lands.
    glm::ivec2 pixelOf(const glm::vec3& world) const {
        const glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
        const glm::vec2 ndc = glm::vec2(clip) / clip.w;
        return {static_cast<int>((ndc.x * 0.5f + 0.5f) * settings.width),
                static_cast<int>((ndc.y * 0.5f + 0.5f) * settings.height)};
    }
};

// A 0.4 m box skinned to one bone that slides from `from` at 0 s to `to` at 1 s (by default from (1, 0, 0)
// to (-3, 0, 0): at 0.9 s it stands at (-2.6, 0, 0)).
inline Model& slidingBox(Scene& scene, const aiVector3D& from = {1.0f, 0.0f, 0.0f},
                         const aiVector3D& to = {-3.0f, 0.0f, 0.0f}) {
    auto imported = makeScene();
    const unsigned int material = addMaterial(*imported, {"white.png"}, {"flat.png"});
    addNode(imported->mRootNode, "slider");
    for (aiMesh* mesh : makeBox("slider", glm::vec3(-0.2f), glm::vec3(0.2f))) {
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

}  // namespace tiny
