// Generation of the hair patch: roots, strand shapes and the wrap pass that
// makes the patch periodic in x and z. Plain arithmetic over the strands and
// the process-wide generator; the drawing is in strand_drawing.cpp.
#include "fur/hair_patch.h"

#include <cmath>
#include <new>

#include "core/fur_settings.h"
#include "fur/random.h"

HairPatch hairPatch;

namespace {

// Single-precision scale factors, as the strand arithmetic expects them.
constexpr float unitScale = 1.0f / 32767.0f;    // 3.0518509e-05
constexpr float doubleScale = 2.0f / 32767.0f;  // 6.1037019e-05
constexpr float patchPeriod = 2.0f;

// One axis of the wrap pass. `below` and `above` remember whether the previous
// point of this strand lay outside on that side; leaving and returning both
// start a new ribbon piece.
void wrapCoordinate(float& value, bool& below, bool& above, bool& breakHere) {
    if (value < 0.0f) {
        value += patchPeriod;
        if (!below) breakHere = true;
        below = true;
    } else if (below) {
        below = false;
        breakHere = true;
    }
    if (value > patchPeriod) {
        value -= patchPeriod;
        if (!above) breakHere = true;
        above = true;
    } else if (above) {
        above = false;
        breakHere = true;
    }
}

}  // namespace

StrandShape strandShapeFromDraws(const int draws[5]) {
    StrandShape shape;
    shape.bendX = (draws[0] * unitScale - 0.5f) * 0.0625f;
    shape.leanX = draws[1] * unitScale - 0.5f;
    shape.bendZ = (draws[2] * unitScale - 0.5f) * 0.0625f;
    shape.leanZ = draws[3] * unitScale - 0.5f;
    shape.lengthFactor = 1.0f - 0.5f * draws[4] * unitScale;
    return shape;
}

void shapeStrand(HairStrand& strand, const StrandShape& shape, float lengthScale, const float root[4]) {
    for (int i = 0; i < hairStrandPoints; ++i) {
        const double cx = static_cast<float>(shape.bendX * i);
        const double cz = static_cast<float>(shape.bendZ * i);
        float* point = strand.points[i];
        point[0] = static_cast<float>(root[0] + 0.3 * std::tan(cx * cx * cx / 2) + 0.009375 * shape.leanX * i);
        point[1] = static_cast<float>(root[1] + 0.03125 * shape.lengthFactor * lengthScale * i);
        point[2] = static_cast<float>(root[2] + 0.3 * std::tan(cz * cz * cz / 2) + 0.009375 * shape.leanZ * i);
        point[3] = 1.0f;
    }
}

void generateStrand(HairStrand& strand, float lengthScale, const float root[4]) {
    int draws[5];
    for (int& draw : draws) draw = randomDraw();
    shapeStrand(strand, strandShapeFromDraws(draws), lengthScale, root);
}

void wrapStrand(HairStrand& strand) {
    bool belowX = false, aboveX = false, belowZ = false, aboveZ = false;
    for (int k = 0; k < hairStrandPoints; ++k) {
        bool breakHere = false;
        wrapCoordinate(strand.points[k][0], belowX, aboveX, breakHere);
        wrapCoordinate(strand.points[k][2], belowZ, aboveZ, breakHere);
        strand.breakBefore[k] = breakHere;
    }
}

unsigned hairPatchGeneration = 0;

void generateHairPatch() {
    furSettings.texturesDirty = true;
    ++hairPatchGeneration;
    delete[] hairPatch.strands;
    hairPatch.strands = nullptr;
    hairPatch.strandCount = 0;

    // A count outside the panel's limits (never below 1 there) makes an empty
    // patch rather than a failed or huge allocation.
    const int count = furSettings.numHairs;
    if (count <= 0) return;
    hairPatch.strands = new (std::nothrow) HairStrand[count];
    if (!hairPatch.strands) return;
    hairPatch.strandCount = count;

    for (int s = 0; s < count; ++s) {
        float root[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        root[2] = randomDraw() * doubleScale;  // z is drawn first, then x
        root[0] = randomDraw() * doubleScale;
        generateStrand(hairPatch.strands[s], 1.0f, root);
    }
    for (int s = 0; s < count; ++s) wrapStrand(hairPatch.strands[s]);
}
