// Where the 3D view goes in the main window: the area the docked control panel
// leaves free, and the perspective that fills it. Plain arithmetic, no OpenGL.
#pragma once

struct ViewportArea {
    int x, y, width, height;
};

// The perspective's vertical field of view, in degrees.
constexpr double viewFieldOfView = 50;

// Width in pixels of the panel docked at the right edge; 0 while there is none.
extern int controlPanelWidth;

// The part of a window of the given size that the panel does not cover. Never
// negative, even when the window is narrower than the panel.
ViewportArea viewportArea(int windowWidth, int windowHeight, int panelWidth);

// Width over height in double precision; 1 for an area without height or
// width, so a minimised window never divides by zero.
double viewAspect(const ViewportArea& area);
