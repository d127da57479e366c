// Building the fins once and laying them out per frame. See fin_geometry.h.
// Relies on fur_math for the fade, split so that the part that never changes
// is found once and the per-frame result is the same to the last bit, and on
// the generator's seeded draws for the offsets.
#include "render/fin_geometry.h"

#include <algorithm>

#include "core/fur_settings.h"
#include "core/vector3.h"
#include "fur/random.h"
#include "render/fur_math.h"

namespace {

float edgeLength(const float p[3], const float q[3]) { return length(loadVec3(p) - loadVec3(q)); }

void setVertex(FinVertex& vertex, const MeshVertex& corner, float u, float v, float height, float fade) {
    std::copy_n(corner.position, 3, vertex.position);
    std::copy_n(corner.normal, 3, vertex.normal);
    std::copy_n(corner.ownTexCoord, 2, vertex.ownTexCoord);
    std::copy_n(corner.comb, 3, vertex.comb);
    vertex.texCoord[0] = u;
    vertex.texCoord[1] = v;
    vertex.color[0] = 1.0f;
    vertex.color[1] = height;
    vertex.color[2] = 0.0f;
    vertex.color[3] = fade;
}

// The quad's corners in the order the fin is wound: skin and top at corner
// p, top and skin at corner q.
void writeQuad(FinVertex* quad, const MeshVertex& p, const MeshVertex& q, float u0, float u1, float height,
               float fade) {
    setVertex(quad[0], p, u0, 0.0f, 0.0f, fade);
    setVertex(quad[1], p, u0, 1.0f, height, fade);
    setVertex(quad[2], q, u1, 1.0f, height, fade);
    setVertex(quad[3], q, u1, 0.0f, 0.0f, fade);
}

// The plane of the fin on the edge from corner j of triangle f / 3 to the
// next corner.
void setFinPlane(const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices, std::size_t f,
                 FinGeometry::Fin& fin) {
    std::size_t next = f - f % 3 + (f + 1) % 3;
    const MeshVertex &p = vertices[indices[f]], &q = vertices[indices[next]];
    fin.hasPlane = finPlaneNormal(p.position, q.position, p.normal, fin.plane);
}

}  // namespace

void buildFinGeometry(const IndexedMesh& mesh, FinGeometry& geometry) {
    std::size_t count = mesh.indices.size();
    geometry.fins.resize(count);
    geometry.offsets.resize(count);
    geometry.quads.resize(4 * count);
    for (std::size_t f = 0; f < count; ++f) {
        FinGeometry::Fin& fin = geometry.fins[f];
        setFinPlane(mesh.vertices, mesh.indices, f, fin);
        int j = static_cast<int>(f % 3);
        fin.length = edgeLength(mesh.corner(f / 3, j).position, mesh.corner(f / 3, (j + 1) % 3).position);
        unsigned seed = static_cast<unsigned>(f / 3);
        geometry.offsets[f] = static_cast<float>(seededDraw(seed, j)) / static_cast<float>(randomDrawMax);
    }
}

void poseFinPlanes(const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                   FinGeometry& geometry) {
    for (std::size_t f = 0; f < indices.size() && f < geometry.fins.size(); ++f)
        setFinPlane(vertices, indices, f, geometry.fins[f]);
}

FinFrame layOutFins(const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                    const FurSettings& settings, const float view[3], FinGeometry& geometry,
                    const SkinnedVertexExtra* extras) {
    FinFrame frame;
    bool fading = settings.alphaBlendFins != 0;
    FinVertex* out = geometry.quads.data();
    if (extras) geometry.quadExtras.resize(geometry.quads.size());
    std::size_t count = std::min(indices.size(), geometry.fins.size()) / 3;
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t* corners = &indices[3 * k];
        const FinGeometry::Fin* fins = &geometry.fins[3 * k];
        const float* offsets = &geometry.offsets[3 * k];
        int drawn = 0;
        for (int j = 0; j < 3; ++j) {
            float fade = 1.0f;
            if (fading) fade = fins[j].hasPlane ? finFadeFromPlane(fins[j].plane, view) : 0.0f;
            if (!(fade > 0.0f)) continue;
            int next = (j + 1) % 3;
            float u0 = offsets[drawn++];
            float u1 = u0 + settings.finScalingFactor * fins[j].length;
            writeQuad(out, vertices[corners[j]], vertices[corners[next]], u0, u1, settings.finHeight, fade);
            if (extras) {
                SkinnedVertexExtra* quad = &geometry.quadExtras[out - geometry.quads.data()];
                quad[0] = quad[1] = extras[corners[j]];
                quad[2] = quad[3] = extras[corners[next]];
            }
            out += 4;
        }
        frame.drawsInLastTriangle = drawn;
    }
    frame.vertexCount = out - geometry.quads.data();
    return frame;
}
