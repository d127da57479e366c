// Pictures of the view: the 3D view area of the main window's back buffer,
// read once a frame is drawn and before it is swapped, without the panel.
// pelage-render writes every frame this way; pelage takes one on request,
// from the next frame it draws.
#pragma once

#include "core/rgb_image.h"

// The view area (viewport.h) of the finished frame in the back buffer, rows
// from the top. Needs the main window's context current.
void readView(RgbImage& image);

// Asks for a picture of the next frame pelage draws, and for that frame.
void requestViewPicture();

// Called by pelage's display between drawing and swapping: when a picture
// was asked for, reads the view and saves it beside the look
// (saveViewPicture).
void takeRequestedPicture();
