// The model framed in the view: the corners of its drawn triangles, lifted
// by the coat's height and placed by the model's transform, fitted into the
// view's area by camera_framing.h. Shared by pelage's `f` and pelage-render's --frame.
#pragma once

// Moves the camera (camera.h) so the model fills a view of the given size in
// pixels, seen from the same direction. False, leaving the camera as it was,
// when there is no model to frame.
bool frameModel(int viewWidth, int viewHeight);
