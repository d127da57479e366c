// Generated texture coordinates and the usability test. See
// texture_coordinates.h.
#include "mesh/texture_coordinates.h"

#include <cmath>

namespace {

// The two axes that span the projection plane of each axis, in the order that
// keeps a counter-clockwise triangle counter-clockwise when the normal points
// along the positive axis: (y, z) for x, (z, x) for y, (x, y) for z.
constexpr int planeAxes[3][2] = {{1, 2}, {2, 0}, {0, 1}};

int largestAxis(const float v[3]) {
    int axis = 0;
    for (int k = 1; k < 3; ++k)
        if (std::fabs(v[k]) > std::fabs(v[axis])) axis = k;
    return axis;
}

double length(const double v[3]) { return std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]); }

double surfaceArea2(const float p[3][3]) {
    double u[3], v[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = double{p[1][k]} - p[0][k];
        v[k] = double{p[2][k]} - p[0][k];
    }
    double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
    double area2 = length(n);
    return std::isfinite(area2) ? area2 : 0.0;
}

}  // namespace

void boxProjectTriangle(const float positions[3][3], const float facetNormal[3], float texCoords[3][2]) {
    int axis = largestAxis(facetNormal);
    int s = planeAxes[axis][0], t = planeAxes[axis][1];
    // Seen from the negative side the plane's axes swap, which mirrors the
    // projection back to the triangle's own turning sense.
    if (facetNormal[axis] < 0.0f) {
        int swap = s;
        s = t;
        t = swap;
    }
    for (int j = 0; j < 3; ++j) {
        texCoords[j][0] = positions[j][s];
        texCoords[j][1] = positions[j][t];
    }
}

double texCoordArea2(const float texCoords[3][2]) {
    double e1[2] = {double{texCoords[1][0]} - texCoords[0][0], double{texCoords[1][1]} - texCoords[0][1]};
    double e2[2] = {double{texCoords[2][0]} - texCoords[0][0], double{texCoords[2][1]} - texCoords[0][1]};
    double area2 = std::fabs(e1[0] * e2[1] - e1[1] * e2[0]);
    double lengths = std::hypot(e1[0], e1[1]) * std::hypot(e2[0], e2[1]);
    // Float coordinates on one line are rarely exactly collinear once stored:
    // a sine below 1e-5 is the rounding of collinear points, not a triangle.
    if (!(area2 > 1e-5 * lengths) || !std::isfinite(area2)) return 0.0;
    return area2;
}

void TexCoordCoverage::add(const float positions[3][3], const float texCoords[3][2]) {
    double area2 = surfaceArea2(positions);
    surface += area2;
    double textureArea2 = texCoordArea2(texCoords);
    if (!(textureArea2 > 0.0)) return;
    covered += area2;
    texture += textureArea2;
    if (area2 > 0.0) densities.push_back({textureArea2 / area2, area2});
}

bool TexCoordCoverage::usable() const { return covered > 0.0 && 2.0 * covered >= surface; }

double TexCoordCoverage::hairScale() const {
    if (!(covered > 0.0) || !(texture > 0.0)) return 0.0;
    double mean = texture / covered, even = 0;
    for (const Density& d : densities)
        if (d.ratio >= mean / 2 && d.ratio <= mean * 2) even += d.area2;
    if (even < 0.9 * covered) return 0.0;
    // With room for the rounding of coordinates written out with six decimals.
    if (mean >= 0.999 / std::sqrt(3.0) && mean <= 1.001) return 1.0;
    double scale = std::sqrt(1.0 / mean);
    return std::isfinite(scale) ? scale : 0.0;
}
