// Rays from the cursor and their hits on the drawn triangles. See picking.h.
// Relies on the camera conventions of gluLookAt and gluPerspective, which the
// view is drawn with.
#include "groom/picking.h"

#include <cmath>

#include "core/fur_settings.h"
#include "core/vector3.h"

bool cursorRay(const ViewRays& view, int x, int y, Ray& ray) {
    const int* area = view.viewport;
    if (area[2] <= 0 || area[3] <= 0) return false;
    Vec3 eye = loadVec3(view.eye);
    float forward[3], side[3], up[3];
    storeVec3(forward, loadVec3(view.lookAt) - eye);
    cross3(forward, view.up, side);
    if (!normalize3(forward) || !normalize3(side)) return false;
    cross3(side, forward, up);
    // The pixel's centre in normalised device coordinates; window rows count
    // down, GL's count up.
    float nx = 2.0f * (static_cast<float>(x - area[0]) + 0.5f) / static_cast<float>(area[2]) - 1.0f;
    float ny = 2.0f * (static_cast<float>(view.windowHeight - 1 - y - area[1]) + 0.5f) / static_cast<float>(area[3]) - 1.0f;
    float halfHeight = std::tan(view.fieldOfView * 0.5f * 3.14159265f / 180.0f);
    float aspect = static_cast<float>(area[2]) / static_cast<float>(area[3]);
    storeVec3(ray.direction, loadVec3(forward) + loadVec3(side) * (nx * halfHeight * aspect) +
                                 loadVec3(up) * (ny * halfHeight));
    storeVec3(ray.origin, eye);
    return normalize3(ray.direction);
}

bool rayIntoModel(const Ray& world, const ObjectTransform& model, Ray& ray) {
    // The columns of the rotation (column-major, as glMultMatrixf takes it)
    // are the model's axes in the world; their inverse by the adjugate.
    const float* m = model.rotation;
    float a[3][3] = {{m[0], m[4], m[8]}, {m[1], m[5], m[9]}, {m[2], m[6], m[10]}};
    float det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) - a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    if (!(std::fabs(det) > 1e-12f) || !std::isfinite(det)) return false;
    float inverse[3][3];
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
            inverse[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / det;
        }
    float translation[3];
    objectPosition(model, translation);
    float shifted[3];
    storeVec3(shifted, loadVec3(world.origin) - loadVec3(translation));
    for (int r = 0; r < 3; ++r) {
        ray.origin[r] = inverse[r][0] * shifted[0] + inverse[r][1] * shifted[1] + inverse[r][2] * shifted[2];
        ray.direction[r] = inverse[r][0] * world.direction[0] + inverse[r][1] * world.direction[1] +
                           inverse[r][2] * world.direction[2];
    }
    return normalize3(ray.direction);
}

bool pickSurface(const Ray& ray, const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                 SurfaceHit& hit) {
    Vec3 origin = loadVec3(ray.origin), direction = loadVec3(ray.direction);
    bool found = false;
    float nearest = INFINITY, hitU = 0, hitV = 0;
    long nearestTriangle = -1;
    long count = static_cast<long>(indices.size() / 3);
    auto corner = [&](long t, int j) -> const MeshVertex& { return vertices[indices[3 * std::size_t(t) + j]]; };
    for (long t = 0; t < count; ++t) {
        // Moller and Trumbore: barycentric u, v and the distance at once.
        Vec3 p0 = loadVec3(corner(t, 0).position);
        Vec3 e1 = loadVec3(corner(t, 1).position) - p0, e2 = loadVec3(corner(t, 2).position) - p0;
        Vec3 q = cross(direction, e2);
        float det = dot(e1, q);
        if (std::fabs(det) < 1e-12f) continue;
        float inverse = 1.0f / det;
        Vec3 s = origin - p0;
        float u = dot(s, q) * inverse;
        if (u < 0 || u > 1) continue;
        Vec3 r = cross(s, e1);
        float v = dot(direction, r) * inverse;
        if (v < 0 || u + v > 1) continue;
        float distance = dot(e2, r) * inverse;
        if (!(distance > 0) || distance >= nearest) continue;
        nearest = distance;
        hitU = u;
        hitV = v;
        nearestTriangle = t;
        found = true;
    }
    if (!found) return false;
    hit.distance = nearest;
    hit.triangle = nearestTriangle;
    storeVec3(hit.point, origin + direction * nearest);
    const MeshVertex &a = corner(nearestTriangle, 0), &b = corner(nearestTriangle, 1), &c = corner(nearestTriangle, 2);
    storeVec3(hit.normal,
              loadVec3(a.normal) * (1 - hitU - hitV) + loadVec3(b.normal) * hitU + loadVec3(c.normal) * hitV);
    if (!normalize3(hit.normal)) {
        Vec3 p0 = loadVec3(a.position);
        storeVec3(hit.normal, cross(loadVec3(b.position) - p0, loadVec3(c.position) - p0));
        normalize3(hit.normal);
    }
    return true;
}
