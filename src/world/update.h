// World update: what moves between two frames, worked out before the frame's first pass.
#pragma once

struct Registry;

// The animation clocks advance by deltaTime, every skinned drawable is posed at its clock, and the lights
// on animated nodes follow them. Whatever sets the clocks before a frame goes through this (with 0 when the
// clocks were set outright), so no pass reads a pose of another time.
void updateWorld(Registry& registry, float deltaTime);
