// 4 x 4 single-precision matrices in OpenGL's column-major order (element
// [column * 4 + row]): the little arithmetic the shader runtime's tracked
// matrices need. No OpenGL.
#pragma once
#include <array>

using Matrix4 = std::array<float, 16>;

// a x b.
Matrix4 multiply(const Matrix4& a, const Matrix4& b);
Matrix4 transpose(const Matrix4& m);
// The inverse; the zero matrix when m is singular (or holds a non-finite
// value), so that no infinity or NaN is ever handed on.
Matrix4 inverse(const Matrix4& m);
