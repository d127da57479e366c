// The shell level of detail: how many of the shell textures a frame draws, and
// which, so that the drawn shells stand about a chosen number of pixels apart
// on screen. Below a pixel apart, more shells only repeat what the screen
// already shows, and on a software rasteriser every shell costs a full pass
// over the model. Plain arithmetic over plain data, no OpenGL: the shell pass
// feeds it the frame's matrices and viewport.
//
// Layers count as numShells does: layer 0 is the skin (texture 0), the last
// layer is the outermost shell (texture numShells - 1); both are always drawn.
#pragma once

struct ObjectTransform;

// The fewest layers drawn, however small the coat is on screen. With fewer,
// each shell stands for so many textures that shellOpacityFactor no longer
// keeps the coat's look: at 400 x 360 pixels, where the default coat is some
// 6 pixels high, 10 of 32 layers stay within 0.5% of the full stack (after a
// 2-pixel blur) and 7 do not.
constexpr int minimumShellLayers = 10;

// An axis-aligned box in the model's own space; min above max when empty.
struct ModelBox {
    float min[3] = {1, 1, 1};
    float max[3] = {-1, -1, -1};
};

// The box around `count` points of three floats each, `stride` floats apart.
// Cost: one pass over the points; meant for when the mesh changes.
ModelBox boxAround(const float* points, long count, int stride);

// How many pixels the outermost shell stands off the skin where the model
// comes nearest the eye: shellHeight seen face-on at the distance from `eye`
// (world space) to `box` placed by `model`'s rotation and translation, in a
// perspective projection whose y scale is projectionScaleY (cot of half the
// vertical field of view) over viewportHeight pixels. The coat's own height
// is used, not a bent one. 0 for an empty box; the distance is never taken
// below the near plane's 0.01, so the result stays finite. Constant cost.
float coatPixels(float shellHeight, const ModelBox& box, const ObjectTransform& model, const float eye[3],
                 float projectionScaleY, int viewportHeight);

// The layers to draw of numShells, so that the coat's coatPixels are split
// into gaps of about pixelsPerShell: never fewer than minimumShellLayers,
// never more than numShells. pixelsPerShell 0 (or less) draws them all.
int shellLayersDrawn(int numShells, float coatPixels, float pixelsPerShell);

// The shell texture drawn as layer `layer` of `layers` (0 <= layer < layers <=
// numShells): evenly spread, rounded to the nearest index, strictly
// increasing, layer 0 on texture 0 and the last on numShells - 1. With every
// layer drawn, layer i is texture i.
int shellLayerTexture(int layer, int layers, int numShells);

// The opacity factor of a shell drawn in place of k = `textures` consecutive
// shell textures (itself and those below it down to the last drawn one):
// (1 - 2^-k) / (1/2), the coverage k layers of one half would have over that
// of one such layer. It multiplies the shell texture's alpha. 1 for a single
// texture, rising to 2. Per texel, 1 - (1 - a)^k would be the coverage of k
// copies of the same texel; but a faint texel's colour is mostly the white of
// the synthesis background, and raising only the faint ones whitens the coat,
// while the textures it stands for hold hair in other texels. With smooth
// shells (fur/texture_smoothing.h) the factor holds as well: at the README's
// view the level of detail stays within 0.47% of every shell (0.45% without).
float shellOpacityFactor(int textures);
