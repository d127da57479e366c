// The brush's outline: a circle of the brush's radius in the tangent plane of
// the surface under the cursor, drawn over the fur so it shows through it.
// The application says where; the frame draws it after the fur.
#pragma once

struct BrushOutline {
    bool shown = false;
    float centre[3] = {0, 0, 0};  // model space
    float normal[3] = {0, 0, 1};  // unit
    float radius = 0;
};

extern BrushOutline brushOutline;

// Draws the outline with the model's transform, when shown.
void drawBrushOutline();
