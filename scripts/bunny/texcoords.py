#!/usr/bin/env python3
"""Gives a plain v/f OBJ model texture coordinates by box projection.

The shell textures tile, so the coordinates only need a roughly even density
over the surface, not a seamless atlas: each triangle is projected onto the
plane facing its normal's largest axis, in units of the model as the program
sizes it (centred, largest extent 2), at `density` texture units per model
unit. Corners that share a vertex and a projection plane share a coordinate,
so seams only run where the projection plane changes.

usage: texcoords.py IN.obj OUT.obj [density]
"""
import sys


def read_obj(path):
    header, vertices, faces = [], [], []
    with open(path) as f:
        for line in f:
            words = line.split()
            if not words:
                continue
            if words[0] == '#':
                header.append(line.rstrip('\n'))
            elif words[0] == 'v':
                vertices.append(tuple(float(w) for w in words[1:4]))
            elif words[0] == 'f':
                faces.append(tuple(int(w.split('/')[0]) - 1 for w in words[1:4]))
    return header, vertices, faces


def program_scale(vertices):
    """Centre and scale as the program's loader does (|max| + |min| extents)."""
    lo = [min(v[k] for v in vertices) for k in range(3)]
    hi = [max(v[k] for v in vertices) for k in range(3)]
    extent = max(abs(hi[k]) + abs(lo[k]) for k in range(3))
    centre = [(hi[k] + lo[k]) * 0.5 for k in range(3)]
    return centre, 2.0 / extent


def facet_axis(a, b, c):
    u = [b[k] - a[k] for k in range(3)]
    v = [c[k] - a[k] for k in range(3)]
    n = (u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0])
    axis = max(range(3), key=lambda k: abs(n[k]))
    return axis, n[axis] >= 0


def main():
    source, target = sys.argv[1], sys.argv[2]
    density = float(sys.argv[3]) if len(sys.argv) > 3 else 1.0
    header, vertices, faces = read_obj(source)
    centre, scale = program_scale(vertices)
    texcoords, index_of, face_texcoords = [], {}, []
    for face in faces:
        axis, positive = facet_axis(*(vertices[i] for i in face))
        # The two remaining axes, ordered so the projection keeps the winding.
        s_axis, t_axis = [(1, 2), (2, 0), (0, 1)][axis]
        if not positive:
            s_axis, t_axis = t_axis, s_axis
        corners = []
        for i in face:
            key = (i, axis, positive)
            if key not in index_of:
                p = vertices[i]
                s = (p[s_axis] - centre[s_axis]) * scale * density
                t = (p[t_axis] - centre[t_axis]) * scale * density
                index_of[key] = len(texcoords)
                texcoords.append((s, t))
            corners.append(index_of[key])
        face_texcoords.append(corners)
    with open(target, 'w') as out:
        for line in header:
            out.write(line + '\n')
        out.write('# Texture coordinates by box projection, %g per model unit.\n' % density)
        for v in vertices:
            out.write('v %.6f %.6f %.6f\n' % v)
        for s, t in texcoords:
            out.write('vt %.6f %.6f\n' % (s, t))
        for face, corners in zip(faces, face_texcoords):
            out.write('f %s\n' % ' '.join('%d/%d' % (i + 1, c + 1) for i, c in zip(face, corners)))


if __name__ == '__main__':
    main()
