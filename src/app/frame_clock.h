// Frame clock: the main loop's timer, read and differenced in double so frame steps stay exact on long runs.
#pragma once

struct FrameClock {
    double (*read)() = nullptr;  // the timer, in seconds
    double previous = 0.0;       // the last reading
};

// A clock that has just been read; `read` defaults to the window system's timer.
FrameClock startFrameClock(double (*read)() = nullptr);

// Reads the timer and returns the time since the last reading, rounded to f32 only after the difference.
float nextFrameStep(FrameClock& clock);
