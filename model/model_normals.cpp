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

#include "model/model_skin.h"
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

float creaseCosine(float angle) {
    // pi rounded to single precision, so that 90 degrees gives -4.3711388e-8.
    return static_cast<float>(std::cos(angle * double{3.1415927f} * 0.005555555555555556));
}

const float* facetOf(const ObjModel* model, std::uint32_t triangle) {
    static constexpr float none[3] = {0.0f, 0.0f, 0.0f};
    std::int32_t index = model->triangles[triangle].facetNormalIndex;
    if (index < 1 || static_cast<std::uint32_t>(index) > model->facetNormalCount) return none;
    return &model->facetNormals[3 * static_cast<std::size_t>(index)];
}

// Each vertex's corners, highest triangle first and, within a triangle, the
// last corner first: the order of a list built by pushing at its front.
// Vertex v's corners are links[start[v]] up to links[start[v + 1]].
struct VertexLists {
    Buffer<std::size_t> start;
    Buffer<Link> links;
};

Buffer<std::size_t> listStarts(const ObjModel* model) {
    const std::size_t vertexCount = model->vertexCount;
    Buffer<std::size_t> start = allocateBuffer<std::size_t>(vertexCount + 2, "vertex lists");
    for (std::uint32_t t = 0; t < model->triangleCount; ++t)
        for (std::int32_t vertex : model->triangles[t].vertexIndices)
            if (vertexAt(model, vertex)) ++start[static_cast<std::size_t>(vertex) + 1];
    for (std::size_t v = 1; v <= vertexCount + std::size_t{1}; ++v) start[v] += start[v - 1];
    return start;
}

// Also clears the normal index of every corner that names no vertex.
VertexLists buildVertexLists(ObjModel* model) {
    const std::size_t vertexCount = model->vertexCount;
    VertexLists lists{listStarts(model), allocateBuffer<Link>(3 * std::size_t{model->triangleCount}, "vertex lists")};
    Buffer<std::size_t> fill = allocateBuffer<std::size_t>(vertexCount + 1, "vertex lists");
    std::memcpy(fill.get(), lists.start.get(), (vertexCount + 1) * sizeof(std::size_t));
    for (std::uint32_t t = model->triangleCount; t-- > 0;)
        for (int k = 2; k >= 0; --k) {
            std::int32_t vertex = model->triangles[t].vertexIndices[k];
            if (vertexAt(model, vertex))
                lists.links[fill[static_cast<std::size_t>(vertex)]++] = Link{t, static_cast<std::uint8_t>(k), false};
            else
                model->triangles[t].normalIndices[k] = 0;
        }
    return lists;
}

// One vertex's stretch of the lists.
struct Corners {
    Link* first;
    Link* last;
    Link* begin() const { return first; }
    Link* end() const { return last; }
};

// The normals made so far; index 0 is unused, as in the model's arrays.
struct MadeNormals {
    Buffer<float> values;
    std::uint32_t next = 1;
    float* nextSlot() { return &values[3 * std::size_t{next}]; }
};

// The newest triangle's facet normal, degenerate ones passed over; null when
// every facet is degenerate.
const float* referenceNormal(const ObjModel* model, Corners corners) {
    for (const Link& link : corners)
        if (!isZero(facetOf(model, link.triangle))) return facetOf(model, link.triangle);
    return nullptr;
}

struct Average {
    double sum[3] = {0.0, 0.0, 0.0};
    bool contributed = false;  // a facet within the crease angle was summed
    bool needShared = false;   // some corner takes the shared normal
};

// Marks the corners that take the shared normal: those within the crease angle
// of the reference, whose facets are summed, and the degenerate ones.
Average averageWithinCrease(const ObjModel* model, Corners corners, const float* reference, float cosAngle) {
    Average average;
    for (Link& link : corners) {
        const float* facet = facetOf(model, link.triangle);
        if (isZero(facet)) {
            link.averaged = average.needShared = true;
            continue;
        }
        double dot = double{facet[0]} * reference[0] + double{facet[1]} * reference[1] +
                     double{facet[2]} * reference[2];
        link.averaged = dot > cosAngle;
        if (!link.averaged) continue;
        average.needShared = average.contributed = true;
        for (int k = 0; k < 3; ++k) average.sum[k] += facet[k];
    }
    return average;
}

void writeSharedNormal(float* out, const Average& average, const float* reference) {
    const double* sum = average.sum;
    double length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
    // Facets that cancel out (possible with wide angles) leave the reference.
    if (average.contributed && length > 1e-12) {
        for (int k = 0; k < 3; ++k) out[k] = static_cast<float>(sum[k] / length);
    } else {
        std::memcpy(out, reference ? reference : fallbackNormal, 3 * sizeof(float));
    }
}

// Points each corner at the shared normal or at a new copy of its facet normal.
void assignCornerNormals(ObjModel* model, Corners corners, std::uint32_t shared, MadeNormals& made) {
    for (const Link& link : corners) {
        ObjTriangle& triangle = model->triangles[link.triangle];
        if (link.averaged) {
            triangle.normalIndices[link.corner] = static_cast<std::int32_t>(shared);
        } else {
            std::memcpy(made.nextSlot(), facetOf(model, link.triangle), 3 * sizeof(float));
            triangle.normalIndices[link.corner] = static_cast<std::int32_t>(made.next++);
        }
    }
}

void normalsOfVertex(ObjModel* model, Corners corners, float cosAngle, MadeNormals& made) {
    if (corners.first == corners.last) {
        std::fputs("glmVertexNormals(): vertex w/o a triangle\n", stderr);
        return;
    }
    const float* reference = referenceNormal(model, corners);
    Average average = averageWithinCrease(model, corners, reference, cosAngle);
    std::uint32_t shared = 0;
    if (average.needShared) {
        writeSharedNormal(made.nextSlot(), average, reference);
        shared = made.next++;
    }
    assignCornerNormals(model, corners, shared, made);
}

// Copies the normals actually made into an array of their own size.
void storePacked(ObjModel* model, const MadeNormals& made) {
    std::uint32_t count = made.next - 1;
    auto* packed = static_cast<float*>(
        allocateEntries(std::size_t{count} + 1, 3 * sizeof(float), "glmVertexNormals", "normals"));
    std::memcpy(packed + 3, made.values.get() + 3, 3 * std::size_t{count} * sizeof(float));
    model->normals = packed;
    model->normalCount = count;
}

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
    const float cosAngle = creaseCosine(angle);
    if (!model->facetNormals || model->facetNormalCount != model->triangleCount) glmTriangleNormals(model);

    std::free(model->normals);
    model->normals = nullptr;
    model->normalCount = 0;
    // One normal a corner at the most; packed once the count is known.
    MadeNormals made{allocateBuffer<float>(3 * (3 * std::size_t{model->triangleCount} + 1), "normals")};
    VertexLists lists = buildVertexLists(model);
    for (std::uint32_t vertex = 1; vertex <= model->vertexCount; ++vertex) {
        Corners corners{&lists.links[lists.start[vertex]], &lists.links[lists.start[std::size_t{vertex} + 1]]};
        normalsOfVertex(model, corners, cosAngle, made);
    }
    storePacked(model, made);
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
    if (model->skin) {
        auto s = static_cast<float>(scale);
        Affine unitize{s, 0, 0, static_cast<float>(-centre[0] * scale), 0, s, 0, static_cast<float>(-centre[1] * scale),
                       0, 0, s, static_cast<float>(-centre[2] * scale)};
        model->skin->placement = affineMultiply(unitize, model->skin->placement);
    }
    // The extent may be tiny enough for its reciprocal to pass the float range.
    return static_cast<float>(std::fmin(scale, double{FLT_MAX}));
}
