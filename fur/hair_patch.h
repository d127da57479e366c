// The hair patch: numHairs strands of 32 points over the tileable square
// 0 <= x, z <= 2 of the plane y = 0, and the immediate-mode drawing of one
// strand as two thin ribbons. Generation needs no OpenGL (pelage_fur_core);
// the drawing functions are in pelage_fur.
#pragma once

constexpr int hairStrandPoints = 32;

struct HairStrand {
    float points[hairStrandPoints][4];  // x, y, z, w; point 0 is the root
    bool breakBefore[hairStrandPoints];  // true: a new ribbon piece starts at this point

    // Every point (0, 0, 0, 1); the break flags are written by the wrap pass.
    HairStrand() : breakBefore{} {
        for (auto& point : points) {
            point[0] = point[1] = point[2] = 0.0f;
            point[3] = 1.0f;
        }
    }
};

struct HairPatch {
    HairStrand* strands = nullptr;  // one block of strandCount strands
    int strandCount = 0;
};

extern HairPatch hairPatch;
// Raised by every generation, so that what is made from the patch knows when
// to follow it.
extern unsigned hairPatchGeneration;

// Replaces the patch with numHairs fresh strands (seven generator draws each)
// and sets furSettings.texturesDirty.
void generateHairPatch();

// Fills one strand from its root with five generator draws.
void generateStrand(HairStrand& strand, float lengthScale, const float root[4]);

// The per-strand parameters that generateStrand makes of its five draws.
struct StrandShape {
    float bendX, leanX, bendZ, leanZ, lengthFactor;
};
StrandShape strandShapeFromDraws(const int draws[5]);
// The 32 points of a strand of the given shape (generateStrand without draws).
void shapeStrand(HairStrand& strand, const StrandShape& shape, float lengthScale, const float root[4]);

// Cuts the polyline where it leaves and re-enters the square and shifts the
// outside pieces by one period; writes all 32 break flags.
void wrapStrand(HairStrand& strand);

// GL side (pelage_fur). The caller owns every other piece of state.

// Strands sent to the GL since the start, by the plain and the batched
// drawing alike: how tests see that an operation draws no strand at all.
extern long long strandsDrawn;

void drawStrand(const HairStrand& strand, const float alphas[hairStrandPoints]);
void drawStrandOpaque(const HairStrand& strand);
// The patch under the hair volume's transform, opaque.
void drawHairPatch();
