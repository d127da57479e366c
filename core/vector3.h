// Small single-precision 3-vector helpers shared by the camera, the fur passes
// and the panel's rotation ball. Float throughout, on purpose: callers' results
// are compared bit for bit with the same arithmetic done by hand, so nothing
// here widens to double.
#pragma once

#include <cmath>

struct Vec3 {
    float x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }

inline Vec3 loadVec3(const float v[3]) { return {v[0], v[1], v[2]}; }
inline void storeVec3(float v[3], Vec3 a) { v[0] = a.x, v[1] = a.y, v[2] = a.z; }

inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline float length(Vec3 a) { return std::sqrt(dot(a, a)); }
inline bool isFinite(Vec3 a) { return std::isfinite(a.x) && std::isfinite(a.y) && std::isfinite(a.z); }

// The same on plain float arrays, as the settings record and GL hold them.
inline float dot3(const float a[3], const float b[3]) { return dot(loadVec3(a), loadVec3(b)); }
inline void cross3(const float a[3], const float b[3], float out[3]) { storeVec3(out, cross(loadVec3(a), loadVec3(b))); }
inline float length3(const float v[3]) { return length(loadVec3(v)); }

// Scales v to unit length in place, dividing each component by the length.
// False, with v untouched, when the length is not finite or not above
// minLength (a vector with no usable direction).
inline bool normalize3(float v[3], float minLength = 0.0f) {
    float len = length3(v);
    if (!(len > minLength) || !std::isfinite(len)) return false;
    for (int i = 0; i < 3; ++i) v[i] /= len;
    return true;
}
