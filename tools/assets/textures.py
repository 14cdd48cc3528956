#!/usr/bin/env python3
# Procedural model textures: a diffuse map and a matching tangent-space normal map each.
"""Writes NAME_diffuse.png (RGB, sRGB colours) and NAME_normal.png (OpenGL
convention: red = +u, green = +v, i.e. up in the image) into each model's
folder under Resources/models/. Every texture tiles seamlessly and comes from
a fixed seed, so a rebuild writes the same bytes.

usage: textures.py [OUTPUT_MODELS_DIR]
"""
import os
import sys
import zlib

import numpy as np
from PIL import Image

MODEL_TEXTURES = {
    'house': ['floor_wood', 'wallpaper_gold', 'wallpaper_red', 'wallpaper_green', 'wallpaper_blue',
              'wallpaper_plum', 'wallpaper_teal', 'panel_oak', 'plaster', 'stone', 'roof_slate', 'dark_wood', 'boards', 'grass', 'rug', 'books',
              'iron', 'fire', 'wax', 'paintings', 'velvet', 'bark', 'gilt', 'paper'],
    'candle1': ['rug_circle', 'wax', 'fire', 'iron', 'bone'],
    'candle2': ['iron', 'wax', 'fire'],
    'ghost_player': ['ghost_cloth', 'ghost_eyes', 'window_glass'],
}


# -- noise -------------------------------------------------------------------

def rng_for(name, salt=0):
    return np.random.default_rng(zlib.crc32(name.encode()) + salt)


def value_noise(n, cells, rng):
    """Tileable smooth noise in [0, 1] on an n x n grid, cells per side."""
    g = rng.random((cells, cells))
    t = np.arange(n) * cells / n
    i0 = np.floor(t).astype(int) % cells
    i1 = (i0 + 1) % cells
    f = t - np.floor(t)
    f = f * f * (3 - 2 * f)
    a = g[i0][:, i0] * (1 - f)[None, :] + g[i0][:, i1] * f[None, :]
    b = g[i1][:, i0] * (1 - f)[None, :] + g[i1][:, i1] * f[None, :]
    return a * (1 - f)[:, None] + b * f[:, None]


def fbm(n, rng, base=4, octaves=5, gain=0.5, aspect=(1, 1)):
    """Sum of octaves; aspect stretches cells (rows, columns) for grain."""
    out = np.zeros((n, n))
    amp, total = 1.0, 0.0
    for o in range(octaves):
        cr = max(1, base * aspect[0] * 2 ** o)
        cc = max(1, base * aspect[1] * 2 ** o)
        if cr == cc:
            layer = value_noise(n, cr, rng)
        else:
            layer = stretched_noise(n, cr, cc, rng)
        out += amp * layer
        total += amp
        amp *= gain
    return out / total


def stretched_noise(n, cr, cc, rng):
    g = rng.random((cr, cc))
    def axis(cells):
        t = np.arange(n) * cells / n
        i0 = np.floor(t).astype(int) % cells
        f = t - np.floor(t)
        return i0, (i0 + 1) % cells, f * f * (3 - 2 * f)
    r0, r1, fr = axis(cr)
    c0, c1, fc = axis(cc)
    a = g[r0][:, c0] * (1 - fc)[None, :] + g[r0][:, c1] * fc[None, :]
    b = g[r1][:, c0] * (1 - fc)[None, :] + g[r1][:, c1] * fc[None, :]
    return a * (1 - fr)[:, None] + b * fr[:, None]


def grid(n):
    y, x = np.mgrid[0:n, 0:n] / n
    return x, y


def mix(c0, c1, t):
    c0, c1 = np.asarray(c0, float), np.asarray(c1, float)
    return c0 + (c1 - c0) * t[..., None]


def normal_map(height, strength):
    """Tangent-space normals from a tileable height field (1 = one tile)."""
    n = height.shape[0]
    dx = (np.roll(height, -1, axis=1) - np.roll(height, 1, axis=1)) * 0.5 * 6.0
    dy = (np.roll(height, -1, axis=0) - np.roll(height, 1, axis=0)) * 0.5 * 6.0
    # image rows run downward, v runs upward: dh/dv = -dh/drow
    nx, ny, nz = -dx * strength, dy * strength, np.ones_like(height)
    ln = np.sqrt(nx * nx + ny * ny + nz * nz)
    rgb = np.stack([nx / ln, ny / ln, nz / ln], axis=-1)
    return np.clip(np.round((rgb * 0.5 + 0.5) * 255), 0, 255).astype(np.uint8)


def to8(rgb, levels=None):
    rgb = np.clip(rgb, 0.0, 1.0)
    return np.round(rgb * 255).astype(np.uint8)


def smooth(h, passes=1):
    for _ in range(passes):
        h = (h + np.roll(h, 1, 0) + np.roll(h, -1, 0) + np.roll(h, 1, 1) + np.roll(h, -1, 1)) / 5.0
    return h


def staggered_rows(x, y, rows, r):
    """Planks or blocks: each texel's row, the pieces per tile of each row (2 or 3) and the position
    along its row in pieces, every row shifted by a random offset."""
    row = np.floor(y * rows).astype(int)
    offs = r.random(rows)
    counts = r.integers(2, 4, rows)
    return row, counts, (x + offs[row]) * counts[row]


# -- materials ---------------------------------------------------------------
# Each returns (diffuse RGB float n x n x 3 in 0..1, height n x n, normal strength).

def floor_wood(n=512):
    r = rng_for('floor_wood')
    x, y = grid(n)
    rows = 10
    row, _, u = staggered_rows(x, y, rows, r)
    plank = np.floor(u).astype(int) + row * 7
    tint = (np.sin(plank * 12.9898) * 43758.5453) % 1.0
    grain = fbm(n, r, base=2, octaves=5, aspect=(8, 1))
    rings = 0.5 + 0.5 * np.sin((grain * 18 + y * rows * 3.0) * np.pi)
    base = mix((0.28, 0.17, 0.09), (0.48, 0.30, 0.16), 0.35 * tint + 0.35 * rings + 0.3 * grain)
    fy = (y * rows) % 1.0
    fx = u % 1.0
    gap = np.minimum(np.minimum(fy, 1 - fy) * 40, 1.0) * np.minimum(np.minimum(fx, 1 - fx) * 60, 1.0)
    base *= (0.55 + 0.45 * gap)[..., None]
    wear = fbm(n, r, base=3, octaves=3)
    base *= (0.85 + 0.25 * wear)[..., None]
    height = 0.6 * gap + 0.04 * rings
    return base, smooth(height), 1.5


def wallpaper(name, ground, ink, stripes=False):
    def make(n=512):
        r = rng_for(name)
        x, y = grid(n)
        # damask: medallions on a half-drop lattice, joined by thin vines, between stripes
        cols, rows = 3, 2
        gx, gy = x * cols, y * rows
        row = np.floor(gy)
        cu = (gx + 0.5 * (row % 2)) % 1.0 - 0.5
        cv = gy % 1.0 - 0.5
        rad = np.hypot(cu * 1.6, cv)
        ang = np.arctan2(cv, cu * 1.6)
        petal = 0.30 * (0.7 + 0.3 * np.cos(6 * ang)) * (0.85 + 0.15 * np.cos(2 * ang))
        medal = np.clip((petal - rad) * 40, 0, 1)
        hole = np.clip((0.07 - rad) * 60, 0, 1)
        ring = np.clip(1 - np.abs(rad - 0.36) * 60, 0, 1) * (np.cos(16 * ang) > 0)
        vine = np.clip(1 - np.abs(np.abs(cu) - 0.5 + 0.12 * np.cos(cv * 2 * np.pi)) * 70, 0, 1)
        pattern = np.clip(medal - hole + 0.6 * ring + 0.5 * vine, 0, 1)
        stripe = np.clip(1 - np.abs(((x * cols * 2) % 1.0) - 0.5) * 6, 0, 1) * (0.8 if stripes else 0.0)
        stain = fbm(n, r, base=2, octaves=4)
        col = mix(ground, ink, np.clip(pattern + stripe, 0, 1))
        col *= (0.72 + 0.4 * stain)[..., None]
        col = mix(col, np.array(ground) * 0.6 + 0.08, np.clip((stain - 0.7) * 2, 0, 1) * 0.5)
        height = 0.35 * smooth(pattern, 2) + 0.04 * fbm(n, r, base=32, octaves=2)
        return col, height, 0.8
    return make


def plaster(n=512):
    r = rng_for('plaster')
    h = fbm(n, r, base=4, octaves=6)
    col = mix((0.27, 0.26, 0.25), (0.37, 0.36, 0.34), h)
    dirt = fbm(n, r, base=2, octaves=3)
    col *= (0.8 + 0.25 * dirt)[..., None]
    return col, h * 0.25, 1.0


def wood(name, n, dark, light, rings_per_grain, rings_across):
    """Long grain with rings across it: the colour, the rings, the grain and the x of each texel."""
    r = rng_for(name)
    x, _ = grid(n)
    grain = fbm(n, r, base=2, octaves=5, aspect=(1, 8))
    rings = 0.5 + 0.5 * np.sin((grain * rings_per_grain + x * rings_across) * np.pi)
    return mix(dark, light, 0.55 * rings + 0.45 * grain), rings, grain, x


def dark_wood(n=512):
    col, rings, grain, _ = wood('dark_wood', n, (0.15, 0.09, 0.05), (0.32, 0.19, 0.10), 14, 9)
    return col, 0.15 * rings + 0.1 * grain, 1.0


def panel_oak(n=512):
    """Raised oak panels, two by two to a tile, for the library's walls."""
    col, _, grain, x = wood('panel_oak', n, (0.30, 0.18, 0.08), (0.50, 0.32, 0.15), 12, 7)
    y = grid(n)[1]
    fx, fy = (x * 2) % 1.0, (y * 2) % 1.0
    inset = np.minimum(np.minimum(fx, 1 - fx), np.minimum(fy, 1 - fy))
    frame = np.clip((0.12 - inset) * 30, 0, 1)
    bevel = np.clip(1 - np.abs(inset - 0.12) * 60, 0, 1)
    col *= (1.0 - 0.25 * frame - 0.2 * bevel)[..., None]
    height = 0.5 * (1 - frame) + 0.1 * grain
    return col, smooth(height, 2), 1.6


def boards(n=512):
    r = rng_for('boards')
    x, y = grid(n)
    rows = 10
    fy = (y * rows) % 1.0
    row = np.floor(y * rows).astype(int)
    grain = fbm(n, r, base=2, octaves=5, aspect=(8, 1))
    weather = fbm(n, r, base=3, octaves=4)
    tint = (np.sin(row * 91.7) * 43758.5453) % 1.0
    col = mix((0.24, 0.24, 0.25), (0.44, 0.42, 0.40), 0.4 * grain + 0.35 * weather + 0.25 * tint)
    # clapboard: each board thicker at its bottom edge, a dark line under it
    shade = np.where(fy > 0.9, 0.4, 1.0)
    col *= shade[..., None]
    height = (1 - fy) * 0.5 + 0.05 * grain
    return col, smooth(height), 1.4


def grass(n=512):
    r = rng_for('grass')
    low = fbm(n, r, base=3, octaves=3)
    blades = fbm(n, r, base=64, octaves=2)
    col = mix((0.07, 0.09, 0.07), (0.17, 0.21, 0.13), 0.6 * blades + 0.4 * low)
    dead = np.clip((low - 0.55) * 3, 0, 1)
    col = mix(col, np.array([0.20, 0.19, 0.13]), dead * 0.6)
    return col, 0.4 * blades + 0.2 * low, 1.5


def rug(n=512):
    r = rng_for('rug')
    x, y = grid(n)
    dx, dy = np.abs(x - 0.5), np.abs(y - 0.5)
    border = np.maximum(dx, dy)
    band = ((border > 0.40) & (border < 0.46)).astype(float)
    edge = (border > 0.475).astype(float)
    medal = np.clip(1 - (dx + dy) * 3.2, 0, 1)
    diam = (np.cos(2 * np.pi * 10 * (x + y)) * np.cos(2 * np.pi * 10 * (x - y)) > 0.5).astype(float)
    field = mix((0.30, 0.04, 0.05), (0.42, 0.08, 0.07), diam * 0.6)
    col = mix(field, np.array([0.08, 0.10, 0.22]), band)
    col = mix(col, np.array([0.55, 0.40, 0.18]), np.clip(medal * 2.5 - 0.3, 0, 1) * (1 - band))
    col = mix(col, np.array([0.45, 0.35, 0.20]), edge)
    wear = fbm(n, r, base=6, octaves=4)
    col *= (0.65 + 0.45 * wear)[..., None]
    weave = fbm(n, r, base=128, octaves=1)
    return col, 0.3 * weave + 0.2 * band, 1.0


def rug_circle(n=512):
    """A worn round rug with a chalk circle and marks for the candles."""
    r = rng_for('rug_circle')
    x, y = grid(n)
    px, py = x - 0.5, y - 0.5
    rad = np.sqrt(px * px + py * py) * 2
    ang = np.arctan2(py, px)
    field = mix((0.20, 0.05, 0.06), (0.30, 0.09, 0.08), fbm(n, r, base=8, octaves=3))
    ring1 = np.clip(1 - np.abs(rad - 0.80) * 120, 0, 1)
    ring2 = np.clip(1 - np.abs(rad - 0.70) * 150, 0, 1)
    star = np.zeros_like(rad)
    pts = [(0.70 * np.cos(a), 0.70 * np.sin(a)) for a in np.pi / 2 + np.arange(5) * 4 * np.pi / 5]
    for i in range(5):
        (ax_, ay), (bx, by) = pts[i], pts[(i + 2) % 5]
        qx, qy = px * 2, py * 2
        t = np.clip(((qx - ax_) * (bx - ax_) + (qy - ay) * (by - ay)) / ((bx - ax_) ** 2 + (by - ay) ** 2), 0, 1)
        d = np.hypot(qx - ax_ - t * (bx - ax_), qy - ay - t * (by - ay))
        star = np.maximum(star, np.clip(1 - d * 130, 0, 1))
    glyphs = ((np.sin(ang * 24) > 0.6) & (rad > 0.72) & (rad < 0.78)).astype(float) * 0.8
    chalk = np.clip(ring1 + ring2 + star + glyphs, 0, 1)
    smudge = fbm(n, r, base=16, octaves=3)
    chalk *= np.clip(smudge * 1.6 - 0.1, 0, 1)
    fringe = np.clip((rad - 0.93) * 30, 0, 1)
    col = mix(field, np.array([0.78, 0.76, 0.70]), chalk)
    col = mix(col, np.array([0.40, 0.32, 0.20]), fringe)
    col *= (0.7 + 0.4 * fbm(n, r, base=4, octaves=3))[..., None]
    weave = fbm(n, r, base=128, octaves=1)
    return col, 0.3 * weave + 0.15 * chalk, 0.8


def books(n=512):
    r = rng_for('books')
    x, y = grid(n)
    # spines of random widths across the tile (0.6 m), one shelf tall (0.3 m)
    widths = r.uniform(0.018, 0.05, 80) / 0.6
    edges = np.cumsum(widths)
    edges = edges[edges < 1.0]
    edges = edges / edges[-1]
    idx = np.searchsorted(edges, x)
    palette = np.array([[0.30, 0.06, 0.05], [0.08, 0.16, 0.10], [0.07, 0.09, 0.20], [0.25, 0.17, 0.08],
                        [0.35, 0.28, 0.18], [0.14, 0.05, 0.10], [0.20, 0.20, 0.18]])
    choice = r.integers(0, len(palette), len(edges))
    tops = r.uniform(0.08, 0.3, len(edges))
    col = palette[choice][idx] * r.uniform(0.7, 1.2, len(edges))[idx][..., None]
    left = np.concatenate([[0.0], edges[:-1]])
    f = (x - left[idx]) / (edges[idx] - left[idx])
    roundness = np.sin(np.clip(f, 0, 1) * np.pi)
    col = col * (0.5 + 0.5 * roundness)[..., None]
    bands = ((np.abs(y - 0.2) < 0.012) | (np.abs(y - 0.75) < 0.012)).astype(float)
    col = mix(col, np.array([0.55, 0.42, 0.15]), bands * (choice[idx] % 2))
    gap = (y < tops[idx]).astype(float)          # shorter books leave a dark gap above
    col *= (1 - 0.85 * gap)[..., None]
    height = 0.6 * roundness * (1 - gap) + 0.1 * bands
    return col, height, 1.5


def iron(n=256):
    r = rng_for('iron')
    h = fbm(n, r, base=8, octaves=5)
    rust = np.clip((fbm(n, r, base=4, octaves=4) - 0.55) * 3, 0, 1)
    col = mix((0.07, 0.07, 0.08), (0.16, 0.16, 0.17), h)
    col = mix(col, np.array([0.25, 0.12, 0.05]), rust * 0.8)
    return col, 0.3 * h + 0.2 * rust, 1.2


def fire(n=256):
    r = rng_for('fire')
    x, y = grid(n)
    h = fbm(n, r, base=4, octaves=4, aspect=(1, 2))
    t = np.clip(0.5 + 0.9 * (h - 0.5), 0, 1)
    col = mix((1.0, 0.32, 0.02), (1.0, 0.78, 0.18), t)
    return col, 0.1 * h, 0.3


def wax(n=256):
    r = rng_for('wax')
    h = fbm(n, r, base=4, octaves=4, aspect=(2, 1))
    col = mix((0.70, 0.64, 0.52), (0.86, 0.82, 0.70), h)
    return col, 0.2 * h, 0.6


def bone(n=256):
    r = rng_for('bone')
    h = fbm(n, r, base=6, octaves=5)
    col = mix((0.50, 0.45, 0.36), (0.72, 0.68, 0.58), h)
    return col, 0.3 * h, 1.0


def velvet(n=256):
    r = rng_for('velvet')
    h = fbm(n, r, base=4, octaves=4)
    weave = fbm(n, r, base=64, octaves=1)
    col = mix((0.16, 0.03, 0.05), (0.34, 0.07, 0.09), 0.7 * h + 0.3 * weave)
    return col, 0.3 * weave + 0.2 * h, 0.8


def bark(n=256):
    r = rng_for('bark')
    x, y = grid(n)
    ridges = fbm(n, r, base=2, octaves=5, aspect=(1, 6))
    ridge = np.abs(np.sin(ridges * 12))
    col = mix((0.16, 0.15, 0.14), (0.46, 0.44, 0.42), 0.6 * ridge + 0.4 * ridges)
    return col, 0.35 * smooth(ridge, 2), 1.0


def stone(n=512):
    """Dressed blocks in mortar, each block its own grey, so walls, hearth and chimney read as stone."""
    r = rng_for('stone')
    x, y = grid(n)
    rows = 5
    row, counts, u = staggered_rows(x, y, rows, r)
    block = np.floor(u).astype(int) * 13 + row * 5
    tint = (np.sin(block * 78.233) * 43758.5453) % 1.0
    warm = (np.sin(block * 12.9898 + 4.1) * 43758.5453) % 1.0
    fy = (y * rows) % 1.0
    fx = u % 1.0
    edge = np.minimum(np.minimum(fy, 1 - fy) * rows * 2.2, 1.0) * np.minimum(
        np.minimum(fx, 1 - fx) * 2.2 * rows / counts[row], 1.0)
    rough = fbm(n, r, base=8, octaves=5)
    face = np.clip(edge * 4, 0, 1) ** 0.5
    col = mix((0.30, 0.30, 0.32), (0.58, 0.56, 0.52), 0.6 * tint + 0.4 * rough)
    col = mix(col, col * np.array([1.08, 0.98, 0.86]), warm)
    col *= (0.35 + 0.65 * face)[..., None]
    height = 0.7 * face + 0.2 * rough
    return col, smooth(height), 2.0


def roof_slate(n=512):
    """Overlapping blue-grey slates: each its own shade, a pale worn lower edge, dark gaps between."""
    r = rng_for('roof_slate')
    x, y = grid(n)
    rows = 8
    row = np.floor(y * rows).astype(int)
    u = x * 6 + (row % 2) * 0.5
    tile = np.floor(u).astype(int) * 3 + row * 11
    tint = (np.sin(tile * 45.164) * 43758.5453) % 1.0
    fy = (y * rows) % 1.0
    fx = u % 1.0
    rough = fbm(n, r, base=8, octaves=4)
    streak = fbm(n, r, base=2, octaves=3, aspect=(1, 6))
    lap = fy      # each slate is thickest at its lower edge
    col = mix((0.16, 0.18, 0.23), (0.36, 0.39, 0.46), 0.55 * tint + 0.3 * rough + 0.15 * streak)
    side = np.minimum(np.minimum(fx, 1 - fx) * 40, 1.0)
    under = np.clip((0.08 - fy) * 30, 0, 1)           # the shadowed gap under the slate above
    lip = np.clip((fy - 0.86) * 12, 0, 1)             # the worn, lighter lower edge
    col *= (0.45 + 0.55 * side)[..., None] * (1 - 0.6 * under)[..., None]
    col = mix(col, col * 1.35 + 0.03, lip * side)
    moss = np.clip((fbm(n, r, base=3, octaves=3) - 0.62) * 4, 0, 1)
    col = mix(col, np.array([0.20, 0.22, 0.14]), moss * 0.5)
    height = 0.5 * lap * side + 0.1 * rough
    return col, height, 1.6


def gilt(n=256):
    """Carved, gilded picture-frame moulding: bright ridges, darker worn hollows."""
    r = rng_for('gilt')
    x, y = grid(n)
    bead = 0.5 + 0.5 * np.cos(2 * np.pi * 8 * (x + 0.15 * np.sin(2 * np.pi * 2 * y)))
    ridge = 0.5 + 0.5 * np.cos(2 * np.pi * 3 * y)
    wear = fbm(n, r, base=6, octaves=4)
    relief = 0.55 * bead + 0.45 * ridge
    col = mix((0.30, 0.20, 0.07), (0.86, 0.66, 0.30), np.clip(0.75 * relief + 0.35 * wear - 0.05, 0, 1))
    return col, 0.6 * relief + 0.1 * wear, 1.6


def paper(n=256):
    """Old paper: a creamy sheet with rows of brown ink script and foxing; on the globe, an old map."""
    r = rng_for('paper')
    x, y = grid(n)
    ground = mix((0.70, 0.63, 0.48), (0.86, 0.80, 0.64), fbm(n, r, base=4, octaves=4))
    rows = 12
    fy = (y * rows) % 1.0
    line = np.clip(1 - np.abs(fy - 0.5) * 9, 0, 1)
    words = fbm(n, r, base=6, octaves=2, aspect=(12, 3)) > 0.45
    script = line * words * (fbm(n, r, base=64, octaves=1) > 0.4) * ((x > 0.08) & (x < 0.92))
    col = mix(ground, np.array([0.25, 0.16, 0.09]), script * 0.8)
    fox = np.clip((fbm(n, r, base=8, octaves=3) - 0.65) * 4, 0, 1)
    col = mix(col, np.array([0.55, 0.40, 0.22]), fox * 0.5)
    return col, 0.15 * script, 0.4


def paintings(n=512):
    """Four oils in a 2 x 2 atlas under warm varnish: portrait, moonlit valley, ship at sunset, the manor."""
    r = rng_for('paintings')
    x, y = grid(n)
    col = np.zeros((n, n, 3))
    h = fbm(n, r, base=16, octaves=3)
    for cell in range(4):
        cx, cy = cell % 2, cell // 2
        # image rows: v = 0 is the top row after the importer's flip, so cell row cy sits at rows cy*n/2
        sl = (slice(cy * n // 2, (cy + 1) * n // 2), slice(cx * n // 2, (cx + 1) * n // 2))
        u = (x[sl] - cx * 0.5) * 2
        v = 1 - (y[sl] - cy * 0.5) * 2      # 0 at the bottom of the picture
        if cell == 0:   # portrait of a lady in crimson against an olive ground
            img = mix((0.22, 0.20, 0.08), (0.50, 0.44, 0.20), v)
            glow = np.exp(-((u - 0.5) ** 2 + (v - 0.6) ** 2) / 0.08)
            img = mix(img, np.array([0.62, 0.54, 0.28]), glow * 0.6)
            body = ((u - 0.5) / 0.36) ** 2 + ((v - 0.08) / 0.45) ** 2 < 1
            img[body] = (0.62, 0.08, 0.08)
            collar = body & (((u - 0.5) / 0.2) ** 2 + ((v - 0.44) / 0.06) ** 2 < 1)
            img[collar] = (0.90, 0.88, 0.80)
            hair = ((u - 0.5) / 0.19) ** 2 + ((v - 0.68) / 0.23) ** 2 < 1
            img[hair] = (0.22, 0.12, 0.06)
            face = ((u - 0.5) / 0.14) ** 2 + ((v - 0.62) / 0.18) ** 2 < 1
            img[face] = (0.90, 0.72, 0.58)
            eyes = (((u - 0.45) / 0.025) ** 2 + ((v - 0.65) / 0.013) ** 2 < 1) | \
                   (((u - 0.55) / 0.025) ** 2 + ((v - 0.65) / 0.013) ** 2 < 1)
            img[eyes] = (0.15, 0.10, 0.08)
            lips = ((u - 0.5) / 0.035) ** 2 + ((v - 0.55) / 0.012) ** 2 < 1
            img[lips] = (0.70, 0.20, 0.18)
        elif cell == 1:  # a moon over a blue valley, a river, a bare tree
            img = mix((0.30, 0.42, 0.66), (0.08, 0.14, 0.34), v)
            moon = ((u - 0.7) ** 2 + (v - 0.76) ** 2) < 0.01
            halo = np.exp(-((u - 0.7) ** 2 + (v - 0.76) ** 2) / 0.03)
            img = mix(img, np.array([0.60, 0.68, 0.80]), halo * 0.5)
            img[moon] = (0.98, 0.95, 0.80)
            far = v < 0.42 + 0.08 * np.sin(u * 5.0 + 1.0)
            img[far] = (0.20, 0.30, 0.42)
            hill = v < 0.3 + 0.12 * np.sin(u * 3.0)
            img[hill] = (0.16, 0.34, 0.18)
            river = hill & (np.abs(u - 0.55 - 0.15 * np.sin(v * 9)) < 0.04 + 0.1 * (0.3 - v))
            img[river] = (0.55, 0.66, 0.80)
            trunk = (np.abs(u - 0.25) < 0.015) & (v < 0.66) & (v > 0.2)
            img[trunk] = (0.10, 0.07, 0.05)
        elif cell == 2:  # a ship under a sunset sky
            img = mix((0.95, 0.62, 0.25), (0.45, 0.30, 0.52), np.clip((v - 0.35) / 0.65, 0, 1))
            sun = np.exp(-((u - 0.3) ** 2 + (v - 0.42) ** 2) / 0.01)
            img = mix(img, np.array([1.0, 0.92, 0.60]), sun)
            sea = v < 0.35 + 0.02 * np.sin(u * 30)
            img[sea] = (0.10, 0.30, 0.42)
            glint = sea & (np.abs(u - 0.3) < 0.06 * (1 - v / 0.35) + 0.01) & (np.sin(v * 120) > 0.3)
            img[glint] = (0.95, 0.75, 0.40)
            hull = (v > 0.30) & (v < 0.38) & (np.abs(u - 0.6) < 0.22 - (0.38 - v))
            img[hull] = (0.35, 0.18, 0.08)
            mast = (np.abs(u - 0.6) < 0.01) & (v > 0.36) & (v < 0.82)
            img[mast] = (0.25, 0.14, 0.06)
            sail = (v > 0.45) & (v < 0.78) & (np.abs(u - 0.66) < 0.12 * (0.84 - v) / 0.35)
            img[sail] = (0.95, 0.90, 0.78)
        else:            # the manor on a summer evening, a lamp in one window
            img = mix((0.75, 0.62, 0.45), (0.32, 0.48, 0.72), v)
            lawn = v < 0.22 + 0.03 * np.sin(u * 7)
            img[lawn] = (0.22, 0.45, 0.16)
            house = (np.abs(u - 0.5) < 0.28) & (v > 0.2) & (v < 0.55)
            roof = (v >= 0.55) & (v < 0.55 + 0.3 * (1 - np.abs(u - 0.5) / 0.32)) & (np.abs(u - 0.5) < 0.32)
            img[house] = (0.62, 0.56, 0.48)
            img[roof] = (0.30, 0.30, 0.38)
            for wx in (0.36, 0.5, 0.64):
                win = (np.abs(u - wx) < 0.035) & (np.abs(v - 0.4) < 0.05)
                img[win] = (1.0, 0.80, 0.35) if wx == 0.64 else (0.20, 0.22, 0.30)
            door = (np.abs(u - 0.5) < 0.03) & (v > 0.2) & (v < 0.3)
            img[door] = (0.30, 0.16, 0.08)
            tree = ((u - 0.12) / 0.09) ** 2 + ((v - 0.42) / 0.2) ** 2 < 1
            img[tree] = (0.12, 0.30, 0.12)
        col[sl] = img
    crack = fbm(n, r, base=24, octaves=2)
    col = col * np.array([1.0, 0.95, 0.82]) * (0.88 + 0.2 * h)[..., None] - 0.015 * (crack > 0.72)[..., None]
    return col, 0.3 * h, 0.8


def ghost_cloth(n=512):
    r = rng_for('ghost_cloth')
    x, y = grid(n)
    folds = fbm(n, r, base=3, octaves=4, aspect=(1, 4))
    fine = fbm(n, r, base=64, octaves=1)
    col = mix((0.62, 0.66, 0.72), (0.86, 0.89, 0.93), 0.7 * folds + 0.3 * fine)
    return col, 0.6 * folds + 0.05 * fine, 1.5


def ghost_eyes(n=256):
    r = rng_for('ghost_eyes')
    h = fbm(n, r, base=4, octaves=3)
    col = mix((0.01, 0.01, 0.015), (0.04, 0.04, 0.05), h)
    return col, 0.1 * h, 0.5


def window_glass(n=256):
    """One pane of old glass (u, v from 0 to 1 across it): night blue with drawn streaks and a bright
    sheen across a corner, its surface faintly wavy so a tumbling shard flashes as it turns."""
    r = rng_for('window_glass')
    x, y = grid(n)
    streaks = fbm(n, r, base=2, octaves=3, aspect=(1, 12))
    col = mix((0.16, 0.22, 0.32), (0.30, 0.38, 0.50), 0.4 * y + 0.6 * streaks)
    d = x - y
    sheen = np.exp(-((d - 0.18) / 0.09) ** 2) + 0.5 * np.exp(-((d - 0.42) / 0.04) ** 2)
    col = mix(col, (0.85, 0.90, 0.96), 0.6 * sheen)
    rim = np.clip(1 - np.minimum(np.minimum(x, 1 - x), np.minimum(y, 1 - y)) * 30, 0, 1)
    col = mix(col, (0.70, 0.80, 0.88), 0.5 * rim)
    return col, 0.25 * streaks, 0.8


MAKERS = {
    'floor_wood': floor_wood,
    # each room its own paper, so a viewer knows where the ghost is
    'wallpaper_gold': wallpaper('wallpaper_gold', (0.55, 0.42, 0.22), (0.45, 0.33, 0.15)),
    'wallpaper_red': wallpaper('wallpaper_red', (0.46, 0.10, 0.10), (0.28, 0.05, 0.06)),
    'wallpaper_green': wallpaper('wallpaper_green', (0.22, 0.36, 0.24), (0.46, 0.50, 0.36), stripes=True),
    'wallpaper_blue': wallpaper('wallpaper_blue', (0.18, 0.24, 0.40), (0.40, 0.44, 0.56)),
    'wallpaper_plum': wallpaper('wallpaper_plum', (0.32, 0.16, 0.34), (0.52, 0.38, 0.50)),
    'wallpaper_teal': wallpaper('wallpaper_teal', (0.14, 0.32, 0.34), (0.36, 0.52, 0.50)),
    'panel_oak': panel_oak,
    'plaster': plaster, 'stone': stone, 'roof_slate': roof_slate, 'dark_wood': dark_wood,
    'boards': boards, 'grass': grass, 'rug': rug, 'rug_circle': rug_circle, 'books': books,
    'iron': iron, 'fire': fire, 'wax': wax, 'bone': bone, 'velvet': velvet, 'bark': bark,
    'paintings': paintings, 'gilt': gilt, 'paper': paper, 'ghost_cloth': ghost_cloth, 'ghost_eyes': ghost_eyes,
    'window_glass': window_glass,
}


def save_png(img, path):
    Image.fromarray(img, 'RGB').save(path, optimize=True)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), '..', '..', 'Resources', 'models')
    cache = {}
    for model, names in MODEL_TEXTURES.items():
        out = os.path.join(root, model)
        os.makedirs(out, exist_ok=True)
        for name in names:
            if name not in cache:
                col, height, strength = MAKERS[name]()
                cache[name] = (to8(col), normal_map(height, strength))
            diffuse, normal = cache[name]
            save_png(diffuse, os.path.join(out, name + '_diffuse.png'))
            save_png(normal, os.path.join(out, name + '_normal.png'))
        print('textures:', model, len(names))


if __name__ == '__main__':
    main()
