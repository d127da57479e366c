// Batched strand drawing, see strand_batch.h. The ribbon geometry is that of
// strand_drawing.cpp: the second vertex of a pair is ribbonOffset of the first
// along x (first ribbon) or z (second ribbon).
#include "fur/strand_batch.h"

#include "core/fur_settings.h"

namespace {
constexpr int floatsPerVertex = 7;
}

void StrandBatch::clear() {
    vertices.clear();
    indices.clear();
    anyStrand = false;
    strands = 0;
}

void StrandBatch::addRibbon(const HairStrand& strand, const float alphas[hairStrandPoints], RibbonAxis axis,
                            SegmentMask segments, const RibbonCoverage* coverage) {
    if (coverage) segments &= coverage->firstTriangle | coverage->secondTriangle;
    const float* color = furSettings.hairColor;
    StrandPiece pieces[maxStrandPieces];
    const int pieceCount = piecesOfSegments(segments, pieces);
    for (int p = 0; p < pieceCount; ++p) {
        const StrandPiece piece = pieces[p];
        GLuint vertex = static_cast<GLuint>(vertices.size() / floatsPerVertex);
        // Appended, not resized and overwritten: the storage is kept from
        // batch to batch, and resizing would clear it first.
        for (int k = piece.first; k <= piece.last; ++k) {
            const float* point = strand.points[k];
            const float secondX = axis == RibbonAxis::X ? ribbonOffset(point[0]) : point[0];
            const float secondZ = axis == RibbonAxis::Z ? ribbonOffset(point[2]) : point[2];
            const float pair[2 * floatsPerVertex] = {point[0], point[1], point[2], color[0], color[1], color[2],
                                                     alphas[k], secondX,  point[1], secondZ,  color[0], color[1],
                                                     color[2], alphas[k]};
            vertices.insert(vertices.end(), pair, pair + 2 * floatsPerVertex);
        }
        for (int k = piece.first + 1; k <= piece.last; ++k, vertex += 2) {
            const GLuint quad[4] = {vertex, vertex + 1, vertex + 2, vertex + 3};
            for (int t = 0; t < 2; ++t) {
                if (coverage && !((t == 0 ? coverage->firstTriangle : coverage->secondTriangle) & (1u << k))) continue;
                indices.insert(indices.end(),
                               {quad[quadTriangles[t][0]], quad[quadTriangles[t][1]], quad[quadTriangles[t][2]]});
            }
        }
    }
}

void StrandBatch::endStrand(float lastAlpha) {
    anyStrand = true;
    const float* color = furSettings.hairColor;
    lastColor[0] = color[0];
    lastColor[1] = color[1];
    lastColor[2] = color[2];
    lastColor[3] = lastAlpha;
}

void StrandBatch::addStrand(const HairStrand& strand, const float alphas[hairStrandPoints], float minimumAlpha) {
    const SegmentMask segments = segmentsAboveOpacity(alphas, minimumAlpha) & joinedSegments(strand);
    addRibbon(strand, alphas, RibbonAxis::X, segments);
    addRibbon(strand, alphas, RibbonAxis::Z, segments);
    endStrand(alphas[hairStrandPoints - 1]);
    ++strands;
}

void StrandBatch::draw() const {
    strandsDrawn += strands;
    if (!indices.empty()) {
        // The caller's client arrays and buffer bindings stay as they were.
        glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, floatsPerVertex * sizeof(float), vertices.data());
        glColorPointer(4, GL_FLOAT, floatsPerVertex * sizeof(float), vertices.data() + 3);
        // The range spares the GL a pass over the indices to find it.
        const GLuint lastVertex = static_cast<GLuint>(vertices.size() / floatsPerVertex) - 1;
        glDrawRangeElements(GL_TRIANGLES, 0, lastVertex, static_cast<GLsizei>(indices.size()), GL_UNSIGNED_INT,
                            indices.data());
        glPopClientAttrib();
    }
    // A colour array leaves the current colour undefined; the plain drawing
    // leaves its last glColor4f, which later drawing may inherit.
    if (anyStrand) glColor4f(lastColor[0], lastColor[1], lastColor[2], lastColor[3]);
}
