// Texture coordinates for the fur when a model brings none that can carry it:
// each triangle projected on the plane facing the axis nearest its normal, in
// the units of the centred and scaled model, one texture unit per model unit.
// The projection shrinks an area by at most the cosine of 54.7 degrees, so the
// hair keeps nearly one density over the whole surface; where two neighbours
// project on different planes the texture jumps, but both sides keep their
// hair, so no bald line runs along the seam. And the test that tells usable
// coordinates from missing or collapsed ones, and the factor that gives a
// model's own ones the projection's density. Plain arithmetic, no OpenGL.
#pragma once

#include <vector>

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
// Also weighs the coordinates' density, texture area per surface area, for
// the hair: a model's own coordinates are laid out for its maps, an atlas in
// 0..1 at whatever scale, and the hair patch laid over them would come out at
// that scale.
struct TexCoordCoverage {
    double surface = 0;
    double covered = 0;
    double texture = 0;  // of the covered part
    void add(const float positions[3][3], const float texCoords[3][2]);
    bool usable() const;
    // What the coordinates are multiplied by for one density of hair: 1 when
    // their density already lies within the box projection's (1/sqrt(3) to
    // 1), so that coordinates made that way stay exactly as they are; the
    // factor bringing it to 1 otherwise; and 0 when it is too uneven for any
    // one factor: less than 90% of the covered surface within a factor of 2 of
    // the mean. (The poles of a latitude-longitude map, 5% of a sphere, fall
    // outside.)
    double hairScale() const;

private:
    struct Density {
        double ratio, area2;
    };
    std::vector<Density> densities;  // of each covered triangle
};
