// PNG frames: a read-back frame of the off-screen game written as a PNG file.
#pragma once

#include "app/offscreen.h"

#include <string>

// Writes the frame as PNG (top row first); false when the file cannot be written or there is no frame.
bool writePng(const std::string& path, const FramePixels& frame);
