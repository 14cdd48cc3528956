# Blender script: the manor, one mesh per room, its four lights and the wall list.
"""blender -b --factory-startup -P house.py -- OUTPUT_DIR

Writes OUTPUT_DIR/house3.fbx and OUTPUT_DIR/walls.txt (the solid wall, floor
and ceiling boxes, for checking the camera flight). The textures must already
be in OUTPUT_DIR."""
import os
import sys

sys.dont_write_bytecode = True    # no caches in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bl              # noqa: E402
import house_layout    # noqa: E402


def write_walls(house, path):
    with open(path, 'w') as f:
        f.write('# Solid boxes of the house (walls, floor and ceiling slabs), one per line:\n')
        f.write('# min x y z, max x y z, in metres in the game\'s axes.\n')
        for lo, hi in house.walls:
            f.write('%.3f %.3f %.3f %.3f %.3f %.3f\n' % (lo + hi))


def main():
    out = os.path.abspath(bl.args()[0])
    bl.reset()
    house = house_layout.build()
    for name, mesh in house.meshes.items():
        bl.mesh_object(mesh, out)
    for name, pos, colour in house.lights:
        bl.point_light(name, pos, colour)
    bl.export(os.path.join(out, 'house3.fbx'))
    write_walls(house, os.path.join(out, 'walls.txt'))


if __name__ == '__main__':
    main()
