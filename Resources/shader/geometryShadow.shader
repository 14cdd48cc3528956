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
// less than a half turn apart.
vec3 tangentsMeet(vec3 corner, vec3 a, vec3 b, float r) {
    return corner + r * (a + b) / (1.0 + dot(a, b));
}

// The triangle widened by r in its plane, as a convex polygon round it in order: the three edges moved out by
// r, meeting where they meet unless that lies more than SPIKE r from the corner, where the corner is cut off
// by the tangent of the circle of radius r round it. Holds every point within r of the triangle; returns the
// number of corners, 3 when there is nothing to widen.
const float SPIKE = 2.0;
int widen(vec3 v[3], float r, out vec3 shape[6]) {
    vec3 normal = cross(v[1] - v[0], v[2] - v[0]);
    if (r <= 0.0 || dot(normal, normal) < 1e-20) {
        shape[0] = v[0]; shape[1] = v[1]; shape[2] = v[2];
        return 3;
    }
    normal = normalize(normal);
    vec3 edgeOut[3];  // outward normal of the edge from corner i to corner i + 1
    for (int i = 0; i < 3; ++i) edgeOut[i] = normalize(cross(v[(i + 1) % 3] - v[i], normal));
    int count = 0;
    for (int i = 0; i < 3; ++i) {
        vec3 before = edgeOut[(i + 2) % 3], after = edgeOut[i];
        // The edges' offsets meet r / cos(half the turn between their normals) from the corner.
        if (1.0 + dot(before, after) >= 2.0 / (SPIKE * SPIKE)) {
            shape[count++] = tangentsMeet(v[i], before, after, r);
            continue;
        }
        vec3 middle = before + after;
        middle = dot(middle, middle) > 1e-12 ? normalize(middle) : normalize(v[i] - (v[0] + v[1] + v[2]) / 3.0);
        shape[count++] = tangentsMeet(v[i], before, middle, r);
        shape[count++] = tangentsMeet(v[i], after, middle, r);
    }
    return count;
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
    vec4 world[6];
    for (int i = 0; i < count; ++i) {
        // Round the convex shape as a strip: 0 1 n-1 2 n-2 ...
        int corner = (i % 2 == 1) ? (i + 1) / 2 : (count - i / 2) % count;
        vec3 fromLight = shape[corner] - lightPos.xyz;
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
