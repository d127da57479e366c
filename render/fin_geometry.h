// The fins of the drawn mesh, three per triangle (on the edges from corner 0
// to 1, 1 to 2 and 2 to 0), laid out as quads of two triangles each for one
// draw call per frame.
// What never changes is found once: each fin's unit plane normal (for the fade
// by view angle), its length, and the three texture offsets its record's
// reseeded generator would give. Per frame only the fade is worked out, fins
// seen edge-on are left out, and each drawn fin takes the next of its
// triangle's offsets, exactly as drawing the fins one by one after reseeding
// with the triangle's index would. Plain data, no OpenGL.
#pragma once

#include <cstdint>
#include <vector>

#include "mesh/indexed_mesh.h"

struct FurSettings;

// One corner of a fin quad as the vertex program receives it. The fin stands
// on the skin: the top corners carry the skin position too, and the vertex
// program lifts them along the normal by the colour's green, the height above
// the skin, as it lifts the shells. Colour: (1, height, 0, fade).
struct FinVertex {
    float position[3];
    float normal[3];
    float texCoord[2];  // u along the edge, v 0 at the skin and 1 at the top
    float color[4];
    float ownTexCoord[2];  // the groom's, as for the skin (mesh/indexed_mesh.h)
    float comb[3];
};

// The two triangles each fin's quad is drawn as, by corner: skin p, top p,
// top q, then skin p, top q, skin q. A fin is not flat where its two normals
// differ, so the diagonal shapes it; named here, it no longer depends on how
// the driver splits a quad, which Mesa's software rasteriser does along
// either diagonal depending on how it batches a draw. This is the diagonal it
// took for the fins as they were first drawn, one long list of quads.
constexpr int finTriangleCorners[6] = {0, 1, 2, 0, 2, 3};

struct FinGeometry {
    struct Fin {
        float plane[3];  // unit normal of the fin's plane, when hasPlane
        float length;    // of the edge
        bool hasPlane;   // false for a degenerate edge or normal, never drawn faded
    };
    std::vector<Fin> fins;        // three per triangle
    std::vector<float> offsets;   // three per triangle: u of the 1st, 2nd, 3rd fin drawn
    std::vector<FinVertex> quads; // this frame's quads; room for every fin
    // Beside quads, for a posed mesh only: each corner's rest place and lag.
    std::vector<SkinnedVertexExtra> quadExtras;
};

// Refills `fins` and `offsets` from the mesh, and makes room in `quads`.
void buildFinGeometry(const IndexedMesh& mesh, FinGeometry& geometry);

struct FinFrame {
    std::int64_t vertexCount = 0;  // four per drawn fin, from the start of quads
    int drawsInLastTriangle = 0;     // fins drawn for the last triangle
};

// Lays out this frame's fins seen from `view` (unit, model space) into
// geometry.quads, with the settings' fading, fin height and texture scale:
// over the mesh as built, or over its vertices posed (the same indices), with
// each corner's `extras` laid out into quadExtras.
FinFrame layOutFins(const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                    const FurSettings& settings, const float view[3], FinGeometry& geometry,
                    const SkinnedVertexExtra* extras);

// The fins' planes again for posed vertices; their lengths and texture
// offsets stay those of the rest mesh, so the fins' hair does not crawl as it
// moves.
void poseFinPlanes(const std::vector<MeshVertex>& vertices, const std::vector<std::uint32_t>& indices,
                   FinGeometry& geometry);
