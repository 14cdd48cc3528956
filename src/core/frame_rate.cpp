// Frame-rate counter: one-second windows of the window system's timer.
#include "core/frame_rate.h"

#include "core/gl.h"

int frameCount = 0;
float fps = 0.0f;
// The window system is not initialised yet, so this reads 0.
float fpsWindowStart = static_cast<float>(glfwGetTime());

void countFrame(double now) {
    frameCount += 1;
    if (now - static_cast<double>(fpsWindowStart) >= 1.0) {
        fpsWindowStart += 1.0f;
        fps = static_cast<float>(frameCount);
        frameCount = 0;
    }
}
