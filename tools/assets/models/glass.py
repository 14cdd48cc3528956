# The study window's panes and their burst, as plain data in game axes.
"""Imported by the ghost generator: the house may not move, so the panes
belong to the player's file, each shard skinned to a bone of its own that
stands still until the ghost breaks through, then carries the shard out
into the night, tumbling, down onto the grass.

    python3 glass.py    # when each shard lands and comes to rest
"""
import math
import random

import flight
import house_layout
from geom import Mesh, add, sub, mul, dot, cross, norm, length

COLUMNS, ROWS = 2, 3
THICKNESS = 0.006
GRAVITY = 9.81
REST_Y = house_layout.GROUND_Y + THICKNESS    # lying on the grass
SETTLE = 0.5                                 # seconds from the last bounce to lying still
STEPS = 10                                   # simulation steps a frame


class Shard:
    def __init__(self, name, corners, pane):
        self.name = name
        self.corners = corners                        # in the glass plane, world axes, in order round it
        self.centre = mul(sum_points(corners), 1.0 / len(corners))
        self.pane = pane                              # (x0, x1, y0, y1) of the pane it belongs to


def sum_points(points):
    out = (0.0, 0.0, 0.0)
    for p in points:
        out = add(out, p)
    return out


def shards():
    """Every pane cut into a few irregular shards, radiating from a point near its
    middle; fixed seed, so every build cuts them alike."""
    x0, x1, y0, y1 = house_layout.STUDY_WINDOW
    z = house_layout.GLASS_Z
    rng = random.Random(1851)
    out = []
    w, h = (x1 - x0) / COLUMNS, (y1 - y0) / ROWS
    for row in range(ROWS):
        for col in range(COLUMNS):
            px0, py0 = x0 + col * w, y0 + row * h
            pane = (px0, px0 + w, py0, py0 + h)
            at = lambda u, v: (px0 + u * w, py0 + v * h, z)
            c = at(0.5 + rng.uniform(-0.15, 0.15), 0.5 + rng.uniform(-0.15, 0.15))
            edges = [at(rng.uniform(0.3, 0.7), 0.0), at(1.0, rng.uniform(0.3, 0.7)),
                     at(rng.uniform(0.3, 0.7), 1.0), at(0.0, rng.uniform(0.3, 0.7))]
            corners = [at(1.0, 0.0), at(1.0, 1.0), at(0.0, 1.0), at(0.0, 0.0)]
            pieces = [[c, edges[k], corners[k], edges[(k + 1) % 4]] for k in range(4)]
            # one corner piece cracks again along the line to its corner
            k = rng.randrange(4)
            a, b, corner, d = pieces[k]
            pieces[k:k + 1] = [[a, b, corner], [a, corner, d]]
            for piece in pieces:
                out.append(Shard('GlassShard%02d' % len(out), piece, pane))
    return out


def mesh(pieces):
    """The shards as thin slabs, each vertex on its own shard's bone. Positions
    are authored as the ghost's are: the game adds the offset to the whole file."""
    m = Mesh('WindowGlass')
    half = THICKNESS / 2
    for s in pieces:
        px0, px1, py0, py1 = s.pane
        uv = [((p[0] - px0) / (px1 - px0), (p[1] - py0) / (py1 - py0)) for p in s.corners]
        ring = []
        for side in (1, -1):
            idx = [m.vert(sub(add(p, (0.0, 0.0, side * half)), flight.GHOST_OFFSET)) for p in s.corners]
            ring.append(idx)
            order = list(range(len(idx)))
            if _facing(s.corners) * side < 0:
                order.reverse()
            # the outside face shows the pane unmirrored from outside
            face_uv = [uv[i] if side > 0 else (1.0 - uv[i][0], uv[i][1]) for i in order]
            m.face([idx[i] for i in order], face_uv, 'window_glass')
        front, back = ring
        n = len(front)
        for i in range(n):
            j = (i + 1) % n
            quad = [front[i], front[j], back[j], back[i]]
            a, b, c = (m.verts[k] for k in quad[:3])
            if dot(cross(sub(b, a), sub(c, b)), sub(s.corners[i], s.centre)) < 0:
                quad.reverse()
            m.face(quad, [(0.02, 0.5), (0.05, 0.5), (0.05, 0.52), (0.02, 0.52)], 'window_glass')
        for i in front + back:
            m.weights[i] = {s.name: 1.0}
    return m


def _facing(corners):
    """+1 when the corners run anticlockwise seen from +z."""
    area = 0.0
    for p, q in zip(corners, corners[1:] + corners[:1]):
        area += p[0] * q[1] - q[0] * p[1]
    return 1.0 if area > 0 else -1.0


# -- quaternions (w, x, y, z) in game axes ----------------------------------

def q_mul(a, b):
    aw, ax, ay, az = a
    bw, bx, by, bz = b
    return (aw * bw - ax * bx - ay * by - az * bz, aw * bx + ax * bw + ay * bz - az * by,
            aw * by - ax * bz + ay * bw + az * bx, aw * bz + ax * by - ay * bx + az * bw)


def q_axis(axis, angle):
    s = math.sin(angle / 2)
    a = norm(axis)
    return (math.cos(angle / 2), a[0] * s, a[1] * s, a[2] * s)


def q_rotate(q, v):
    w, x, y, z = q
    u = (x, y, z)
    t = mul(cross(u, v), 2.0)
    return add(add(v, mul(t, w)), cross(u, t))


def q_slerp(a, b, f):
    d = sum(p * q for p, q in zip(a, b))
    if d < 0:
        b, d = tuple(-c for c in b), -d
    if d > 0.9995:
        out = tuple(p + (q - p) * f for p, q in zip(a, b))
    else:
        th = math.acos(d)
        out = tuple((p * math.sin((1 - f) * th) + q * math.sin(f * th)) / math.sin(th) for p, q in zip(a, b))
    n = math.sqrt(sum(c * c for c in out))
    return tuple(c / n for c in out)


def q_between(u, v):
    """The shortest turn taking unit vector u onto v."""
    axis = cross(u, v)
    if length(axis) < 1e-9:
        return (1.0, 0.0, 0.0, 0.0) if dot(u, v) > 0 else q_axis((1.0, 0.0, 0.0), math.pi)
    return q_axis(axis, math.acos(max(-1.0, min(1.0, dot(u, v)))))


# -- the burst ---------------------------------------------------------------

def burst(shard, index):
    """(start, [(time, offset, rotation)...]) of one shard after the break: the offset
    of its centre from where it stood, and its turn about the centre, every
    simulation step until it lies still on the grass."""
    rng = random.Random(4000 + index)
    impact = flight.ghost_pos(flight.GLASS_BREAK)
    off = sub(shard.centre, impact)
    reach = math.hypot(off[0], off[1])
    # the crack runs out from where the ghost strikes
    start = flight.GLASS_BREAK + 0.06 * reach
    push = 1.0 - min(reach / 0.9, 1.0)
    spread = rng.uniform(1.2, 2.0)
    v = (off[0] * spread + rng.uniform(-0.3, 0.3), rng.uniform(0.6, 2.6) + off[1] * spread * 0.5,
         -(2.0 + 2.2 * push + rng.uniform(0.0, 0.6)))
    axis = norm((rng.uniform(-1, 1), rng.uniform(-1, 1), rng.uniform(-1, 1)))
    spin = rng.uniform(5.0, 12.0)
    p, q = shard.centre, (1.0, 0.0, 0.0, 0.0)
    local = [sub(c, shard.centre) for c in shard.corners]
    dt = 1.0 / (flight.FPS * STEPS)
    t, bounces = start, 0
    out = [(t, (0.0, 0.0, 0.0), q)]
    while True:
        v = (v[0], v[1] - GRAVITY * dt, v[2])
        p = add(p, mul(v, dt))
        q = q_mul(q_axis(axis, spin * dt), q)
        t += dt
        low = min(add(p, q_rotate(q, c))[1] for c in local) - THICKNESS / 2
        if low < house_layout.GROUND_Y:
            p = add(p, (0.0, house_layout.GROUND_Y - low, 0.0))
            if bounces < 3 and -v[1] > 0.8:
                bounces += 1
                v = (v[0] * 0.6, -v[1] * 0.35, v[2] * 0.6)
                spin *= 0.5
            else:
                break
        out.append((t, sub(p, shard.centre), q))
    # slide to a stop and fall flat, its face up or down, whichever is nearer
    n = q_rotate(q, (0.0, 0.0, 1.0))
    flat = q_mul(q_between(n, (0.0, 1.0 if n[1] >= 0 else -1.0, 0.0)), q)
    p0, q0, slide = p, q, (v[0], 0.0, v[2])
    steps = int(SETTLE / dt)
    for k in range(1, steps + 1):
        f = k / steps
        ease = 1 - (1 - f) ** 2
        p = add(p0, mul(slide, SETTLE * (f - f * f / 2)))
        p = (p[0], p0[1] + (REST_Y - p0[1]) * ease, p[2])
        out.append((t + k * dt, sub(p, shard.centre), q_slerp(q0, flat, ease)))
    return start, out


def frames(shard, index, count):
    """Offset and rotation of the shard at each frame 0..count-1 of the take."""
    start, path = burst(shard, index)
    dt = 1.0 / (flight.FPS * STEPS)
    out = []
    for f in range(count):
        t = f / flight.FPS
        if t <= start:
            out.append(((0.0, 0.0, 0.0), (1.0, 0.0, 0.0, 0.0)))
        else:
            k = min(int(round((t - start) / dt)), len(path) - 1)
            out.append(path[k][1:])
    return out


if __name__ == '__main__':
    for i, s in enumerate(shards()):
        start, path = burst(s, i)
        end = path[-1]
        print('%s from %.3f s, still at %.2f s at (%.2f, %.2f, %.2f)' %
              (s.name, start, end[0], *add(s.centre, end[1])))
