// The brush's outline: a circle of the brush's radius (brushRadius) in the
// tangent plane of the surface under the cursor, drawn over the fur so it
// shows through it, while a brush is chosen. The application says where; the
// frame draws it after the fur.
#pragma once

struct BrushOutline {
    bool shown = false;
    float centre[3] = {0, 0, 0};  // model space
    float normal[3] = {0, 0, 1};  // unit
};

extern BrushOutline brushOutline;

// Draws the outline with the model's transform, when shown and a brush is
// chosen: a radius or brush changed in the panel shows at once.
void drawBrushOutline();
