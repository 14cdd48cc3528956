# Mesh building in the game's axes (metres, +y up), shared by every model generator.
"""Pure Python so the layout and the flight can be checked without Blender.

A Mesh is a list of vertices and faces; every face carries its own UVs, its
material name and whether it is smooth shaded. Primitives never share
vertices with each other, so flat caps stay flat next to smooth sides.
"""
import math


def sub(a, b):
    return (a[0] - b[0], a[1] - b[1], a[2] - b[2])


def add(a, b):
    return (a[0] + b[0], a[1] + b[1], a[2] + b[2])


def mul(a, s):
    return (a[0] * s, a[1] * s, a[2] * s)


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]


def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])


def length(a):
    return math.sqrt(dot(a, a))


def norm(a):
    n = length(a)
    return a if n == 0 else (a[0] / n, a[1] / n, a[2] / n)


def rot_y(deg):
    """Axes (x, y, z) of a frame turned by deg about +y."""
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return ((c, 0.0, -s), (0.0, 1.0, 0.0), (s, 0.0, c))


def rot_x(deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return ((1.0, 0.0, 0.0), (0.0, c, s), (0.0, -s, c))


def rot_z(deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return ((c, s, 0.0), (-s, c, 0.0), (0.0, 0.0, 1.0))


def compose(a, b):
    """Axes of frame b expressed inside frame a (apply b, then a)."""
    return tuple(add(add(mul(a[0], v[0]), mul(a[1], v[1])), mul(a[2], v[2])) for v in b)


IDENTITY = ((1.0, 0.0, 0.0), (0.0, 1.0, 0.0), (0.0, 0.0, 1.0))


def frame_from_axis(d):
    """An orthonormal frame whose y axis is d."""
    y = norm(d)
    ref = (1.0, 0.0, 0.0) if abs(y[0]) < 0.9 else (0.0, 0.0, 1.0)
    x = norm(cross(y, ref))
    z = cross(x, y)
    return (x, y, z)


class Mesh:
    def __init__(self, name):
        self.name = name
        self.verts = []
        self.faces = []     # (vertex indices, uvs, material, smooth)
        self.weights = []   # per vertex: {bone name: weight}, only for skinned meshes
        self.parts = []     # (lo, hi) of every solid primitive, for placement checks

    def vert(self, p, weights=None):
        self.verts.append((float(p[0]), float(p[1]), float(p[2])))
        self.weights.append(dict(weights) if weights else {})
        return len(self.verts) - 1

    def face(self, idx, uvs, mat, smooth=False):
        self.faces.append((tuple(idx), tuple(uvs), mat, smooth))

    def triangles(self):
        return sum(len(f[0]) - 2 for f in self.faces)

    def _part(self, first):
        pts = self.verts[first:]
        if pts:
            self.parts.append((tuple(min(p[i] for p in pts) for i in range(3)),
                               tuple(max(p[i] for p in pts) for i in range(3))))

    def extend(self, other):
        self.parts += other.parts
        base = len(self.verts)
        self.verts += other.verts
        self.weights += other.weights
        for idx, uvs, mat, smooth in other.faces:
            self.faces.append((tuple(i + base for i in idx), uvs, mat, smooth))

    def set_weights(self, first, weights):
        for i in range(first, len(self.verts)):
            self.weights[i] = dict(weights)

    def bbox(self):
        xs = [v[0] for v in self.verts]
        ys = [v[1] for v in self.verts]
        zs = [v[2] for v in self.verts]
        return (min(xs), min(ys), min(zs)), (max(xs), max(ys), max(zs))

    # -- primitives --------------------------------------------------------

    def quad(self, p, uvs, mat, normal=None, smooth=False):
        """Four corners; turned so the face looks along normal when given."""
        p = list(p)
        uvs = list(uvs)
        if normal is not None:
            n = cross(sub(p[1], p[0]), sub(p[2], p[0]))
            if dot(n, normal) < 0:
                p.reverse()
                uvs.reverse()
        idx = [self.vert(q) for q in p]
        self.face(idx, uvs, mat, smooth)

    def obox(self, center, half, axes, mat, scale=1.0, skip=(), uvoff=(0.0, 0.0), anchor='world'):
        """Oriented box. axes: three unit vectors; half: half sizes along them.

        UVs are the face's own plane coordinates over scale metres (a number,
        or (u, v) sizes). anchor 'world' measures them from the world origin so
        neighbouring boxes do not repeat; 'local' centres one tile on the face.
        skip: faces to leave out, among '+x','-x','+y','-y','+z','-z' (local).
        """
        ax = axes
        first = len(self.verts)
        su_, sv_ = (scale, scale) if not isinstance(scale, tuple) else scale
        for a in range(3):
            for sgn in (1, -1):
                key = ('+' if sgn > 0 else '-') + 'xyz'[a]
                if key in skip:
                    continue
                n = mul(ax[a], sgn)
                c = add(center, mul(n, half[a]))
                # in-plane axes: u runs to the viewer's right, v upward
                if a == 1:
                    ua, va = 0, 2
                    us, vs = 1.0, -float(sgn)
                else:
                    ua = 2 if a == 0 else 0
                    va = 1
                    us = -float(sgn) if a == 0 else float(sgn)
                    vs = 1.0
                du = mul(ax[ua], half[ua])
                dv = mul(ax[va], half[va])
                if anchor == 'world':
                    cu = dot(c, ax[ua]) * us / su_
                    cv = dot(c, ax[va]) * vs / sv_
                else:
                    cu, cv = 0.5, 0.5
                corners, uvs = [], []
                for su, sv in ((-1, -1), (1, -1), (1, 1), (-1, 1)):
                    corners.append(add(c, add(mul(du, su * us), mul(dv, sv * vs))))
                    uvs.append((cu + su * half[ua] / su_ + uvoff[0],
                                cv + sv * half[va] / sv_ + uvoff[1]))
                self.quad(corners, uvs, mat, normal=n)
        self._part(first)

    def box(self, lo, hi, mat, scale=1.0, skip=(), uvoff=(0.0, 0.0), anchor='world'):
        center = mul(add(lo, hi), 0.5)
        half = mul(sub(hi, lo), 0.5)
        self.obox(center, half, IDENTITY, mat, scale, skip, uvoff, anchor)

    def rbox(self, center, size, yaw, mat, scale=1.0, skip=()):
        """Box turned by yaw degrees about +y around its centre."""
        self.obox(center, mul(size, 0.5), rot_y(yaw), mat, scale, skip)

    def tube(self, p0, p1, r0, r1, segs, mat, caps=True, smooth=True, scale=1.0,
             weights=None, phase=0.0):
        """Tapered cylinder from p0 (radius r0) to p1 (radius r1)."""
        x, y, z = frame_from_axis(sub(p1, p0))
        h = length(sub(p1, p0))
        circ = 2 * math.pi * max(r0, r1)
        ring0, ring1 = [], []
        first = len(self.verts)
        for i in range(segs):
            a = 2 * math.pi * i / segs + phase
            d = add(mul(x, math.cos(a)), mul(z, math.sin(a)))
            ring0.append(self.vert(add(p0, mul(d, r0))))
            ring1.append(self.vert(add(p1, mul(d, r1))))
        # the seam shares its vertices so smooth shading has no crease there
        ring0.append(ring0[0])
        ring1.append(ring1[0])
        for i in range(segs):
            u0 = circ * i / segs / scale
            u1 = circ * (i + 1) / segs / scale
            idx = [ring0[i], ring1[i], ring1[i + 1], ring0[i + 1]]
            uvs = [(u0, 0.0), (u0, h / scale), (u1, h / scale), (u1, 0.0)]
            a, b, c = (self.verts[j] for j in idx[:3])
            n = cross(sub(b, a), sub(c, a))
            mid = mul(add(a, self.verts[idx[3]]), 0.5)
            axis_pt = add(p0, mul(y, dot(sub(mid, p0), y)))
            if dot(n, sub(mid, axis_pt)) < 0:
                idx.reverse()
                uvs.reverse()
            self.face(idx, uvs, mat, smooth)
        if caps:
            for p, r, sgn in ((p0, r0, -1), (p1, r1, 1)):
                if r <= 0:
                    continue
                corners, uvs = [], []
                for i in range(segs):
                    a = 2 * math.pi * i / segs + phase
                    d = add(mul(x, math.cos(a)), mul(z, math.sin(a)))
                    corners.append(add(p, mul(d, r)))
                    uvs.append((0.5 + 0.5 * math.cos(a) * r / scale, 0.5 + 0.5 * math.sin(a) * r / scale))
                n = cross(sub(corners[1], corners[0]), sub(corners[2], corners[0]))
                if dot(n, mul(y, sgn)) < 0:
                    corners.reverse()
                    uvs.reverse()
                idx = [self.vert(q) for q in corners]
                self.face(idx, uvs, mat, False)
        if weights:
            self.set_weights(first, weights)
        self._part(first)

    def lathe(self, center, profile, segs, mat, scale=1.0, smooth=True, axes=IDENTITY,
              u_repeat=None):
        """Surface of revolution about the frame's y axis.

        profile: (radius, height) from bottom to top; a radius of 0 closes
        the surface there with a point. Faces look outward.
        """
        x, y, z = axes
        first = len(self.verts)
        rings = []
        vlen = [0.0]
        for k in range(1, len(profile)):
            dr = profile[k][0] - profile[k - 1][0]
            dh = profile[k][1] - profile[k - 1][1]
            vlen.append(vlen[-1] + math.hypot(dr, dh))
        maxr = max(r for r, _ in profile)
        urep = u_repeat if u_repeat else max(1.0, round(2 * math.pi * maxr / scale))
        for r, hgt in profile:
            ring = []
            for i in range(segs if r > 0 else 1):
                a = 2 * math.pi * i / segs
                d = add(mul(x, math.cos(a)), mul(z, -math.sin(a)))
                ring.append(self.vert(add(add(center, mul(y, hgt)), mul(d, r))))
            # one vertex for a closed pole, and a shared seam
            ring = ring * segs if r <= 0 else ring
            ring.append(ring[0])
            rings.append(ring)
        for k in range(len(profile) - 1):
            for i in range(segs):
                u0, u1 = urep * i / segs, urep * (i + 1) / segs
                v0, v1 = vlen[k] / scale, vlen[k + 1] / scale
                idx = [rings[k][i], rings[k][i + 1], rings[k + 1][i + 1], rings[k + 1][i]]
                uvs = [(u0, v0), (u1, v0), (u1, v1), (u0, v1)]
                if profile[k][0] == 0:
                    idx, uvs = [idx[0], idx[2], idx[3]], [uvs[0], uvs[2], uvs[3]]
                elif profile[k + 1][0] == 0:
                    idx, uvs = idx[:3], uvs[:3]
                self.face(idx, uvs, mat, smooth)
        self._part(first)
        return rings

    def disc(self, center, r, segs, mat, y_up=True, scale=1.0):
        corners, uvs = [], []
        for i in range(segs):
            a = 2 * math.pi * i / segs
            corners.append(add(center, (r * math.cos(a), 0.0, -r * math.sin(a))))
            uvs.append((0.5 + 0.5 * math.cos(a) * r / scale, 0.5 + 0.5 * math.sin(a) * r / scale))
        self.quad_poly(corners, uvs, mat, (0.0, 1.0 if y_up else -1.0, 0.0))

    def quad_poly(self, corners, uvs, mat, normal):
        self.quad(corners, uvs, mat, normal)

    def prism(self, pts2d, z0, z1, mat, scale=1.0, plane='xy'):
        """A convex polygon in the x-y plane extruded from z0 to z1 (gable ends)."""
        first = len(self.verts)
        top = [(p[0], p[1], z1) for p in pts2d]
        bot = [(p[0], p[1], z0) for p in pts2d]
        self.quad_poly(top, [(p[0] / scale, p[1] / scale) for p in pts2d], mat, (0, 0, 1))
        self.quad_poly(bot, [(-p[0] / scale, p[1] / scale) for p in pts2d], mat, (0, 0, -1))
        cx = sum(p[0] for p in pts2d) / len(pts2d)
        cy = sum(p[1] for p in pts2d) / len(pts2d)
        for i in range(len(pts2d)):
            a, b = pts2d[i], pts2d[(i + 1) % len(pts2d)]
            out = (0.5 * (a[0] + b[0]) - cx, 0.5 * (a[1] + b[1]) - cy, 0.0)
            el = math.hypot(b[0] - a[0], b[1] - a[1]) / scale
            dz = (z1 - z0) / scale
            self.quad([(a[0], a[1], z0), (b[0], b[1], z0), (b[0], b[1], z1), (a[0], a[1], z1)],
                      [(0, 0), (el, 0), (el, dz), (0, dz)], mat, normal=out)
        self._part(first)


def box_contains(box, p, margin=0.0):
    lo, hi = box
    return all(lo[i] - margin < p[i] < hi[i] + margin for i in range(3))
