// Pictures of the view. See view_picture.h. Relies on the viewport arithmetic
// for where the view lies in the window and on the look session for where
// a picture goes.
#include "app/view_picture.h"

#include <epoxy/gl.h>
#include <GL/freeglut.h>

#include <algorithm>
#include <vector>

#include "app/look_session.h"
#include "app/viewport.h"
#include "app/window_callbacks.h"

namespace {
bool pictureRequested = false;
}

void readView(RgbImage& image) {
    ViewportArea area = viewportArea(glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT), controlPanelWidth);
    size_t rowBytes = 3u * static_cast<size_t>(area.width);
    static std::vector<unsigned char> rows;  // kept: pelage-render reads every frame
    image.width = area.width;
    image.height = area.height;
    image.rgb.resize(rowBytes * area.height);
    rows.resize(rowBytes * area.height);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(area.x, area.y, area.width, area.height, GL_RGB, GL_UNSIGNED_BYTE, rows.data());
    // GL's rows run from the bottom.
    for (int y = 0; y < area.height; ++y)
        std::copy_n(&rows[rowBytes * (area.height - 1 - y)], rowBytes, &image.rgb[rowBytes * y]);
}

void requestViewPicture() {
    pictureRequested = true;
    glutPostWindowRedisplay(mainWindow);
}

void takeRequestedPicture() {
    if (!pictureRequested) return;
    pictureRequested = false;
    RgbImage view;
    readView(view);
    // The frame's panel sync has asked the panel to redraw after this frame,
    // so the status line shows the result without more ado.
    saveViewPicture(view);
}
