# Blender script: the iron cage lantern that swings on its bracket, its flame a light.
"""blender -b --factory-startup -P lantern.py -- OUTPUT_DIR  (writes lantern.fbx)

One bone carries the whole lantern; the light is a child of that bone, so it
swings with the flame. The take loops: its last frame equals its first."""
import math
import os
import sys

sys.dont_write_bytecode = True    # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bl                                  # noqa: E402
from geom import Mesh, add                 # noqa: E402
from house_layout import LANTERN_PIVOT     # noqa: E402

FPS = 24
LOOP = 8.0           # seconds; the two swings below repeat within it
BONE = 'LanternSwing'
LIGHT = 'LanternFlame'
SIDES = 6
CAGE_R = 0.11
CAGE_TOP, CAGE_BOTTOM = -0.43, -0.75     # below the pivot


def ring(m, y, r, thick):
    pts = [add(LANTERN_PIVOT, (r * math.cos(2 * math.pi * k / SIDES), y, r * math.sin(2 * math.pi * k / SIDES)))
           for k in range(SIDES)]
    for k in range(SIDES):
        m.tube(pts[k], pts[(k + 1) % SIDES], thick, thick, 4, 'iron', caps=False, scale=0.5)


def build():
    m = Mesh('Lantern')
    p = LANTERN_PIVOT
    # hanging ring and a short chain of two links
    for k in range(SIDES):
        a0, a1 = 2 * math.pi * k / SIDES, 2 * math.pi * (k + 1) / SIDES
        q0 = add(p, (0.0, -0.035 + 0.035 * math.cos(a0), 0.035 * math.sin(a0)))
        q1 = add(p, (0.0, -0.035 + 0.035 * math.cos(a1), 0.035 * math.sin(a1)))
        m.tube(q0, q1, 0.006, 0.006, 4, 'iron', caps=False, scale=0.5)
    m.tube(add(p, (0, -0.07, 0)), add(p, (0, -0.2, 0)), 0.008, 0.008, 4, 'iron', scale=0.5)
    # roof: a six-sided cone with a finial
    m.lathe(add(p, (0, -0.2, 0)), [(0.0, -0.02), (0.02, 0.0), (0.0, 0.03)], SIDES, 'iron', scale=0.5)
    m.lathe(add(p, (0, CAGE_TOP, 0)), [(0.0, 0.0), (CAGE_R + 0.03, 0.0), (CAGE_R + 0.03, 0.02),
                                       (0.03, 0.17), (0.0, 0.18)], SIDES, 'iron', scale=0.5, smooth=False)
    # open cage: bars and two rings, so the flame's light gets out
    ring(m, CAGE_TOP - 0.005, CAGE_R, 0.008)
    ring(m, CAGE_BOTTOM + 0.03, CAGE_R, 0.008)
    for k in range(SIDES):
        a = 2 * math.pi * k / SIDES
        x, z = CAGE_R * math.cos(a), CAGE_R * math.sin(a)
        m.tube(add(p, (x, CAGE_BOTTOM + 0.03, z)), add(p, (x, CAGE_TOP, z)), 0.006, 0.006, 4, 'iron',
               caps=False, scale=0.5)
    # base plate and a drip tray, the candle on top
    m.tube(add(p, (0, CAGE_BOTTOM, 0)), add(p, (0, CAGE_BOTTOM + 0.03, 0)), CAGE_R + 0.02, CAGE_R + 0.02,
           SIDES, 'iron', smooth=False, scale=0.5)
    m.lathe(add(p, (0, CAGE_BOTTOM - 0.05, 0)), [(0.0, 0.0), (0.02, 0.01), (0.01, 0.05)], SIDES, 'iron',
            scale=0.5)
    base = add(p, (0, CAGE_BOTTOM + 0.03, 0))
    top = add(base, (0, 0.09, 0))
    m.tube(base, top, 0.03, 0.028, 8, 'wax', scale=0.3)
    m.lathe(top, [(0.0, 0.0), (0.014, 0.02), (0.01, 0.045), (0.0, 0.065)], 6, 'fire', scale=0.5)
    m.set_weights(0, {BONE: 1.0})
    flame = add(top, (0, 0.085, 0))      # 2 cm above the tip of the flame
    return m, flame


def swing(t):
    """Rotation of the lantern about the pivot: (angle about x, angle about z) in radians."""
    ax = math.radians(6.0) * math.sin(2 * math.pi * t / (LOOP / 2))
    az = math.radians(2.5) * math.sin(2 * math.pi * t / LOOP + 0.7)
    return ax, az


def main():
    out = os.path.abspath(bl.args()[0])
    scene = bl.reset(FPS)
    p = LANTERN_PIVOT
    # the bone points along -z of the game (Blender +y) so its axes are the world's
    arm = bl.armature('LanternRig', [(BONE, p, add(p, (0.0, 0.0, -0.2)), None)])
    m, flame = build()
    bl.skinned_object(m, out, arm)
    light = bl.point_light(LIGHT, flame, (1.0, 0.6, 0.3), radius=0.02)
    bl.parent_to_bone(light, arm, BONE)
    from mathutils import Quaternion
    frames = list(range(0, int(LOOP * FPS) + 1))
    quats = []
    for f in frames:
        ax, az = swing(f / FPS)
        # game x is Blender x, game z is Blender -y
        q = Quaternion((1.0, 0.0, 0.0), ax) @ Quaternion((0.0, -1.0, 0.0), az)
        quats.append(tuple(q))
    bl.animate(arm, 'LanternSwing', {'pose.bones["%s"].rotation_quaternion' % BONE: quats}, frames)
    scene.frame_start, scene.frame_end = frames[0], frames[-1]
    bl.export(os.path.join(out, 'lantern.fbx'))


if __name__ == '__main__':
    main()
