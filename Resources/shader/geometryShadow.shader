#version 430 core
// Shadow program, geometry stage: each triangle to the six faces of its light's cube.
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 cm_mat[6];
uniform int lightID;

// True when all three corners lie beyond one clip plane: the face cannot see the triangle.
bool outsideFace(vec4 a, vec4 b, vec4 c) {
    return (a.x > a.w && b.x > b.w && c.x > c.w) || (a.x < -a.w && b.x < -b.w && c.x < -c.w)
        || (a.y > a.w && b.y > b.w && c.y > c.w) || (a.y < -a.w && b.y < -b.w && c.y < -c.w)
        || (a.z > a.w && b.z > b.w && c.z > c.w) || (a.z < -a.w && b.z < -b.w && c.z < -c.w);
}

void main() {
    for (int face = 0; face < 6; ++face) {
        vec4 clip[3];
        for (int i = 0; i < 3; ++i) clip[i] = cm_mat[face] * gl_in[i].gl_Position;
        if (outsideFace(clip[0], clip[1], clip[2])) continue;
        for (int i = 0; i < 3; ++i) {
            gl_Layer = 6 * lightID + face;
            gl_Position = clip[i];
            EmitVertex();
        }
        EndPrimitive();
    }
}
