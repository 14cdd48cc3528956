// Frame-rate counter: fps is the frame count of the last closed one-second window.
#pragma once

extern int frameCount;
extern float fps;
extern float fpsWindowStart;

// Counts one frame at timer reading now (taken in double: an f32 reading steps coarsely on long runs);
// windows advance by exactly one second.
void countFrame(double now);
