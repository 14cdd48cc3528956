// hollowmere-inspect FILE [--time SECONDS]: prints what the game sees in a model file.
#include "animation/hierarchy.h"
#include "assets/assimp_convert.h"
#include "assets/model.h"
#include "common/arguments.h"
#include "core/gl.h"

#include <assimp/scene.h>

#include <cmath>
#include <cstdio>
#include <iostream>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

std::string number(float value) {
    if (value == 0.0f) value = 0.0f;  // no "-0"
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string vec(const glm::vec3& v) { return "(" + number(v.x) + ", " + number(v.y) + ", " + number(v.z) + ")"; }

std::string colour(const aiColor3D& c) { return vec(glm::vec3(c.r, c.g, c.b)); }

std::string quoted(const aiString& s) { return "\"" + std::string(s.data, s.length) + "\""; }

const char* lightKind(aiLightSourceType type) {
    switch (type) {
    case aiLightSource_DIRECTIONAL: return "directional";
    case aiLightSource_POINT: return "point";
    case aiLightSource_SPOT: return "spot";
    case aiLightSource_AMBIENT: return "ambient";
    case aiLightSource_AREA: return "area";
    default: return "undefined";
    }
}

// The model loads textures and buffers, so it needs a context; nothing is shown.
GLFWwindow* openHiddenWindow() {
    if (!glfwInit()) return nullptr;
    glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
    glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
    glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
    glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
    GLFWwindow* window = glfwCreateWindow(64, 64, "hollowmere-inspect", nullptr, nullptr);
    if (!window) return nullptr;
    glfwMakeContextCurrent(window);
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) return nullptr;
    while (glGetError() != GL_NO_ERROR) {}
    return window;
}

void printRoot(const Model& model) {
    const aiNode* root = model.scene->mRootNode;
    std::cout << "root node: " << quoted(root->mName) << "\n";
    const glm::mat4 m = toGlm(root->mTransformation);
    std::cout << "root transform (rows):\n";
    for (int r = 0; r < 4; ++r)
        std::cout << "  " << number(m[0][r]) << " " << number(m[1][r]) << " " << number(m[2][r]) << " "
                  << number(m[3][r]) << "\n";
}

void printBounds(const Model& model) {
    glm::vec3 low(std::numeric_limits<float>::max()), high(std::numeric_limits<float>::lowest());
    bool any = false;
    for (const Mesh& mesh : model.meshes) {
        for (const Vertex& v : mesh.vertices) {
            low = glm::min(low, v.position);
            high = glm::max(high, v.position);
            any = true;
        }
    }
    if (!any) {
        std::cout << "bounding box: empty\n";
        return;
    }
    std::cout << "bounding box (mesh coordinates): min " << vec(low) << " max " << vec(high) << "\n";
}

void printMeshes(const Model& model) {
    std::cout << "meshes: " << model.meshes.size() << "\n";
    for (std::size_t i = 0; i < model.meshes.size(); ++i) {
        const Mesh& mesh = model.meshes[i];
        std::cout << "  mesh " << i << " \"" << mesh.name << "\": " << mesh.vertices.size() << " vertices, "
                  << mesh.indices.size() / 3 << " triangles\n";
        for (const char* type : {TEXTURE_DIFFUSE, TEXTURE_NORMAL}) {
            std::cout << "    " << type << ":";
            for (const Texture& t : mesh.textures)
                if (t.type == type) std::cout << " \"" << t.path << "\"";
            std::cout << "\n";
        }
    }
}

void printBones(const Model& model) {
    std::cout << "bones: " << model.boneCount << "\n";
    std::vector<std::string> byIndex(model.boneCount);
    for (const auto& [name, index] : model.boneIndexByName) byIndex[index] = name;
    for (std::size_t i = 0; i < byIndex.size(); ++i) std::cout << "  bone " << i << " \"" << byIndex[i] << "\"\n";
}

void printAnimations(const Model& model) {
    std::cout << "animations: " << model.scene->mNumAnimations << "\n";
    for (unsigned int i = 0; i < model.scene->mNumAnimations; ++i) {
        const aiAnimation* a = model.scene->mAnimations[i];
        std::cout << "  animation " << i << " " << quoted(a->mName) << ": duration " << a->mDuration
                  << " ticks, " << a->mTicksPerSecond << " ticks per second, " << a->mNumChannels << " channels\n";
    }
    if (const aiAnimation* chosen = model.chosenAnimation())
        std::cout << "chosen animation: " << model.animationIndex << " " << quoted(chosen->mName) << " ("
                  << model.channelByNode.size() << " animated nodes)\n";
    else
        std::cout << "chosen animation: none\n";
}

void printCamera(Model& model, float time) {
    if (!model.camera) {
        std::cout << "camera: none\n";
        return;
    }
    const aiCamera* c = model.camera;
    std::cout << "camera: \"" << model.cameraName << "\" position " << vec(toGlm(c->mPosition)) << " up "
              << vec(toGlm(c->mUp)) << " look-at " << vec(toGlm(c->mLookAt)) << "\n";
    glm::vec3 position(0.0f);
    glm::mat4 view(1.0f), inverseView(1.0f);
    std::cout << std::flush;
    model.updateCameraFromAnimation(time, position, view, inverseView);
    std::cout << "camera pose at " << number(time) << " s: position " << vec(position) << " looking "
              << vec(-glm::vec3(inverseView[2])) << " up " << vec(glm::vec3(inverseView[1])) << "\n";
}

void printLights(const Model& model) {
    std::cout << "lights: " << model.lightNames.size() << "\n";
    for (const std::string& name : model.lightNames) {
        const aiLight* light = model.lightsByName.at(name);
        glm::mat4 node(1.0f);
        const bool found = model.nodeGlobalTransform(node, 0.0f, name);
        const glm::vec3 world(node * glm::vec4(toGlm(light->mPosition), 1.0f));
        std::cout << "  light \"" << name << "\": " << lightKind(light->mType) << ", ambient "
                  << colour(light->mColorAmbient) << " diffuse " << colour(light->mColorDiffuse) << " specular "
                  << colour(light->mColorSpecular) << ", world position " << vec(world)
                  << (found ? "" : " (no node of that name)") << "\n";
    }
}

std::optional<int> parseArgs(int argc, char** argv, std::string& file, float& time) {
    CLI::App app{"Prints what the game reads from a model file: meshes, textures, bones, animations, the camera "
                 "and its pose, the lights.",
                 "hollowmere-inspect"};
    useToolDefaults(app);
    app.add_option("FILE", file, "model file, as the game imports it")->required();
    app.add_option("--time", time, "flight time of the camera pose, in seconds")
        ->check(finiteNumber())
        ->capture_default_str();
    return readArguments(app, argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
    std::string file;
    float time = 0.0f;
    if (const std::optional<int> status = parseArgs(argc, argv, file, time)) return *status;
    if (!openHiddenWindow()) {
        std::cout << "hollowmere-inspect: no OpenGL 4.3 context (is there a display?)" << std::endl;
        return 1;
    }
    Model model(file);
    if (!model.scene) {
        glfwTerminate();
        return 1;
    }
    std::cout << "file: " << file << "\n";
    printRoot(model);
    printBounds(model);
    printMeshes(model);
    printBones(model);
    printAnimations(model);
    printCamera(model, time);
    printLights(model);
    std::cout << std::flush;
    glfwTerminate();
    return 0;
}
