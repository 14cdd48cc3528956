// Skybox: cube-map loading and the sky draw behind the scene.
#include "render/sky.h"

#include "core/gl.h"
#include "render/pass_timer.h"
#include "render/renderer.h"

#include <stb_image.h>

#include <iostream>

namespace {

// Twelve triangles of the cube from -1 to 1, wound to face the inside.
const float CUBE_VERTICES[] = {
    -1, 1,  -1, -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,  -1,  // back
    -1, -1, 1,  -1, -1, -1, -1, 1,  -1, -1, 1,  -1, -1, 1,  1,  -1, -1, 1,   // left
    1,  -1, -1, 1,  -1, 1,  1,  1,  1,  1,  1,  1,  1,  1,  -1, 1,  -1, -1,  // right
    -1, -1, 1,  -1, 1,  1,  1,  1,  1,  1,  1,  1,  1,  -1, 1,  -1, -1, 1,   // front
    -1, 1,  -1, 1,  1,  -1, 1,  1,  1,  1,  1,  1,  -1, 1,  1,  -1, 1,  -1,  // top
    -1, -1, -1, -1, -1, 1,  1,  -1, -1, 1,  -1, -1, -1, -1, 1,  1,  -1, 1,   // bottom
};
static_assert(sizeof(CUBE_VERTICES) == 432);

// Uploads one decoded face; rows of three bytes need not be 4-byte aligned.
void uploadFace(int face, int width, int height, const unsigned char* pixels) {
    int alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGB, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                 pixels);
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

}  // namespace

std::vector<DecodedImage> decodeCubemapFaces(const std::array<std::string, 6>& faces) {
    stbi_set_flip_vertically_on_load(false);
    // Asking for three channels makes grey or RGBA faces convert instead of being misread as RGB.
    return decodeImages(std::vector<std::string>(faces.begin(), faces.end()), 3);
}

unsigned int loadCubemap(const std::array<std::string, 6>& faces) { return uploadCubemap(decodeCubemapFaces(faces)); }

unsigned int uploadCubemap(const std::vector<DecodedImage>& faces) {
    unsigned int texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    glObjectLabel(GL_TEXTURE, texture, -1, "skybox cube map");
    for (int i = 0; i < 6 && i < static_cast<int>(faces.size()); ++i) {
        if (!faces[i].pixels) {
            std::cout << "Cubemap tex failed to load at path: " << faces[i].path << std::endl;
            continue;
        }
        uploadFace(i, faces[i].width, faces[i].height, faces[i].pixels.get());
    }
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
    return texture;
}

Skybox::Skybox(Shader* skyProgram) : Skybox(skyProgram, decodeCubemapFaces(SKYBOX_FACES)) {}

Skybox::Skybox(Shader* skyProgram, const std::vector<DecodedImage>& faces) : program(skyProgram) {
    cubemapTexture = uploadCubemap(faces);
    unsigned int vbo = 0;
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glObjectLabel(GL_VERTEX_ARRAY, vao, -1, "skybox cube");
    glBufferData(GL_ARRAY_BUFFER, sizeof(CUBE_VERTICES), CUBE_VERTICES, GL_STATIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 3 * sizeof(float), nullptr);
}

glm::mat4 withoutTranslation(const glm::mat4& view) {
    return glm::mat4(glm::mat3(view));
}

void drawSkybox(const Skybox& skybox, glm::mat4 view, const glm::mat4& projection, unsigned int texture) {
    glDepthFunc(GL_LEQUAL);
    skybox.program->use();
    glBindVertexArray(skybox.vao);
    view = withoutTranslation(view);
    skybox.program->setMat4("view", view);
    skybox.program->setMat4("projection", projection);
    glActiveTexture(GL_TEXTURE0);
    skybox.program->setInt("skybox", 0);
    glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
    glDrawArrays(GL_TRIANGLES, 0, 36);
    glBindVertexArray(0);
    glDepthFunc(GL_LESS);
}

void skyPass(Renderer& renderer, const glm::mat4& view, const glm::mat4& projection) {
    beginPass(renderer.passTimer, Pass::Sky);
    drawSkybox(*renderer.skybox, view, projection, renderer.skyboxTexture);
    endPass(renderer.passTimer, Pass::Sky);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}
