#version 430 core
// Shadow program, fragment stage: nothing to compute. The rasteriser writes each face's own depth, so it
// can test and store depth without running a fragment stage that writes it; the lookups turn that depth
// back into a distance along the face's axis.
void main() {}
