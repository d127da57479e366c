// Column-major matrix arithmetic behind the runtime's tracked matrices.
#include "platform/matrix4.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Rotation of 30 degrees about z, scale (2, 3, 0.5), translation (1, -2, 5).
const Matrix4 affine = {1.7320508f, 1.0f, 0, 0, -1.5f, 2.5980762f, 0, 0, 0, 0, 0.5f, 0, 1, -2, 5, 1};

void expectNear(const Matrix4& a, const Matrix4& b, float tolerance = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], tolerance) << "element " << i;
}

const Matrix4 identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST(Matrix4, MultiplyUsesColumnMajorOrder) {
    Matrix4 translate = identity;
    translate[12] = 4;  // column 3, row 0
    Matrix4 scale = identity;
    scale[0] = 2;
    // scale x translate moves first and scales after: x' = 2 (x + 4).
    Matrix4 product = multiply(scale, translate);
    EXPECT_FLOAT_EQ(product[12], 8.0f);
    EXPECT_FLOAT_EQ(product[0], 2.0f);
    EXPECT_FLOAT_EQ(multiply(translate, scale)[12], 4.0f);
}

TEST(Matrix4, InverseUndoesAnAffineAndAProjectiveMatrix) {
    // A perspective projection (fovy 50, aspect 1, near 0.01, far 1000).
    const Matrix4 perspective = {2.1445069f, 0, 0, 0, 0, 2.1445069f, 0, 0, 0, 0, -1.00002f, -1, 0, 0, -0.0200002f, 0};
    for (const Matrix4& m : {affine, perspective, identity}) {
        expectNear(multiply(m, inverse(m)), identity, 1e-4f);
        expectNear(multiply(inverse(m), m), identity, 1e-4f);
    }
}

TEST(Matrix4, TransposeSwapsRowsAndColumns) {
    Matrix4 t = transpose(affine);
    EXPECT_FLOAT_EQ(t[3], 1.0f);   // was column 3, row 0
    EXPECT_FLOAT_EQ(t[12], 0.0f);
    expectNear(transpose(t), affine, 0);
}

TEST(Matrix4, SingularOrNonFiniteMatrixInvertsToZero) {
    Matrix4 flat = affine;
    flat[10] = 0;  // squashes z
    Matrix4 broken = affine;
    broken[5] = std::numeric_limits<float>::infinity();
    for (const Matrix4& m : {flat, broken, Matrix4{}}) expectNear(inverse(m), Matrix4{}, 0);
}

}  // namespace
