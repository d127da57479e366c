// Column-major 4 x 4 matrix arithmetic. See matrix4.h.
#include "platform/matrix4.h"

#include <cmath>

Matrix4 multiply(const Matrix4& a, const Matrix4& b) {
    Matrix4 result{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[k * 4 + row] * b[column * 4 + k];
            result[column * 4 + row] = sum;
        }
    return result;
}

Matrix4 transpose(const Matrix4& m) {
    Matrix4 result{};
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) result[row * 4 + column] = m[column * 4 + row];
    return result;
}

Matrix4 inverse(const Matrix4& m) {
    // Cofactor expansion through 2 x 2 sub-determinants, in double precision so
    // that a well-conditioned view matrix inverts to full float accuracy.
    double a[16];
    for (int i = 0; i < 16; ++i) a[i] = m[i];
    double s0 = a[0] * a[5] - a[4] * a[1];
    double s1 = a[0] * a[6] - a[4] * a[2];
    double s2 = a[0] * a[7] - a[4] * a[3];
    double s3 = a[1] * a[6] - a[5] * a[2];
    double s4 = a[1] * a[7] - a[5] * a[3];
    double s5 = a[2] * a[7] - a[6] * a[3];
    double c5 = a[10] * a[15] - a[14] * a[11];
    double c4 = a[9] * a[15] - a[13] * a[11];
    double c3 = a[9] * a[14] - a[13] * a[10];
    double c2 = a[8] * a[15] - a[12] * a[11];
    double c1 = a[8] * a[14] - a[12] * a[10];
    double c0 = a[8] * a[13] - a[12] * a[9];
    double det = s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0;
    Matrix4 result{};
    if (det == 0.0 || !std::isfinite(det)) return result;
    double r = 1.0 / det;
    double inv[16] = {
        (a[5] * c5 - a[6] * c4 + a[7] * c3) * r,   (-a[1] * c5 + a[2] * c4 - a[3] * c3) * r,
        (a[13] * s5 - a[14] * s4 + a[15] * s3) * r, (-a[9] * s5 + a[10] * s4 - a[11] * s3) * r,
        (-a[4] * c5 + a[6] * c2 - a[7] * c1) * r,  (a[0] * c5 - a[2] * c2 + a[3] * c1) * r,
        (-a[12] * s5 + a[14] * s2 - a[15] * s1) * r, (a[8] * s5 - a[10] * s2 + a[11] * s1) * r,
        (a[4] * c4 - a[5] * c2 + a[7] * c0) * r,   (-a[0] * c4 + a[1] * c2 - a[3] * c0) * r,
        (a[12] * s4 - a[13] * s2 + a[15] * s0) * r, (-a[8] * s4 + a[9] * s2 - a[11] * s0) * r,
        (-a[4] * c3 + a[5] * c1 - a[6] * c0) * r,  (a[0] * c3 - a[1] * c1 + a[2] * c0) * r,
        (-a[12] * s3 + a[13] * s1 - a[14] * s0) * r, (a[8] * s3 - a[9] * s1 + a[10] * s0) * r,
    };
    for (int i = 0; i < 16; ++i) {
        if (!std::isfinite(inv[i])) return Matrix4{};
        result[i] = static_cast<float>(inv[i]);
    }
    return result;
}
