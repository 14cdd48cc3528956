#!/usr/bin/python3
# Night-sky cube map: six faces rendered from per-pixel view directions so the edges meet.
import os
import sys

import numpy as np
from PIL import Image

SIZE = 1024
SEED = 20231031

# Face name, then how (sc, tc) in [-1, 1] map to a direction, following the
# cube-map face conventions (s runs along image columns, t along rows).
FACES = [
    ("right", lambda sc, tc: (np.ones_like(sc), -tc, -sc)),    # +X
    ("left", lambda sc, tc: (-np.ones_like(sc), -tc, sc)),     # -X
    ("top", lambda sc, tc: (sc, np.ones_like(sc), tc)),        # +Y
    ("bottom", lambda sc, tc: (sc, -np.ones_like(sc), -tc)),   # -Y
    ("front", lambda sc, tc: (sc, -tc, np.ones_like(sc))),     # +Z
    ("back", lambda sc, tc: (-sc, -tc, -np.ones_like(sc))),    # -Z
]

# Full moon low over the -z horizon, a touch to the left.
MOON_DIR = np.array([-0.12, 0.30, -0.946])
MOON_DIR = MOON_DIR / np.linalg.norm(MOON_DIR)
MOON_RADIUS = 0.040  # radians, drawn larger than life so it reads on screen

HORIZON = np.array([0.0080, 0.0140, 0.0560])
MID_SKY = np.array([0.0025, 0.0040, 0.0180])
ZENITH = np.array([0.0004, 0.0006, 0.0020])
BELOW = np.array([0.0020, 0.0026, 0.0060])
MOON_GLOW = np.array([0.22, 0.27, 0.40])
MOON_SURFACE = np.array([1.00, 0.98, 0.92])
CLOUD_DARK = np.array([0.006, 0.008, 0.016])
CLOUD_LIT = np.array([0.40, 0.43, 0.52])


def face_directions(face_fn):
    """Unit view direction of every pixel centre of one face, shape (SIZE, SIZE, 3)."""
    coords = (np.arange(SIZE, dtype=np.float64) + 0.5) / SIZE * 2.0 - 1.0
    tc, sc = np.meshgrid(coords, coords, indexing="ij")
    d = np.stack(face_fn(sc, tc), axis=-1)
    return d / np.linalg.norm(d, axis=-1, keepdims=True)


class Noise3:
    """Seeded value noise on a 3D lattice; smooth enough for clouds and moon maria."""

    def __init__(self, rng):
        self.perm = rng.permutation(256).astype(np.int64)
        self.values = rng.random(256)

    def _hash(self, i, j, k):
        p = self.perm
        return self.values[p[(p[(p[i & 255] + j) & 255] + k) & 255]]

    def __call__(self, x, y, z):
        xi, yi, zi = np.floor(x), np.floor(y), np.floor(z)
        fx, fy, fz = x - xi, y - yi, z - zi
        xi, yi, zi = xi.astype(np.int64), yi.astype(np.int64), zi.astype(np.int64)
        u = fx * fx * fx * (fx * (fx * 6 - 15) + 10)
        v = fy * fy * fy * (fy * (fy * 6 - 15) + 10)
        w = fz * fz * fz * (fz * (fz * 6 - 15) + 10)
        out = 0.0
        for dx in (0, 1):
            wx = u if dx else 1 - u
            for dy in (0, 1):
                wy = v if dy else 1 - v
                for dz in (0, 1):
                    wz = w if dz else 1 - w
                    out = out + wx * wy * wz * self._hash(xi + dx, yi + dy, zi + dz)
        return out


def fbm(noise, p, octaves, lacunarity=2.03, gain=0.5):
    """Fractal sum of noise at points p (..., 3); each octave rotated to hide the lattice."""
    rot = np.array([[0.00, 0.80, 0.60], [-0.80, 0.36, -0.48], [-0.60, -0.48, 0.64]])
    total = np.zeros(p.shape[:-1])
    amp, norm = 1.0, 0.0
    q = p.copy()
    for _ in range(octaves):
        total += amp * noise(q[..., 0], q[..., 1], q[..., 2])
        norm += amp
        amp *= gain
        q = (q @ rot.T) * lacunarity
    return total / norm


def smoothstep(a, b, x):
    t = np.clip((x - a) / (b - a), 0.0, 1.0)
    return t * t * (3 - 2 * t)


def make_stars(rng, count=1800):
    """Star directions, brightness and tint: a sparse scatter of faint ones, a few brighter; no more, or
    on screen they read as noise."""
    d = rng.normal(size=(count, 3))
    d /= np.linalg.norm(d, axis=1, keepdims=True)
    bright = 0.05 + 0.5 * rng.random(count) ** 7
    warmth = rng.random(count)
    tint = np.stack([0.80 + 0.25 * warmth, 0.86 + 0.06 * warmth, 1.05 - 0.25 * warmth], axis=1)
    return d, bright, tint


def splat_stars(face_fn, dirs, stars, margin=4):
    """Star layer of one face; each star is a small angular Gaussian, so it crosses edges cleanly."""
    sdir, bright, tint = stars
    layer = np.zeros((SIZE, SIZE, 3))
    # Invert the face mapping by sampling: find the star's (sc, tc) from its direction.
    probe = np.stack(face_fn(np.array([1.0, 0.0, 0.0]), np.array([0.0, 1.0, 0.0])), axis=-1)
    center = np.stack(face_fn(np.array([0.0]), np.array([0.0])), axis=-1)[0]
    s_axis = probe[0] - center
    t_axis = probe[1] - center
    major = sdir @ center
    keep = major > 0.3
    proj = sdir[keep] / major[keep, None]
    sc = proj @ s_axis
    tc = proj @ t_axis
    col = (sc + 1) / 2 * SIZE - 0.5
    row = (tc + 1) / 2 * SIZE - 0.5
    lim = margin + 1
    inside = (col > -lim) & (col < SIZE - 1 + lim) & (row > -lim) & (row < SIZE - 1 + lim)
    sd = sdir[keep][inside]
    b = bright[keep][inside]
    tn = tint[keep][inside]
    ci = np.round(col[inside]).astype(np.int64)
    ri = np.round(row[inside]).astype(np.int64)
    pixel_angle = 2.0 / SIZE  # about one pixel near the face centre, in radians
    sigma = pixel_angle * (0.42 + 0.45 * b)
    for dr in range(-margin, margin + 1):
        for dc in range(-margin, margin + 1):
            r = ri + dr
            c = ci + dc
            ok = (r >= 0) & (r < SIZE) & (c >= 0) & (c < SIZE)
            r, c = r[ok], c[ok]
            diff = dirs[r, c] - sd[ok]
            dist2 = np.einsum("ij,ij->i", diff, diff)
            w = b[ok] * np.exp(-dist2 / (2 * sigma[ok] ** 2))
            np.add.at(layer, (r, c), w[:, None] * tn[ok])
    return layer


def sky_colour(d, noise_a, noise_b, star_layer):
    y = d[..., 1]
    # Gradient: deep blue near the horizon, black overhead, a dim haze below.
    up = np.clip(y, 0.0, 1.0)
    low = smoothstep(0.0, 0.35, up)[..., None]
    high = smoothstep(0.25, 1.0, up)[..., None]
    col = HORIZON * (1 - low) + MID_SKY * low
    col = col * (1 - high) + ZENITH * high
    below = smoothstep(0.0, -0.25, y)[..., None]
    col = col * (1 - below) + BELOW * below

    cosm = np.clip(d @ MOON_DIR, -1.0, 1.0)
    ang = np.arccos(cosm)
    glow = 0.30 * np.exp(-ang / 0.10) + 0.10 * np.exp(-ang / 0.40) + 0.025 * np.exp(-ang / 1.0)
    glow = glow * (0.25 + 0.75 * smoothstep(-0.30, 0.05, y))
    col = col + MOON_GLOW * glow[..., None]

    # Stars fade into the horizon haze and the moon's glare.
    fade = smoothstep(-0.02, 0.22, y) * np.clip(1.0 - 4.0 * glow, 0.0, 1.0)
    stars = star_layer * fade[..., None]

    # Moon disk with soft maria and a little limb darkening.
    edge = 1.2 / SIZE
    disk = smoothstep(MOON_RADIUS + edge, MOON_RADIUS - edge, ang)
    rim = np.clip(ang / MOON_RADIUS, 0.0, 1.0)
    maria = fbm(noise_b, d * 55.0, 4)
    shade = (0.78 + 0.22 * np.sqrt(1 - rim ** 2)) * (1.0 - 0.32 * smoothstep(0.45, 0.65, maria))
    moon = MOON_SURFACE * (shade * disk)[..., None]

    # Thin streaky clouds, denser in a band above the horizon, silvered near the moon.
    p = d * np.array([1.6, 4.5, 1.6]) + np.array([3.1, 0.0, -1.7])
    dens = fbm(noise_a, p, 6)
    band = smoothstep(-0.05, 0.12, y) * (1.0 - smoothstep(0.35, 0.85, y))
    cloud = (smoothstep(0.50, 0.78, dens) * (0.25 + 0.75 * band) * smoothstep(-0.10, 0.0, y) * 0.80)[..., None]
    lit = (0.12 + 0.88 * np.exp(-ang / 0.35))[..., None]
    cloud_col = CLOUD_DARK * (1 - lit) + CLOUD_LIT * lit * 0.55

    sky = col + stars
    sky = sky * (1 - cloud) + cloud_col * cloud
    sky = sky * (1 - disk[..., None]) + moon * (1 - 0.65 * cloud) + sky * disk[..., None] * 0.65 * cloud
    return sky


def to_image(linear):
    srgb = np.where(linear <= 0.0031308, 12.92 * linear, 1.055 * np.power(np.clip(linear, 0, None), 1 / 2.4) - 0.055)
    return np.clip(np.round(srgb * 255.0), 0, 255).astype(np.uint8)


def main(out_dir):
    rng = np.random.default_rng(SEED)
    noise_a = Noise3(rng)
    noise_b = Noise3(rng)
    stars = make_stars(rng)
    os.makedirs(out_dir, exist_ok=True)
    for name, fn in FACES:
        d = face_directions(fn)
        layer = splat_stars(fn, d, stars)
        pixels = to_image(sky_colour(d, noise_a, noise_b, layer))
        path = os.path.join(out_dir, name + ".png")
        Image.fromarray(pixels, "RGB").save(path, optimize=True)
        print("wrote", path, os.path.getsize(path), "bytes", flush=True)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "Resources/skybox")
