// Texture coordinates for the fur when a model brings none that can carry it:
// each triangle projected on the plane facing the axis nearest its normal, in
// the units of the centred and scaled model, one texture unit per model unit.
// The projection shrinks an area by at most the cosine of 54.7 degrees, so the
// hair keeps nearly one density over the whole surface; where two neighbours
// project on different planes the texture jumps, but both sides keep their
// hair, so no bald line runs along the seam. And the test that tells usable
// coordinates from missing or collapsed ones. Plain arithmetic, no OpenGL.
#pragma once

// Box projection of one triangle: the corners' (u, v) on the plane facing the
// axis where |facetNormal| is largest (ties go to the earlier axis), the two
// remaining axes ordered so that a triangle counter-clockwise about its normal
// stays counter-clockwise in texture space.
void boxProjectTriangle(const float positions[3][3], const float facetNormal[3], float texCoords[3][2]);

// Twice the area a triangle's texture coordinates span; 0 when they are
// collinear or nearly so (the angle between the two edges from corner 0 is
// within rounding of 0 or 180 degrees).
double texCoordArea2(const float texCoords[3][2]);

// Sums the surface of the triangles given one at a time, and the part of it
// whose texture coordinates span an area: coordinates are usable when that
// part is at least half. A file without coordinates, faces without texture
// indices, or every face naming one coordinate all leave the part at 0.
struct TexCoordCoverage {
    double surface = 0;
    double covered = 0;
    void add(const float positions[3][3], const float texCoords[3][2]);
    bool usable() const;
};
