# Blender script: the sheet ghost with its bones, and the camera that follows it, in one take.
"""blender -b --factory-startup -P ghost.py -- OUTPUT_DIR  (writes player1.fbx)

The ghost moves only through its bones: GhostRoot carries it along the path
of flight.py (3 m toward -z of where it appears, the game adds that back),
the other bones bob, sway, wave the arms and ripple the hem. The study
window's panes ride bones of their own under GlassRoot, which never moves,
so they stand in the window until the ghost breaks through (glass.py). The
camera is keyed every frame from the same plan."""
import math
import os
import sys

sys.dont_write_bytecode = True    # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bl                                        # noqa: E402
import flight                                    # noqa: E402
import glass                                     # noqa: E402
from geom import Mesh, add, sub, mul, cross, norm, length   # noqa: E402

ROOT = 'GhostRoot'
HEMS = {'GhostHemF': math.pi / 2, 'GhostHemL': math.pi, 'GhostHemB': -math.pi / 2, 'GhostHemR': 0.0}
HEM_Y = -0.55
SEGS = 28

# Outline of the sheet from the hem up to the crown: (radius, height) about the root bone.
PROFILE = [(0.47, -0.80), (0.44, -0.62), (0.40, -0.40), (0.36, -0.15), (0.33, 0.05), (0.30, 0.17),
           (0.24, 0.28), (0.22, 0.36), (0.245, 0.45), (0.26, 0.55), (0.25, 0.64), (0.21, 0.72),
           (0.13, 0.78), (0.0, 0.80)]


def smoothstep(a, b, x):
    t = min(1.0, max(0.0, (x - a) / (b - a)))
    return t * t * (3 - 2 * t)


def sheet_weights(p):
    """Bone weights of a point of the sheet, at most three."""
    x, y, z = p
    head = smoothstep(0.28, 0.42, y)
    hem = smoothstep(-0.15, -0.8, y)
    w = {}
    if head > 0:
        w['GhostHead'] = head
    body = 1.0 - head - hem
    if body > 1e-4:
        w['GhostBody'] = body
    if hem > 0:
        ang = math.atan2(-z, x)      # 0 at +x, pi/2 at -z (the front)
        near = []
        for bone, a in HEMS.items():
            c = math.cos(ang - a)
            if c > 0:
                near.append((c, bone))
        near.sort(reverse=True)
        near = near[:2]
        total = sum(c for c, _ in near)
        for c, bone in near:
            w[bone] = hem * c / total
    return w


def wave(p, amount):
    """Scallops round the hem so its edge is not a clean circle."""
    x, y, z = p
    ang = math.atan2(-z, x)
    return (x * (1 + 0.06 * amount * math.cos(7 * ang)), y + 0.07 * amount * math.sin(7 * ang),
            z * (1 + 0.06 * amount * math.cos(7 * ang)))


def build_mesh():
    m = Mesh('GhostSheet')
    origin = (0.0, 0.0, 0.0)
    rings = m.lathe(origin, PROFILE, SEGS, 'ghost_cloth', scale=0.8, u_repeat=2)
    for amount, ring in ((1.0, rings[0]), (0.5, rings[1])):
        for i in set(ring):
            m.verts[i] = wave(m.verts[i], amount)
    # inside of the lower sheet, seen from below, and the hem's rim
    inner_profile = [(r * 0.95, h + 0.01) for r, h in PROFILE[:6]][::-1]
    inner = m.lathe(origin, inner_profile, SEGS, 'ghost_cloth', scale=0.8, u_repeat=2)
    for amount, ring in ((1.0, inner[-1]), (0.5, inner[-2])):
        for i in set(ring):
            m.verts[i] = wave(m.verts[i], amount)
    outer, inn = rings[0], inner[-1]
    for i in range(SEGS):
        m.face([outer[i + 1], outer[i], inn[i], inn[i + 1]], [(0, 0), (0.1, 0), (0.1, 0.05), (0, 0.05)],
               'ghost_cloth', True)
    for i in range(len(m.verts)):
        m.weights[i] = sheet_weights(m.verts[i])
    # arms: tapered sleeves reaching forward and out, rounded at the ends
    for side, bone in ((-1, 'GhostArmL'), (1, 'GhostArmR')):
        shoulder = (side * 0.24, 0.16, -0.02)
        elbow = (side * 0.44, 0.02, -0.14)
        hand = (side * 0.56, -0.14, -0.26)
        first = len(m.verts)
        m.tube(shoulder, elbow, 0.085, 0.07, 10, 'ghost_cloth', caps=False, scale=0.8)
        m.tube(elbow, hand, 0.07, 0.05, 10, 'ghost_cloth', caps=False, scale=0.8)
        d = norm(sub(hand, elbow))
        m.lathe(hand, [(0.05, 0.0), (0.045, 0.03), (0.025, 0.055), (0.0, 0.065)], 10, 'ghost_cloth',
                scale=0.8, axes=_frame(d))
        for i in range(first, len(m.verts)):
            p = m.verts[i]
            a = smoothstep(0.0, 0.14, length(sub(p, shoulder)))
            m.weights[i] = {bone: a, 'GhostBody': 1 - a} if a < 1 else {bone: 1.0}
    # dark eye holes and a mouth on the front of the head (-z)
    first = len(m.verts)
    for x, y, rx, ry in ((-0.085, 0.57, 0.045, 0.065), (0.085, 0.57, 0.045, 0.065), (0.0, 0.43, 0.035, 0.05)):
        r = _radius_at(y)
        z = -math.sqrt(max(r * r - x * x, 0.0)) + 0.012
        n = norm((x, 0.0, z))
        axes = _frame(n)
        m.lathe((x, y, z), [(0.0, -0.004), (0.8, 0.006), (1.0, 0.012), (0.0, 0.02)], 10, 'ghost_eyes',
                scale=0.2, axes=(mul(axes[0], rx), axes[1], mul(axes[2], ry)), smooth=True)
    m.set_weights(first, {'GhostHead': 1.0})
    return m


def _frame(d):
    from geom import frame_from_axis
    return frame_from_axis(d)


def _radius_at(y):
    for (r0, h0), (r1, h1) in zip(PROFILE, PROFILE[1:]):
        if h0 <= y <= h1:
            return r0 + (r1 - r0) * (y - h0) / (h1 - h0)
    return 0.0


BONES = [
    (ROOT, (0.0, 0.0, 0.0), (0.0, 0.0, -0.3), None),
    ('GhostBody', (0.0, -0.1, 0.0), (0.0, -0.1, -0.25), ROOT),
    ('GhostHead', (0.0, 0.42, 0.0), (0.0, 0.42, -0.2), 'GhostBody'),
    ('GhostArmL', (-0.24, 0.16, -0.02), (-0.24, 0.16, -0.2), 'GhostBody'),
    ('GhostArmR', (0.24, 0.16, -0.02), (0.24, 0.16, -0.2), 'GhostBody'),
] + [(name, (0.42 * math.cos(a), HEM_Y, -0.42 * math.sin(a)), (0.42 * math.cos(a), HEM_Y, -0.42 * math.sin(a) - 0.15),
      'GhostBody') for name, a in HEMS.items()]


def cycle(t, turns, phase=0.0):
    """A wave that turns a whole number of times in the take, so it joins at the seam."""
    return math.sin(2 * math.pi * turns * t / flight.DURATION + phase)


def pose_tracks(frames):
    """Per-frame pose of every bone. All bones point along game -z with no roll,
    so their local axes are Blender's: x right, y forward (game -z), z up."""
    from mathutils import Quaternion, Vector
    tracks = {}
    def put(bone, what, value):
        tracks.setdefault('pose.bones["%s"].%s' % (bone, what), []).append(tuple(value))
    yaws = flight.unwrap_yaws([flight.ghost_yaw(f / flight.FPS) for f in frames])
    prev_q = {}
    def quat(bone, q):
        if bone in prev_q and prev_q[bone].dot(q) < 0:
            q = -q
        prev_q[bone] = q
        put(bone, 'rotation_quaternion', q)
    for f, yaw in zip(frames, yaws):
        t = f / flight.FPS
        put(ROOT, 'location', bl.to_bl(flight.ghost_authored(t)))
        quat(ROOT, Quaternion((0.0, 0.0, 1.0), yaw))
        v = sub(flight.ghost_pos(t + 0.2), flight.ghost_pos(t - 0.2))
        speed = math.hypot(v[0], v[2]) / 0.4
        lean = -math.radians(min(speed * 4.0, 16.0))
        # whole turns a take: bob 2.37 s, sway 3.05 s, nod 2.67 s, head 4.27 s, arms 1.88 and 2.56 s, hem 1.31 s
        put('GhostBody', 'location', (0.0, 0.0, 0.05 * cycle(t, 27)))
        quat('GhostBody', Quaternion((1.0, 0.0, 0.0), lean) @
             Quaternion((0.0, 1.0, 0.0), math.radians(4.0) * cycle(t, 21)))
        quat('GhostHead', Quaternion((1.0, 0.0, 0.0), math.radians(6.0) * cycle(t, 24, 1.0)) @
             Quaternion((0.0, 0.0, 1.0), math.radians(8.0) * cycle(t, 15)))
        for side, bone in ((-1, 'GhostArmL'), (1, 'GhostArmR')):
            lift = math.radians(14.0) * cycle(t, 34, 0.0 if side < 0 else 1.3)
            reach = math.radians(10.0) * cycle(t, 25, side)
            quat(bone, Quaternion((0.0, 1.0, 0.0), -side * lift) @ Quaternion((0.0, 0.0, 1.0), side * reach))
        for k, (bone, a) in enumerate(HEMS.items()):
            flap = math.radians(12.0 + 0.6 * min(speed, 5.0)) * cycle(t, 49, -k * math.pi / 2)
            # turn about the tangent of the hem so the edge flaps in and out
            axis = Vector((-math.sin(a), math.cos(a), 0.0))
            quat(bone, Quaternion(axis, flap))
    return tracks


def glass_bones(pieces):
    """A still root at the window and one bone a shard, at its middle, pointing along -z."""
    def authored(p):
        return sub(p, flight.GHOST_OFFSET)
    root = authored(flight.GLASS)
    bones = [('GlassRoot', root, add(root, (0.0, 0.0, -0.2)), None)]
    for s in pieces:
        head = authored(s.centre)
        bones.append((s.name, head, add(head, (0.0, 0.0, -0.1)), 'GlassRoot'))
    return bones


def glass_tracks(pieces, frames):
    """Each shard's bone, keyed every frame: still in the window, then its burst."""
    tracks = {}
    for i, s in enumerate(pieces):
        moves = glass.frames(s, i, len(frames))
        tracks['pose.bones["%s"].location' % s.name] = [bl.to_bl(offset) for offset, _ in moves]
        # a turn about game (x, y, z) is one about Blender's (x, -z, y)
        tracks['pose.bones["%s"].rotation_quaternion' % s.name] = [(w, x, -z, y) for _, (w, x, y, z) in moves]
    return tracks


def camera_tracks(frames):
    from mathutils import Matrix
    locs, quats = [], []
    prev = None
    for f in frames:
        t = f / flight.FPS
        c, fwd, right, up = flight.camera_basis(t)
        R = Matrix((bl.to_bl(right), bl.to_bl(up), bl.to_bl(mul(fwd, -1.0)))).transposed()
        q = R.to_quaternion()
        if prev is not None and prev.dot(q) < 0:
            q = -q
        prev = q
        locs.append(bl.to_bl(c))
        quats.append(tuple(q))
    return {'location': locs, 'rotation_quaternion': quats}


def build_scene(out):
    """The ghost, its camera and their take in a fresh scene; textures from out."""
    import bpy
    scene = bl.reset(flight.FPS)
    frames = list(range(0, int(flight.DURATION * flight.FPS) + 1))
    pieces = glass.shards()
    arm = bl.armature('Ghost', BONES + glass_bones(pieces))
    bl.skinned_object(build_mesh(), out, arm)
    bl.skinned_object(glass.mesh(pieces), out, arm)
    tracks = pose_tracks(frames)
    tracks.update(glass_tracks(pieces, frames))
    bl.animate(arm, 'GhostFlight', tracks, frames)
    data = bpy.data.cameras.new('PlayerCamera')
    data.sensor_fit = 'VERTICAL'
    data.angle_y = math.radians(90.0)
    data.clip_start, data.clip_end = 0.1, 500.0
    cam = bpy.data.objects.new('PlayerCamera', data)
    cam.rotation_mode = 'QUATERNION'
    scene.collection.objects.link(cam)
    scene.camera = cam
    bl.animate(cam, 'CameraFlight', camera_tracks(frames), frames)
    scene.frame_start, scene.frame_end = frames[0], frames[-1]
    scene.frame_set(0)
    return scene


def main():
    out = os.path.abspath(bl.args()[0])
    build_scene(out)
    # keyed every frame: the exporter's usual thinning would put kinks in the camera's swoops
    bl.export(os.path.join(out, 'player1.fbx'), simplify=0.05)


if __name__ == '__main__':
    main()
