// Building the fins once and laying them out per frame. See fin_geometry.h.
// Relies on fur_math for the fade, split so that the part that never changes
// is found once and the per-frame result is the same to the last bit, and on
// the generator's seeded draws for the offsets.
#include "render/fin_geometry.h"

#include "core/fur_settings.h"
#include "core/vector3.h"
#include "fur/random.h"
#include "render/fur_math.h"
#include "render/fur_mesh.h"

namespace {

float edgeLength(const float p[3], const float q[3]) { return length(loadVec3(p) - loadVec3(q)); }

void setVertex(FinVertex& vertex, const FurTriangle& record, int corner, float u, float v, float height, float fade) {
    const float* position = record.positions[corner];
    const float* normal = record.normals[corner];
    for (int k = 0; k < 2; ++k) vertex.ownTexCoord[k] = record.ownTexCoords[corner][k];
    for (int k = 0; k < 3; ++k) vertex.comb[k] = record.combs[corner][k];
    for (int k = 0; k < 3; ++k) {
        vertex.position[k] = position[k];
        vertex.normal[k] = normal[k];
    }
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    vertex.color[0] = 1.0f;
    vertex.color[1] = height;
    vertex.color[2] = 0.0f;
    vertex.color[3] = fade;
}

// The quad's corners in the order the fin is wound: skin and top at corner
// p, top and skin at corner q.
void writeQuad(FinVertex* quad, const FurTriangle& record, int p, int q, float u0, float u1, float height,
               float fade) {
    setVertex(quad[0], record, p, u0, 0.0f, 0.0f, fade);
    setVertex(quad[1], record, p, u0, 1.0f, height, fade);
    setVertex(quad[2], record, q, u1, 1.0f, height, fade);
    setVertex(quad[3], record, q, u1, 0.0f, 0.0f, fade);
}

}  // namespace

void buildFinGeometry(const FurMesh& mesh, FinGeometry& geometry) {
    std::size_t count = 3 * static_cast<std::size_t>(mesh.recordCount);
    geometry.fins.resize(count);
    geometry.offsets.resize(count);
    geometry.quads.resize(4 * count);
    for (std::size_t f = 0; f < count; ++f) {
        const FurTriangle& record = mesh.records[f / 3];
        int j = static_cast<int>(f % 3), next = (j + 1) % 3;
        FinGeometry::Fin& fin = geometry.fins[f];
        fin.hasPlane = finPlaneNormal(record.positions[j], record.positions[next], record.normals[j], fin.plane);
        fin.length = edgeLength(record.positions[j], record.positions[next]);
        unsigned seed = static_cast<unsigned>(f / 3);
        geometry.offsets[f] = static_cast<float>(seededDraw(seed, j)) / static_cast<float>(randomDrawMax);
    }
}

FinFrame layOutFins(const FurMesh& mesh, const FurSettings& settings, const float view[3], FinGeometry& geometry) {
    return layOutFins(mesh.records.get(), mesh.recordCount, settings, view, geometry, nullptr, nullptr);
}

void poseFinPlanes(const FurTriangle* records, std::int32_t count, FinGeometry& geometry) {
    for (std::size_t f = 0; f < 3 * static_cast<std::size_t>(count) && f < geometry.fins.size(); ++f) {
        const FurTriangle& record = records[f / 3];
        int j = static_cast<int>(f % 3), next = (j + 1) % 3;
        FinGeometry::Fin& fin = geometry.fins[f];
        fin.hasPlane = finPlaneNormal(record.positions[j], record.positions[next], record.normals[j], fin.plane);
    }
}

FinFrame layOutFins(const FurTriangle* records, std::int32_t count, const FurSettings& settings, const float view[3],
                    FinGeometry& geometry, const SkinnedVertexExtra* extras, const std::uint32_t* indices) {
    FinFrame frame;
    bool fading = settings.alphaBlendFins != 0;
    FinVertex* out = geometry.quads.data();
    if (extras) geometry.quadExtras.resize(geometry.quads.size());
    for (std::int32_t k = 0; k < count; ++k) {
        const FurTriangle& record = records[k];
        const FinGeometry::Fin* fins = &geometry.fins[3 * static_cast<std::size_t>(k)];
        const float* offsets = &geometry.offsets[3 * static_cast<std::size_t>(k)];
        int drawn = 0;
        for (int j = 0; j < 3; ++j) {
            float fade = 1.0f;
            if (fading) fade = fins[j].hasPlane ? finFadeFromPlane(fins[j].plane, view) : 0.0f;
            if (!(fade > 0.0f)) continue;
            int next = (j + 1) % 3;
            float u0 = offsets[drawn++];
            float u1 = u0 + settings.finScalingFactor * fins[j].length;
            writeQuad(out, record, j, next, u0, u1, settings.finHeight, fade);
            if (extras) {
                SkinnedVertexExtra* quad = &geometry.quadExtras[out - geometry.quads.data()];
                const SkinnedVertexExtra& p = extras[indices[3 * static_cast<std::size_t>(k) + j]];
                const SkinnedVertexExtra& q = extras[indices[3 * static_cast<std::size_t>(k) + next]];
                quad[0] = quad[1] = p;
                quad[2] = quad[3] = q;
            }
            out += 4;
        }
        frame.drawsInLastRecord = drawn;
    }
    frame.vertexCount = out - geometry.quads.data();
    return frame;
}
