# The scripted flight: camera path, ghost path and where the camera looks, in game axes.
"""Imported by the ghost generator; run on its own to check the flight
against the house (walls, furniture) and the fixed sound moments:

    python3 flight.py
"""
import math

from geom import add, sub, mul, dot, cross, norm, length

DURATION = 64.0
FPS = 24
GHOST_OFFSET = (0.0, 0.0, 3.0)    # the game draws the ghost translated by this

LANTERN = (-3.454, 1.549, -50.56)  # lantern sound, just after 20.0 s
GLASS = (1.6, 1.0, -51.15)         # glass-break sound at 51.45 s
CIRCLE = (3.2, 0.5, -12.0)

# Camera path: (time, position). Through doorways at their centres.
CAMERA_KEYS = [
    (0.0, (0.0, 1.7, 6.4)),
    (1.6, (0.0, 1.7, 4.2)),       # through the garden gate
    (3.6, (0.0, 1.65, 0.7)),
    (4.6, (0.0, 1.65, -1.6)),     # in through the front door
    (6.2, (0.1, 1.65, -5.2)),
    (7.8, (0.3, 1.6, -8.6)),
    (9.0, (0.45, 1.6, -10.9)),
    (10.2, (0.5, 1.6, -12.0)),    # at the parlour door, looking in
    (10.9, (0.45, 1.6, -12.3)),
    (11.7, (0.35, 1.62, -13.3)),
    (12.6, (0.15, 1.68, -16.0)),
    (13.6, (0.0, 1.72, -20.5)),
    (14.6, (0.0, 1.72, -25.6)),
    (15.5, (0.0, 1.72, -30.2)),
    (16.6, (0.0, 1.72, -35.8)),
    (17.6, (0.0, 1.7, -40.6)),
    (18.3, (-0.05, 1.68, -42.9)),  # study door
    (19.1, (-0.8, 1.64, -45.6)),
    (20.0, (-2.3, 1.6, -48.4)),    # at the lantern
    (21.4, (-2.2, 1.6, -48.2)),
    (22.8, (-1.6, 1.62, -46.7)),
    (23.6, (-0.6, 1.65, -44.5)),
    (24.4, (0.0, 1.68, -42.9)),    # back out through the study door
    (25.4, (0.0, 1.72, -38.0)),
    (27.4, (0.0, 1.72, -31.0)),
    (29.0, (0.05, 1.72, -26.0)),
    (30.2, (0.4, 1.7, -24.1)),
    (31.0, (1.35, 1.68, -23.5)),   # library door
    (31.9, (2.5, 1.66, -23.6)),
    (33.2, (3.0, 1.62, -25.6)),
    (34.7, (3.05, 1.6, -28.4)),    # past the fire
    (36.2, (3.1, 1.64, -31.8)),
    (37.4, (3.1, 1.68, -35.0)),    # library door to the gallery
    (38.8, (2.3, 1.7, -38.4)),
    (40.4, (0.7, 1.7, -41.3)),
    (41.6, (0.0, 1.68, -42.9)),    # study door once more
    (43.0, (0.5, 1.64, -45.2)),
    (45.0, (1.3, 1.55, -46.9)),
    (47.5, (1.6, 1.48, -47.6)),
    (51.45, (1.6, 1.42, -48.0)),   # facing the window as the glass breaks
    (54.0, (1.6, 1.42, -48.7)),
    (58.0, (1.6, 1.42, -49.3)),
    (DURATION, (1.6, 1.42, -49.5)),
]

# Ghost: where it should appear (the game adds GHOST_OFFSET to the file's path).
GHOST_KEYS = [
    (0.0, (0.0, 1.35, 2.6)),
    (1.5, (0.0, 1.3, 1.2)),
    (2.8, (0.0, 1.25, -0.5)),     # slips in through the door
    (4.2, (0.0, 1.3, -3.6)),
    (5.8, (0.4, 1.35, -7.0)),
    (6.9, (1.1, 1.4, -9.8)),      # swoops into the parlour
    (8.0, (2.1, 1.45, -11.7)),
    (9.0, (3.0, 1.5, -11.3)),     # over the seance circle
    (9.9, (3.8, 1.55, -12.3)),
    (10.7, (3.1, 1.5, -13.7)),
    (11.4, (1.9, 1.45, -15.2)),   # out through the wall, ahead of the camera
    (12.0, (0.4, 1.4, -16.9)),
    (12.6, (0.0, 1.4, -19.4)),
    (13.4, (0.0, 1.4, -24.0)),
    (14.6, (0.0, 1.42, -30.5)),
    (16.0, (0.0, 1.45, -37.6)),
    (17.0, (0.0, 1.45, -42.4)),
    (18.0, (-0.9, 1.5, -46.0)),
    (19.0, (-2.6, 1.6, -48.9)),
    (20.0, (-3.9, 1.6, -49.7)),   # brushes past the lantern
    (21.2, (-1.0, 1.95, -50.4)),  # drifts along the back wall, past the window
    (22.2, (1.0, 1.8, -48.5)),
    (23.0, (0.8, 1.6, -45.6)),
    (23.8, (0.0, 1.5, -42.6)),
    (24.6, (0.0, 1.46, -39.4)),
    (25.0, (0.0, 1.45, -37.6)),
    (25.6, (0.0, 1.42, -34.0)),
    (27.4, (0.0, 1.42, -27.6)),
    (28.6, (0.3, 1.42, -24.6)),
    (29.8, (1.5, 1.42, -23.4)),
    (30.9, (2.9, 1.42, -24.2)),
    (32.2, (3.3, 1.4, -27.0)),    # by the fire
    (33.6, (3.1, 1.4, -30.2)),
    (35.0, (3.0, 1.42, -33.6)),
    (36.4, (3.0, 1.45, -36.6)),
    (37.8, (1.8, 1.5, -39.6)),
    (39.2, (0.3, 1.5, -42.0)),
    (40.6, (0.2, 1.5, -44.8)),
    (42.0, (1.2, 1.55, -47.4)),
    (43.6, (0.0, 1.6, -49.6)),
    (45.4, (-1.8, 1.7, -49.9)),   # drifts about the study
    (47.0, (-1.2, 1.85, -50.3)),
    (48.6, (0.4, 1.9, -50.0)),
    (49.6, (1.1, 1.6, -49.2)),    # backs off, gathering itself
    (50.5, (1.5, 1.45, -49.6)),
    (51.45, (1.6, 1.35, -51.15)), # through the glass
    (52.4, (1.6, 1.5, -54.0)),
    (55.0, (1.7, 2.6, -62.0)),
    (59.0, (1.9, 4.6, -76.0)),
    (DURATION, (2.2, 7.0, -96.0)),
]

# Extra aim points: (start, peak from, peak to, end, point, weight at peak).
AIM_BLENDS = [
    (19.0, 19.8, 21.2, 22.0, LANTERN, 0.45),
    (49.8, 50.6, 52.0, 52.8, GLASS, 0.35),
]

# Times the ghost turns to look back at the camera: (start, full from, full to, end).
LOOK_BACK = [
    (0.0, 0.0, 0.8, 1.8),
    (20.6, 21.2, 21.8, 22.4),
    (49.0, 49.5, 50.0, 50.4),
]


def _hermite(keys, t):
    """Catmull-Rom through timed keys, tangents from the neighbouring keys."""
    if t <= keys[0][0]:
        return keys[0][1]
    if t >= keys[-1][0]:
        return keys[-1][1]
    i = 0
    while keys[i + 1][0] < t:
        i += 1
    t0, p0 = keys[i]
    t1, p1 = keys[i + 1]
    def tangent(k):
        if k == 0 or k == len(keys) - 1:
            return (0.0, 0.0, 0.0)
        (ta, pa), (tb, pb) = keys[k - 1], keys[k + 1]
        return mul(sub(pb, pa), 1.0 / (tb - ta))
    m0 = mul(tangent(i), t1 - t0)
    m1 = mul(tangent(i + 1), t1 - t0)
    s = (t - t0) / (t1 - t0)
    h00 = 2 * s ** 3 - 3 * s ** 2 + 1
    h10 = s ** 3 - 2 * s ** 2 + s
    h01 = -2 * s ** 3 + 3 * s ** 2
    h11 = s ** 3 - s ** 2
    return add(add(mul(p0, h00), mul(m0, h10)), add(mul(p1, h01), mul(m1, h11)))


def _bump(t, a, b, c, d):
    if t <= a or t >= d:
        return 0.0
    if t < b:
        s = (t - a) / (b - a)
    elif t <= c:
        return 1.0
    else:
        s = (d - t) / (d - c)
    return s * s * (3 - 2 * s)


def camera_pos(t):
    return _hermite(CAMERA_KEYS, t)


def ghost_pos(t):
    """World position where the ghost appears."""
    return _hermite(GHOST_KEYS, t)


def ghost_authored(t):
    """Position of the ghost's root bone in the file."""
    return sub(ghost_pos(t), GHOST_OFFSET)


def aim(t):
    a = ghost_pos(t)
    for (t0, t1, t2, t3, p, w) in AIM_BLENDS:
        k = _bump(t, t0, t1, t2, t3) * w
        a = add(mul(a, 1 - k), mul(p, k))
    return a


def camera_basis(t):
    """(position, forward, right, up) of the camera, level horizon."""
    c = camera_pos(t)
    f = norm(sub(aim(t), c))
    r = norm(cross(f, (0.0, 1.0, 0.0)))
    u = cross(r, f)
    return c, f, r, u


def ghost_yaw(t):
    """Heading of the ghost in radians about +y; 0 faces -z."""
    dt = 0.25
    v = sub(ghost_pos(min(t + dt, DURATION)), ghost_pos(max(t - dt, 0.0)))
    if math.hypot(v[0], v[2]) < 0.05:
        travel = None
    else:
        travel = math.atan2(-v[0], -v[2])
    if travel is None:
        travel = ghost_yaw(t - 0.5) if t > 0.5 else 0.0
    back = 0.0
    for (a, b, c, d) in LOOK_BACK:
        back = max(back, _bump(t, a, b, c, d) if a > 0 else (1.0 if t <= c else _bump(t, -1, 0, c, d)))
    if back > 0:
        to_cam = sub(camera_pos(t), ghost_pos(t))
        facing = math.atan2(-to_cam[0], -to_cam[2])
        diff = (facing - travel + math.pi) % (2 * math.pi) - math.pi
        return travel + diff * back
    return travel


def project(t, p, aspect=4.0 / 3.0):
    """NDC x, y and the distance in front, for the game's 90 degree projection
    (at 4:3, the narrowest window it is likely to get)."""
    c, f, r, u = camera_basis(t)
    d = sub(p, c)
    z = dot(d, f)
    if z <= 1e-6:
        return None
    return dot(d, r) / (z * aspect), dot(d, u) / z, z


def unwrap_yaws(yaws):
    out = [yaws[0]]
    for y in yaws[1:]:
        prev = out[-1]
        out.append(prev + ((y - prev + math.pi) % (2 * math.pi) - math.pi))
    return out


def check(verbose=True):
    import house_layout
    house = house_layout.build()
    problems = []
    n = int(DURATION * FPS)
    worst_wall = 9.0
    in_view = 0
    samples = 0
    max_speed = 0.0
    for k in range(n + 1):
        t = k / FPS
        c = camera_pos(t)
        for lo, hi in house.walls:
            d = max(max(lo[i] - c[i], c[i] - hi[i]) for i in range(3))
            worst_wall = min(worst_wall, d)
            if d < 0.2:
                problems.append('%.2f s: camera %.2f m from wall %s %s' % (t, d, lo, hi))
        for lo, hi, what in house.obstacles:
            d = max(max(lo[i] - c[i], c[i] - hi[i]) for i in range(3))
            if d < 0.15:
                problems.append('%.2f s: camera in %s' % (t, what))
        if k > 0:
            max_speed = max(max_speed, length(sub(c, camera_pos(t - 1.0 / FPS))) * FPS)
        if k % (FPS // 2) == 0:
            samples += 1
            pr = project(t, ghost_pos(t))
            ok = pr is not None and abs(pr[0]) <= 0.75 and abs(pr[1]) <= 0.75
            in_view += ok
            if not ok:
                problems.append('%.2f s: ghost out of view %s' % (t, pr))
    for t, p, reach in ((20.0, LANTERN, 3.0), (51.45, GLASS, 4.0)):
        d = length(sub(camera_pos(t), p))
        pr = project(t, p)
        if d > reach - 0.3 or pr is None or abs(pr[0]) > 0.7 or abs(pr[1]) > 0.7:
            problems.append('%.2f s: sound point %s at %.2f m, ndc %s' % (t, p, d, pr))
        if verbose:
            print('%.2f s: %.2f m from %s, ndc %s' % (t, d, p, pr))
    if verbose:
        print('ghost in view %d/%d, nearest wall %.2f m, top speed %.2f m/s' %
              (in_view, samples, worst_wall, max_speed))
        for p in problems[:40]:
            print('  ', p)
    return problems


if __name__ == '__main__':
    import sys
    sys.exit(1 if check() else 0)
