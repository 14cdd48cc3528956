#version 430 core
// Visibility queries, geometry stage: each triangle widened in its own plane by the reach of the shadow
// lookups' disc, drawn nearer the light by their margin, into each of the six faces of its light's cube
// that can see it. A mesh then counts as hidden only where no lookup of it could find the light.
layout(triangles) in;
layout(triangle_strip, max_vertices = 36) out;

uniform mat4 cm_mat[6];
uniform int lightID;
uniform vec4 lightPos;
uniform vec2 queryMargin;  // along the ray: metres, and metres per metre of distance
uniform vec2 widening;     // sideways, in the triangle's plane: metres, and metres per metre of distance

// True when every corner lies beyond one clip plane: the face cannot see the shape.
bool outsideFace(vec4 clip[6], int count) {
    for (int axis = 0; axis < 3; ++axis) {
        bool above = true, below = true;
        for (int i = 0; i < count; ++i) {
            above = above && clip[i][axis] > clip[i].w;
            below = below && clip[i][axis] < -clip[i].w;
        }
        if (above || below) return true;
    }
    return false;
}

// Where two tangent lines of a circle of radius r round corner meet: those with outward normals a and b,
// less than a right angle apart.
vec3 tangentsMeet(vec3 corner, vec3 a, vec3 b, float r) {
    return corner + r * (a + b) / (1.0 + dot(a, b));
}

// The triangle widened by r in its plane, as a hexagon round it in order: the three edges moved out by r,
// and each corner cut off by the tangent of the circle of radius r round it. Holds every point within r of
// the triangle. count is 3 when there is nothing to widen.
int widen(vec3 v[3], float r, out vec3 shape[6]) {
    vec3 normal = cross(v[1] - v[0], v[2] - v[0]);
    if (r <= 0.0 || dot(normal, normal) < 1e-20) {
        shape[0] = v[0]; shape[1] = v[1]; shape[2] = v[2];
        return 3;
    }
    normal = normalize(normal);
    vec3 out_[3];  // outward normal of the edge from corner i to corner i + 1
    for (int i = 0; i < 3; ++i) out_[i] = normalize(cross(v[(i + 1) % 3] - v[i], normal));
    for (int i = 0; i < 3; ++i) {
        vec3 before = out_[(i + 2) % 3], after = out_[i];
        vec3 middle = before + after;
        middle = dot(middle, middle) > 1e-12 ? normalize(middle) : normalize(v[i] - (v[0] + v[1] + v[2]) / 3.0);
        shape[2 * i] = tangentsMeet(v[i], before, middle, r);
        shape[2 * i + 1] = tangentsMeet(v[i], after, middle, r);
    }
    return 6;
}

void main() {
    vec3 v[3];
    float farthest = 0.0;
    for (int i = 0; i < 3; ++i) {
        v[i] = gl_in[i].gl_Position.xyz / gl_in[i].gl_Position.w;
        farthest = max(farthest, length(v[i] - lightPos.xyz));
    }
    vec3 shape[6];
    int count = widen(v, widening.x + widening.y * farthest, shape);
    // Round the shape as a strip: 0 1 5 2 4 3 for six corners, 0 1 2 for three.
    const int STRIP[6] = int[6](0, 1, 5, 2, 4, 3);
    vec4 world[6];
    for (int i = 0; i < count; ++i) {
        vec3 fromLight = shape[count == 6 ? STRIP[i] : i] - lightPos.xyz;
        float d = length(fromLight);
        float keep = max(1.0 - (queryMargin.x + queryMargin.y * d) / max(d, 1e-6), 0.0);
        world[i] = vec4(lightPos.xyz + fromLight * keep, 1.0);
    }
    for (int face = 0; face < 6; ++face) {
        vec4 clip[6];
        for (int i = 0; i < count; ++i) clip[i] = cm_mat[face] * world[i];
        if (outsideFace(clip, count)) continue;
        for (int i = 0; i < count; ++i) {
            gl_Layer = 6 * lightID + face;
            gl_Position = clip[i];
            EmitVertex();
        }
        EndPrimitive();
    }
}
