// Picking the surface under the cursor: the ray from the eye through a pixel
// of the view, carried into model space, and its first hit on the triangles
// as they are drawn. Plain arithmetic over plain arrays, no OpenGL; the
// window, camera and mesh are the caller's.
#pragma once

#include <cstdint>
#include <vector>

#include "mesh/indexed_mesh.h"

struct ObjectTransform;

struct Ray {
    float origin[3];
    float direction[3];  // unit
};

// What a perspective view shows where: the camera's three vectors (as
// gluLookAt takes them), the vertical field of view in degrees (as
// gluPerspective takes it), and the viewport in window pixels, from the
// window's bottom left (as glViewport takes it).
struct ViewRays {
    const float* eye;
    const float* lookAt;
    const float* up;
    float fieldOfView;
    int viewport[4];
    int windowHeight;
};

// The ray through the centre of pixel (x, y) of the window, counted from its
// top left as mouse events are; false when the view has no direction.
bool cursorRay(const ViewRays& view, int x, int y, Ray& ray);

// The ray in the space of a model drawn with `model` (its translation, then
// its rotation); false when the rotation cannot be inverted.
bool rayIntoModel(const Ray& world, const ObjectTransform& model, Ray& ray);

struct SurfaceHit {
    float distance;   // along the ray
    float point[3];
    float normal[3];  // the corners' normals interpolated, unit
    long triangle;
};

// The nearest hit of the ray on the triangles of `indices` (three per
// triangle) over `vertices`, their positions and normals; either side of a
// triangle counts. False for a miss.
bool pickSurface(const Ray& ray, const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                 SurfaceHit& hit);
