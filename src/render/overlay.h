// Overlay: the frame-rate text drawn over the finished frame.
#pragma once

#include "core/shader.h"

#include <glm/glm.hpp>

#include <map>
#include <string>
#include <vector>

struct Registry;

inline constexpr const char* FONT_PATH = "Resources/fonts/call-of-ops-duty.regular.otf";
inline constexpr int FONT_PIXEL_HEIGHT = 48;

// One rendered glyph; all zero for a code the font table lacks (draws nothing, no advance).
struct Character {
    unsigned int textureID = 0;
    glm::ivec2 size{0};     // bitmap width and rows
    glm::ivec2 bearing{0};  // bitmap left and top, y up
    unsigned int advance = 0;  // 1/64 pixel
};

// One instance, owned by the renderer; the GL names live until the context ends.
struct TextRenderer {
    Shader* program = nullptr;  // the renderer's hud program, not owned
    unsigned int vao = 0;
    unsigned int vbo = 0;       // six vertices of x, y, u, v, rewritten per glyph
    std::map<char, Character> glyphs;
    glm::vec3 textColor{1.0f};
    float textScale = 0.0f;     // settings width x 0.0005

    // The glyph quad buffers and the colour and scale; the glyphs come from loadFont.
    explicit TextRenderer(Shader* program);
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;
};

// Renders codes 0..127 of the font at 48 pixels into glyph textures; failures are reported and skipped.
void loadFont(TextRenderer& renderer, const std::string& fontPath);

// Draws text with its baseline starting at (x, y), window pixels from the lower left.
void renderText(TextRenderer& renderer, const std::string& text, float x, float y, float scale,
                const glm::vec3& color);

// One line of the overlay and where it goes.
struct OverlayLine {
    std::string text;
    float x = 0.0f;
    float y = 0.0f;
    float scale = 0.0f;
};

// The frame rate cut toward zero, followed by " fps".
std::string fpsText(float framesPerSecond);

// The lines of this frame: the frame rate while showFps is on, the spectator line while the game state says so.
std::vector<OverlayLine> overlayLines(const TextRenderer& renderer, Registry& registry);

// Draws this frame's overlay lines; with none it touches no GL state.
void drawOverlay(TextRenderer& renderer, Registry& registry);

struct Renderer;

// The frame's overlay: the frame-rate text over the finished frame, with depth testing off.
void overlayPass(Renderer& renderer, Registry& registry);
