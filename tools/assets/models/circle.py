# Blender script: the seance circle of floor candles on its rug, with three lights.
"""blender -b --factory-startup -P circle.py -- OUTPUT_DIR  (writes volumetric_floor.fbx)"""
import math
import os
import sys

sys.dont_write_bytecode = True    # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bl                      # noqa: E402
from geom import Mesh, add     # noqa: E402

CENTER = (3.2, 0.0, -12.0)
RUG_R = 1.25
GROUP_ANGLES = (90.0, 210.0, 330.0)
LIGHT_NAMES = ('CircleCandleA', 'CircleCandleB', 'CircleCandleC')
FLAME = 0.07


def at(angle, r, y=0.0):
    a = math.radians(angle)
    return (CENTER[0] + r * math.cos(a), y, CENTER[2] - r * math.sin(a))


def candle(m, base, h, r):
    m.tube(add(base, (0, 0.004, 0)), add(base, (0, 0.016, 0)), r + 0.035, r + 0.03, 10, 'iron', scale=0.5)
    top = add(base, (0, 0.016 + h, 0))
    m.tube(add(base, (0, 0.016, 0)), top, r, r * 0.97, 8, 'wax', scale=0.3)
    # a lip of melted wax and the wick's flame
    m.tube(add(top, (0, -0.012, 0)), top, r * 1.12, r * 1.02, 8, 'wax', scale=0.3)
    m.lathe(top, [(0.0, 0.0), (0.013, FLAME * 0.3), (0.009, FLAME * 0.7), (0.0, FLAME)], 6, 'fire', scale=0.5)
    return add(top, (0, FLAME, 0))


def skull(m, c):
    m.lathe(add(c, (0, 0.0, 0)), [(0.0, 0.0), (0.06, 0.01), (0.085, 0.06), (0.09, 0.11), (0.075, 0.16),
                                  (0.04, 0.19), (0.0, 0.2)], 10, 'bone', scale=0.3)
    m.box(add(c, (-0.045, 0.0, -0.11)), add(c, (0.045, 0.05, -0.05)), 'bone', scale=0.3)
    for dx in (-0.035, 0.035):
        m.box(add(c, (dx - 0.022, 0.08, -0.092)), add(c, (dx + 0.022, 0.11, -0.082)), 'iron', scale=0.3)


def book(m, c):
    for k, yaw in enumerate((-8.0, 8.0)):
        side = -1 if k == 0 else 1
        m.rbox(add(c, (side * 0.11, 0.012, 0.0)), (0.22, 0.02, 0.3), yaw * side, 'bone', scale=0.4)


def build():
    m = Mesh('SeanceCircle')
    m.tube(CENTER, add(CENTER, (0, 0.015, 0)), RUG_R, RUG_R, 32, 'rug_circle', smooth=False, scale=RUG_R)
    lights = []
    for g, angle in enumerate(GROUP_ANGLES):
        tops = []
        for k, (da, dr, h, r) in enumerate(((0, 0.0, 0.42, 0.04), (9, 0.1, 0.3, 0.035), (-8, 0.12, 0.22, 0.03))):
            tops.append(candle(m, at(angle + da, 1.0 + dr, 0.015), h, r))
        tall = tops[0]
        lights.append((LIGHT_NAMES[g], add(tall, (0, 0.06, 0))))
    for k in range(5):
        angle = 90.0 + 36.0 + 72.0 * k
        candle(m, at(angle, 0.9, 0.015), 0.12 + 0.05 * (k % 3), 0.03)
    for angle in (150.0, 270.0, 30.0):
        candle(m, at(angle, 1.1, 0.015), 0.18, 0.032)
    skull(m, add(CENTER, (0.05, 0.015, 0.1)))
    book(m, add(CENTER, (-0.2, 0.015, -0.35)))
    return m, lights


def main():
    out = os.path.abspath(bl.args()[0])
    bl.reset()
    m, lights = build()
    bl.mesh_object(m, out)
    for name, pos in lights:
        bl.point_light(name, pos, (1.0, 0.6, 0.3), radius=0.02)
    bl.export(os.path.join(out, 'volumetric_floor.fbx'))


if __name__ == '__main__':
    main()
