// Checks over the shipped model files: their budgets, the camera flight the sounds and the pictures rely on, its
// loop, and the study window's glass.
#include "animation/hierarchy.h"
#include "assets/model.h"
#include "audio/timeline.h"
#include "render/frame.h"
#include "support/gl_context.h"
#include "support/gl_probe.h"
#include "world/scene.h"

#include <assimp/scene.h>

#include <fstream>
#include <functional>
#include <map>
#include <sstream>

namespace {

// The game draws the ghost moved by the player's Transform, and moves it through this bone.
const glm::vec3 GHOST_OFFSET(0.0f, 0.0f, 3.0f);
const std::string GHOST_ROOT = "GhostRoot";
// Every pane of the study window is cut into shards, each on a bone of its own named so.
const std::string SHARD_PREFIX = "GlassShard";

// Each file is imported once per test binary, with what the import printed.
Model& load(const std::string& path, std::string* log = nullptr) {
    static std::map<std::string, std::pair<std::unique_ptr<Model>, std::string>> cache;
    auto& [model, printed] = cache[path];
    if (!model) {
        testing::internal::CaptureStdout();
        model = std::make_unique<Model>(path);
        printed = testing::internal::GetCapturedStdout();
    }
    if (log) *log = printed;
    return *model;
}

struct Box {
    glm::vec3 lo, hi;
    bool contains(const glm::vec3& p, float margin) const {
        return glm::all(glm::greaterThan(p, lo - margin)) && glm::all(glm::lessThan(p, hi + margin));
    }
};

// Where the game draws a node of the player's file t seconds into the flight, before the player's Transform
// moves it.
glm::mat4 nodeAt(const std::string& node, float t) {
    Model& player = load(PLAYER_MODEL_PATH);
    glm::mat4 m(1.0f);
    const aiAnimation* clip = player.chosenAnimation();
    EXPECT_TRUE(clip && player.nodeGlobalTransform(m, animationTicks(*clip, t), node)) << node;
    return m;
}

struct Pose { glm::vec3 camera, ghost; glm::mat3 ghostTurn; glm::mat4 view, inverseView; };

// The camera and the ghost as the frame sees them t seconds into the flight.
Pose poseAt(float t) {
    Pose pose;
    load(PLAYER_MODEL_PATH).updateCameraFromAnimation(t, pose.camera, pose.view, pose.inverseView);
    const glm::mat4 root = nodeAt(GHOST_ROOT, t);
    pose.ghost = glm::vec3(root[3]) + GHOST_OFFSET;
    pose.ghostTurn = glm::mat3(root);
    return pose;
}

// In front of the camera and within |x|, |y| <= 0.9 in normalised device coordinates.
bool inView(const Pose& pose, const glm::vec3& p) {
    const glm::vec4 clip = frameProjection() * pose.view * glm::vec4(p, 1.0f);
    return clip.w > PROJECTION_NEAR && std::fabs(clip.x / clip.w) <= 0.9f && std::fabs(clip.y / clip.w) <= 0.9f;
}

double flightSeconds() {
    const aiAnimation* clip = load(PLAYER_MODEL_PATH).chosenAnimation();
    return clip ? clip->mDuration / ticksPerSecond(*clip) : 0.0;
}

struct ContentModels : GlTest {};

}  // namespace

TEST_F(ContentModels, EachFileImportsCleanlyWithinItsBudgets) {
    const struct { const char* path; size_t vertices, triangles, textures; } budgets[] = {
        {HOUSE_MODEL_PATH, 40000, 30000, 48}, {CANDLE_MODEL_PATH, 8000, 5000, 12},
        {LANTERN_MODEL_PATH, 5000, 3000, 8}, {PLAYER_MODEL_PATH, 8000, 6000, 6},
    };
    for (const auto& b : budgets) {
        std::string log;
        const Model& model = load(b.path, &log);
        ASSERT_NE(model.scene, nullptr) << b.path << ": " << log;
        EXPECT_EQ(log.find("[ERROR] Assimp: "), std::string::npos) << log;
        EXPECT_EQ(log.find("Texture failed to load"), std::string::npos) << log;
        size_t vertices = 0, triangles = 0;
        for (const Mesh& mesh : model.meshes) {
            vertices += mesh.vertices.size();
            triangles += mesh.indices.size() / 3;
        }
        EXPECT_GT(triangles, 0u) << b.path;
        EXPECT_LE(vertices, b.vertices) << b.path;
        EXPECT_LE(triangles, b.triangles) << b.path;
        EXPECT_LE(model.texturesLoaded.size(), b.textures) << b.path;
        EXPECT_LE(model.boneCount, static_cast<unsigned int>(MAX_BONES)) << b.path;
        for (const Texture& texture : model.texturesLoaded) {
            const glm::ivec2 s = textureSize(texture.id);
            const bool powerOfTwo = (s.x & (s.x - 1)) == 0 && (s.y & (s.y - 1)) == 0;
            EXPECT_TRUE(powerOfTwo && std::min(s.x, s.y) >= 256 && std::max(s.x, s.y) <= 1024)
                << b.path << " " << texture.path << " " << s.x << "x" << s.y;
        }
    }
}

TEST_F(ContentModels, TheGhostStaysInViewForAlmostTheWholeFlight) {
    ASSERT_GE(flightSeconds(), 60.0);
    int samples = 0, seen = 0;
    std::string missed;
    for (int k = 0; k * 0.5 <= flightSeconds(); ++k, ++samples) {
        const Pose pose = poseAt(k * 0.5f);
        if (inView(pose, pose.ghost)) ++seen;
        else missed += " " + std::to_string(k * 0.5f);
    }
    EXPECT_GE(seen * 20, samples * 19) << "out of view at" << missed;
}

// A camera that chases a ghost may be quick, but not a blur, and is never jerked. The take plays on a loop: its
// last moment is its first, and everything moves on across the seam as it came.
TEST_F(ContentModels, TheCameraMovesSmoothlyAndEverythingRunsOnAcrossTheLoopWithoutASeam) {
    ASSERT_GE(flightSeconds(), 60.0);
    const float step = 1.0f / 24.0f;  // the take's frames
    glm::vec3 last = poseAt(0.0f).camera, lastVelocity(0.0f);
    float fastest = 0.0f, hardest = 0.0f, fastestAt = 0.0f, hardestAt = 0.0f;
    for (int k = 1; k * step <= flightSeconds(); ++k) {
        const glm::vec3 here = poseAt(k * step).camera, velocity = (here - last) / step;
        if (glm::length(velocity) > fastest) fastest = glm::length(velocity), fastestAt = k * step;
        if (k > 1 && glm::distance(velocity, lastVelocity) / step > hardest)
            hardest = glm::distance(velocity, lastVelocity) / step, hardestAt = k * step;
        last = here, lastVelocity = velocity;
    }
    EXPECT_LE(fastest, 8.0f) << "m/s at " << fastestAt << " s";
    EXPECT_LE(hardest, 25.0f) << "m/s2 at " << hardestAt << " s";

    const float end = static_cast<float>(flightSeconds()) - 1e-3f;
    const struct { const char* what; std::function<glm::vec3(const Pose&)> of; } tracks[] = {
        {"camera", [](const Pose& p) { return p.camera; }},
        {"camera's view", [](const Pose& p) { return -glm::vec3(p.inverseView[2]); }},
        {"ghost", [](const Pose& p) { return p.ghost; }},
        {"ghost's side", [](const Pose& p) { return p.ghostTurn[0]; }},
        {"ghost's front", [](const Pose& p) { return p.ghostTurn[1]; }},
    };
    for (const auto& track : tracks) {
        const glm::vec3 atEnd = track.of(poseAt(end)), atStart = track.of(poseAt(0.0f));
        EXPECT_LT(glm::distance(atEnd, atStart), 0.01f) << track.what << " jumps at the loop";
        const glm::vec3 before = (atEnd - track.of(poseAt(end - step))) / step;
        const glm::vec3 after = (track.of(poseAt(step)) - atStart) / step;
        EXPECT_LT(glm::distance(before, after), 0.25f)
            << track.what << " changes speed at the loop: (" << before.x << ", " << before.y << ", " << before.z
            << ") then (" << after.x << ", " << after.y << ", " << after.z << ") a second";
    }
}

// The glass stands whole in the study window until the ghost breaks through, then lies out on the grass.
TEST_F(ContentModels, TheStudyWindowsPanesStandWholeUntilTheGhostBurstsThem) {
    std::vector<std::string> shards;
    for (const auto& [name, index] : load(PLAYER_MODEL_PATH).boneIndexByName)
        if (name.rfind(SHARD_PREFIX, 0) == 0) shards.push_back(name);
    ASSERT_GE(shards.size(), 6u) << "a shard or more to every pane";
    const Box pane{{1.0f, 0.6f, GLASS_EFFECT.position.z - 0.03f}, {2.2f, 2.2f, GLASS_EFFECT.position.z + 0.03f}};
    const float outside = -51.4f;  // the back wall's outer face
    const float grass = 0.05f;     // a shard lying on the ground has its middle below this
    enum Where { IN_THE_WINDOW, OUT_OF_THE_HOUSE, ON_THE_GRASS };
    const struct { float t; Where where; } moments[] = {{0.0f, IN_THE_WINDOW}, {30.0f, IN_THE_WINDOW},
                   {static_cast<float>(GLASS_EFFECT.moment) - 0.45f, IN_THE_WINDOW},
                   {static_cast<float>(GLASS_EFFECT.moment) + 1.05f, OUT_OF_THE_HOUSE}, {63.9f, ON_THE_GRASS}};
    for (const auto& m : moments) {
        for (const std::string& shard : shards) {
            const glm::vec3 p = glm::vec3(nodeAt(shard, m.t)[3]) + GHOST_OFFSET;
            const bool inTheWindow = m.where == IN_THE_WINDOW;
            EXPECT_TRUE(inTheWindow ? pane.contains(p, 0.0f) : p.z < outside)
                << shard << (inTheWindow ? " out of its pane" : " still in the window") << " at " << m.t << " s";
            EXPECT_TRUE(m.where != ON_THE_GRASS || p.y < grass) << shard << " not yet down at " << m.t << " s";
        }
    }
}

TEST_F(ContentModels, AtEachSoundsMomentTheCameraIsCloseByAndFacingItsSource) {
    const struct { const TimedEffect& effect; float reach; } sounds[] = {{LANTERN_EFFECT, 3.0f}, {GLASS_EFFECT, 4.0f}};
    for (const auto& s : sounds) {
        const Pose pose = poseAt(static_cast<float>(s.effect.moment));
        EXPECT_LE(glm::distance(pose.camera, s.effect.position), s.reach) << s.effect.path;
        EXPECT_TRUE(inView(pose, s.effect.position)) << s.effect.path;
    }
    EXPECT_LT(glm::distance(poseAt(static_cast<float>(GLASS_EFFECT.moment)).ghost, GLASS_EFFECT.position), 1.0f)
        << "the ghost is at the window when the glass breaks";
}

// The burst is seen: the window is large in the frame as the glass breaks, and the ghost strikes it to one side,
// leaving panes in view to fly apart.
TEST_F(ContentModels, AsTheGlassBreaksTheWindowFillsAQuarterOfTheFrameWithTheGhostOffItsMiddle) {
    const Pose pose = poseAt(static_cast<float>(GLASS_EFFECT.moment));
    const glm::mat4 toClip = frameProjection() * pose.view;
    const auto ndcX = [&](const glm::vec3& p, bool* inFront) {
        const glm::vec4 clip = toClip * glm::vec4(p, 1.0f);
        *inFront = clip.w > PROJECTION_NEAR;
        return clip.x / clip.w;
    };
    const float z = GLASS_EFFECT.position.z;
    float left = 1e9f, right = -1e9f;
    for (const glm::vec3& corner : {glm::vec3(1.0f, 0.6f, z), glm::vec3(2.2f, 0.6f, z), glm::vec3(1.0f, 2.2f, z),
                                    glm::vec3(2.2f, 2.2f, z)}) {
        bool inFront = false;
        const float x = ndcX(corner, &inFront);
        ASSERT_TRUE(inFront) << "a corner of the window is behind the camera";
        EXPECT_LE(std::fabs(x), 1.0f) << "a corner of the window is out of the frame";
        left = std::min(left, x), right = std::max(right, x);
    }
    const float share = (right - left) / 2.0f;  // of the frame's width, which spans 2 in x
    EXPECT_GE(share, 0.25f) << "the window spans only this share of the frame's width";
    bool ghostInFront = false;
    const float ghost = ndcX(pose.ghost, &ghostInFront);
    EXPECT_TRUE(ghostInFront);
    EXPECT_GE(std::fabs(ghost - (left + right) / 2.0f), 0.2f * (right - left))
        << "the ghost hides the middle of the window: at " << ghost << " in a window from " << left << " to " << right;
}

// Closer to a wall than the near plane, the wall is cut open on screen. Out of the study there is one way, the
// window, and the camera keeps clear of its frame going through.
TEST_F(ContentModels, TheCameraKeepsOutOfTheWallsNearPlaneAndLeavesThroughTheMiddleOfTheStudyWindow) {
    std::vector<Box> walls;
    std::ifstream in("Resources/models/house/walls.txt");
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        Box b;
        if (line[0] != '#' && fields >> b.lo.x >> b.lo.y >> b.lo.z >> b.hi.x >> b.hi.y >> b.hi.z) walls.push_back(b);
    }
    ASSERT_GE(walls.size(), 20u) << "Resources/models/house/walls.txt";
    const Box backWall{{-5.0f, 0.0f, -51.4f}, {5.0f, 3.2f, -51.0f}};
    const Box clearOfTheFrame{{1.2f, 0.8f, -51.5f}, {2.0f, 2.0f, -50.9f}};
    int through = 0;
    for (int k = 0; k * 0.02 <= flightSeconds(); ++k) {
        const glm::vec3 c = poseAt(k * 0.02f).camera;
        SCOPED_TRACE(testing::Message() << "at " << k * 0.02f << " s the camera is at (" << c.x << ", " << c.y << ", "
                                        << c.z << ")");
        for (const Box& wall : walls) ASSERT_FALSE(wall.contains(c, PROJECTION_NEAR)) << "within a wall's near plane";
        if (!backWall.contains(c, 0.0f)) continue;
        ++through;
        EXPECT_TRUE(clearOfTheFrame.contains(c, 0.0f)) << "going through the study window near its frame";
    }
    EXPECT_GT(through, 0) << "the camera never goes out through the window";
}
