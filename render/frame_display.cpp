// The frame display. Relies on the fur synthesis (pending textures rebuilt
// here, before this frame's clear), the camera handed down at start-up, the
// fur drawing, and GLUT only for the swap of pelage's window: drawFrame itself
// draws in any context, a window's or one without a display.
#include "render/frame_display.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <cmath>
#include <numbers>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/texture_rebuilds.h"
#include "render/brush_outline.h"
#include "render/fur_drawing.h"
#include "render/render_camera.h"

namespace {

void (*syncControlPanel)() = nullptr;

void placeCameraAndLight(const float light[4]) {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    const RenderCamera& c = renderCamera();
    gluLookAt(c.eye[0], c.eye[1], c.eye[2], c.lookAt[0], c.lookAt[1], c.lookAt[2], c.up[0], c.up[1], c.up[2]);
    // Given under the viewing transform only, so the light sits at this world
    // point, the same point the shaders receive.
    glLightfv(GL_LIGHT0, GL_POSITION, light);
}

// The shell textures as a stack of slices in the unit cube at the origin,
// texture 0 (the skin's) at the bottom.
void drawShellBox() {
    glEnable(GL_TEXTURE_2D);
    for (int i = 0; i < furSettings.numShells && i < shellTextureCount && shellTextures != nullptr; ++i) {
        float z = static_cast<float>(i) / static_cast<float>(furSettings.numShells);
        glBindTexture(GL_TEXTURE_2D, shellTextures[i]);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex3f(0, 0, z);
        glTexCoord2f(0, 1);
        glVertex3f(0, 1, z);
        glTexCoord2f(1, 1);
        glVertex3f(1, 1, z);
        glTexCoord2f(1, 0);
        glVertex3f(1, 0, z);
        glEnd();
    }
    glDisable(GL_TEXTURE_2D);
}

// One vertex of the marker sphere: ring 0 is the pole at +z, ring `stacks` the
// pole at -z, slices run clockwise about z from +x. The angles are single
// precision, each sine and cosine taken in double and rounded, as the window
// library's own solid sphere computes them: the marker keeps its pixels.
void sphereVertex(float radius, int slices, int stacks, int ring, int slice) {
    float x = 0, y = 0, z = ring == 0 ? 1.0f : -1.0f;
    if (ring > 0 && ring < stacks) {
        const float pi = std::numbers::pi_v<float>;
        float around = 2 * pi / static_cast<float>(-slices) * static_cast<float>(slice % slices);
        float down = pi / static_cast<float>(stacks) * static_cast<float>(ring);
        float sinDown = static_cast<float>(std::sin(static_cast<double>(down)));
        x = static_cast<float>(std::cos(static_cast<double>(around))) * sinDown;
        y = static_cast<float>(std::sin(static_cast<double>(around))) * sinDown;
        z = static_cast<float>(std::cos(static_cast<double>(down)));
    }
    glNormal3f(x, y, z);
    glVertex3f(x * radius, y * radius, z * radius);
}

// A solid sphere as one triangle strip per stack, each strip closing on its
// first slice; the triangles, their order and their winding are the window
// library's, so the marker needs no window library.
void drawSolidSphere(float radius, int slices, int stacks) {
    for (int stack = 0; stack < stacks; ++stack) {
        glBegin(GL_TRIANGLE_STRIP);
        for (int slice = 0; slice <= slices; ++slice) {
            sphereVertex(radius, slices, stacks, stack + 1, slice);
            sphereVertex(radius, slices, stacks, stack, slice);
        }
        glEnd();
    }
}

void drawLightMarker(const float light[4]) {
    // The attribute push restores the emission, so nothing else glows.
    glPushAttrib(GL_LIGHTING_BIT);
    glPushMatrix();
    glTranslatef(light[0], light[1], light[2]);
    glMaterialfv(GL_FRONT, GL_EMISSION, lightMarkerEmission);
    drawSolidSphere(static_cast<float>(lightMarkerRadius), 5, 5);
    glPopMatrix();
    glPopAttrib();
}

}  // namespace

void setPanelSync(void (*sync)()) { syncControlPanel = sync; }

void drawFrame() {
    if (syncControlPanel) syncControlPanel();
    glClearColor(1, 1, 1, 0);
    // With the clear colour already set: the textures' empty background is
    // white with alpha 0.
    rebuildPendingFurTextures(furSettings.finDensity);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A multisampled frame uses its samples only with antialiasing on: off,
    // every pixel is what a plain frame's would be. (The fur textures are
    // drawn in a framebuffer of their own, which has none.)
    if (furSettings.antialiasing) glEnable(GL_MULTISAMPLE);
    else glDisable(GL_MULTISAMPLE);

    float light[4] = {0, 0, 0, 1};
    objectPosition(furSettings.lightTransform, light);
    placeCameraAndLight(light);
    if (furSettings.drawFinBox) drawHairPatch();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    if (furSettings.drawShellBox) drawShellBox();
    drawFur();
    drawBrushOutline();
    glDisable(GL_BLEND);
    drawLightMarker(light);
}

void display() {
    drawFrame();
    glutSwapBuffers();
}
