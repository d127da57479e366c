// Batched strand drawing, see strand_batch.h. Relies on the ribbon geometry
// of strand_drawing.cpp: the second vertex of a pair is the first moved by
// 0.01 along x (first ribbon) or z (second ribbon), summed in double.
#include "fur/strand_batch.h"

#include "app/fur_settings.h"

namespace {

constexpr int floatsPerVertex = 7;

// Triangle (i, j, k) of the four vertices of one quad, in the top view: a
// patch point (x, y, z) lands at pixel (x, z) x pixelsPerUnit.
bool quadTriangleMayShow(const float* quad, int i, int j, int k, const TopView& view) {
    float corners[3][2];
    const int which[3] = {i, j, k};
    for (int n = 0; n < 3; ++n) {
        const float* vertex = quad + which[n] * floatsPerVertex;
        corners[n][0] = vertex[0] * view.pixelsPerUnit;
        corners[n][1] = vertex[2] * view.pixelsPerUnit;
    }
    return triangleMayCoverPixel(corners[0], corners[1], corners[2], view.snapMargin);
}

}  // namespace

void StrandBatch::clear() {
    vertices.clear();
    indices.clear();
    anyStrand = false;
}

void StrandBatch::addRibbon(const HairStrand& strand, const float alphas[hairStrandPoints], RibbonAxis axis,
                            SegmentMask segments, const TopView* view) {
    const float* color = furSettings.hairColor;
    const double offsetX = axis == RibbonAxis::X ? 0.01 : 0.0;
    const double offsetZ = axis == RibbonAxis::X ? 0.0 : 0.01;
    StrandPiece pieces[maxStrandPieces];
    const int pieceCount = piecesOfSegments(segments, pieces);
    for (int p = 0; p < pieceCount; ++p) {
        const StrandPiece piece = pieces[p];
        GLuint vertex = static_cast<GLuint>(vertices.size() / floatsPerVertex);
        const size_t start = vertices.size();
        vertices.resize(start + static_cast<size_t>(piece.last - piece.first + 1) * 2 * floatsPerVertex);
        float* out = vertices.data() + start;
        for (int k = piece.first; k <= piece.last; ++k) {
            const float* point = strand.points[k];
            const float second[3] = {static_cast<float>(point[0] + offsetX), point[1],
                                     static_cast<float>(point[2] + offsetZ)};
            const float both[2 * floatsPerVertex] = {point[0],  point[1],  point[2],  color[0], color[1],
                                                     color[2],  alphas[k], second[0], second[1], second[2],
                                                     color[0],  color[1],  color[2],  alphas[k]};
            for (float value : both) *out++ = value;
        }
        // Quad (v0, v1, v3, v2) of the strip, split as the GL splits a quad
        // strip with the last-vertex convention: (v2, v0, v3), (v0, v1, v3).
        const float* pieceVertices = vertices.data() + start;
        for (int k = piece.first; k < piece.last; ++k, vertex += 2, pieceVertices += 2 * floatsPerVertex) {
            if (view && !quadTriangleMayShow(pieceVertices, 2, 0, 3, *view)) {
                if (quadTriangleMayShow(pieceVertices, 0, 1, 3, *view))
                    indices.insert(indices.end(), {vertex, vertex + 1, vertex + 3});
                continue;
            }
            if (view && !quadTriangleMayShow(pieceVertices, 0, 1, 3, *view)) {
                indices.insert(indices.end(), {vertex + 2, vertex, vertex + 3});
                continue;
            }
            indices.insert(indices.end(), {vertex + 2, vertex, vertex + 3, vertex, vertex + 1, vertex + 3});
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

void StrandBatch::addStrand(const HairStrand& strand, const float alphas[hairStrandPoints], float minimumAlpha,
                            const TopView* view) {
    const SegmentMask visible = segmentsAboveOpacity(alphas, minimumAlpha);
    for (RibbonAxis axis : {RibbonAxis::X, RibbonAxis::Z})
        addRibbon(strand, alphas, axis, visible & drawableSegments(strand, axis, view));
    endStrand(alphas[hairStrandPoints - 1]);
}

void StrandBatch::draw() const {
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
