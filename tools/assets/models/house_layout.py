# Hollowmere manor: rooms, walls, furniture and lights as plain data in game axes.
"""Imported by the Blender house script and by the flight planner.

build() returns a House with one Mesh per room (plus exterior, roof and
ground), the structural wall boxes (walls, floor and ceiling slabs) that the
camera must never enter, the furniture boxes it should avoid, the solids
outside the walls (roof, chimney, porch canopy) it must stay clear of when it
flies round the house, and the lights.
"""
import math
from geom import Mesh, add, rot_y, rot_z, IDENTITY

H = 3.2            # ceiling height
SLAB = 0.2         # floor and ceiling slab thickness
GROUND_Y = -0.08
SKIN = 0.06        # exterior cladding in front of the outer walls

# Interior rectangles: name -> (x0, x1, z0, z1), z0 < z1.
ROOMS = {
    'FrontLeft': (-4.7, -1.45, -5.9, -0.3),
    'FrontRight': (1.45, 4.7, -5.9, -0.3),
    'Hall': (-1.25, 1.25, -35.1, -0.3),
    'Parlour': (1.45, 4.7, -18.9, -6.1),
    'Dining': (-4.7, -1.45, -18.9, -6.1),
    'Library': (1.45, 4.7, -34.9, -19.1),
    'Music': (-4.7, -1.45, -34.9, -19.1),
    'Gallery': (-4.7, 4.7, -42.8, -35.1),
    'Study': (-4.7, 4.7, -51.0, -43.0),
}

WALLPAPER = {
    'FrontLeft': 'plaster', 'FrontRight': 'plaster', 'Hall': 'wallpaper_gold',
    'Parlour': 'wallpaper_red', 'Dining': 'wallpaper_blue', 'Library': 'panel_oak',
    'Music': 'wallpaper_plum', 'Gallery': 'wallpaper_teal', 'Study': 'wallpaper_green',
}
WAINSCOT = {'Hall', 'Gallery', 'Study', 'Dining'}

# Metres per texture tile.
SCALE = {
    'floor_wood': 2.0, 'plaster': 2.0, 'stone': 1.2, 'roof_slate': 2.0, 'dark_wood': 1.0,
    'boards': 2.0, 'grass': 4.0, 'iron': 0.5, 'velvet': 0.8, 'bark': 1.0, 'fire': 0.5,
    'wax': 0.3, 'rug': 1.0, 'books': (0.6, 0.3), 'paintings': 1.0, 'gilt': 0.4, 'paper': 0.3,
    # the hall's damask at half the other papers' repeat: a motif about a hand across
    'wallpaper_gold': 0.8,
}


def scale_of(mat):
    return SCALE.get(mat, 1.6)


LANTERN_PIVOT = (-3.454, 2.12, -50.56)   # where the lantern hangs from its bracket
STUDY_WINDOW = (1.0, 2.2, 0.6, 2.2)      # x0, x1, y0, y1 in the back wall
GLASS_Z = -51.15
CIRCLE_CENTER = (3.2, 0.0, -12.0)

LIGHTS = [
    # name, position, colour (Blender power 1 W keeps Assimp's colour as given)
    ('PorchLamp', (0.0, 2.68, 0.6), (1.0, 0.72, 0.42)),
    ('HallSconce', (-0.95, 2.3, -22.0), (1.0, 0.62, 0.32)),
    ('FireLight', (3.7, 0.7, -27.0), (1.0, 0.5, 0.2)),
    # hung in the middle of the gallery, among its candles; the study has the lantern
    ('GalleryLamp', (0.0, 2.45, -39.0), (1.0, 0.66, 0.36)),
]


def light_at(house, name):
    return [pos for (n, pos, _c) in house.lights if n == name][0]


class Wall:
    """A straight wall. along 'x' or 'z' is its run; t0..t1 its thickness range
    on the other horizontal axis. sides['-'] / sides['+'] list (r0, r1, room)
    for the faces at t0 and t1 ('out' for the outside)."""

    def __init__(self, along, t0, t1, r0, r1, sides, openings=(), y0=0.0, y1=H):
        self.along, self.t0, self.t1, self.r0, self.r1 = along, t0, t1, r0, r1
        self.sides = sides
        self.openings = sorted(openings)     # (a0, a1, b0, b1, kind)
        self.y0, self.y1 = y0, y1

    def pieces(self, y0, y1):
        """Rectangles (a0, a1, b0, b1) of the run covered by the wall."""
        out = []
        a = self.r0
        for (o0, o1, b0, b1, _kind) in self.openings:
            if o0 > a:
                out.append((a, o0, y0, y1))
            if b0 > y0:
                out.append((o0, o1, y0, b0))
            if b1 < y1:
                out.append((o0, o1, b1, y1))
            a = o1
        if a < self.r1:
            out.append((a, self.r1, y0, y1))
        return out

    def box(self, a0, a1, b0, b1, t0, t1):
        if self.along == 'x':
            return (a0, b0, t0), (a1, b1, t1)
        return (t0, b0, a0), (t1, b1, a1)


def exterior_walls():
    win = lambda a, w=1.2, y0=0.9, y1=2.3: (a - w / 2, a + w / 2, y0, y1, 'window')
    left_rooms = [(-6.0, -0.3, 'FrontLeft'), (-19.0, -6.0, 'Dining'), (-35.0, -19.0, 'Music'),
                  (-42.9, -35.0, 'Gallery'), (-51.0, -42.9, 'Study')]
    right_rooms = [(-6.0, -0.3, 'FrontRight'), (-19.0, -6.0, 'Parlour'), (-35.0, -19.0, 'Library'),
                   (-42.9, -35.0, 'Gallery'), (-51.0, -42.9, 'Study')]
    side_windows = [win(-3.0), win(-9.0), win(-15.0), win(-23.0), win(-31.0), win(-39.0), win(-47.0)]
    right_windows = [win(-3.0), win(-9.0), win(-15.0), win(-22.0), win(-32.0), win(-39.0), win(-47.0)]
    x0, x1, y0, y1 = STUDY_WINDOW
    return [
        Wall('x', -0.3, 0.0, -5.0, 5.0,
             {'-': [(-5.0, -1.35, 'FrontLeft'), (-1.35, 1.35, 'Hall'), (1.35, 5.0, 'FrontRight')],
              '+': [(-5.0, 5.0, 'out')]},
             [(-0.7, 0.7, 0.0, 2.3, 'door'), win(-3.1), win(3.1)]),
        Wall('x', -51.4, -51.0, -5.0, 5.0,
             {'-': [(-5.0, 5.0, 'out')], '+': [(-5.0, 5.0, 'Study')]},
             [(x0, x1, y0, y1, 'study_window')]),
        Wall('z', -5.0, -4.7, -51.0, -0.3,
             {'-': [(-51.0, -0.3, 'out')], '+': left_rooms}, side_windows),
        Wall('z', 4.7, 5.0, -51.0, -0.3,
             {'-': right_rooms, '+': [(-51.0, -0.3, 'out')]}, right_windows),
    ]


def interior_walls():
    door = lambda a, w=1.4, h=2.3: (a - w / 2, a + w / 2, 0.0, h, 'door')
    return [
        Wall('z', 1.25, 1.45, -34.9, -0.3,
             {'-': [(-34.9, -0.3, 'Hall')],
              '+': [(-6.0, -0.3, 'FrontRight'), (-19.0, -6.0, 'Parlour'), (-34.9, -19.0, 'Library')]},
             [door(-12.0, 2.0, 2.4), door(-23.5)]),
        Wall('z', -1.45, -1.25, -34.9, -0.3,
             {'-': [(-6.0, -0.3, 'FrontLeft'), (-19.0, -6.0, 'Dining'), (-34.9, -19.0, 'Music')],
              '+': [(-34.9, -0.3, 'Hall')]},
             [door(-9.5), door(-26.0)]),
        Wall('x', -6.1, -5.9, 1.45, 4.7, {'-': [(1.45, 4.7, 'Parlour')], '+': [(1.45, 4.7, 'FrontRight')]}),
        Wall('x', -6.1, -5.9, -4.7, -1.45, {'-': [(-4.7, -1.45, 'Dining')], '+': [(-4.7, -1.45, 'FrontLeft')]}),
        Wall('x', -19.1, -18.9, 1.45, 4.7, {'-': [(1.45, 4.7, 'Library')], '+': [(1.45, 4.7, 'Parlour')]}),
        Wall('x', -19.1, -18.9, -4.7, -1.45, {'-': [(-4.7, -1.45, 'Music')], '+': [(-4.7, -1.45, 'Dining')]}),
        Wall('x', -35.1, -34.9, 1.25, 4.7, {'-': [(1.25, 4.7, 'Gallery')], '+': [(1.25, 4.7, 'Library')]},
             [door(3.1)]),
        Wall('x', -35.1, -34.9, -4.7, -1.25, {'-': [(-4.7, -1.25, 'Gallery')], '+': [(-4.7, -1.25, 'Music')]},
             [door(-3.1)]),
        Wall('x', -43.0, -42.8, -4.7, 4.7, {'-': [(-4.7, 4.7, 'Study')], '+': [(-4.7, 4.7, 'Gallery')]},
             [door(0.0, 1.6, 2.4)]),
        # the arch between the hall and the gallery
        Wall('x', -35.1, -34.9, -1.25, 1.25, {'-': [(-1.25, 1.25, 'Gallery')], '+': [(-1.25, 1.25, 'Hall')]},
             y0=2.6),
    ]


class House:
    def __init__(self):
        self.meshes = {}
        self.walls = []        # (lo, hi) the camera must never be inside
        self.obstacles = []    # (lo, hi, what) furniture the flight keeps clear of
        self.solids = []       # (centre, half sizes, axes, what) outside the walls: roof, chimney, canopy
        self.lights = LIGHTS

    def mesh(self, name):
        if name not in self.meshes:
            self.meshes[name] = Mesh(name)
        return self.meshes[name]

    def piece(self, room, what):
        """Start a piece of furniture; finish() records its bounding box."""
        m = self.mesh(room)
        return _Piece(self, m, what)


class _Piece:
    def __init__(self, house, mesh, what):
        self.house, self.m, self.what = house, mesh, what
        self.first = len(mesh.verts)

    def __enter__(self):
        return self.m

    def __exit__(self, *exc):
        pts = self.m.verts[self.first:]
        if pts:
            lo = tuple(min(p[i] for p in pts) for i in range(3))
            hi = tuple(max(p[i] for p in pts) for i in range(3))
            self.house.obstacles.append((lo, hi, self.what))
        return False


def box(m, lo, hi, mat, **kw):
    m.box(lo, hi, mat, scale=kw.pop('scale', scale_of(mat)), **kw)


def solid(house, lo, hi, what):
    """An axis-aligned solid outside the rooms, for the flight's check."""
    house.solids.append((tuple(0.5 * (a + b) for a, b in zip(lo, hi)),
                         tuple(0.5 * (b - a) for a, b in zip(lo, hi)), IDENTITY, what))


# -- structure ---------------------------------------------------------------

def build_walls(house):
    for w in exterior_walls() + interior_walls():
        # the full wall for the camera check
        ylo = -0.3 if 'out' in [r for s in w.sides.values() for (_a, _b, r) in s] else w.y0
        yhi = H + SLAB + 0.1 if ylo < 0 else w.y1
        for (a0, a1, b0, b1) in w.pieces(ylo, yhi):
            house.walls.append(w.box(a0, a1, b0, b1, w.t0, w.t1))
        mid = 0.5 * (w.t0 + w.t1)
        for side, segs in w.sides.items():
            outside = segs[0][2] == 'out'
            if outside:
                t0, t1 = (w.t0, w.t0 + SKIN) if side == '-' else (w.t1 - SKIN, w.t1)
            elif any(r == 'out' for s in w.sides.values() for (_a, _b, r) in s):
                t0, t1 = (w.t0, w.t1 - SKIN) if side == '-' else (w.t0 + SKIN, w.t1)
            else:
                t0, t1 = (w.t0, mid) if side == '-' else (mid, w.t1)
            hidden = ('+' if side == '-' else '-') + ('z' if w.along == 'x' else 'x')
            for (s0, s1, room) in segs:
                for (a0, a1, b0, b1) in w.pieces(-0.3 if outside else w.y0,
                                                  H + SLAB + 0.1 if outside else w.y1):
                    a0c, a1c = max(a0, s0), min(a1, s1)
                    if a1c - a0c < 1e-6:
                        continue
                    if outside:
                        wall_skin(house, w, a0c, a1c, b0, b1, t0, t1, side, hidden)
                    else:
                        m = house.mesh(room)
                        lo, hi = w.box(a0c, a1c, b0, b1, t0, t1)
                        box(m, lo, hi, WALLPAPER[room], skip=(hidden,))
                        wall_trim(m, w, room, a0c, a1c, b0, b1, t0, t1, side)
        for op in w.openings:
            opening_details(house, w, op)


def wall_skin(house, w, a0, a1, b0, b1, t0, t1, side, hidden):
    """Boards above a stone plinth on the outside faces."""
    m = house.mesh('Exterior')
    if b0 < 0.4:
        lo, hi = w.box(a0, a1, b0, min(b1, 0.4), t0, t1)
        out = 0.03 if side == '+' else -0.03
        if w.along == 'x':
            lo, hi = (lo[0], lo[1], lo[2] + min(out, 0)), (hi[0], hi[1], hi[2] + max(out, 0))
        else:
            lo, hi = (lo[0] + min(out, 0), lo[1], lo[2]), (hi[0] + max(out, 0), hi[1], hi[2])
        box(m, lo, hi, 'stone', skip=(hidden,))
    if b1 > 0.4:
        lo, hi = w.box(a0, a1, max(b0, 0.4), b1, t0, t1)
        box(m, lo, hi, 'boards', skip=(hidden,))


def wall_trim(m, w, room, a0, a1, b0, b1, t0, t1, side):
    """Skirting board, wainscot and cornice along a room face."""
    face = t0 if side == '-' else t1
    sgn = -1.0 if side == '-' else 1.0
    def strip(y0, y1, depth, mat):
        f0, f1 = sorted((face, face + sgn * depth))
        lo, hi = w.box(a0, a1, y0, y1, f0, f1)
        box(m, lo, hi, mat, skip=(('+' if sgn < 0 else '-') + ('z' if w.along == 'x' else 'x'),))
    if b0 <= 0.0 and b1 >= 0.9:
        if room in WAINSCOT:
            strip(0.0, 0.9, 0.025, 'dark_wood')
            strip(0.86, 0.94, 0.045, 'dark_wood')
        strip(0.0, 0.16, 0.04, 'dark_wood')
    if b1 >= H - 1e-6 and b0 <= H - 0.14:
        strip(H - 0.12, H, 0.05, 'plaster')


def opening_details(house, w, op):
    a0, a1, b0, b1, kind = op
    rooms = {s: [r for (s0, s1, r) in segs if s0 <= 0.5 * (a0 + a1) <= s1][0] for s, segs in w.sides.items()}
    inner = [r for r in rooms.values() if r != 'out']
    m = house.mesh(inner[0])
    t0, t1 = w.t0, w.t1
    if kind == 'door':
        # threshold under the opening and a dark wood lining around it
        lo, hi = w.box(a0, a1, -SLAB, 0.0, t0, t1)
        box(m, lo, hi, 'dark_wood', skip=('-y',))
        for side, room in rooms.items():
            mm = house.mesh('Exterior' if room == 'out' else room)
            face = t0 if side == '-' else t1
            sgn = -1.0 if side == '-' else 1.0
            f0, f1 = sorted((face, face + sgn * 0.03))
            for lo, hi in (w.box(a0 - 0.1, a0, 0.0, b1 + 0.1, f0, f1),
                           w.box(a1, a1 + 0.1, 0.0, b1 + 0.1, f0, f1),
                           w.box(a0 - 0.1, a1 + 0.1, b1, b1 + 0.12, f0, f1)):
                box(mm, lo, hi, 'dark_wood')
    else:
        # frame in the middle of the opening; study window has no glazing bars
        mid = 0.5 * (t0 + t1)
        f0, f1 = mid - 0.05, mid + 0.05
        fw = 0.06
        parts = [w.box(a0, a1, b0, b0 + fw, f0, f1), w.box(a0, a1, b1 - fw, b1, f0, f1),
                 w.box(a0, a0 + fw, b0, b1, f0, f1), w.box(a1 - fw, a1, b0, b1, f0, f1)]
        if kind == 'window':
            am, bm = 0.5 * (a0 + a1), b0 + 0.62 * (b1 - b0)
            parts += [w.box(am - 0.02, am + 0.02, b0, b1, f0 + 0.02, f1 - 0.02),
                      w.box(a0, a1, bm - 0.02, bm + 0.02, f0 + 0.02, f1 - 0.02)]
        for lo, hi in parts:
            box(m, lo, hi, 'dark_wood')
        # sill inside, shutters outside
        for side, room in rooms.items():
            face = t0 if side == '-' else t1
            sgn = -1.0 if side == '-' else 1.0
            if room == 'out':
                mm = house.mesh('Exterior')
                g0, g1 = sorted((face, face + sgn * 0.05))
                wd = 0.5 * (a1 - a0)
                for lo, hi in (w.box(a0 - wd - 0.05, a0 - 0.05, b0, b1, g0, g1),
                               w.box(a1 + 0.05, a1 + wd + 0.05, b0, b1, g0, g1)):
                    box(mm, lo, hi, 'dark_wood')
            else:
                mm = house.mesh(room)
                g0, g1 = sorted((face - sgn * 0.02, face + sgn * 0.07))
                lo, hi = w.box(a0 - 0.08, a1 + 0.08, b0 - 0.05, b0, g0, g1)
                box(mm, lo, hi, 'dark_wood')


def build_floors(house):
    for name, (x0, x1, z0, z1) in ROOMS.items():
        m = house.mesh(name)
        box(m, (x0, -SLAB, z0), (x1, 0.0, z1), 'floor_wood', skip=('-y',))
        box(m, (x0, H, z0), (x1, H + SLAB, z1), 'plaster', skip=('+y',))
    house.walls.append(((-5.0, -SLAB - 0.1, -51.4), (5.0, 0.0, 0.0)))
    house.walls.append(((-5.0, H, -51.4), (5.0, H + SLAB, 0.0)))


def build_roof(house):
    m = house.mesh('Exterior')
    top = H + SLAB + 0.1
    ridge = top + 2.7
    # gable ends over the front and back walls
    m.prism([(-5.0, top), (5.0, top), (0.0, ridge)], -0.3, 0.0, 'boards', scale=2.0)
    m.prism([(-5.0, top), (5.0, top), (0.0, ridge)], -51.4, -51.1, 'boards', scale=2.0)
    # each gable as three steps that hold its triangle
    for z0, z1, what in ((-0.3, 0.0, 'front gable'), (-51.4, -51.1, 'back gable')):
        for k in range(3):
            y0 = top + k * (ridge - top) / 3
            w = 5.0 * (1 - k / 3)
            solid(house, (-w, y0, z0), (w, y0 + (ridge - top) / 3, z1), what)
    # two slopes, 0.5 m overhang
    run, rise = 5.6, ridge - top + 0.33
    slope = math.hypot(run, rise)
    ang = math.degrees(math.atan2(rise, run))
    for sgn in (-1, 1):
        cx = sgn * run / 2
        cy = ridge + 0.12 - rise / 2
        axes = rot_axes_z(sgn * ang)
        m.obox((cx, cy, -25.7), (slope / 2, 0.08, 26.3), axes, 'roof_slate', scale=2.0)
        house.solids.append(((cx, cy, -25.7), (slope / 2, 0.08, 26.3), axes, 'roof'))
    box(m, (-0.12, ridge + 0.02, -52.0), (0.12, ridge + 0.22, 0.6), 'dark_wood')
    solid(house, (-0.12, ridge + 0.02, -52.0), (0.12, ridge + 0.22, 0.6), 'ridge')
    # chimney over the library fireplace
    box(m, (5.0, -0.3, -27.8), (5.7, ridge + 0.6, -26.2), 'stone', skip=('-x',))
    box(m, (4.95, ridge + 0.6, -27.9), (5.75, ridge + 0.8, -26.1), 'stone')
    solid(house, (4.95, -0.3, -27.9), (5.75, ridge + 0.8, -26.1), 'chimney')
    # corner boards
    for x in (-5.0, 5.0):
        for z in (0.0, -51.4):
            box(m, (x - 0.06, 0.4, z - 0.06), (x + 0.06, top, z + 0.06), 'dark_wood')


def rot_axes_z(deg):
    c, s = math.cos(math.radians(deg)), math.sin(math.radians(deg))
    return ((c, -s, 0.0), (s, c, 0.0), (0.0, 0.0, 1.0))


def build_porch(house):
    m = house.mesh('Exterior')
    box(m, (-1.6, -0.28, 0.0), (1.6, -0.02, 1.9), 'stone')
    box(m, (-1.45, 2.95, 0.0), (1.45, 3.08, 1.75), 'dark_wood')
    solid(house, (-1.45, 2.95, 0.0), (1.45, 3.08, 1.75), 'porch canopy')
    for x in (-1.25, 1.25):
        with house.piece('Exterior', 'porch post') as p:
            box(p, (x - 0.07, -0.02, 1.48), (x + 0.07, 2.95, 1.62), 'dark_wood')
    # porch lamp: an open cage hanging from the canopy, the light above its candle
    lx, ly, lz = light_at(house, 'PorchLamp')
    box(m, (lx - 0.015, ly + 0.18, lz - 0.015), (lx + 0.015, 2.95, lz + 0.015), 'iron')
    box(m, (lx - 0.12, ly + 0.12, lz - 0.12), (lx + 0.12, ly + 0.18, lz + 0.12), 'iron')
    for dx in (-0.1, 0.1):
        for dz in (-0.1, 0.1):
            box(m, (lx + dx - 0.01, ly - 0.16, lz + dz - 0.01), (lx + dx + 0.01, ly + 0.12, lz + dz + 0.01), 'iron')
    box(m, (lx - 0.11, ly - 0.2, lz - 0.11), (lx + 0.11, ly - 0.16, lz + 0.11), 'iron')
    m.tube((lx, ly - 0.16, lz), (lx, ly - 0.06, lz), 0.025, 0.025, 8, 'wax', scale=0.3)
    flame(m, (lx, ly - 0.06, lz), 0.05)


def flame(m, base, h):
    m.lathe(base, [(0.0, 0.0), (0.012, h * 0.3), (0.008, h * 0.7), (0.0, h)], 6, 'fire', scale=0.5)


def ground_height(x, z):
    """Height of the grass at a corner of the ground's grid: flat round the house, rolling ever higher
    toward the horizon so the hills show against the sky."""
    inside = -5.6 <= x <= 5.6 and -52.0 <= z <= 1.9
    if inside or (abs(x) < 12 and -60 < z < 12):
        return GROUND_Y
    far = max(abs(x) - 12.0, z - 12.0, -60.0 - z, 0.0)
    rise = 0.6 + 0.08 * far
    roll = 0.65 * math.sin(x * 0.045 + 1.3) * math.sin(z * 0.035 + 0.4) + 0.35 * math.sin(x * 0.12 - z * 0.08)
    return GROUND_Y - 0.1 + rise * (0.55 + 0.45 * roll)


# The grass's grid, finer near the house where the roll begins.
GROUND_XS = [-170, -120, -85, -60, -42, -28, -18, -10, -5.5, 5.5, 10, 18, 28, 42, 60, 85, 120, 170]
GROUND_ZS = [70, 45, 28, 18, 10, 5, 1.9, -52.0, -60, -70, -84, -102, -125, -155, -195, -250]


def build_ground(house):
    m = house.mesh('Ground')
    xs, zs = GROUND_XS, GROUND_ZS
    for i in range(len(xs) - 1):
        for j in range(len(zs) - 1):
            x0, x1, z0, z1 = xs[i], xs[i + 1], zs[j + 1], zs[j]
            if -5.6 <= x0 and x1 <= 5.6 and -52.0 <= z0 and z1 <= 1.9:
                continue    # under the house
            pts = [(x, ground_height(x, z), z) for x, z in ((x0, z1), (x1, z1), (x1, z0), (x0, z0))]
            m.quad(pts, [(p[0] / 4.0, -p[2] / 4.0) for p in pts], 'grass', normal=(0, 1, 0))
    # under the house, so no gap shows at the plinth
    m.quad([(-5.6, GROUND_Y, 1.9), (5.6, GROUND_Y, 1.9), (5.6, GROUND_Y, -52.0), (-5.6, GROUND_Y, -52.0)],
           [(-1.4, -0.5), (1.4, -0.5), (1.4, 13.0), (-1.4, 13.0)], 'grass', normal=(0, 1, 0))
    # flagstone path from the gate to the porch
    for k in range(9):
        z = 2.5 + k * 1.05
        jitter = 0.08 * math.sin(k * 2.3)
        box(m, (-0.55 + jitter, GROUND_Y - 0.02, z - 0.45), (0.55 + jitter, GROUND_Y + 0.03, z + 0.45), 'stone',
            skip=('-y',))
    build_fence(house, m)
    # the two nearest trees stand beside the house, where the camera at the gate sees them against the sky
    for i, (x, z, s, yaw) in enumerate([(-7.6, -1.5, 1.0, 20), (7.8, -3.5, 1.2, 140), (-9.5, -14.0, 1.1, 75),
                                        (8.5, -30.0, 0.9, 200), (-8.0, -44.0, 1.3, 310), (12.0, -58.0, 1.0, 10)]):
        dead_tree(house, m, (x, GROUND_Y, z), s, yaw, i)
    # graves inside the fence, left of the path, in view from the gate
    for k, (x, z, yaw) in enumerate([(-3.4, 2.8, 8), (-4.9, 3.2, -12), (-6.3, 2.6, 4)]):
        with house.piece('Ground', 'gravestone') as p:
            p.rbox((x, GROUND_Y + 0.4, z), (0.5, 0.9, 0.12), yaw, 'stone')
            p.rbox((x, GROUND_Y + 0.06, z + 0.35), (0.6, 0.12, 0.9), yaw, 'stone')
    build_treeline(house)


def build_treeline(house):
    """Dark firs in clumps on the far slopes, a ragged line against the sky all round; in eight meshes,
    each small enough to lie out of every lamp's reach."""
    rng = __import__('random').Random(77)
    for k in range(56):
        m = house.mesh('Treeline%d' % (k // 7))
        a = 2 * math.pi * (k + rng.uniform(-0.35, 0.35)) / 56
        if rng.random() < 0.18:
            continue    # a gap in the line
        dist = rng.uniform(58.0, 85.0)
        x, z = 0.0 + dist * math.sin(a), -25.0 + dist * math.cos(a)
        h = rng.uniform(9.0, 16.0)
        r = h * rng.uniform(0.22, 0.3)
        y = ground_height(x, z) - 0.5
        m.lathe((x, y, z), [(r, 0.0), (r * 0.35, h * 0.42), (r * 0.62, h * 0.44), (0.0, h)], 5, 'iron',
                scale=4.0, smooth=False)


def build_fence(house, m):
    z = 4.2
    for x in [v * 1.25 for v in range(-9, 10)]:
        if abs(x) < 1.0:
            continue
        with house.piece('Ground', 'fence post') as p:
            box(p, (x - 0.05, GROUND_Y, z - 0.05), (x + 0.05, 1.2, z + 0.05), 'bark', scale=0.6)
    for y in (0.45, 0.95):
        for x0, x1 in ((-11.3, -1.25), (1.25, 11.3)):
            with house.piece('Ground', 'fence rail') as p:
                box(p, (x0, y, z - 0.02), (x1, y + 0.08, z + 0.02), 'bark', scale=0.6)
    for x in (-1.25, 1.25):
        with house.piece('Ground', 'gate post') as p:
            box(p, (x - 0.09, GROUND_Y, z - 0.09), (x + 0.09, 1.5, z + 0.09), 'stone')


def dead_tree(house, m, base, s, yaw, seed):
    """A bare, crooked tree: a trunk and two levels of branches."""
    first = len(m.verts)
    top = add(base, (0.1 * s, 3.2 * s, 0.05 * s))
    m.tube(base, top, 0.22 * s, 0.1 * s, 7, 'bark', caps=False)
    for k in range(4):
        a = math.radians(yaw + k * 97 + seed * 13)
        h = 1.6 + 0.45 * k
        p0 = add(base, (0.05 * s * k, h * s, 0.0))
        d = (math.cos(a) * 1.4 * s, (0.9 + 0.2 * k) * s, math.sin(a) * 1.4 * s)
        p1 = add(p0, d)
        m.tube(p0, p1, 0.08 * s, 0.035 * s, 5, 'bark', caps=False)
        for j in (-1, 1):
            b = a + j * 0.7
            p2 = add(p1, (math.cos(b) * 0.7 * s, 0.55 * s, math.sin(b) * 0.7 * s))
            m.tube(p1, p2, 0.035 * s, 0.012 * s, 4, 'bark', caps=False)
    m.tube(top, add(top, (-0.3 * s, 0.9 * s, 0.2 * s)), 0.1 * s, 0.02 * s, 5, 'bark', caps=False)
    pts = m.verts[first:]
    lo = tuple(min(p[i] for p in pts) for i in range(3))
    hi = tuple(max(p[i] for p in pts) for i in range(3))
    house.obstacles.append((lo, hi, 'tree'))


# -- furniture ---------------------------------------------------------------

def table(house, room, cx, cz, w, d, h, yaw=0.0, mat='dark_wood', what='table'):
    ax = rot_y(yaw)
    with house.piece(room, what) as m:
        m.obox((cx, h - 0.03, cz), (w / 2, 0.03, d / 2), ax, mat, scale=1.0)
        for sx in (-1, 1):
            for sz in (-1, 1):
                px = cx + ax[0][0] * sx * (w / 2 - 0.06) + ax[2][0] * sz * (d / 2 - 0.06)
                pz = cz + ax[0][2] * sx * (w / 2 - 0.06) + ax[2][2] * sz * (d / 2 - 0.06)
                m.obox((px, (h - 0.06) / 2, pz), (0.03, (h - 0.06) / 2, 0.03), ax, mat, skip=('-y', '+y'))


def chair(house, room, cx, cz, yaw, what='chair'):
    """Faces +z at yaw 0 (its back toward -z)."""
    ax = rot_y(yaw)
    def at(lx, ly, lz):
        return (cx + ax[0][0] * lx + ax[2][0] * lz, ly, cz + ax[0][2] * lx + ax[2][2] * lz)
    with house.piece(room, what) as m:
        m.obox(at(0, 0.46, 0), (0.22, 0.03, 0.22), ax, 'velvet')
        for sx in (-1, 1):
            for sz in (-1, 1):
                m.obox(at(sx * 0.19, 0.215, sz * 0.19), (0.025, 0.215, 0.025), ax, 'dark_wood', skip=('-y', '+y'))
        for sx in (-1, 1):
            m.obox(at(sx * 0.19, 0.75, -0.2), (0.025, 0.27, 0.025), ax, 'dark_wood', skip=('-y',))
        m.obox(at(0, 0.9, -0.2), (0.19, 0.12, 0.02), ax, 'dark_wood')


def armchair(house, room, cx, cz, yaw, what='armchair'):
    ax = rot_y(yaw)
    def at(lx, ly, lz):
        return (cx + ax[0][0] * lx + ax[2][0] * lz, ly, cz + ax[0][2] * lx + ax[2][2] * lz)
    with house.piece(room, what) as m:
        m.obox(at(0, 0.22, 0.02), (0.42, 0.2, 0.4), ax, 'velvet', scale=0.8)
        m.obox(at(0, 0.7, -0.33), (0.42, 0.35, 0.09), ax, 'velvet', scale=0.8)
        for sx in (-1, 1):
            m.obox(at(sx * 0.38, 0.55, 0.02), (0.06, 0.14, 0.4), ax, 'velvet', scale=0.8)
        for sx in (-1, 1):
            for sz in (-1, 1):
                m.obox(at(sx * 0.36, 0.02, sz * 0.34), (0.04, 0.02, 0.04), ax, 'dark_wood', skip=('-y',))


def sofa(house, room, cx, cz, yaw, length=1.9):
    ax = rot_y(yaw)
    def at(lx, ly, lz):
        return (cx + ax[0][0] * lx + ax[2][0] * lz, ly, cz + ax[0][2] * lx + ax[2][2] * lz)
    with house.piece(room, 'sofa') as m:
        m.obox(at(0, 0.24, 0.02), (length / 2, 0.2, 0.42), ax, 'velvet', scale=0.8)
        m.obox(at(0, 0.72, -0.34), (length / 2, 0.32, 0.1), ax, 'velvet', scale=0.8)
        for sx in (-1, 1):
            m.obox(at(sx * (length / 2 - 0.07), 0.56, 0.02), (0.07, 0.14, 0.42), ax, 'velvet', scale=0.8)


def bookshelf(house, room, a0, a1, fixed, facing, height=2.3, depth=0.34):
    """Shelves along a wall. facing: '+x', '-x', '+z' or '-z' (where the books look)."""
    along_x = facing[1] == 'z'
    sgn = 1.0 if facing[0] == '+' else -1.0
    f0, f1 = sorted((fixed, fixed + sgn * depth))
    def b(r0, r1, y0, y1, t0, t1):
        return ((r0, y0, t0), (r1, y1, t1)) if along_x else ((t0, y0, r0), (t1, y1, r1))
    with house.piece(room, 'bookshelf') as m:
        hidden = ('-' if sgn > 0 else '+') + ('z' if along_x else 'x')
        for r0, r1 in ((a0, a0 + 0.04), (a1 - 0.04, a1)):
            box(m, *b(r0, r1, 0.0, height, f0, f1), 'dark_wood', skip=(hidden,))
        box(m, *b(a0, a1, height - 0.04, height, f0, f1), 'dark_wood', skip=(hidden,))
        box(m, *b(a0 + 0.04, a1 - 0.04, 0.0, height, fixed + sgn * 0.0 if sgn > 0 else fixed - 0.02,
                  fixed + 0.02 if sgn > 0 else fixed), 'dark_wood', skip=(hidden,))
        rows = int((height - 0.14) / 0.36)
        for k in range(rows):
            y = 0.1 + k * 0.36
            box(m, *b(a0 + 0.04, a1 - 0.04, y - 0.03, y, f0, f1), 'dark_wood', skip=(hidden,))
            # one block of book spines per shelf, set back a little
            t0, t1 = sorted((fixed + sgn * 0.03, fixed + sgn * (depth - 0.04 - 0.02 * (k % 2))))
            box(m, *b(a0 + 0.05, a1 - 0.05, y, y + 0.28 - 0.02 * (k % 3), t0, t1), 'books',
                scale=(0.6, 0.3), skip=(hidden, '-y'), anchor='local' if False else 'world')


def rug(house, room, lo, hi):
    m = house.mesh(room)
    m.box((lo[0], 0.0, lo[1]), (hi[0], 0.012, hi[1]), 'rug', scale=(hi[0] - lo[0], hi[1] - lo[1]),
          skip=('-y',), anchor='local')


def picture(house, room, center, w, h, facing, cell):
    """A framed painting on a wall; cell picks one of the four paintings."""
    cx, cy, cz = center
    along_x = facing[1] == 'z'
    sgn = 1.0 if facing[0] == '+' else -1.0
    m = house.mesh(room)
    def b(r0, r1, y0, y1, t0, t1):
        return ((r0, y0, t0), (r1, y1, t1)) if along_x else ((t0, y0, r0), (t1, y1, r1))
    r = cx if along_x else cz
    t = cz if along_x else cx
    f0, f1 = sorted((t, t + sgn * 0.05))
    fw = 0.07
    for lo, hi in (b(r - w / 2, r + w / 2, cy - h / 2, cy - h / 2 + fw, f0, f1),
                   b(r - w / 2, r + w / 2, cy + h / 2 - fw, cy + h / 2, f0, f1),
                   b(r - w / 2, r - w / 2 + fw, cy - h / 2, cy + h / 2, f0, f1),
                   b(r + w / 2 - fw, r + w / 2, cy - h / 2, cy + h / 2, f0, f1)):
        box(m, lo, hi, 'gilt')
    # canvas: a quad mapped onto one quarter of the painting atlas
    tc = t + sgn * 0.02
    u0, v0 = (cell % 2) * 0.5, (cell // 2) * 0.5
    rr0, rr1 = r - w / 2 + fw, r + w / 2 - fw
    y0, y1 = cy - h / 2 + fw, cy + h / 2 - fw
    if along_x:
        pts = [(rr0, y0, tc), (rr1, y0, tc), (rr1, y1, tc), (rr0, y1, tc)]
        n = (0.0, 0.0, sgn)
    else:
        pts = [(tc, y0, rr0), (tc, y0, rr1), (tc, y1, rr1), (tc, y1, rr0)]
        n = (sgn, 0.0, 0.0)
    # u runs to the viewer's right
    right_is_plus = (along_x and sgn > 0) or (not along_x and sgn < 0)
    uvs = [(u0, v0), (u0 + 0.5, v0), (u0 + 0.5, v0 + 0.5), (u0, v0 + 0.5)]
    if not right_is_plus:
        uvs = [uvs[1], uvs[0], uvs[3], uvs[2]]
    m.quad(pts, uvs, 'paintings', normal=n)


def candle(m, base, h, r=0.025):
    m.tube(base, add(base, (0, h, 0)), r, r, 8, 'wax', scale=0.3)
    flame(m, add(base, (0, h, 0)), 0.06)


def build_hall(house):
    rug(house, 'Hall', (-0.7, -33.5), (0.7, -2.0))
    # the front door, swung open against the left side
    with house.piece('Hall', 'front door') as m:
        box(m, (-0.76, 0.0, -1.72), (-0.7, 2.28, -0.32), 'dark_wood', scale=1.0)
    # closed doors to the front rooms
    for x, sgn in ((-1.25, 1.0), (1.25, -1.0)):
        f0, f1 = sorted((x, x + sgn * 0.03))
        box(house.mesh('Hall'), (f0, 0.0, -3.8), (f1, 2.2, -2.8), 'dark_wood')
        box(house.mesh('Hall'), (min(x, x + sgn * 0.06) - 0.01, 1.0, -3.72),
            (max(x, x + sgn * 0.06), 1.06, -3.66), 'iron')
    with house.piece('Hall', 'console') as m:
        box(m, (-1.25, 0.0, -15.8), (-0.95, 0.85, -14.4), 'dark_wood')
    with house.piece('Hall', 'clock') as m:
        box(m, (0.9, 0.0, -17.4), (1.25, 2.1, -16.9), 'dark_wood')
        box(m, (0.88, 1.55, -17.3), (0.9, 1.85, -17.0), 'wax')
    with house.piece('Hall', 'bench') as m:
        box(m, (-1.25, 0.4, -31.0), (-0.85, 0.46, -29.2), 'dark_wood')
        box(m, (-1.25, 0.0, -30.95), (-0.9, 0.4, -30.85), 'dark_wood')
        box(m, (-1.25, 0.0, -29.35), (-0.9, 0.4, -29.25), 'dark_wood')
    picture(house, 'Hall', (1.25, 1.7, -7.0), 0.9, 1.1, '-x', 0)
    picture(house, 'Hall', (-1.25, 1.7, -13.5), 0.8, 1.0, '+x', 1)
    picture(house, 'Hall', (1.25, 1.7, -30.0), 0.9, 0.7, '-x', 2)
    picture(house, 'Hall', (-1.25, 1.7, -19.0), 0.7, 0.9, '+x', 3)
    # the sconce: a plate, an arm and a candle under a small shade
    m = house.mesh('Hall')
    lx, ly, lz = light_at(house, 'HallSconce')
    box(m, (-1.25, ly - 0.35, lz - 0.07), (-1.22, ly - 0.05, lz + 0.07), 'iron')
    box(m, (-1.22, ly - 0.28, lz - 0.015), (lx, ly - 0.25, lz + 0.015), 'iron')
    m.tube((lx, ly - 0.3, lz), (lx, ly - 0.25, lz), 0.05, 0.04, 8, 'iron', scale=0.5)
    candle(m, (lx, ly - 0.25, lz), 0.12, 0.02)


def build_parlour(house):
    rug(house, 'Parlour', (1.8, -16.2), (4.4, -7.8))
    sofa(house, 'Parlour', 3.1, -18.3, 0.0)
    armchair(house, 'Parlour', 2.1, -6.9, 180.0)
    armchair(house, 'Parlour', 4.0, -6.9, 170.0)
    table(house, 'Parlour', 3.1, -17.0, 0.9, 0.5, 0.45, what='tea table')
    with house.piece('Parlour', 'cabinet') as m:
        box(m, (4.25, 0.0, -17.6), (4.7, 1.9, -16.4), 'dark_wood')
        box(m, (4.22, 1.0, -17.1), (4.25, 1.05, -16.9), 'iron')
    with house.piece('Parlour', 'piano') as m:
        box(m, (4.05, 0.0, -11.0 + 2.6), (4.7, 1.25, -11.0 + 4.0), 'dark_wood')
        box(m, (3.85, 0.7, -11.0 + 2.65), (4.05, 0.78, -11.0 + 3.95), 'wax')
    for y in (0.0,):
        box(house.mesh('Parlour'), (1.45, 1.9, -7.0), (1.47, 2.6, -6.5), 'iron')
    picture(house, 'Parlour', (2.6, 1.8, -18.9), 1.1, 0.8, '+z', 2)
    picture(house, 'Parlour', (3.1, 1.8, -6.1), 1.0, 0.8, '-z', 0)


def build_dining(house):
    rug(house, 'Dining', (-4.2, -16.5), (-1.95, -8.5))
    table(house, 'Dining', -3.07, -12.5, 1.0, 5.0, 0.76, yaw=0.0, what='dining table')
    for k in range(4):
        z = -10.6 - k * 1.25
        chair(house, 'Dining', -3.85, z, 90.0)
        chair(house, 'Dining', -2.3, z, -90.0)
    chair(house, 'Dining', -3.07, -15.5, 0.0)
    chair(house, 'Dining', -3.07, -9.5, 180.0)
    with house.piece('Dining', 'sideboard') as m:
        box(m, (-4.7, 0.0, -13.6), (-4.25, 0.95, -11.4), 'dark_wood')
    picture(house, 'Dining', (-3.07, 1.8, -18.9), 1.3, 0.9, '+z', 1)
    # a cold chandelier over the table
    m = house.mesh('Dining')
    box(m, (-3.09, 2.6, -12.52), (-3.05, 3.2, -12.48), 'iron')
    m.tube((-3.07, 2.55, -12.5), (-3.07, 2.6, -12.5), 0.35, 0.35, 10, 'iron', scale=0.5)
    for k in range(6):
        a = k * math.pi / 3
        candle(m, (-3.07 + 0.3 * math.cos(a), 2.6, -12.5 + 0.3 * math.sin(a)), 0.1, 0.015)


def build_library(house):
    rug(house, 'Library', (2.0, -33.5), (4.2, -20.5))
    bookshelf(house, 'Library', 1.55, 4.6, -19.1, '-z')
    bookshelf(house, 'Library', 1.45, 2.2, -34.9, '+z')
    bookshelf(house, 'Library', 4.0, 4.7, -34.9, '+z')
    bookshelf(house, 'Library', -34.8, -25.0, 1.45, '+x', height=2.1)
    bookshelf(house, 'Library', -22.0, -19.2, 1.45, '+x', height=2.1)
    bookshelf(house, 'Library', -25.6, -23.0, 4.7, '-x', height=2.2)
    bookshelf(house, 'Library', -31.0, -28.4, 4.7, '-x', height=2.2)
    # stone fireplace on the outer wall; the fire light sits inside its opening
    m = house.mesh('Library')
    box(m, (3.9, 0.0, -28.2), (4.7, H, -27.6), 'stone', skip=('+x',))
    box(m, (3.9, 0.0, -26.4), (4.7, H, -25.8), 'stone', skip=('+x',))
    box(m, (3.9, 0.95, -27.6), (4.7, H, -26.4), 'stone', skip=('+x',))
    box(m, (4.6, 0.0, -27.6), (4.7, 0.95, -26.4), 'stone', skip=('+x',))
    box(m, (3.75, 1.15, -28.45), (4.7, 1.27, -25.55), 'dark_wood', skip=('+x',))
    box(m, (3.3, 0.0, -28.2), (3.9, 0.05, -25.8), 'stone', skip=('-y',))
    box(m, (3.9, 0.0, -27.6), (4.6, 0.03, -26.4), 'stone', skip=('-y',))
    house.obstacles.append(((3.3, 0.0, -28.45), (4.7, H, -25.55), 'fireplace'))
    for k, (z0, z1) in enumerate(((-27.4, -26.7), (-27.3, -26.55), (-27.45, -26.8))):
        x = 4.28 + 0.08 * (k - 1)
        m.tube((x, 0.09 + 0.07 * (k // 2), z0), (x + 0.05, 0.09 + 0.07 * (k // 2), z1), 0.06, 0.06, 6, 'bark')
    # a bed of embers under the logs, and tongues of flame of every height licking up between them
    for k in range(7):
        z = -27.42 + 0.14 * k
        x = 4.22 + 0.1 * ((k * 3) % 4) / 3
        m.lathe((x, 0.03, z), [(0.0, 0.0), (0.07, 0.015), (0.05, 0.04), (0.0, 0.05)], 5, 'fire', scale=0.5)
    for k in range(9):
        z = -27.36 + 0.09 * k
        x = 4.26 + 0.07 * ((k * 5) % 3) / 2
        tall = 0.66 - 0.28 * abs(k - 4) / 4 - 0.08 * (k % 2)
        base = 0.07 + 0.025 * (k % 3)
        m.lathe((x, 0.1, z), [(0.0, 0.0), (base, 0.04), (base * 0.7, tall * 0.45), (base * 0.3, tall * 0.8),
                              (0.0, tall)], 6, 'fire', scale=0.5)
    armchair(house, 'Library', 2.7, -25.3, 140.0)
    armchair(house, 'Library', 2.7, -28.9, 40.0)
    table(house, 'Library', 2.3, -31.8, 0.8, 1.4, 0.75, what='reading table')
    chair(house, 'Library', 2.95, -31.8, -90.0)


def build_music(house):
    rug(house, 'Music', (-4.2, -33.0), (-2.0, -21.0))
    with house.piece('Music', 'grand piano') as m:
        box(m, (-4.3, 0.62, -31.6), (-2.9, 0.98, -29.4), 'dark_wood')
        box(m, (-4.3, 0.98, -31.6), (-4.25, 1.5, -29.4), 'dark_wood')
        box(m, (-3.55, 0.7, -29.4), (-3.0, 0.75, -29.1), 'wax')
        for x, z in ((-4.2, -31.5), (-3.0, -31.5), (-3.6, -29.5)):
            box(m, (x - 0.05, 0.0, z - 0.05), (x + 0.05, 0.62, z + 0.05), 'dark_wood')
    with house.piece('Music', 'piano bench') as m:
        box(m, (-3.75, 0.0, -28.75), (-3.0, 0.48, -28.4), 'dark_wood')
    with house.piece('Music', 'harp') as m:
        m.tube((-4.3, 0.0, -21.0), (-4.1, 1.7, -21.1), 0.05, 0.03, 6, 'dark_wood')
        m.tube((-4.1, 1.7, -21.1), (-3.6, 0.1, -21.0), 0.03, 0.06, 6, 'dark_wood')
    for k, z in enumerate((-23.0, -24.0)):
        chair(house, 'Music', -2.2, z, -60.0 + 30 * k)
    with house.piece('Music', 'music stand') as m:
        m.tube((-2.6, 0.0, -27.2), (-2.6, 1.2, -27.2), 0.02, 0.02, 5, 'iron')
        m.rbox((-2.6, 1.25, -27.2), (0.45, 0.32, 0.02), 90.0, 'iron')
    picture(house, 'Music', (-4.7, 1.8, -27.0), 1.0, 0.75, '+x', 3)
    picture(house, 'Music', (-3.1, 1.8, -19.1), 0.9, 0.7, '-z', 1)


def chandelier(house, room, at, arms=6, r=0.32):
    """Candles on a ring of arms hung from the ceiling; the light sits under the hub and the arms, so
    they shade only the ceiling, in spokes."""
    cx, cy, cz = at
    with house.piece(room, 'chandelier') as m:
        m.tube((cx, H, cz), (cx, cy + 0.24, cz), 0.012, 0.012, 5, 'iron', caps=False)
        m.tube((cx, cy + 0.13, cz), (cx, cy + 0.24, cz), 0.04, 0.03, 8, 'gilt')
        for k in range(arms):
            a = 2 * math.pi * k / arms
            x, z = cx + r * math.cos(a), cz + r * math.sin(a)
            m.tube((cx, cy + 0.15, cz), (x, cy + 0.1, z), 0.01, 0.01, 4, 'gilt', caps=False)
            m.tube((x, cy + 0.09, z), (x, cy + 0.11, z), 0.035, 0.03, 6, 'gilt')
            candle(m, (x, cy + 0.11, z), 0.1, 0.018)


def build_gallery(house):
    rug(house, 'Gallery', (-3.8, -41.6), (3.8, -36.4))
    frames = [((-4.7, 1.7, -37.0), '+x', 0), ((-4.7, 1.7, -41.2), '+x', 1),
              ((4.7, 1.7, -36.9), '-x', 2), ((4.7, 1.7, -41.3), '-x', 3),
              ((-2.6, 1.7, -42.8), '+z', 2), ((2.6, 1.7, -42.8), '+z', 0),
              ((-1.9, 1.75, -35.1), '-z', 3), ((1.9, 1.75, -35.1), '-z', 1)]
    for center, facing, cell in frames:
        picture(house, 'Gallery', center, 1.0, 1.25, facing, cell)
    chandelier(house, 'Gallery', light_at(house, 'GalleryLamp'))
    for x in (-3.2, 3.6):
        with house.piece('Gallery', 'pedestal') as m:
            box(m, (x - 0.2, 0.0, -39.3), (x + 0.2, 1.1, -38.9), 'stone')
            m.lathe((x, 1.1, -39.1), [(0.0, 0.0), (0.16, 0.02), (0.18, 0.12), (0.1, 0.24), (0.09, 0.3),
                                      (0.13, 0.42), (0.12, 0.56), (0.0, 0.62)], 8, 'wax', scale=0.5)
    with house.piece('Gallery', 'bench') as m:
        box(m, (-2.6, 0.42, -40.4), (-1.4, 0.48, -39.9), 'velvet')
        box(m, (-2.55, 0.0, -40.35), (-2.45, 0.42, -39.95), 'dark_wood')
        box(m, (-1.55, 0.0, -40.35), (-1.45, 0.42, -39.95), 'dark_wood')


def curtain(house, room, x0, x1, face, y0, y1, folds=5):
    """A heavy drape hung against a wall facing +z: pleats as a zig-zag sheet, its folds deepest low down."""
    with house.piece(room, 'curtain') as m:
        n = folds * 2
        xs = [x0 + (x1 - x0) * k / n for k in range(n + 1)]
        for k in range(n):
            d0 = 0.03 if k % 2 == 0 else 0.13
            d1 = 0.13 if k % 2 == 0 else 0.03
            pts = [(xs[k], y0, face + d0), (xs[k + 1], y0, face + d1),
                   (xs[k + 1], y1, face + 0.5 * d1 + 0.02), (xs[k], y1, face + 0.5 * d0 + 0.02)]
            u0, u1 = (xs[k] - x0) / 0.8 * 2.5, (xs[k + 1] - x0) / 0.8 * 2.5
            m.quad(pts, [(u0, 0.0), (u1, 0.0), (u1, (y1 - y0) / 0.8), (u0, (y1 - y0) / 0.8)], 'velvet',
                   normal=(0.0, 0.0, 1.0))


def build_study(house):
    rug(house, 'Study', (-3.5, -50.3), (3.5, -44.2))
    # the writing desk against the back wall, in the lantern's light, papers and an open book on it
    with house.piece('Study', 'desk') as m:
        box(m, (-1.8, 0.74, -50.98), (-0.1, 0.79, -50.12), 'dark_wood')
        box(m, (-1.75, 0.0, -50.95), (-1.3, 0.74, -50.2), 'dark_wood')
        box(m, (-0.6, 0.0, -50.95), (-0.15, 0.74, -50.2), 'dark_wood')
        box(m, (-1.75, 0.79, -50.98), (-0.15, 1.05, -50.9), 'dark_wood')
        for x in (-1.52, -0.38):
            for y in (0.25, 0.55):
                box(m, (x - 0.05, y, -50.2), (x + 0.05, y + 0.025, -50.18), 'iron')
    m = house.mesh('Study')
    for (x, z, yaw, w, d) in ((-1.3, -50.5, 8.0, 0.3, 0.22), (-1.05, -50.38, -14.0, 0.22, 0.3),
                              (-0.55, -50.55, 25.0, 0.3, 0.22)):
        m.rbox((x, 0.795, z), (w, 0.005, d), yaw, 'paper', scale=0.3)
    for sgn in (-1, 1):
        m.obox((-0.85 + sgn * 0.11, 0.81, -50.62), (0.11, 0.012, 0.15), rot_z(-sgn * 8.0), 'paper', scale=0.3)
    m.tube((-0.4, 0.79, -50.75), (-0.4, 0.85, -50.75), 0.03, 0.025, 6, 'iron', scale=0.5)
    m.tube((-0.38, 0.84, -50.75), (-0.3, 1.02, -50.7), 0.004, 0.012, 4, 'paper', caps=False)
    chair(house, 'Study', -0.95, -49.7, 180.0, what='desk chair')
    # a globe on its stand between the desk and the fireside chairs
    with house.piece('Study', 'globe') as m:
        m.tube((-3.55, 0.0, -47.9), (-3.55, 0.72, -47.9), 0.03, 0.04, 5, 'dark_wood')
        m.tube((-3.55, 0.0, -47.9), (-3.55, 0.05, -47.9), 0.22, 0.2, 8, 'dark_wood')
        first = len(m.faces)
        m.lathe((-3.55, 0.72, -47.9), [(0.0, 0.0), (0.17, 0.05), (0.26, 0.28), (0.17, 0.51), (0.0, 0.56)],
                10, 'paintings', scale=1.0, u_repeat=1)
        # the sphere wrapped in the atlas' blue and green valley reads as seas and lands
        for k in range(first, len(m.faces)):
            idx, uvs, mat, sm = m.faces[k]
            m.faces[k] = (idx, tuple((0.5 + 0.5 * u, 0.5 * min(v / 0.85, 1.0)) for u, v in uvs), mat, sm)
        m.tube((-3.55, 1.0, -47.9), (-3.55, 1.025, -47.9), 0.31, 0.31, 12, 'gilt', caps=False)
        m.tube((-3.55, 0.7, -48.21), (-3.55, 1.32, -47.59), 0.01, 0.01, 4, 'gilt', caps=False)
    armchair(house, 'Study', -2.6, -44.1, 200.0)
    armchair(house, 'Study', 3.4, -45.0, 250.0)
    armchair(house, 'Study', 3.3, -48.3, 300.0)
    table(house, 'Study', 3.9, -46.65, 0.5, 0.5, 0.55, what='side table')
    # one low bookcase is all the study keeps of the library's shelves
    bookshelf(house, 'Study', -46.0, -43.4, -4.7, '+x', height=1.5)
    # heavy curtains at the window, drawn back, under a pelmet
    x0, x1, _y0, y1 = STUDY_WINDOW
    curtain(house, 'Study', x0 - 0.6, x0 - 0.02, -51.0, 0.02, y1 + 0.45)
    curtain(house, 'Study', x1 + 0.02, x1 + 0.6, -51.0, 0.02, y1 + 0.45)
    with house.piece('Study', 'pelmet') as m:
        box(m, (x0 - 0.68, y1 + 0.38, -51.0), (x1 + 0.68, y1 + 0.62, -50.8), 'dark_wood')
    picture(house, 'Study', (3.2, 1.8, -43.0), 1.0, 0.8, '-z', 3)
    picture(house, 'Study', (-4.7, 1.75, -49.0), 0.7, 0.9, '+x', 0)
    # the iron bracket the lantern hangs from
    m = house.mesh('Study')
    px, py, pz = LANTERN_PIVOT
    box(m, (px - 0.09, py - 0.25, -51.0), (px + 0.09, py + 0.12, -50.97), 'iron')
    box(m, (px - 0.015, py + 0.04, -50.97), (px + 0.015, py + 0.08, pz + 0.03), 'iron')
    m.tube((px, py + 0.04, -50.97), (px, py + 0.04 - 0.3, -50.97 + 0.0001), 0.012, 0.012, 5, 'iron')
    box(m, (px - 0.01, py - 0.005, pz - 0.01), (px + 0.01, py + 0.04, pz + 0.01), 'iron')
    m.tube((px, py + 0.06, pz + 0.03), (px, py - 0.005, pz + 0.03), 0.02, 0.02, 6, 'iron')


def build_front_rooms(house):
    for room, x0, x1 in (('FrontLeft', -4.7, -4.15), ('FrontRight', 4.15, 4.7)):
        with house.piece(room, 'wardrobe') as m:
            box(m, (x0, 0.0, -5.5), (x1, 2.1, -4.2), 'dark_wood')
        table(house, room, 0.5 * (x0 + x1) + (1.6 if x0 < 0 else -1.6), -2.0, 0.8, 0.8, 0.72)


def build():
    house = House()
    build_walls(house)
    build_floors(house)
    build_roof(house)
    build_porch(house)
    build_ground(house)
    build_hall(house)
    build_parlour(house)
    build_dining(house)
    build_library(house)
    build_music(house)
    build_gallery(house)
    build_study(house)
    build_front_rooms(house)
    return house


if __name__ == '__main__':
    h = build()
    total = 0
    for name, m in h.meshes.items():
        print(f'{name:12s} {m.triangles():6d} tris')
        total += m.triangles()
    print('total', total, 'walls', len(h.walls), 'obstacles', len(h.obstacles))
