// PNG frames through stb_image_write.
#include "common/png.h"

#include <stb_image_write.h>

bool writePng(const std::string& path, const FramePixels& frame) {
    if (frame.rgb.empty()) return false;
    // GL rows run bottom-up, PNG rows top-down.
    stbi_flip_vertically_on_write(1);
    return stbi_write_png(path.c_str(), frame.width, frame.height, 3, frame.rgb.data(), frame.width * 3) != 0;
}
