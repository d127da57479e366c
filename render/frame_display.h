// The main window's frame: pending texture rebuilds, the camera and the light,
// the optional hair patch and shell-slice stack, the furry model and the light
// marker. The projection and the viewport belong to the reshape callback.
#pragma once

// Installs the call that brings the control panel in line with the settings;
// drawFrame() makes it first. The panel, a layer above, installs it once it
// exists; nullptr (the default) means there is no panel.
void setPanelSync(void (*syncControlPanel)());

// GLUT display callback: drawFrame(), then swap buffers.
void display();

// Everything display() does before the swap, so a headless caller can read the
// finished frame back from the back buffer.
void drawFrame();

// The light marker's fixed look: emission and sphere size.
constexpr float lightMarkerEmission[4] = {1.0f, 0.8f, 0.7f, 1.0f};
constexpr double lightMarkerRadius = 1.0;
