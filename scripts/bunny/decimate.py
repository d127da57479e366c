#!/usr/bin/env python3
"""Cleans, closes, orients and decimates a triangle mesh, then writes plain OBJ.

Reads an OBJ (v/f lines) or an ASCII PLY, welds coincident vertices, drops
degenerate, duplicate and non-manifold triangles, fills boundary loops, winds
every triangle counter-clockwise seen from outside, reduces the triangle count
with quadric-error-metric edge collapses (Garland & Heckbert) and writes
`v`/`f` lines only. Standard library only. Exits non-zero if the result is not
a closed, consistently wound, outward-facing mesh without degenerate triangles.

usage: decimate.py INPUT OUTPUT TARGET_TRIANGLES [HEADER_LINE...]
"""
import collections
import heapq
import math
import sys


# ---------------------------------------------------------------- vectors
def sub(a, b): return (a[0] - b[0], a[1] - b[1], a[2] - b[2])
def dot(a, b): return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]
def cross(a, b):
    return (a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0])
def norm(a): return math.sqrt(dot(a, a))


def face_normal(P, f):
    return cross(sub(P[f[1]], P[f[0]]), sub(P[f[2]], P[f[0]]))


# ---------------------------------------------------------------- input
def load(path):
    if path.endswith('.gz'):
        import gzip
        text = gzip.open(path, 'rt').read()
    else:
        text = open(path).read()
    lines = text.splitlines()
    if lines and lines[0].strip() == 'ply':
        return load_ply(lines)
    return load_obj(lines)


def load_obj(lines):
    P, F = [], []
    for line in lines:
        s = line.split()
        if not s:
            continue
        if s[0] == 'v':
            P.append(tuple(float(t) for t in s[1:4]))
        elif s[0] == 'f':
            idx = [int(t.split('/')[0]) for t in s[1:]]
            idx = [i - 1 if i > 0 else len(P) + i for i in idx]
            for k in range(1, len(idx) - 1):  # fan-triangulate polygons
                F.append((idx[0], idx[k], idx[k + 1]))
    return P, F


def load_ply(lines):
    nv = nf = 0
    i = 0
    while lines[i].strip() != 'end_header':
        s = lines[i].split()
        if s[:1] == ['format'] and s[1] != 'ascii':
            sys.exit('only ASCII PLY is supported')
        if s[:2] == ['element', 'vertex']:
            nv = int(s[2])
        if s[:2] == ['element', 'face']:
            nf = int(s[2])
        i += 1
    i += 1
    P = [tuple(float(t) for t in lines[i + k].split()[:3]) for k in range(nv)]
    F = []
    for k in range(nf):
        idx = [int(t) for t in lines[i + nv + k].split()]
        idx = idx[1:1 + idx[0]]
        for j in range(1, len(idx) - 1):
            F.append((idx[0], idx[j], idx[j + 1]))
    return P, F


# ---------------------------------------------------------------- cleaning
def clean(P, F):
    """Welds equal positions, drops degenerate and duplicate triangles,
    triangles that would make an edge non-manifold, and unused vertices."""
    first = {}
    remap = []
    for p in P:
        remap.append(first.setdefault(p, len(first)))
    Q = [None] * len(first)
    for p, i in first.items():
        Q[i] = p
    seen = set()
    edge_use = collections.Counter()
    out = []
    for f in F:
        f = tuple(remap[i] for i in f)
        if len(set(f)) < 3 or norm(face_normal(Q, f)) <= 1e-15:
            continue
        key = frozenset(f)
        if key in seen:
            continue
        edges = [frozenset((f[k], f[(k + 1) % 3])) for k in range(3)]
        # A third triangle on an edge cannot be part of a closed 2-manifold.
        if any(edge_use[e] >= 2 for e in edges):
            continue
        seen.add(key)
        for e in edges:
            edge_use[e] += 1
        out.append(f)
    return compact(Q, out)


def compact(P, F):
    used = sorted({i for f in F for i in f})
    index = {v: k for k, v in enumerate(used)}
    return [P[v] for v in used], [tuple(index[i] for i in f) for f in F]


# ---------------------------------------------------------------- orientation
def orient(P, F):
    """Gives every connected piece one winding, then flips a piece whose
    signed volume is negative, so facet normals point outward."""
    F = [list(f) for f in F]
    by_edge = collections.defaultdict(list)
    for t, f in enumerate(F):
        for k in range(3):
            by_edge[frozenset((f[k], f[(k + 1) % 3]))].append(t)
    done = [False] * len(F)
    for start in range(len(F)):
        if done[start]:
            continue
        done[start] = True
        piece = [start]
        stack = [start]
        while stack:
            t = stack.pop()
            f = F[t]
            for k in range(3):
                a, b = f[k], f[(k + 1) % 3]
                for u in by_edge[frozenset((a, b))]:
                    if done[u]:
                        continue
                    g = F[u]
                    # A neighbour wound the same way runs the shared edge a->b too.
                    if any(g[j] == a and g[(j + 1) % 3] == b for j in range(3)):
                        g.reverse()
                    done[u] = True
                    piece.append(u)
                    stack.append(u)
        if signed_volume(P, [F[t] for t in piece]) < 0:
            for t in piece:
                F[t].reverse()
    return [tuple(f) for f in F]


def signed_volume(P, F):
    return sum(dot(P[f[0]], cross(P[f[1]], P[f[2]])) for f in F) / 6.0


# ---------------------------------------------------------------- hole filling
def boundary_loops(F):
    directed = set()
    for f in F:
        for k in range(3):
            directed.add((f[k], f[(k + 1) % 3]))
    # A boundary edge has no twin; walking the twins' direction traces the hole.
    nxt = {}
    for a, b in directed:
        if (b, a) not in directed:
            nxt.setdefault(b, []).append(a)
    loops = []
    while nxt:
        start = next(iter(nxt))
        loop = [start]
        v = start
        while True:
            cands = nxt.get(v)
            if not cands:
                break
            w = cands.pop()
            if not cands:
                del nxt[v]
            if w == start:
                break
            loop.append(w)
            v = w
        if len(loop) >= 3:
            loops.append(loop)
    return loops


def fill_holes(P, F):
    """Closes each boundary loop with a fan around a new vertex at the loop's
    centroid; the fan follows the winding of the surrounding surface."""
    P = list(P)
    F = list(F)
    loops = boundary_loops(F)
    for loop in loops:
        c = tuple(sum(P[v][k] for v in loop) / len(loop) for k in range(3))
        P.append(c)
        ci = len(P) - 1
        for k in range(len(loop)):
            F.append((loop[k], loop[(k + 1) % len(loop)], ci))
    return P, F, loops


# ---------------------------------------------------------------- decimation
def plane_quadric(n, p):
    a, b, c = n
    d = -dot(n, p)
    return [a * a, a * b, a * c, a * d, b * b, b * c, b * d, c * c, c * d, d * d]


def add_q(q, r):
    for k in range(10):
        q[k] += r[k]


def q_error(q, v):
    x, y, z = v
    return (q[0] * x * x + 2 * q[1] * x * y + 2 * q[2] * x * z + 2 * q[3] * x
            + q[4] * y * y + 2 * q[5] * y * z + 2 * q[6] * y
            + q[7] * z * z + 2 * q[8] * z + q[9])


def q_minimum(q):
    a11, a12, a13, b1 = q[0], q[1], q[2], q[3]
    a22, a23, b2 = q[4], q[5], q[6]
    a33, b3 = q[7], q[8]
    det = (a11 * (a22 * a33 - a23 * a23) - a12 * (a12 * a33 - a23 * a13)
           + a13 * (a12 * a23 - a22 * a13))
    scale = max(abs(a11), abs(a22), abs(a33)) ** 3
    if scale == 0 or abs(det) < 1e-9 * scale:
        return None
    # Cramer's rule for A x = -b.
    r = (-b1, -b2, -b3)
    def d3(m):
        return (m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1])
                - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
                + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]))
    A = [[a11, a12, a13], [a12, a22, a23], [a13, a23, a33]]
    x = []
    for col in range(3):
        m = [row[:] for row in A]
        for row in range(3):
            m[row][col] = r[row]
        x.append(d3(m) / det)
    return tuple(x)


def quality(p0, p1, p2):
    """4*sqrt(3)*area / sum of squared edge lengths: 1 for equilateral, 0 for flat."""
    n = norm(cross(sub(p1, p0), sub(p2, p0)))
    s = dot(sub(p1, p0), sub(p1, p0)) + dot(sub(p2, p1), sub(p2, p1)) + dot(sub(p0, p2), sub(p0, p2))
    return 2 * math.sqrt(3) * n / s if s > 0 else 0.0


def decimate(P, F, target):
    P = [tuple(p) for p in P]
    F = [list(f) for f in F]
    alive_f = [True] * len(F)
    alive_v = [True] * len(P)
    vfaces = [set() for _ in P]
    for t, f in enumerate(F):
        for v in f:
            vfaces[v].add(t)
    Q = [[0.0] * 10 for _ in P]
    for t, f in enumerate(F):
        n = face_normal(P, f)
        area2 = norm(n)
        if area2 == 0:
            continue
        n = tuple(c / area2 for c in n)
        q = plane_quadric(n, P[f[0]])
        # Area weighting keeps large flat regions from being over-refined.
        q = [c * area2 for c in q]
        for v in f:
            add_q(Q[v], q)
    version = [0] * len(P)

    def neighbours(v):
        return {w for t in vfaces[v] for w in F[t] if w != v}

    def candidate(a, b):
        q = [Q[a][k] + Q[b][k] for k in range(10)]
        opts = []
        m = q_minimum(q)
        if m is not None:
            opts.append(m)
        mid = tuple((P[a][k] + P[b][k]) / 2 for k in range(3))
        opts += [P[a], P[b], mid]
        best = min(opts, key=lambda p: q_error(q, p))
        # A minimum far outside the edge's neighbourhood comes from an
        # ill-conditioned quadric; fall back to the edge's own points.
        if m is not None and best is m:
            r = norm(sub(P[a], P[b]))
            if norm(sub(m, mid)) > 2 * r:
                best = min(opts[1:], key=lambda p: q_error(q, p))
        return max(q_error(q, best), 0.0), best

    heap = []

    def push_edges(v):
        for w in neighbours(v):
            a, b = (v, w) if v < w else (w, v)
            cost, pos = candidate(a, b)
            heapq.heappush(heap, (cost, a, b, version[a], version[b], pos))

    for v in range(len(P)):
        for w in neighbours(v):
            if v < w:
                cost, pos = candidate(v, w)
                heapq.heappush(heap, (cost, v, w, 0, 0, pos))

    nfaces = sum(alive_f)

    def collapse_ok(a, b, pos):
        shared = vfaces[a] & vfaces[b]
        if len(shared) != 2:
            return False
        opposite = {w for t in shared for w in F[t] if w != a and w != b}
        # Link condition: only the two opposite vertices may be common
        # neighbours, else the collapse pinches the surface.
        if neighbours(a) & neighbours(b) != opposite:
            return False
        for v in (a, b):
            for t in vfaces[v] - shared:
                f = F[t]
                old = [P[u] for u in f]
                new = [pos if u in (a, b) else P[u] for u in f]
                n0 = cross(sub(old[1], old[0]), sub(old[2], old[0]))
                n1 = cross(sub(new[1], new[0]), sub(new[2], new[0]))
                l0, l1 = norm(n0), norm(n1)
                if l1 == 0 or dot(n0, n1) < 0.2 * l0 * l1:
                    return False  # fold-over or a near-flip
                if quality(*new) < 0.08 and quality(*new) < quality(*old):
                    return False  # would create a sliver
        return True

    while nfaces > target and heap:
        cost, a, b, va, vb, pos = heapq.heappop(heap)
        if not (alive_v[a] and alive_v[b]) or version[a] != va or version[b] != vb:
            continue
        if not collapse_ok(a, b, pos):
            continue
        shared = vfaces[a] & vfaces[b]
        for t in shared:
            alive_f[t] = False
            for u in F[t]:
                vfaces[u].discard(t)
        nfaces -= len(shared)
        for t in vfaces[b]:
            F[t] = [a if u == b else u for u in F[t]]
            vfaces[a].add(t)
        vfaces[b] = set()
        alive_v[b] = False
        P[a] = pos
        add_q(Q[a], Q[b])
        version[a] += 1
        for w in neighbours(a):
            version[w] += 1
        for w in list(neighbours(a)) + [a]:
            push_edges(w)
    out = [tuple(f) for t, f in enumerate(F) if alive_f[t]]
    return compact(P, out)


# ---------------------------------------------------------------- checks
def check(P, F):
    problems = []
    edges = collections.Counter()
    directed = collections.Counter()
    for f in F:
        for k in range(3):
            a, b = f[k], f[(k + 1) % 3]
            edges[frozenset((a, b))] += 1
            directed[(a, b)] += 1
    bad = sum(1 for c in edges.values() if c != 2)
    if bad:
        problems.append('%d edges not shared by exactly two triangles' % bad)
    if any(c != 1 for c in directed.values()):
        problems.append('inconsistent winding')
    degenerate = sum(1 for f in F if len(set(f)) < 3 or norm(face_normal(P, f)) <= 1e-12)
    if degenerate:
        problems.append('%d degenerate triangles' % degenerate)
    if len({frozenset(f) for f in F}) != len(F):
        problems.append('duplicate triangles')
    if len(set(P)) != len(P):
        problems.append('duplicate vertices')
    if len({i for f in F for i in f}) != len(P):
        problems.append('unused vertices')
    # Vertex manifoldness: the triangles around each vertex form one fan.
    around = collections.defaultdict(list)
    for f in F:
        for k in range(3):
            around[f[k]].append((f[(k + 1) % 3], f[(k + 2) % 3]))
    nonmanifold = 0
    for v, pairs in around.items():
        nxt = dict(pairs)
        start = pairs[0][0]
        w, steps = start, 0
        while True:
            w = nxt.get(w)
            steps += 1
            if w is None or w == start or steps > len(pairs):
                break
        if w != start or steps != len(pairs):
            nonmanifold += 1
    if nonmanifold:
        problems.append('%d non-manifold vertices' % nonmanifold)
    vol = signed_volume(P, F)
    if vol <= 0:
        problems.append('signed volume %g is not positive' % vol)
    return problems, vol


# ---------------------------------------------------------------- main
def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    src, dst, target = sys.argv[1], sys.argv[2], int(sys.argv[3])
    header = sys.argv[4:]
    P, F = load(src)
    print('read %d vertices, %d triangles from %s' % (len(P), len(F), src))
    P, F = clean(P, F)
    print('cleaned: %d vertices, %d triangles' % (len(P), len(F)))
    P, F, loops = fill_holes(P, F)
    print('filled %d holes (boundary loop sizes %s)' % (len(loops), sorted(len(l) for l in loops)))
    F = orient(P, F)
    P, F = decimate(P, F, target)
    P, F = clean(P, F)
    F = orient(P, F)
    problems, vol = check(P, F)
    euler = len(P) - len(F) * 3 // 2 + len(F)
    print('result: %d vertices, %d triangles, Euler characteristic %d, signed volume %.6g'
          % (len(P), len(F), euler, vol))
    with open(dst, 'w') as out:
        for line in header:
            out.write('# %s\n' % line)
        for p in P:
            out.write('v %.6f %.6f %.6f\n' % p)
        for f in F:
            out.write('f %d %d %d\n' % (f[0] + 1, f[1] + 1, f[2] + 1))
    # The printed coordinates are rounded: check the mesh as written.
    P2, F2 = load(dst)
    problems2, _ = check(P2, F2)
    if problems or problems2:
        sys.exit('mesh check failed: ' + '; '.join(problems + problems2))
    print('closed, manifold, outward-wound, no degenerate triangles: wrote %s' % dst)


if __name__ == '__main__':
    main()
