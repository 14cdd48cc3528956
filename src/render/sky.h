// Skybox: the night-sky cube map drawn behind the scene.
#pragma once

#include "assets/image_decode.h"
#include "core/shader.h"

#include <glm/glm.hpp>

#include <array>
#include <string>
#include <vector>

struct Renderer;

// The six face images in cube-map face order (+X, -X, +Y, -Y, +Z, -Z).
inline const std::array<std::string, 6> SKYBOX_FACES = {
    "Resources/skybox/right.png", "Resources/skybox/left.png",  "Resources/skybox/top.png",
    "Resources/skybox/bottom.png", "Resources/skybox/front.png", "Resources/skybox/back.png",
};

// One instance, made at start-up; the GL names live until the context ends.
struct Skybox {
    unsigned int vao = 0;
    Shader* program = nullptr;  // the renderer's skybox program, not owned
    unsigned int cubemapTexture = 0;

    // Loads the six faces and builds the 36-vertex cube.
    explicit Skybox(Shader* program);
    // The same from faces decoded earlier, in SKYBOX_FACES order.
    Skybox(Shader* program, const std::vector<DecodedImage>& faces);
    Skybox(const Skybox&) = delete;
    Skybox& operator=(const Skybox&) = delete;
};

// A new cube-map texture from six images; a face that fails to load is reported and left empty.
unsigned int loadCubemap(const std::array<std::string, 6>& faces);
// The six faces as RGB, decoded side by side; needs no GL context.
std::vector<DecodedImage> decodeCubemapFaces(const std::array<std::string, 6>& faces);
// The cube map from decoded faces; the upload half of loadCubemap, with its messages.
unsigned int uploadCubemap(const std::vector<DecodedImage>& faces);

// The view's rotation only, so the sky never moves with the camera.
glm::mat4 withoutTranslation(const glm::mat4& view);

// Draws the cube at the far plane where the scene left the cleared depth.
void drawSkybox(const Skybox& skybox, glm::mat4 view, const glm::mat4& projection, unsigned int texture);

// The frame's sky, behind the scene in the scene framebuffer; it is the last geometry drawn in F1's mode,
// so polygons are filled again afterwards.
void skyPass(Renderer& renderer, const glm::mat4& view, const glm::mat4& projection);
