// The brush's outline. See brush_outline.h. Relies on the model transform of
// the fur passes, so the circle sits where the dabs land.
#include "render/brush_outline.h"

#include <epoxy/gl.h>

#include <cmath>

#include "core/fur_settings.h"
#include "core/vector3.h"
#include "groom/brush.h"

BrushOutline brushOutline;

namespace {

void drawCircle(const float centre[3], const float a[3], const float b[3], float radius) {
    constexpr int segments = 48;
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < segments; ++i) {
        float angle = 6.2831853f * static_cast<float>(i) / segments;
        Vec3 p = loadVec3(centre) + (loadVec3(a) * std::cos(angle) + loadVec3(b) * std::sin(angle)) * radius;
        glVertex3f(p.x, p.y, p.z);
    }
    glEnd();
}

}  // namespace

void drawBrushOutline() {
    if (!brushOutline.shown || activeBrush == BRUSH_OFF) return;
    // Two axes of the tangent plane: any vector not along the normal, made
    // perpendicular to it.
    const float* n = brushOutline.normal;
    float seed[3] = {std::fabs(n[0]) < 0.9f ? 1.0f : 0.0f, std::fabs(n[0]) < 0.9f ? 0.0f : 1.0f, 0.0f};
    float a[3], b[3];
    cross3(n, seed, a);
    if (!normalize3(a)) return;
    cross3(n, a, b);

    glPushAttrib(GL_ENABLE_BIT | GL_LINE_BIT | GL_CURRENT_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_LINE_SMOOTH);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    const ObjectTransform& model = furSettings.modelTransform;
    float translation[3];
    objectPosition(model, translation);
    glTranslatef(translation[0], translation[1], translation[2]);
    glMultMatrixf(model.rotation);
    // Dark under light, so the ring shows on a pale coat and on a dark one.
    glLineWidth(3.0f);
    glColor4f(0.1f, 0.1f, 0.1f, 0.8f);
    drawCircle(brushOutline.centre, a, b, furSettings.brushRadius);
    glLineWidth(1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    drawCircle(brushOutline.centre, a, b, furSettings.brushRadius);
    glPopMatrix();
    glPopAttrib();
}
