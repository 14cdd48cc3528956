// Textures: decoding material images into GL textures, and the per-model texture cache.
#include "assets/texture.h"

#include "app/gl.h"
#include "assets/model.h"

#include <stb_image.h>

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

unsigned int textureFromFile(const std::string& fullPath, const std::string& typeName) {
    unsigned int id = 0;
    glGenTextures(1, &id);
    int width = 0, height = 0, channels = 0;
    unsigned char* pixels = stbi_load(fullPath.c_str(), &width, &height, &channels, 0);
    if (!pixels) {
        std::cout << "Texture failed to load at path: " << fullPath << std::endl;
        return id;
    }
    const TextureFormats formats = textureFormatsFor(channels, typeName);
    // Rows of odd widths are tightly packed in stb's output.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, id);
    glObjectLabel(GL_TEXTURE, id, -1, fullPath.c_str());
    glTexImage2D(GL_TEXTURE_2D, 0, formats.internalFormat, width, height, 0, formats.pixelFormat, GL_UNSIGNED_BYTE,
                 pixels);
    glGenerateMipmap(GL_TEXTURE_2D);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    stbi_image_free(pixels);
    return id;
}

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
        const Texture texture{textureFromFile(directory + "/" + name, typeName), typeName, name};
        result.push_back(texture);
        texturesLoaded.push_back(texture);
    }
    return result;
}
