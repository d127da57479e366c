// The arithmetic of the fur passes: shell offsets and shades, the fin fade by
// view angle, the view direction in model space and the column-major matrix
// product. Plain functions over plain data, no OpenGL, so the values that end
// up in glColor4f are tested without a context. Every result is finite: a
// value that would be NaN or infinite is replaced before it can reach the GL.
#pragma once

struct ObjectTransform;

struct Vec4 {
    float x, y, z, w;
};

// m x v for a column-major 4 x 4 matrix m.
Vec4 transformVec4(const float m[16], const Vec4& v);

// Offset of shell i along the normals: shellHeight x i / (numShells - 1); 0
// when that is not finite (fewer than two shells, or a non-finite height).
float shellOffset(int i, int numShells, float shellHeight);

// Shade of shell i: minShadow + (1 - minShadow) x 2h / shellHeight, at most 1;
// 1 where the quotient is not a number (shellHeight 0 gives 0 / 0).
float shellShade(int i, int numShells, float shellHeight, float minShadow);

// Opacity of the fin on the edge p -> q with first corner normal np, seen from
// direction view (unit, model space). 1 when fading is off. With fading on,
// 2 |F . view| - 1 with F the unit normal of (p - q) x np; 0 or less means the
// fin is not drawn, and so does a degenerate edge whose F has no direction.
float finFade(const float p[3], const float q[3], const float np[3], const float view[3], bool alphaBlendFins);

// The two halves of finFade, for fins whose geometry never changes: the unit
// plane normal F of the fin on p -> q (false when it has no direction), found
// once; and the fade 2 |F . view| - 1 from it, found per frame. Together they
// give finFade's value to the last bit.
bool finPlaneNormal(const float p[3], const float q[3], const float np[3], float plane[3]);
float finFadeFromPlane(const float plane[3], const float view[3]);

// Unit direction from the model's origin to the eye, in model space: the
// inverse of the model's rotation applied to (eye - model translation). When
// the eye sits on the model's origin, the direction from the look-at point to
// the eye stands in; when that has no length either, the model's +z axis.
void viewDirection(const float eye[3], const float lookAt[3], const ObjectTransform& model, float direction[3]);
