// The shadow map's depth pass. See fur_shadows.h. Relies on the mesh's
// buffers for the skin's triangles and their box.
#include "render/fur_shadows.h"

#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "core/fur_settings.h"
#include "render/mesh_buffers.h"

namespace {

void makeShadowMap(ShadowMap& map) {
    glGenTextures(1, &map.depth);
    glBindTexture(GL_TEXTURE_2D, map.depth);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    // Outside the map nothing is in the way.
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_BORDER);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_BORDER);
    const float farthest[4] = {1, 1, 1, 1};
    glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, farthest);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, shadowMapSize, shadowMapSize, 0, GL_DEPTH_COMPONENT,
                 GL_UNSIGNED_INT, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &map.framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, map.framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_TEXTURE_2D, map.depth, 0);
    glDrawBuffer(GL_NONE);
    glReadBuffer(GL_NONE);
}

// The centre (world space) and radius of the sphere around the mesh's box as
// `model` places it.
float placedBoxSphere(const ObjectTransform& model, float centre[3]) {
    const ModelBox& box = meshBox();
    float local[3], radius2 = 0;
    for (int k = 0; k < 3; ++k) {
        local[k] = 0.5f * (box.min[k] + box.max[k]);
        float half = 0.5f * (box.max[k] - box.min[k]);
        radius2 += half * half;
    }
    float position[3];
    objectPosition(model, position);
    const float* r = model.rotation;
    for (int k = 0; k < 3; ++k) centre[k] = position[k] + r[k] * local[0] + r[4 + k] * local[1] + r[8 + k] * local[2];
    return std::sqrt(radius2);
}

// Light clip space to the map's 0..1 texture coordinates and depth.
void loadBias() {
    const float bias[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 0.5f, 0, 0.5f, 0.5f, 0.5f, 1};
    glLoadMatrixf(bias);
}

}  // namespace

void renderShadowMap(ShadowMap& map, const ObjectTransform& model, const float light[3]) {
    GLint previousDraw = 0, previousRead = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &previousDraw);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &previousRead);
    glPushAttrib(GL_VIEWPORT_BIT | GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_POLYGON_BIT | GL_DEPTH_BUFFER_BIT);
    if (!map.framebuffer) makeShadowMap(map);
    glBindFramebuffer(GL_FRAMEBUFFER, map.framebuffer);
    glViewport(0, 0, shadowMapSize, shadowMapSize);
    glClear(GL_DEPTH_BUFFER_BIT);

    float centre[3];
    const float radius = std::max(placedBoxSphere(model, centre), 1e-3f);
    const float toCentre[3] = {centre[0] - light[0], centre[1] - light[1], centre[2] - light[2]};
    const float distance = std::sqrt(toCentre[0] * toCentre[0] + toCentre[1] * toCentre[1] + toCentre[2] * toCentre[2]);
    // A light inside the sphere sees it through the widest view that still
    // keeps depth precision.
    const double halfAngle = distance > radius * 1.01f ? std::asin(radius / distance) : 1.2;
    const double nearPlane = std::max(static_cast<double>(distance - radius), 0.01 * radius);
    // Up along y, unless the light looks almost straight down or up.
    const bool vertical = std::fabs(toCentre[1]) > 0.99f * distance;

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    loadBias();
    gluPerspective(2 * halfAngle * 180 / M_PI, 1, nearPlane, distance + radius);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(light[0], light[1], light[2], centre[0], centre[1], centre[2], vertical ? 1 : 0, vertical ? 0 : 1, 0);
    float position[3];
    objectPosition(model, position);
    glTranslatef(position[0], position[1], position[2]);
    glMultMatrixf(model.rotation);

    float projection[16], modelView[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
    // The bias goes into the projection only for the matrix kept: the pass
    // itself draws with the plain perspective.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(2 * halfAngle * 180 / M_PI, 1, nearPlane, distance + radius);
    glMatrixMode(GL_MODELVIEW);
    for (int column = 0; column < 4; ++column)
        for (int row = 0; row < 4; ++row) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += projection[k * 4 + row] * modelView[column * 4 + k];
            map.modelToMap[column * 4 + row] = sum;
        }

    // Depth only; the offset keeps the skin from shadowing itself.
    glDisable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_POLYGON_OFFSET_FILL);
    glPolygonOffset(1.5f, 4.0f);
    drawMeshTriangles();

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(previousDraw));
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(previousRead));
    glPopAttrib();
}
