// Framing arithmetic. See camera_framing.h.
//
// With the camera's right, up and forward axes r, u, f and the points taken
// relative to their middle c (x = r.p, y = u.p, z = f.p), an eye at
// c + s r + t u - D f sees point p inside the half-angle tangent T across r
// when |x - s| <= T (z + D). Over all points that is D >= a - s/T and
// D >= b + s/T with a = max(x/T - z), b = max(-x/T - z): the least D is
// (a + b) / 2 at s = T (a - b) / 2. The same holds across u; the larger of the
// two distances then keeps both axes inside, and the other axis is centred
// again for it.
#include "app/camera_framing.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "core/fur_settings.h"
#include "core/vector3.h"

void placeModelPoint(const ObjectTransform& model, const float p[3], float world[3]) {
    float translation[3];
    objectPosition(model, translation);
    const float* m = model.rotation;  // column-major, as glMultMatrixf takes it
    for (int row = 0; row < 3; ++row)
        world[row] = m[row] * p[0] + m[row + 4] * p[1] + m[row + 8] * p[2] + m[row + 12] + translation[row];
}

namespace {

// The least distance and the sideways shift along one axis (see above).
void fitAxis(const double* across, const double* depth, int count, double tangent, double& distance, double& shift) {
    double a = -std::numeric_limits<double>::infinity(), b = a;
    for (int i = 0; i < count; ++i) {
        a = std::max(a, across[i] / tangent - depth[i]);
        b = std::max(b, -across[i] / tangent - depth[i]);
    }
    distance = (a + b) / 2;
    shift = tangent * (a - b) / 2;
}

// The shift that centres the points across one axis for an eye at
// `distance`: as far in from one edge as from the other. The reach on each
// side is monotone in the shift, so halving finds it.
double centredShift(const double* across, const double* depth, int count, double distance, double low, double high) {
    for (int step = 0; step < 60; ++step) {
        double shift = (low + high) / 2, left = -1e300, right = -1e300;
        for (int i = 0; i < count; ++i) {
            double seen = depth[i] + distance;
            right = std::max(right, (across[i] - shift) / seen);
            left = std::max(left, (shift - across[i]) / seen);
        }
        (right > left ? low : high) = shift;
    }
    return (low + high) / 2;
}

}  // namespace

bool frameCorners(const float eye[3], const float lookAt[3], const float up[3], const float (*points)[3], int count,
                  double fieldOfViewY, double aspect, float margin, float outEye[3], float outLookAt[3]) {
    if (count <= 0 || !(aspect > 0) || !(fieldOfViewY > 0 && fieldOfViewY < 180) || !(margin >= 0 && margin < 1))
        return false;
    float f[3] = {lookAt[0] - eye[0], lookAt[1] - eye[1], lookAt[2] - eye[2]};
    float u[3] = {up[0], up[1], up[2]}, r[3];
    if (!normalize3(f)) return false;
    cross3(f, u, r);
    if (!normalize3(r, 1e-6f)) return false;
    cross3(r, f, u);

    double lo[3], hi[3];
    for (int k = 0; k < 3; ++k) lo[k] = hi[k] = points[0][k];
    for (int i = 1; i < count; ++i)
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], double{points[i][k]}), hi[k] = std::max(hi[k], double{points[i][k]});
    double middle[3] = {(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};

    std::vector<double> x(count), y(count), z(count);
    for (int i = 0; i < count; ++i) {
        double p[3] = {points[i][0] - middle[0], points[i][1] - middle[1], points[i][2] - middle[2]};
        x[i] = r[0] * p[0] + r[1] * p[1] + r[2] * p[2];
        y[i] = u[0] * p[0] + u[1] * p[1] + u[2] * p[2];
        z[i] = f[0] * p[0] + f[1] * p[1] + f[2] * p[2];
    }
    double tangentY = std::tan(fieldOfViewY * std::numbers::pi / 360) * (1 - margin);
    double tangentX = tangentY * aspect;
    double distanceX, shiftX, distanceY, shiftY;
    fitAxis(x.data(), z.data(), count, tangentX, distanceX, shiftX);
    fitAxis(y.data(), z.data(), count, tangentY, distanceY, shiftY);
    double distance = std::max(distanceX, distanceY);
    // A single point (or a flat box seen edge-on) needs no distance at all:
    // the eye still stands off it.
    if (!(distance > 1e-3)) distance = 1e-3;
    // The looser axis has room to spare at that distance: centre it too.
    double xLow = *std::min_element(x.begin(), x.end()), xHigh = *std::max_element(x.begin(), x.end());
    double yLow = *std::min_element(y.begin(), y.end()), yHigh = *std::max_element(y.begin(), y.end());
    if (distanceX < distance) shiftX = centredShift(x.data(), z.data(), count, distance, xLow, xHigh);
    else shiftY = centredShift(y.data(), z.data(), count, distance, yLow, yHigh);

    float newLookAt[3], newEye[3];
    for (int k = 0; k < 3; ++k) {
        newLookAt[k] = static_cast<float>(middle[k] + shiftX * r[k] + shiftY * u[k]);
        newEye[k] = static_cast<float>(newLookAt[k] - distance * f[k]);
    }
    if (!isFinite(loadVec3(newEye)) || !isFinite(loadVec3(newLookAt))) return false;
    storeVec3(outEye, loadVec3(newEye));
    storeVec3(outLookAt, loadVec3(newLookAt));
    return true;
}
