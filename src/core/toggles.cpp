// The toggles' start values: every feature on, filled polygons, culling on, no restart pending.
#include "core/toggles.h"

bool wireframe = false;
bool faceCulling = true;
bool showFps = true;
bool shadowsEnabled = true;
bool volumetricEnabled = true;
bool normalMappingEnabled = true;
bool restartRequested = false;
