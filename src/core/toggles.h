// Rendering toggles and the restart request: program-wide flags that only the key callback writes
// (and the main loop, which clears the restart request).
#pragma once

extern bool wireframe;
extern bool faceCulling;
extern bool showFps;
extern bool shadowsEnabled;
extern bool volumetricEnabled;
extern bool normalMappingEnabled;
extern bool restartRequested;
