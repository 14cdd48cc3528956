// Frame clock: an f32 reading of a timer 36 hours on would step in multiples of 15.6 ms.
#include "app/frame_clock.h"

#include "core/gl.h"

FrameClock startFrameClock(double (*read)()) {
    FrameClock clock;
    clock.read = read ? read : glfwGetTime;
    clock.previous = clock.read();
    return clock;
}

float nextFrameStep(FrameClock& clock) {
    const double now = clock.read();
    const double step = now - clock.previous;
    clock.previous = now;
    return static_cast<float>(step);
}
