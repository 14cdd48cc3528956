# The scripted flight: camera path, ghost path and where the camera looks, in game axes.
"""Imported by the ghost generator; run on its own to check the flight
against the house (walls, furniture), the fixed sound moments and how
the window is framed as the glass breaks:

    python3 flight.py
"""
import math

from geom import add, sub, mul, dot, cross, norm, length

DURATION = 64.0
FPS = 24
GHOST_OFFSET = (0.0, 0.0, 3.0)    # the game draws the ghost translated by this

LANTERN = (-3.454, 1.549, -50.56)  # lantern sound, just after 20.0 s
GLASS = (1.6, 1.0, -51.15)         # glass-break sound at GLASS_BREAK
GLASS_BREAK = 51.45
CIRCLE = (3.2, 0.5, -12.0)
WINDOW = (1.6, 1.4, -51.15)        # the middle of the study window's glass

# Camera path: (time, position). Through doorways at their centres; after the
# glass breaks, out through the study window, backing up over the roof ahead of
# the ghost and down into the garden to where the take began.
CAMERA_KEYS = [
    (0.0, (0.0, 1.7, 6.4)),
    (0.8, (0.0, 1.7, 5.85)),
    (1.6, (0.0, 1.7, 4.2)),        # through the garden gate
    (3.6, (0.0, 1.65, 0.7)),
    (4.6, (0.0, 1.65, -1.6)),      # in through the front door
    (6.2, (0.1, 1.65, -5.2)),
    (7.8, (0.3, 1.6, -8.6)),
    (9.0, (0.45, 1.6, -10.9)),
    (10.2, (0.5, 1.6, -12.0)),     # at the parlour door, looking in
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
    (20.0, (-2.45, 1.6, -48.65)),  # at the lantern
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
    (47.5, (1.35, 1.5, -48.1)),
    (49.5, (1.4, 1.46, -49.1)),
    (51.45, (1.45, 1.45, -49.95)), # close before the window as the glass breaks
    (52.31, (1.6, 1.47, -50.35)),
    (52.75, (1.6, 1.5, -51.2)),    # out through the empty frame after the ghost
    (53.0, (1.69, 1.68, -52.31)),
    (53.22, (1.78, 2.2, -53.25)),
    (53.41, (1.86, 2.98, -53.88)),
    (53.58, (1.95, 3.9, -54.1)),    # rising past the back wall, looking back at the ghost
    (53.74, (2.04, 4.82, -53.88)),
    (53.9, (2.12, 5.6, -53.25)),
    (54.07, (2.21, 6.12, -52.31)),
    (54.24, (2.3, 6.3, -51.2)),     # over the eaves, backing along the roof
    (55.25, (2.4, 6.25, -44.0)),
    (56.55, (1.6, 6.35, -34.5)),
    (57.86, (3.1, 6.25, -25.0)),   # the chimney passes on the right
    (59.03, (1.9, 6.4, -16.5)),
    (60.19, (2.2, 6.3, -8.0)),
    (61.18, (2.3, 6.7, -1.0)),     # over the front gable
    (62.01, (1.2, 5.3, 4.0)),
    (62.6, (0.5, 3.55, 6.6)),      # down over the garden
    (63.2, (0.06, 1.9, 6.85)),     # settling, so the seam passes slowly
    (DURATION, (0.0, 1.7, 6.4)),   # where the flight began, moving on toward the gate
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
    (20.8, (-4.0, 1.75, -49.0)),  # lingers beside it, leaving the camera its light
    (21.6, (-1.2, 2.0, -50.3)),   # drifts along the back wall, past the window
    (22.3, (1.0, 1.8, -48.5)),
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
    (49.6, (2.9, 1.8, -50.2)),    # swings past, gathering itself by the wall
    (50.5, (2.9, 1.65, -50.75)),
    (51.45, (1.95, 1.55, -51.15)), # through the glass, off the window's middle
    (52.15, (1.75, 1.9, -53.4)),
    (52.73, (2.2, 3.0, -55.3)),   # up toward the moon
    (53.33, (3.3, 4.4, -56.6)),
    (53.88, (4.6, 5.8, -56.0)),   # turns back on the camera
    (54.46, (4.9, 6.9, -53.8)),
    (55.07, (4.0, 7.6, -50.6)),   # over the eaves
    (55.87, (2.9, 7.9, -44.0)),
    (57.31, (1.0, 8.6, -33.5)),    # chasing it along the roof, weaving
    (58.76, (3.8, 7.5, -23.0)),
    (60.19, (1.1, 8.5, -12.5)),
    (61.75, (2.2, 7.8, -0.5)),    # over the front gable
    (62.25, (2.3, 5.6, 3.0)),     # dives at the camera
    (62.6, (2.2, 3.6, 4.6)),
    (62.95, (1.3, 2.3, 4.6)),     # and swings round to the door
    (63.35, (0.2, 1.45, 3.5)),
    (DURATION, (0.0, 1.35, 2.6)),
]

# Extra aim points: (start, peak from, peak to, end, point, weight at peak).
AIM_BLENDS = [
    (19.0, 19.8, 21.2, 22.0, LANTERN, 0.45),
    (49.4, 50.4, 51.8, 52.4, WINDOW, 0.8),
]

# Times the ghost turns to look back at the camera: (start, full from, full to, end).
# The last one runs on past the end of the take, into its start.
LOOK_BACK = [
    (20.6, 21.2, 21.8, 22.4),
    (49.0, 49.5, 50.0, 50.4),
    (62.6, 63.4, DURATION + 0.8, DURATION + 1.8),
]


def _periodic(keys, t):
    """Catmull-Rom through timed keys on a loop: the last key is the first one a
    take later, and the tangents there are taken across the seam, so the path
    and its velocity run on from the end of the take into its start."""
    n = len(keys) - 1
    t %= DURATION
    i = 0
    while keys[i + 1][0] < t:
        i += 1
    def key(k):
        tk, p = keys[k % n]
        return tk + DURATION * (k // n), p
    def tangent(k):
        (ta, pa), (tb, pb) = key(k - 1), key(k + 1)
        return mul(sub(pb, pa), 1.0 / (tb - ta))
    t0, p0 = keys[i]
    t1, p1 = keys[i + 1]
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
    return _periodic(CAMERA_KEYS, t)


def ghost_pos(t):
    """World position where the ghost appears."""
    return _periodic(GHOST_KEYS, t)


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


def travel_yaw(t):
    """Heading of the ghost's flight about +y; 0 is toward -z. Where it hangs
    still, the heading it last had."""
    for _ in range(int(DURATION / 0.5)):
        v = sub(ghost_pos(t + 0.25), ghost_pos(t - 0.25))
        if math.hypot(v[0], v[2]) >= 0.05:
            return math.atan2(-v[0], -v[2])
        t -= 0.5
    return 0.0


def looking_back(t):
    """How far the ghost has turned to face the camera, 0 to 1."""
    t %= DURATION
    return max(_bump(t + k * DURATION, *times) for times in LOOK_BACK for k in (0, 1))


def ghost_yaw(t):
    """Heading of the ghost in radians about +y; 0 faces -z."""
    travel = travel_yaw(t)
    back = looking_back(t)
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


def _outside(p, lo, hi):
    """How far p lies outside an axis-aligned box (negative inside)."""
    return max(max(lo[i] - p[i], p[i] - hi[i]) for i in range(3))


def _outside_turned(p, centre, half, axes):
    d = sub(p, centre)
    return max(abs(dot(d, axes[i])) - half[i] for i in range(3))


MAX_SPEED = 8.0      # m/s, the camera's
SOLID_CLEARANCE = 0.3
GROUND_CLEARANCE = 0.5


def check(verbose=True):
    import house_layout
    house = house_layout.build()
    problems = []
    for name, keys in (('camera', CAMERA_KEYS), ('ghost', GHOST_KEYS)):
        if keys[0][0] != 0.0 or keys[-1][0] != DURATION or keys[0][1] != keys[-1][1]:
            problems.append('the %s path does not close: %s, %s' % (name, keys[0], keys[-1]))
    n = int(DURATION * FPS)
    worst_wall = worst_solid = worst_window = 9.0
    in_view = 0
    samples = 0
    max_speed = 0.0
    x0, x1, y0, y1 = house_layout.STUDY_WINDOW
    for k in range(n + 1):
        t = k / FPS
        c = camera_pos(t)
        for lo, hi in house.walls:
            d = _outside(c, lo, hi)
            worst_wall = min(worst_wall, d)
            if d < 0.2:
                problems.append('%.2f s: camera %.2f m from wall %s %s' % (t, d, lo, hi))
        for lo, hi, what in house.obstacles:
            if _outside(c, lo, hi) < 0.15:
                problems.append('%.2f s: camera in %s' % (t, what))
        for centre, half, axes, what in house.solids:
            d = _outside_turned(c, centre, half, axes)
            worst_solid = min(worst_solid, d)
            if d < SOLID_CLEARANCE:
                problems.append('%.2f s: camera %.2f m from the %s' % (t, d, what))
        if c[1] - house_layout.ground_height(c[0], c[2]) < GROUND_CLEARANCE:
            problems.append('%.2f s: camera %.2f m over the ground' % (t, c[1]))
        if -51.4 <= c[2] <= -51.0 and c[1] < house_layout.H:
            worst_window = min(worst_window, c[0] - x0, x1 - c[0], c[1] - y0, y1 - c[1])
        if k > 0:
            max_speed = max(max_speed, length(sub(c, camera_pos(t - 1.0 / FPS))) * FPS)
        if k % (FPS // 2) == 0:
            samples += 1
            pr = project(t, ghost_pos(t))
            ok = pr is not None and abs(pr[0]) <= 0.75 and abs(pr[1]) <= 0.75
            in_view += ok
            if not ok:
                problems.append('%.2f s: ghost out of view %s' % (t, pr))
    if max_speed > MAX_SPEED:
        problems.append('camera up to %.2f m/s' % max_speed)
    for t, p, reach in ((20.0, LANTERN, 3.0), (GLASS_BREAK, GLASS, 4.0)):
        d = length(sub(camera_pos(t), p))
        pr = project(t, p)
        if d > reach - 0.3 or pr is None or abs(pr[0]) > 0.7 or abs(pr[1]) > 0.7:
            problems.append('%.2f s: sound point %s at %.2f m, ndc %s' % (t, p, d, pr))
        if verbose:
            print('%.2f s: %.2f m from %s, ndc %s' % (t, d, p, pr))
    # the burst is seen: the window a quarter of the frame's width or more, the ghost off its middle
    corners = [project(GLASS_BREAK, (x, y, house_layout.GLASS_Z), 16.0 / 9.0) for x in (x0, x1) for y in (y0, y1)]
    ghost = project(GLASS_BREAK, ghost_pos(GLASS_BREAK), 16.0 / 9.0)
    if None in corners or ghost is None:
        problems.append('the window or the ghost behind the camera at the break')
    else:
        left, right = min(c[0] for c in corners), max(c[0] for c in corners)
        if (right - left) / 2 < 0.25 or abs(ghost[0] - (left + right) / 2) < 0.2 * (right - left):
            problems.append('at the break the window spans %.2f of the frame, its middle at %.2f, the ghost at %.2f'
                            % ((right - left) / 2, (left + right) / 2, ghost[0]))
        if verbose:
            print('at the break the window spans %.2f of the frame, the ghost %.2f off its middle'
                  % ((right - left) / 2, ghost[0] - (left + right) / 2))
    if verbose:
        print('ghost in view %d/%d, nearest wall %.2f m, roof or chimney %.2f m, window edge %.2f m, '
              'top speed %.2f m/s' % (in_view, samples, worst_wall, worst_solid, worst_window, max_speed))
        for p in problems[:40]:
            print('  ', p)
    return problems


if __name__ == '__main__':
    import sys
    sys.exit(1 if check() else 0)
