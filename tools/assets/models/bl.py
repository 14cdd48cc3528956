# Blender side of the model generators: meshes, materials, lights and the FBX export.
"""Everything here runs inside Blender (bpy). Geometry arrives as geom.Mesh in
game axes and is turned into Blender's z-up axes, which the exporter turns
back: Blender (x, y, z) = game (x, -z, y)."""
import os
import sys

import bpy


def args():
    """Arguments after the '--' of the Blender command line."""
    return sys.argv[sys.argv.index('--') + 1:] if '--' in sys.argv else []


def reset(fps=24):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    scene = bpy.context.scene
    scene.render.fps = fps
    scene.render.fps_base = 1.0
    scene.unit_settings.system = 'METRIC'
    scene.unit_settings.scale_length = 1.0
    return scene


def to_bl(p):
    return (p[0], -p[2], p[1])


def material(name, texdir):
    """A Principled material with a diffuse map and a tangent-space normal map."""
    if name in bpy.data.materials:
        return bpy.data.materials[name]
    diffuse = os.path.join(texdir, name + '_diffuse.png')
    normal = os.path.join(texdir, name + '_normal.png')
    for path in (diffuse, normal):
        if not os.path.exists(path):
            raise SystemExit('missing texture ' + path)
    mat = bpy.data.materials.new(name)
    mat.use_nodes = True
    nt = mat.node_tree
    bsdf = nt.nodes['Principled BSDF']
    bsdf.inputs['Roughness'].default_value = 0.8
    bsdf.inputs['Specular'].default_value = 0.2
    tex = nt.nodes.new('ShaderNodeTexImage')
    tex.image = bpy.data.images.load(diffuse)
    nt.links.new(tex.outputs['Color'], bsdf.inputs['Base Color'])
    ntex = nt.nodes.new('ShaderNodeTexImage')
    ntex.image = bpy.data.images.load(normal)
    ntex.image.colorspace_settings.name = 'Non-Color'
    nmap = nt.nodes.new('ShaderNodeNormalMap')
    nt.links.new(ntex.outputs['Color'], nmap.inputs['Color'])
    nt.links.new(nmap.outputs['Normal'], bsdf.inputs['Normal'])
    return mat


def mesh_object(mesh, texdir, name=None):
    """A Blender object at the origin holding mesh in world coordinates."""
    me = bpy.data.meshes.new(name or mesh.name)
    me.from_pydata([to_bl(v) for v in mesh.verts], [], [list(f[0]) for f in mesh.faces])
    if me.validate() or len(me.polygons) != len(mesh.faces):
        raise SystemExit('invalid geometry in ' + mesh.name)
    names = []
    for f in mesh.faces:
        if f[2] not in names:
            names.append(f[2])
    for n in names:
        me.materials.append(material(n, texdir))
    index = {n: i for i, n in enumerate(names)}
    me.polygons.foreach_set('material_index', [index[f[2]] for f in mesh.faces])
    me.polygons.foreach_set('use_smooth', [bool(f[3]) for f in mesh.faces])
    uv = me.uv_layers.new(name='UVMap')
    flat = []
    for f in mesh.faces:
        for (u, v) in f[1]:
            flat += [u, v]
    uv.data.foreach_set('uv', flat)
    me.update()
    obj = bpy.data.objects.new(name or mesh.name, me)
    bpy.context.scene.collection.objects.link(obj)
    return obj


def point_light(name, pos, colour, radius=0.05):
    data = bpy.data.lights.new(name, 'POINT')
    data.energy = 1.0          # Assimp reports colour x power
    data.color = colour
    data.shadow_soft_size = radius
    obj = bpy.data.objects.new(name, data)
    obj.location = to_bl(pos)
    bpy.context.scene.collection.objects.link(obj)
    return obj


def _reproducible_exporter():
    """The exporter stamps the file with the time and each texture with this
    machine's absolute path; a fixed time and bare file names keep rebuilds
    identical wherever they run (textures sit next to their model)."""
    import datetime
    import types
    from io_scene_fbx import export_fbx_bin

    def bare_names(img, scene_data):
        name = os.path.basename(bpy.path.abspath(img.filepath))
        return name, name
    export_fbx_bin._gen_vid_path = bare_names

    class Fixed(datetime.datetime):
        @classmethod
        def now(cls, tz=None):
            return cls(2024, 1, 1, 0, 0, 0)
    export_fbx_bin.datetime = types.SimpleNamespace(datetime=Fixed)


def export(path, simplify=1.0):
    """simplify: how far the exporter may thin out baked keys (0 keeps every one)."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    _reproducible_exporter()
    bpy.ops.export_scene.fbx(filepath=path, axis_forward='-Z', axis_up='Y',
                             apply_unit_scale=True, apply_scale_options='FBX_SCALE_ALL',
                             bake_space_transform=True, add_leaf_bones=False,
                             use_armature_deform_only=True, bake_anim_use_all_actions=False,
                             bake_anim_use_nla_strips=False, bake_anim_simplify_factor=simplify,
                             object_types={'ARMATURE', 'MESH', 'CAMERA', 'LIGHT'})


def armature(name, bones):
    """bones: (name, head, tail, parent name or None), in game axes, no roll."""
    data = bpy.data.armatures.new(name)
    obj = bpy.data.objects.new(name, data)
    bpy.context.scene.collection.objects.link(obj)
    bpy.context.view_layer.objects.active = obj
    bpy.ops.object.mode_set(mode='EDIT')
    for bname, head, tail, parent in bones:
        eb = data.edit_bones.new(bname)
        eb.head = to_bl(head)
        eb.tail = to_bl(tail)
        eb.roll = 0.0
        eb.use_deform = True
        if parent:
            eb.parent = data.edit_bones[parent]
            eb.use_connect = False
    bpy.ops.object.mode_set(mode='OBJECT')
    for pb in obj.pose.bones:
        pb.rotation_mode = 'QUATERNION'
    return obj


def skinned_object(mesh, texdir, arm):
    """mesh_object whose vertices follow arm's bones by mesh.weights."""
    obj = mesh_object(mesh, texdir)
    groups = {}
    for i, w in enumerate(mesh.weights):
        if not w or len(w) > 4:
            raise SystemExit('vertex %d of %s has %d bone weights' % (i, mesh.name, len(w)))
        total = sum(w.values())
        for bone, value in w.items():
            if bone not in groups:
                groups[bone] = obj.vertex_groups.new(name=bone)
            groups[bone].add([i], value / total, 'REPLACE')
    mod = obj.modifiers.new('Armature', 'ARMATURE')
    mod.object = arm
    obj.parent = arm
    return obj


def fcurves(action, data_path, frames, values):
    """One linear key per frame for each component of values (list of tuples)."""
    for index in range(len(values[0])):
        fc = action.fcurves.new(data_path=data_path, index=index)
        fc.keyframe_points.add(len(frames))
        co = []
        for f, v in zip(frames, values):
            co += [float(f), float(v[index])]
        fc.keyframe_points.foreach_set('co', co)
        for kp in fc.keyframe_points:
            kp.interpolation = 'LINEAR'
        fc.update()


def animate(obj, name, tracks, frames):
    """tracks: {data path: [value tuple per frame]} on a new action of obj."""
    obj.animation_data_create()
    action = bpy.data.actions.new(name)
    obj.animation_data.action = action
    for path, values in tracks.items():
        fcurves(action, path, frames, values)
    return action


def parent_to_bone(obj, arm, bone):
    """Keep obj where it is, now carried by arm's bone."""
    bpy.context.view_layer.update()
    world = obj.matrix_world.copy()
    obj.parent = arm
    obj.parent_type = 'BONE'
    obj.parent_bone = bone
    bpy.context.view_layer.update()
    obj.matrix_world = world
    bpy.context.view_layer.update()
