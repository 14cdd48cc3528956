// Tests: a tiny lit world of our own (floor, boxes, quads, point lights) rendered through the real passes.
#pragma once

#include "assets/model.h"
#include "core/gl.h"
#include "core/settings.h"
#include "render/frame.h"
#include "render/forward_pass.h"
#include "render/renderer.h"
#include "render/shadow_pass.h"
#include "support/process.h"
#include "support/scene_builder.h"
#include "world/components.h"
#include "world/lights.h"
#include "world/registry.h"

#include <assimp/scene.h>
#include <glm/glm.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <stb_image_write.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tiny {

// Compiles one stage file; returns its info log (empty when the driver had nothing to say).
inline std::string stageLog(const std::string& path, GLenum type, bool& compiled) {
    const std::string source = readFile(path);
    GLuint stage = glCreateShader(type);
    const char* text = source.c_str();
    glShaderSource(stage, 1, &text, nullptr);
    glCompileShader(stage);
    GLint ok = 0, length = 0;
    glGetShaderiv(stage, GL_COMPILE_STATUS, &ok);
    glGetShaderiv(stage, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetShaderInfoLog(stage, length, nullptr, log.data());
    glDeleteShader(stage);
    compiled = ok != 0 && !source.empty();
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n' || log.back() == ' ')) log.pop_back();
    return log;
}

// Links a program from stage files; returns the link log and tells whether it linked.
inline std::string linkLog(const std::vector<std::pair<std::string, GLenum>>& stages, bool& linked) {
    GLuint program = glCreateProgram();
    for (const auto& [path, type] : stages) {
        const std::string source = readFile(path);
        GLuint stage = glCreateShader(type);
        const char* text = source.c_str();
        glShaderSource(stage, 1, &text, nullptr);
        glCompileShader(stage);
        glAttachShader(program, stage);
        glDeleteShader(stage);
    }
    glLinkProgram(program);
    GLint ok = 0, length = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::string log(static_cast<std::size_t>(length > 0 ? length : 0), '\0');
    if (length > 0) glGetProgramInfoLog(program, length, nullptr, log.data());
    glDeleteProgram(program);
    linked = ok != 0;
    while (!log.empty() && (log.back() == '\0' || log.back() == '\n' || log.back() == ' ')) log.pop_back();
    return log;
}

// A quad from origin spanning u and v, facing u x v, with one tangent frame and uvs 0..1.
inline aiMesh* quad(const std::string& name, const glm::vec3& origin, const glm::vec3& u, const glm::vec3& v) {
    aiMesh* mesh = new aiMesh();
    mesh->mName = aiString(name);
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = 4;
    const glm::vec3 corners[4] = {origin, origin + u, origin + u + v, origin + v};
    const glm::vec2 uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    const glm::vec3 n = glm::normalize(glm::cross(u, v));
    const glm::vec3 t = glm::normalize(u);
    const glm::vec3 b = glm::normalize(v);
    mesh->mVertices = new aiVector3D[4];
    mesh->mNormals = new aiVector3D[4];
    mesh->mTangents = new aiVector3D[4];
    mesh->mBitangents = new aiVector3D[4];
    mesh->mTextureCoords[0] = new aiVector3D[4];
    mesh->mNumUVComponents[0] = 2;
    for (int i = 0; i < 4; ++i) {
        mesh->mVertices[i] = aiVector3D(corners[i].x, corners[i].y, corners[i].z);
        mesh->mNormals[i] = aiVector3D(n.x, n.y, n.z);
        mesh->mTangents[i] = aiVector3D(t.x, t.y, t.z);
        mesh->mBitangents[i] = aiVector3D(b.x, b.y, b.z);
        mesh->mTextureCoords[0][i] = aiVector3D(uvs[i].x, uvs[i].y, 0.0f);
    }
    mesh->mNumFaces = 2;
    mesh->mFaces = new aiFace[2];
    const unsigned int triangles[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (int f = 0; f < 2; ++f) {
        mesh->mFaces[f].mNumIndices = 3;
        mesh->mFaces[f].mIndices = new unsigned int[3]{triangles[f][0], triangles[f][1], triangles[f][2]};
    }
    return mesh;
}

// The six outward-facing sides of the box from lo to hi, as six quads.
inline std::vector<aiMesh*> box(const std::string& name, const glm::vec3& lo, const glm::vec3& hi) {
    const glm::vec3 d = hi - lo;
    const glm::vec3 x(d.x, 0, 0), y(0, d.y, 0), z(0, 0, d.z);
    return {
        quad(name + "+x", {hi.x, lo.y, lo.z}, y, z), quad(name + "-x", lo, z, y),
        quad(name + "+y", {lo.x, hi.y, lo.z}, z, x), quad(name + "-y", lo, x, z),
        quad(name + "+z", {lo.x, lo.y, hi.z}, x, y), quad(name + "-z", lo, y, x),
    };
}

// Writes a w x h RGB PNG whose texel (x, y) is colour(x, y).
inline void writeTexture(const std::string& path, int w, int h,
                         const std::function<glm::u8vec3(int, int)>& colour) {
    std::vector<unsigned char> rgb(static_cast<std::size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const glm::u8vec3 c = colour(x, y);
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * w + x) * 3];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    stbi_write_png(path.c_str(), w, h, 3, rgb.data(), w * 3);
}

// An 8-bit display-encoded level (0 .. 255) as linear light (0 .. 1).
inline float linearLight(float level) {
    const float c = level / 255.0f;
    return c <= 0.04045f ? c / 12.92f : std::pow((c + 0.055f) / 1.055f, 2.4f);
}

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;  // bottom row first, as GL reads it
    float luminance(int x, int y) const {
        const unsigned char* p = &rgb[(static_cast<std::size_t>(y) * width + x) * 3];
        return 0.2126f * p[0] + 0.7152f * p[1] + 0.0722f * p[2];
    }
    // Mean luminance of the (2r+1)^2 pixels around (x, y): the dither and the shadow noise average out.
    float around(int x, int y, int r = 3) const {
        float sum = 0.0f;
        int n = 0;
        for (int j = y - r; j <= y + r; ++j)
            for (int i = x - r; i <= x + r; ++i) {
                if (i < 0 || j < 0 || i >= width || j >= height) continue;
                sum += luminance(i, j);
                ++n;
            }
        return n ? sum / static_cast<float>(n) : 0.0f;
    }
};

// With HOLLOWMERE_TEST_PICTURES set to a folder, every rendered picture is kept there to look at.
inline void savePicture(const Picture& picture) {
    static int count = 0;
    const char* folder = std::getenv("HOLLOWMERE_TEST_PICTURES");
    if (!folder) return;
    const std::string path = std::string(folder) + "/" +
                             ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                             std::to_string(count++) + ".png";
    stbi_flip_vertically_on_write(1);
    stbi_write_png(path.c_str(), picture.width, picture.height, 3, picture.rgb.data(), picture.width * 3);
    stbi_flip_vertically_on_write(0);
}

// Owns everything a tiny world needs; the GL context of the test is current.
struct Scene {
    std::string dir = makeTempDir("tiny_scene");
    std::vector<std::unique_ptr<aiScene>> imported;
    std::vector<std::unique_ptr<Model>> models;
    Registry registry;
    Renderer renderer;
    Shader main;
    glm::mat4 view{1.0f};
    glm::mat4 projection{1.0f};
    glm::vec3 eye{0.0f};

    Scene(int width, int height) {
        settings.width = static_cast<float>(width);
        settings.height = static_cast<float>(height);
        main = Shader("Resources/shader/vertex.shader", "Resources/shader/fragment.shader", NO_GEOMETRY);
        renderer.shadowShader = std::make_unique<Shader>("Resources/shader/vertexShadow.shader",
                                                         "Resources/shader/fragmentShadow.shader",
                                                         "Resources/shader/geometryShadow.shader");
        createSceneTarget(renderer);
        createShadowTarget(renderer);
        // The state the game starts with.
        glEnable(GL_DEPTH_TEST);
        glEnable(GL_CULL_FACE);
        // A plain white surface and a flat normal map, unless a test names others.
        writeTexture(dir + "/white.png", 4, 4, [](int, int) { return glm::u8vec3(255); });
        writeTexture(dir + "/flat.png", 4, 4, [](int, int) { return glm::u8vec3(128, 128, 255); });
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
        auto model = std::make_unique<Model>();
        model->adoptScene(scene.get(), dir + "/model" + std::to_string(models.size()) + ".fbx");
        imported.push_back(std::move(scene));
        models.push_back(std::move(model));
        return *models.back();
    }

    Entity addEntity(Model& model, const glm::vec3& position = glm::vec3(0.0f)) {
        Entity e = registry.create();
        Transform transform;
        transform.position = position;
        registry.emplace<Transform>(e, transform);
        Drawable drawable = makeDrawable(&model, main);
        drawable.animated = false;
        registry.emplace<Drawable>(e, drawable);
        return e;
    }

    LightSource& addLight(const glm::vec3& position, const glm::vec3& colour = glm::vec3(1.0f),
                          const glm::vec3& attenuation = glm::vec3(0.3f, 0.1f, 0.05f)) {
        LightSource light;
        light.mPosition = position;
        light.mColorDiffuse = colour;
        light.mColorSpecular = colour;
        light.mAttenuationConstant = attenuation.x;
        light.mAttenuationLinear = attenuation.y;
        light.mAttenuationQuadratic = attenuation.z;
        return registry.emplace<LightSource>(registry.create(), light);
    }

    void lookAt(const glm::vec3& from, const glm::vec3& to) {
        eye = from;
        view = glm::lookAt(from, to, glm::vec3(0, 1, 0));
        projection = frameProjection();
    }

    // The frame's shadow and scene passes, as the frame driver runs them, into the scene target.
    Picture render() {
        if (!renderer.shadowsInitialised) initShadows(renderer, registry);
        glViewport(0, 0, SHADOW_SIZE, SHADOW_SIZE);
        glBindFramebuffer(GL_FRAMEBUFFER, renderer.shadowFramebuffer);
        glClearColor(0.1f, 0.2f, 0.3f, 1.0f);
        renderer.shadowShader->use();
        renderShadowCasters(renderer, registry, 0.0f);

        glBindFramebuffer(GL_FRAMEBUFFER, renderer.sceneFramebuffer);
        glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        drawScene(ForwardPassContext{registry, view, projection, eye, renderer});

        Picture picture;
        picture.width = static_cast<int>(settings.width);
        picture.height = static_cast<int>(settings.height);
        picture.rgb.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, picture.width, picture.height, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        savePicture(picture);
        return picture;
    }

    // Window pixel (x, y from the bottom) where a world point lands.
    glm::ivec2 pixelOf(const glm::vec3& world) const {
        const glm::vec4 clip = projection * view * glm::vec4(world, 1.0f);
        const glm::vec2 ndc = glm::vec2(clip) / clip.w;
        return {static_cast<int>((ndc.x * 0.5f + 0.5f) * settings.width),
                static_cast<int>((ndc.y * 0.5f + 0.5f) * settings.height)};
    }
};

}  // namespace tiny
