// Textures: decoding material images into GL textures, and the per-model texture cache.
#include "assets/texture.h"

#include "assets/image_decode.h"
#include "assets/model.h"
#include "core/gl.h"

#include <algorithm>
#include <iostream>

TextureFormats textureFormatsFor(int channels, const std::string& typeName) {
    // Sized formats, so every driver stores 8 bits per channel and reports what it stored.
    const bool colour = typeName == TEXTURE_DIFFUSE;
    switch (channels) {
    case 2: return {GL_RG, GL_RG8};
    case 3: return {GL_RGB, colour ? GL_SRGB8 : GL_RGB8};
    case 4: return {GL_RGBA, colour ? GL_SRGB8_ALPHA8 : GL_RGBA8};
    default: return {GL_RED, GL_R8};
    }
}

unsigned int textureFromImage(const DecodedImage& image, const std::string& typeName) {
    unsigned int id = 0;
    glGenTextures(1, &id);
    if (!image.pixels) {
        std::cout << "Texture failed to load at path: " << image.path << std::endl;
        return id;
    }
    const TextureFormats formats = textureFormatsFor(image.channels, typeName);
    // Rows of odd widths are tightly packed in stb's output.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, id);
    glObjectLabel(GL_TEXTURE, id, -1, image.path.c_str());
    glTexImage2D(GL_TEXTURE_2D, 0, formats.internalFormat, image.width, image.height, 0, formats.pixelFormat,
                 GL_UNSIGNED_BYTE, image.pixels.get());
    // Levels made while decoding, when they were averaged in the space this use samples in.
    if (!image.mips.empty() && image.mipSpace == mipSpaceFor(typeName == TEXTURE_DIFFUSE, image.channels)) {
        int w = image.width, h = image.height;
        for (std::size_t level = 0; level < image.mips.size(); ++level) {
            w = std::max(1, w / 2);
            h = std::max(1, h / 2);
            glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level + 1), formats.internalFormat, w, h, 0,
                         formats.pixelFormat, GL_UNSIGNED_BYTE, image.mips[level].data());
        }
    } else {
        glGenerateMipmap(GL_TEXTURE_2D);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return id;
}

unsigned int textureFromFile(const std::string& fullPath, const std::string& typeName) {
    return textureFromImage(decodeImage(fullPath, 0), typeName);
}

namespace {

// The image decoded ahead for fullPath, or null when the import did not prepare it.
const DecodedImage* preparedImage(const std::vector<DecodedImage>& prepared, const std::string& fullPath) {
    for (const DecodedImage& image : prepared)
        if (image.path == fullPath) return &image;
    return nullptr;
}

}  // namespace

std::vector<Texture> Model::loadMaterialTextures(const aiMaterial* material, aiTextureType type,
                                                 const std::string& typeName) {
    std::vector<Texture> result;
    for (unsigned int i = 0; i < aiGetMaterialTextureCount(material, type); ++i) {
        aiString texturePath;
        aiGetMaterialTexture(material, type, i, &texturePath);
        const std::string name(texturePath.data, texturePath.length);
        bool cached = false;
        for (const Texture& loaded : texturesLoaded) {
            if (loaded.path == name) {
                result.push_back(loaded);
                cached = true;
                break;
            }
        }
        if (cached) continue;
        const std::string fullPath = directory + "/" + name;
        const DecodedImage* image = preparedImage(preparedImages, fullPath);
        const unsigned int id = image ? textureFromImage(*image, typeName) : textureFromFile(fullPath, typeName);
        const Texture texture{id, typeName, name};
        result.push_back(texture);
        texturesLoaded.push_back(texture);
    }
    return result;
}
