// Checks over the shipped model files: budgets, textures, lights and the camera flight the game relies on.
#include "animation/hierarchy.h"
#include "assets/assimp_convert.h"
#include "assets/model.h"
#include "render/frame.h"
#include "support/gl_context.h"
#include "world/lights.h"
#include "world/registry.h"

#include <assimp/scene.h>
#include <glm/glm.hpp>
#include <stb_image.h>

#include <cmath>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kHouse = "Resources/models/house/house3.fbx";
const std::string kCircle = "Resources/models/candle1/volumetric_floor.fbx";
const std::string kLantern = "Resources/models/candle2/lantern.fbx";
const std::string kPlayer = "Resources/models/ghost_player/player1.fbx";
const std::string kWalls = "Resources/models/house/walls.txt";

// The game draws the ghost translated by this (the player's Transform).
const glm::vec3 kGhostOffset(0.0f, 0.0f, 3.0f);
const std::string kGhostRoot = "GhostRoot";
const glm::vec3 kLanternSound(-3.454f, 1.549f, -50.56f);
const glm::vec3 kGlassSound(1.6f, 1.0f, -51.15f);
// The camera's near plane: closer than this to a wall, the wall is cut open on screen.
constexpr float kNearPlane = 0.1f;

struct ModelFile {
    std::string path;
    unsigned int triangleBudget;
    unsigned int lights;
    unsigned int animations;
};

const ModelFile kFiles[] = {
    {kHouse, 30000, 4, 0},
    {kCircle, 5000, 3, 0},
    {kLantern, 3000, 1, 1},
    {kPlayer, 6000, 0, 1},
};

struct Loaded {
    std::unique_ptr<Model> model;
    std::string log;
};

// Each file is imported once per test binary, with what the import printed.
Loaded& load(const std::string& path) {
    static std::map<std::string, Loaded> cache;
    auto it = cache.find(path);
    if (it == cache.end()) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        Loaded loaded;
        testing::internal::CaptureStdout();
        loaded.model = std::make_unique<Model>(path);
        loaded.log = testing::internal::GetCapturedStdout();
        it = cache.emplace(path, std::move(loaded)).first;
    }
    return it->second;
}

struct Box {
    glm::vec3 lo{1e9f}, hi{-1e9f};
    void grow(const glm::vec3& p) {
        lo = glm::min(lo, p);
        hi = glm::max(hi, p);
    }
    bool contains(const glm::vec3& p, float margin = 0.0f) const {
        return glm::all(glm::greaterThan(p, lo - margin)) && glm::all(glm::lessThan(p, hi + margin));
    }
};

std::vector<Box> readWalls() {
    std::vector<Box> walls;
    std::ifstream in(kWalls);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        Box b;
        fields >> b.lo.x >> b.lo.y >> b.lo.z >> b.hi.x >> b.hi.y >> b.hi.z;
        if (fields) walls.push_back(b);
    }
    return walls;
}

// The house without its grounds: the box every light must be in.
Box houseBox(const Model& house) {
    Box box;
    for (const Mesh& mesh : house.meshes) {
        if (mesh.name == "Ground") continue;
        for (const Vertex& v : mesh.vertices) box.grow(v.position);
    }
    return box;
}

// Crossings of a ray from p along dir with the model's triangles (Moller-Trumbore).
int crossings(const Model& model, const glm::vec3& p, const glm::vec3& dir) {
    int count = 0;
    for (const Mesh& mesh : model.meshes) {
        for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
            const glm::vec3 a = mesh.vertices[mesh.indices[i]].position;
            const glm::vec3 e1 = mesh.vertices[mesh.indices[i + 1]].position - a;
            const glm::vec3 e2 = mesh.vertices[mesh.indices[i + 2]].position - a;
            const glm::vec3 h = glm::cross(dir, e2);
            const float det = glm::dot(e1, h);
            if (std::fabs(det) < 1e-9f) continue;
            const glm::vec3 s = p - a;
            const float u = glm::dot(s, h) / det;
            if (u < 0.0f || u > 1.0f) continue;
            const glm::vec3 q = glm::cross(s, e1);
            const float v = glm::dot(dir, q) / det;
            if (v < 0.0f || u + v > 1.0f) continue;
            if (glm::dot(e2, q) / det > 0.0f) ++count;
        }
    }
    return count;
}

// Inside closed geometry, every ray leaves through an odd number of faces.
bool insideClosedMesh(const Model& model, const glm::vec3& p) {
    const glm::vec3 dirs[] = {glm::normalize(glm::vec3(0.13f, 1.0f, 0.07f)),
                              glm::normalize(glm::vec3(1.0f, 0.11f, -0.17f)),
                              glm::normalize(glm::vec3(-0.09f, -0.21f, -1.0f))};
    for (const glm::vec3& d : dirs)
        if (crossings(model, p, d) % 2 == 0) return false;
    return true;
}

struct Pose {
    glm::vec3 camera;
    glm::mat4 view;
    glm::vec3 ghost;
};

// The camera and the ghost as the frame sees them at t seconds.
Pose poseAt(Model& player, float t) {
    Pose pose;
    glm::mat4 inverseView;
    player.updateCameraFromAnimation(t, pose.camera, pose.view, inverseView);
    glm::mat4 root(1.0f);
    player.nodeGlobalTransform(root, animationTicks(*player.chosenAnimation(), t), kGhostRoot);
    pose.ghost = glm::vec3(root * glm::vec4(0.0f, 0.0f, 0.0f, 1.0f)) + kGhostOffset;
    return pose;
}

// In front of the camera and within |x|, |y| <= limit in normalised device coordinates.
bool inView(const Pose& pose, const glm::vec3& p, float limit = 0.9f) {
    const glm::vec4 clip = frameProjection() * pose.view * glm::vec4(p, 1.0f);
    if (clip.w <= kNearPlane) return false;
    return std::fabs(clip.x / clip.w) <= limit && std::fabs(clip.y / clip.w) <= limit;
}

double clipSeconds(const Model& model) {
    const aiAnimation* a = model.chosenAnimation();
    return a ? a->mDuration / ticksPerSecond(*a) : 0.0;
}

struct ContentModels : GlTest, testing::WithParamInterface<ModelFile> {};

TEST_P(ContentModels, ImportsCleanlyWithIdentityRootWithinBudget) {
    Loaded& loaded = load(GetParam().path);
    EXPECT_EQ(loaded.log.find("[ERROR] Assimp: "), std::string::npos) << loaded.log;
    EXPECT_EQ(loaded.log.find("Texture failed to load"), std::string::npos) << loaded.log;
    ASSERT_NE(loaded.model->scene, nullptr);
    const glm::mat4 root = toGlm(loaded.model->scene->mRootNode->mTransformation);
    EXPECT_EQ(root, glm::mat4(1.0f));
    size_t triangles = 0;
    for (const Mesh& mesh : loaded.model->meshes) triangles += mesh.indices.size() / 3;
    EXPECT_GT(triangles, 0u);
    EXPECT_LE(triangles, GetParam().triangleBudget);
}

// The game draws meshes without node transforms: a mesh under a moved node would appear elsewhere.
TEST_P(ContentModels, MeshesSitUnderIdentityNodes) {
    const aiScene* scene = load(GetParam().path).model->scene;
    ASSERT_NE(scene, nullptr);
    std::vector<std::pair<const aiNode*, aiMatrix4x4>> stack{{scene->mRootNode, aiMatrix4x4()}};
    while (!stack.empty()) {
        auto [node, parent] = stack.back();
        stack.pop_back();
        const aiMatrix4x4 global = parent * node->mTransformation;
        if (node->mNumMeshes > 0) {
            const glm::mat4 m = toGlm(global);
            for (int c = 0; c < 4; ++c)
                for (int r = 0; r < 4; ++r)
                    EXPECT_NEAR(m[c][r], c == r ? 1.0f : 0.0f, 1e-5f) << node->mName.C_Str();
        }
        for (unsigned int i = 0; i < node->mNumChildren; ++i) stack.push_back({node->mChildren[i], global});
    }
}

TEST_P(ContentModels, EveryMeshHasUvsAndDecodableDiffuseAndNormalMaps) {
    Model& model = *load(GetParam().path).model;
    ASSERT_NE(model.scene, nullptr);
    for (unsigned int i = 0; i < model.scene->mNumMeshes; ++i)
        EXPECT_TRUE(model.scene->mMeshes[i]->HasTextureCoords(0)) << model.scene->mMeshes[i]->mName.C_Str();
    for (const Mesh& mesh : model.meshes) {
        int diffuse = 0, normal = 0;
        for (const Texture& texture : mesh.textures) {
            const std::string file = model.directory + "/" + texture.path;
            EXPECT_EQ(texture.path.find('/'), std::string::npos) << "textures sit beside their model: " << file;
            int w = 0, h = 0, channels = 0;
            unsigned char* pixels = stbi_load(file.c_str(), &w, &h, &channels, 0);
            ASSERT_NE(pixels, nullptr) << file;
            stbi_image_free(pixels);
            const bool powerOfTwo = w > 0 && h > 0 && (w & (w - 1)) == 0 && (h & (h - 1)) == 0;
            EXPECT_TRUE(powerOfTwo && w >= 256 && w <= 1024 && h >= 256 && h <= 1024) << file << " " << w << "x" << h;
            if (texture.type == "texture_diffuse") {
                ++diffuse;
                EXPECT_EQ(channels, 3) << file;
            } else if (texture.type == "texture_normal") {
                ++normal;
                EXPECT_GE(channels, 3) << file;
            }
        }
        EXPECT_GE(diffuse, 1) << mesh.name;
        EXPECT_GE(normal, 1) << mesh.name;
    }
}

// A vertex without full weights collapses toward the origin when skinned; the shader reads four.
TEST_P(ContentModels, SkinnedVerticesAreFullyWeightedByAtMostFourBones) {
    Model& model = *load(GetParam().path).model;
    ASSERT_NE(model.scene, nullptr);
    EXPECT_LE(model.boneCount, 64u);
    for (unsigned int m = 0; m < model.scene->mNumMeshes; ++m) {
        const aiMesh* mesh = model.scene->mMeshes[m];
        if (mesh->mNumBones == 0) continue;
        std::vector<float> sum(mesh->mNumVertices, 0.0f);
        std::vector<int> count(mesh->mNumVertices, 0);
        for (unsigned int b = 0; b < mesh->mNumBones; ++b)
            for (unsigned int w = 0; w < mesh->mBones[b]->mNumWeights; ++w) {
                const aiVertexWeight& vw = mesh->mBones[b]->mWeights[w];
                sum[vw.mVertexId] += vw.mWeight;
                ++count[vw.mVertexId];
            }
        for (unsigned int v = 0; v < mesh->mNumVertices; ++v) {
            ASSERT_LE(count[v], MAX_BONE_INFLUENCE) << mesh->mName.C_Str() << " vertex " << v;
            ASSERT_NEAR(sum[v], 1.0f, 1e-3f) << mesh->mName.C_Str() << " vertex " << v;
        }
    }
}

TEST_P(ContentModels, LightsAndTakesAsTheSceneExpects) {
    Model& model = *load(GetParam().path).model;
    ASSERT_NE(model.scene, nullptr);
    EXPECT_EQ(model.scene->mNumLights, GetParam().lights);
    EXPECT_EQ(model.lightsByName.size(), GetParam().lights) << "light names must be unique";
    for (unsigned int i = 0; i < model.scene->mNumLights; ++i) {
        const aiLight* light = model.scene->mLights[i];
        EXPECT_EQ(light->mType, aiLightSource_POINT) << light->mName.C_Str();
        // Plain colours: a light exported at its Blender power would read tens here.
        const aiColor3D c = light->mColorDiffuse;
        EXPECT_TRUE(c.r > 0.2f && c.r <= 1.0f && c.g > 0.0f && c.g <= 1.0f && c.b >= 0.0f && c.b <= 1.0f)
            << light->mName.C_Str() << " " << c.r << " " << c.g << " " << c.b;
    }
    EXPECT_EQ(model.scene->mNumAnimations, GetParam().animations);
}

INSTANTIATE_TEST_SUITE_P(ShippedFiles, ContentModels, testing::ValuesIn(kFiles), [](const auto& info) {
    const std::string& p = info.param.path;
    std::string name = p.substr(p.find_last_of('/') + 1);
    return name.substr(0, name.find('.'));
});

struct ContentScene : GlTest {};

// Where the game places each scenery light (the same call as scene construction, no offset).
std::vector<LightSource> placedLights(Model& model) {
    Registry registry;
    const Entity owner = registry.create();
    testing::internal::CaptureStdout();
    emplaceModelLights(model, registry, owner, glm::vec3(0.0f), 0.05f, 50.0f, glm::vec3(0.7f, 0.9f, 0.9f), true, 20);
    testing::internal::GetCapturedStdout();
    std::vector<LightSource> lights;
    forEachLight(registry, [&](Entity, LightSource& light) { lights.push_back(light); });
    return lights;
}

TEST_F(ContentScene, EightLightsInsideTheHouseAndOutsideTheirOwnGeometry) {
    Model& house = *load(kHouse).model;
    const Box box = houseBox(house);
    size_t total = 0;
    std::set<std::string> names;
    for (const std::string& path : {kHouse, kCircle, kLantern}) {
        Model& model = *load(path).model;
        for (const LightSource& light : placedLights(model)) {
            ++total;
            names.insert(light.mName);
            EXPECT_TRUE(box.contains(light.mPosition)) << light.mName;
            // Its own mesh around it would swallow its light and its shadow map.
            EXPECT_FALSE(insideClosedMesh(model, light.mPosition)) << light.mName;
        }
    }
    EXPECT_EQ(total, static_cast<size_t>(MAX_LIGHTS));
    EXPECT_EQ(names.size(), total) << "light names are unique across the scenery too";
}

TEST_F(ContentScene, LanternLightSwingsWithTheLanternAtTheSoundPoint) {
    Model& lantern = *load(kLantern).model;
    ASSERT_EQ(lantern.lightNames.size(), 1u);
    const std::string name = lantern.lightNames[0];
    const aiAnimation& take = *lantern.chosenAnimation();
    Box seen;
    for (int k = 0; k * 0.25 < clipSeconds(lantern); ++k) {
        const float t = k * 0.25f;
        glm::mat4 node(1.0f);
        ASSERT_TRUE(lantern.nodeGlobalTransform(node, animationTicks(take, t), name));
        const glm::vec3 p(node[3]);
        seen.grow(p);
        EXPECT_LT(glm::distance(p, kLanternSound), 0.15f) << "at " << t << " s";
    }
    EXPECT_GT(glm::length(seen.hi - seen.lo), 0.02f) << "the flame's light must ride on the swinging bone";
    // One loop: the last pose is the first.
    glm::mat4 first(1.0f), last(1.0f);
    lantern.nodeGlobalTransform(first, 0.0f, name);
    lantern.nodeGlobalTransform(last, static_cast<float>(take.mDuration), name);
    EXPECT_LT(glm::distance(glm::vec3(first[3]), glm::vec3(last[3])), 1e-3f);
}

TEST_F(ContentScene, PlayerFileHasOneCameraAndOneTakeOfAMinute) {
    Model& player = *load(kPlayer).model;
    ASSERT_NE(player.scene, nullptr);
    EXPECT_EQ(player.scene->mNumCameras, 1u);
    ASSERT_EQ(player.scene->mNumAnimations, 1u);
    EXPECT_GE(clipSeconds(player), 60.0);
    glm::mat4 root(1.0f);
    EXPECT_TRUE(player.nodeGlobalTransform(root, 0.0f, kGhostRoot)) << "the ghost moves through its root bone";
}

TEST_F(ContentScene, GhostStaysInViewForAlmostTheWholeFlight) {
    Model& player = *load(kPlayer).model;
    ASSERT_NE(player.chosenAnimation(), nullptr);
    int samples = 0, seen = 0;
    std::string missed;
    for (int k = 0; k * 0.5 <= clipSeconds(player); ++k) {
        const float t = k * 0.5f;
        ++samples;
        const Pose pose = poseAt(player, t);
        if (inView(pose, pose.ghost)) ++seen;
        else missed += " " + std::to_string(t);
    }
    EXPECT_GE(seen, samples * 9 / 10) << "out of view at" << missed;
}

TEST_F(ContentScene, SoundMomentsFindTheCameraFacingTheirSources) {
    Model& player = *load(kPlayer).model;
    ASSERT_NE(player.chosenAnimation(), nullptr);
    const Pose lantern = poseAt(player, 20.0f);
    EXPECT_LE(glm::distance(lantern.camera, kLanternSound), 3.0f);
    EXPECT_TRUE(inView(lantern, kLanternSound));
    const Pose glass = poseAt(player, 51.45f);
    EXPECT_LE(glm::distance(glass.camera, kGlassSound), 4.0f);
    EXPECT_TRUE(inView(glass, kGlassSound));
    // The ghost is there when the glass breaks.
    EXPECT_LT(glm::distance(glass.ghost, kGlassSound), 1.0f);
}

TEST_F(ContentScene, WallListDescribesTheHouse) {
    const std::vector<Box> walls = readWalls();
    ASSERT_GE(walls.size(), 20u) << kWalls;
    Box box = houseBox(*load(kHouse).model);
    for (const Box& wall : walls) {
        EXPECT_TRUE(glm::all(glm::lessThan(wall.lo, wall.hi)));
        EXPECT_TRUE(box.contains(wall.lo, 0.01f) && box.contains(wall.hi, 0.01f));
    }
    // The window the ghost breaks and the lantern hang in open air.
    for (const Box& wall : walls) {
        EXPECT_FALSE(wall.contains(kGlassSound));
        EXPECT_FALSE(wall.contains(kLanternSound));
    }
}

TEST_F(ContentScene, CameraNeverEntersAWall) {
    Model& player = *load(kPlayer).model;
    ASSERT_NE(player.chosenAnimation(), nullptr);
    const std::vector<Box> walls = readWalls();
    ASSERT_FALSE(walls.empty());
    for (int k = 0; k * 0.1 <= clipSeconds(player); ++k) {
        const float t = k * 0.1f;
        const glm::vec3 camera = poseAt(player, t).camera;
        for (const Box& wall : walls)
            ASSERT_FALSE(wall.contains(camera, kNearPlane))
                << "at " << t << " s the camera is at (" << camera.x << ", " << camera.y << ", " << camera.z << ")";
    }
}

}  // namespace
