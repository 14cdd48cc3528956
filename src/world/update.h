// World update: what moves between two frames, worked out before the frame's first pass.
#pragma once

struct Registry;

// The animation clocks advance by deltaTime; every drawable is placed (world matrix, mesh bounds) and every
// skinned one posed at its clock; the lights on animated nodes follow them, and each light's reach and the
// meshes it reaches are found. Whatever sets the clocks before a frame goes through this (with 0 when the
// clocks were set outright), so no pass reads a pose or a placement of another time.
void updateWorld(Registry& registry, float deltaTime);
