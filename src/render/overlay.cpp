// Overlay: glyph textures from FreeType and the frame-rate text in the upper right corner.
#include "render/overlay.h"

#include "core/frame_rate.h"
#include "core/gl.h"
#include "core/settings.h"
#include "core/toggles.h"
#include "render/pass_timer.h"
#include "render/renderer.h"
#include "world/components.h"
#include "world/registry.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <glm/gtc/matrix_transform.hpp>

#include <iostream>

TextRenderer::TextRenderer(Shader* hudProgram) : program(hudProgram) {
    glGenVertexArrays(1, &vao);
    glGenBuffers(1, &vbo);
    glBindVertexArray(vao);
    glBindBuffer(GL_ARRAY_BUFFER, vbo);
    glObjectLabel(GL_VERTEX_ARRAY, vao, -1, "overlay glyph quad");
    glBufferData(GL_ARRAY_BUFFER, 6 * 4 * sizeof(float), nullptr, GL_DYNAMIC_DRAW);
    glEnableVertexAttribArray(0);
    glVertexAttribPointer(0, 4, GL_FLOAT, GL_FALSE, 4 * sizeof(float), nullptr);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindVertexArray(0);
    textColor = glm::vec3(1.0f);
    textScale = static_cast<float>(static_cast<double>(settings.width) * 0.0005);
}

namespace {

// Uploads the glyph the face slot holds as a red-channel texture.
Character uploadGlyph(FT_GlyphSlot slot) {
    Character ch;
    glGenTextures(1, &ch.textureID);
    glBindTexture(GL_TEXTURE_2D, ch.textureID);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RED, static_cast<int>(slot->bitmap.width),
                 static_cast<int>(slot->bitmap.rows), 0, GL_RED, GL_UNSIGNED_BYTE, slot->bitmap.buffer);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    ch.size = {static_cast<int>(slot->bitmap.width), static_cast<int>(slot->bitmap.rows)};
    ch.bearing = {slot->bitmap_left, slot->bitmap_top};
    ch.advance = static_cast<unsigned int>(slot->advance.x);
    return ch;
}

void loadGlyphs(TextRenderer& renderer, FT_Face face) {
    FT_Set_Pixel_Sizes(face, 0, FONT_PIXEL_HEIGHT);
    for (int code = 0; code < 128; ++code) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER)) {
            std::cout << "ERROR::FREETYTPE: Failed to load Glyph" << std::endl;
            continue;
        }
        renderer.glyphs[static_cast<char>(code)] = uploadGlyph(face->glyph);
    }
}

}  // namespace

void loadFont(TextRenderer& renderer, const std::string& fontPath) {
    renderer.glyphs.clear();
    // Glyph bitmaps are tightly packed rows of bytes; every later upload relies on this too.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library)) {
        std::cout << "ERROR::FREETYPE: Could not init FreeType Library" << std::endl;
        return;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontPath.c_str(), 0, &face)) {
        std::cout << "ERROR::FREETYPE: Failed to load font" << std::endl;
        FT_Done_FreeType(library);  // the library handle is valid; only the face is not
        return;
    }
    loadGlyphs(renderer, face);
    glBindTexture(GL_TEXTURE_2D, 0);
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

void renderText(TextRenderer& renderer, const std::string& text, float x, float y, float scale,
                const glm::vec3& color) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    renderer.program->use();
    renderer.program->setVec3("textColor", color);
    renderer.program->setMat4("projection", glm::ortho(0.0f, settings.width, 0.0f, settings.height, -1.0f, 1.0f));
    glActiveTexture(GL_TEXTURE0);
    glBindVertexArray(renderer.vao);

    for (char c : text) {
        const Character& ch = renderer.glyphs[c];
        const float xpos = x + static_cast<float>(ch.bearing.x) * scale;
        const float ypos = y - static_cast<float>(ch.size.y - ch.bearing.y) * scale;
        const float w = static_cast<float>(ch.size.x) * scale;
        const float h = static_cast<float>(ch.size.y) * scale;
        const float vertices[6][4] = {
            {xpos, ypos + h, 0.0f, 0.0f}, {xpos, ypos, 0.0f, 1.0f},     {xpos + w, ypos, 1.0f, 1.0f},
            {xpos, ypos + h, 0.0f, 0.0f}, {xpos + w, ypos, 1.0f, 1.0f}, {xpos + w, ypos + h, 1.0f, 0.0f},
        };
        glBindTexture(GL_TEXTURE_2D, ch.textureID);
        glBindBuffer(GL_ARRAY_BUFFER, renderer.vbo);
        glBufferSubData(GL_ARRAY_BUFFER, 0, sizeof(vertices), vertices);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glDrawArrays(GL_TRIANGLES, 0, 6);
        x += static_cast<float>(ch.advance >> 6) * scale;
    }
    glBindVertexArray(0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

std::string fpsText(float framesPerSecond) {
    return std::to_string(static_cast<int>(framesPerSecond)) + " fps";
}

std::vector<OverlayLine> overlayLines(const TextRenderer& renderer, Registry& registry) {
    // The first stored game state decides: it is the last one the walk visits.
    bool spectator = false;
    registry.each<GameState>([&](Entity, GameState& state) { spectator = state.spectatorMode; });

    const float width = settings.width;
    const float height = settings.height;
    const float scale = renderer.textScale * 0.7f;
    std::vector<OverlayLine> lines;
    if (showFps) lines.push_back({fpsText(fps), width - width * 0.06f, height - height * 0.035f, scale});
    if (spectator) lines.push_back({"Spectator mode ON", width - width * 0.155f, height - height * 0.07f, scale});
    return lines;
}

void drawOverlay(TextRenderer& renderer, Registry& registry) {
    for (const OverlayLine& line : overlayLines(renderer, registry))
        renderText(renderer, line.text, line.x, line.y, line.scale, renderer.textColor);
}

void overlayPass(Renderer& renderer, Registry& registry) {
    beginPass(renderer.passTimer, Pass::Overlay);
    glBindFramebuffer(GL_FRAMEBUFFER, renderer.frameTarget);
    glViewport(0, 0, static_cast<int>(settings.width), static_cast<int>(settings.height));
    glDisable(GL_DEPTH_TEST);
    drawOverlay(*renderer.textRenderer, registry);
    endPass(renderer.passTimer, Pass::Overlay);
}
