// Flight preparation: the one-time work of the first frames, done at start-up before the clock starts.
#pragma once

struct Registry;
struct Renderer;

// Builds every program the flight can choose and draws each once, so the driver has compiled its code; draws
// the still lights' static depth and reads its first visibility answers. What the design's first frame sets
// (the lights' cubes and face matrices, the cameras, blending) is left as it found it.
void prepareFlight(Renderer& renderer, Registry& registry);
