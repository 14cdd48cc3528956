// Texture: one material image as a GL 2D texture, and the loader that makes it.
#pragma once

#include <string>

struct DecodedImage;

inline constexpr const char* TEXTURE_DIFFUSE = "texture_diffuse";
inline constexpr const char* TEXTURE_NORMAL = "texture_normal";

// A value record: copies share the GL texture, which is never deleted.
struct Texture {
    unsigned int id = 0;
    std::string type;  // sampler base name, TEXTURE_DIFFUSE or TEXTURE_NORMAL
    std::string path;  // as the material names it, not joined with the model's directory
};

// Pixel and internal formats for an image of `channels` 8-bit channels; diffuse colour is sRGB.
struct TextureFormats {
    int pixelFormat = 0;
    int internalFormat = 0;
};
TextureFormats textureFormatsFor(int channels, const std::string& typeName);

// Uploads a decoded image as a new mipmapped 2D texture; an image that did not decode prints and stays empty.
unsigned int textureFromImage(const DecodedImage& image, const std::string& typeName);

// Decodes fullPath into a new mipmapped 2D texture; a failed decode prints and keeps an empty texture.
unsigned int textureFromFile(const std::string& fullPath, const std::string& typeName);
