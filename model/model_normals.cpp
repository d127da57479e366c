// Facet normals, crease-angle vertex normals, centring and scaling.
//
// Arithmetic is done in double precision and stored as floats. A degenerate
// triangle (zero area, or a vertex named twice) gets a zero facet normal that
// takes no part in averaging; its corners take their vertex's shared normal,
// so no corner ever receives a non-finite normal.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "model/obj_model.h"
#include "model/obj_source.h"

namespace {

struct FreeDeleter {
    void operator()(void* memory) const { std::free(memory); }
};
template <typename T>
using Buffer = std::unique_ptr<T[], FreeDeleter>;

template <typename T>
Buffer<T> allocateBuffer(std::size_t count, const char* what) {
    return Buffer<T>(static_cast<T*>(allocateEntries(count, sizeof(T), "glmVertexNormals", what)));
}

bool isZero(const float* v) { return v[0] == 0.0f && v[1] == 0.0f && v[2] == 0.0f; }

const float* vertexAt(const ObjModel* model, std::int32_t index) {
    if (index < 1 || static_cast<std::uint32_t>(index) > model->vertexCount) return nullptr;
    return &model->vertices[3 * static_cast<std::size_t>(index)];
}

// One corner of one triangle in a vertex's list.
struct Link {
    std::uint32_t triangle;
    std::uint8_t corner;
    bool averaged;
};

// Points straight up the z axis: the normal of a vertex whose triangles all lack
// a direction of their own.
constexpr float fallbackNormal[3] = {0.0f, 0.0f, 1.0f};

}  // namespace

void glmTriangleNormals(ObjModel* model) {
    std::free(model->facetNormals);
    model->facetNormals = nullptr;
    model->facetNormalCount = model->triangleCount;
    model->facetNormals = static_cast<float*>(allocateEntries(std::size_t{model->triangleCount} + 1,
                                                              3 * sizeof(float), "glmTriangleNormals", "facet normals"));
    for (std::uint32_t i = 0; i < model->triangleCount; ++i) {
        ObjTriangle& triangle = model->triangles[i];
        triangle.facetNormalIndex = static_cast<std::int32_t>(i + 1);
        float* normal = &model->facetNormals[3 * (std::size_t{i} + 1)];
        const float* p0 = vertexAt(model, triangle.vertexIndices[0]);
        const float* p1 = vertexAt(model, triangle.vertexIndices[1]);
        const float* p2 = vertexAt(model, triangle.vertexIndices[2]);
        if (!p0 || !p1 || !p2) continue;  // left zero: a degenerate facet
        double u[3], v[3];
        for (int k = 0; k < 3; ++k) {
            u[k] = double{p1[k]} - p0[k];
            v[k] = double{p2[k]} - p0[k];
        }
        double x = u[1] * v[2] - u[2] * v[1];
        double y = u[2] * v[0] - u[0] * v[2];
        double z = u[0] * v[1] - u[1] * v[0];
        double length = std::sqrt(x * x + y * y + z * z);
        if (!(length > 0.0) || !std::isfinite(length)) continue;  // zero area
        double r = 1.0 / length;
        normal[0] = static_cast<float>(x * r);
        normal[1] = static_cast<float>(y * r);
        normal[2] = static_cast<float>(z * r);
    }
}

void glmVertexNormals(ObjModel* model, float angle) {
    // pi rounded to single precision, so that 90 degrees gives -4.3711388e-8.
    const float cosAngle = static_cast<float>(std::cos(angle * double{3.1415927f} * 0.005555555555555556));
    if (!model->facetNormals || model->facetNormalCount != model->triangleCount) glmTriangleNormals(model);

    const std::uint32_t vertexCount = model->vertexCount;
    const std::size_t cornerCount = 3 * std::size_t{model->triangleCount};
    std::free(model->normals);
    model->normals = nullptr;
    model->normalCount = 0;
    Buffer<float> normals = allocateBuffer<float>(3 * (cornerCount + 1), "normals");

    // Each vertex's corners, highest triangle first and, within a triangle, the
    // last corner first: the order of a list built by pushing at its front.
    Buffer<std::size_t> listStart = allocateBuffer<std::size_t>(std::size_t{vertexCount} + 2, "vertex lists");
    for (std::uint32_t t = 0; t < model->triangleCount; ++t)
        for (std::int32_t vertex : model->triangles[t].vertexIndices)
            if (vertexAt(model, vertex)) ++listStart[static_cast<std::size_t>(vertex) + 1];
    for (std::size_t v = 1; v <= vertexCount + std::size_t{1}; ++v) listStart[v] += listStart[v - 1];
    Buffer<Link> links = allocateBuffer<Link>(cornerCount, "vertex lists");
    {
        Buffer<std::size_t> fill = allocateBuffer<std::size_t>(std::size_t{vertexCount} + 1, "vertex lists");
        std::memcpy(fill.get(), listStart.get(), (std::size_t{vertexCount} + 1) * sizeof(std::size_t));
        for (std::uint32_t t = model->triangleCount; t-- > 0;)
            for (int k = 2; k >= 0; --k) {
                std::int32_t vertex = model->triangles[t].vertexIndices[k];
                if (vertexAt(model, vertex))
                    links[fill[static_cast<std::size_t>(vertex)]++] = Link{t, static_cast<std::uint8_t>(k), false};
                else
                    model->triangles[t].normalIndices[k] = 0;
            }
    }

    auto facetOf = [model](std::uint32_t triangle) -> const float* {
        static constexpr float none[3] = {0.0f, 0.0f, 0.0f};
        std::int32_t index = model->triangles[triangle].facetNormalIndex;
        if (index < 1 || static_cast<std::uint32_t>(index) > model->facetNormalCount) return none;
        return &model->facetNormals[3 * static_cast<std::size_t>(index)];
    };

    std::uint32_t next = 1;
    for (std::uint32_t vertex = 1; vertex <= vertexCount; ++vertex) {
        Link* first = &links[listStart[vertex]];
        Link* last = &links[listStart[std::size_t{vertex} + 1]];
        if (first == last) {
            std::fputs("glmVertexNormals(): vertex w/o a triangle\n", stderr);
            continue;
        }
        // The reference is the newest triangle's facet normal, degenerate ones passed over.
        const float* reference = nullptr;
        for (Link* link = first; link != last && !reference; ++link)
            if (!isZero(facetOf(link->triangle))) reference = facetOf(link->triangle);

        double sum[3] = {0.0, 0.0, 0.0};
        bool contributed = false, needShared = false;
        for (Link* link = first; link != last; ++link) {
            const float* facet = facetOf(link->triangle);
            if (isZero(facet)) {
                link->averaged = needShared = true;
                continue;
            }
            double dot = double{facet[0]} * reference[0] + double{facet[1]} * reference[1] +
                         double{facet[2]} * reference[2];
            link->averaged = dot > cosAngle;
            if (!link->averaged) continue;
            needShared = contributed = true;
            for (int k = 0; k < 3; ++k) sum[k] += facet[k];
        }

        std::uint32_t shared = 0;
        if (needShared) {
            float* out = &normals[3 * std::size_t{next}];
            double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
            // Facets that cancel out (possible with wide angles) leave the reference.
            if (contributed && length > 1e-12) {
                for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(sum[k] / length);
            } else {
                std::memcpy(out, reference ? reference : fallbackNormal, 3 * sizeof(float));
            }
            shared = next++;
        }
        for (Link* link = first; link != last; ++link) {
            ObjTriangle& triangle = model->triangles[link->triangle];
            if (link->averaged) {
                triangle.normalIndices[link->corner] = static_cast<std::int32_t>(shared);
            } else {
                std::memcpy(&normals[3 * std::size_t{next}], facetOf(link->triangle), 3 * sizeof(float));
                triangle.normalIndices[link->corner] = static_cast<std::int32_t>(next++);
            }
        }
    }

    // Pack to the number actually made.
    std::uint32_t count = next - 1;
    auto* packed = static_cast<float*>(
        allocateEntries(std::size_t{count} + 1, 3 * sizeof(float), "glmVertexNormals", "normals"));
    std::memcpy(packed + 3, normals.get() + 3, 3 * std::size_t{count} * sizeof(float));
    model->normals = packed;
    model->normalCount = count;
}

float glmCenterAndScale(ObjModel* model) {
    if (model->vertexCount == 0) return 1.0f;  // nothing to centre, and no vertex 1
    float* v = model->vertices;
    float maxV[3] = {v[3], v[4], v[5]};
    float minV[3] = {v[3], v[4], v[5]};
    for (std::uint32_t i = 1; i <= model->vertexCount; ++i)
        for (int k = 0; k < 3; ++k) {
            float c = v[3 * std::size_t{i} + k];
            if (maxV[k] < c) maxV[k] = c;
            if (minV[k] > c) minV[k] = c;
        }

    // Rounded to float as stored values, unless that overflows (coordinates
    // near the float limit), where the double is kept.
    auto asFloat = [](double value) {
        float rounded = static_cast<float>(value);
        return std::isfinite(rounded) ? double{rounded} : value;
    };
    double extent[3], centre[3];
    for (int k = 0; k < 3; ++k) {
        // The sum of the bounds' magnitudes, not max - min.
        extent[k] = asFloat(std::fabs(double{maxV[k]}) + std::fabs(double{minV[k]}));
        centre[k] = asFloat((double{maxV[k]} + minV[k]) * 0.5);
    }
    double largest = std::fmax(extent[0], std::fmax(extent[1], extent[2]));
    // Every vertex at the origin: nothing to scale.
    double scale = largest > 0.0 ? 2.0 / largest : 1.0;

    for (std::uint32_t i = 1; i <= model->vertexCount; ++i)
        for (int k = 0; k < 3; ++k) {
            float& c = v[3 * std::size_t{i} + k];
            double moved = asFloat(double{c} - centre[k]);
            c = static_cast<float>(moved * scale);
        }
    // The extent may be tiny enough for its reciprocal to pass the float range.
    return static_cast<float>(std::fmin(scale, double{FLT_MAX}));
}
