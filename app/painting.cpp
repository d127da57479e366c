// Strokes from mouse events. See painting.h. Relies on the prepared mesh for
// the triangles as drawn (a simplified copy's, when it is drawn), on the
// groom's brushes and history, and on the look session's status line for
// why a brush cannot paint.
#include "app/painting.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/look_session.h"
#include "core/fur_settings.h"
#include "core/vector3.h"
#include "groom/brush.h"
#include "render/brush_outline.h"
#include "render/fur_mesh.h"
#include "render/mesh_animation.h"
#include "render/mesh_buffers.h"

namespace {

// GLUT's left button and its press, repeated so this file needs no GL header.
constexpr int kLeftButton = 0, kButtonDown = 0;

// Dabs along a drag stand this share of the radius apart, so that a fast
// drag paints a band, not a row of spots.
constexpr float dabSpacing = 0.5f;

struct StrokeState {
    bool open = false;
    bool hasLast = false;  // a point picked since the stroke began
    float last[3] = {0, 0, 0};
    GroomStroke* record = nullptr;
};
StrokeState stroke;

bool pickAt(int x, int y, const ViewRays& view, SurfaceHit& hit) {
    Ray world, ray;
    if (furMesh == nullptr || furMesh->drawn.indices.empty()) return false;
    if (!cursorRay(view, x, y, world) || !rayIntoModel(world, furSettings.modelTransform, ray)) return false;
    // A posed mesh is picked as it is drawn.
    const MeshAnimation* pose = drawnMeshPose();
    return pose ? pickSurface(ray, pose->vertices, pose->indices, hit)
                : pickSurface(ray, furMesh->drawn.vertices, furMesh->drawn.indices, hit);
}

// Where a hit on the posed mesh lies on the mesh at rest, where the groom is
// painted: the same place on the same triangle, with that triangle's normal
// at rest.
SurfaceHit atRest(const SurfaceHit& hit) {
    const MeshAnimation* pose = drawnMeshPose();
    if (pose == nullptr) return hit;
    SurfaceHit rest = hit;
    restPointOf(*pose, hit.triangle, hit.point, rest.point);
    if (hit.triangle >= 0 && 3 * static_cast<std::size_t>(hit.triangle) < pose->indices.size()) {
        const std::uint32_t* corners = &pose->indices[3 * static_cast<std::size_t>(hit.triangle)];
        float normal[3];
        storeVec3(normal, loadVec3(pose->rest[corners[0]].normal) + loadVec3(pose->rest[corners[1]].normal) +
                              loadVec3(pose->rest[corners[2]].normal));
        if (normalize3(normal)) std::copy(normal, normal + 3, rest.normal);
    }
    return rest;
}

Brush currentBrush() {
    Brush brush;
    brush.kind = activeBrush;
    brush.radius = furSettings.brushRadius;
    brush.strength = furSettings.brushStrength;
    brush.value = furSettings.brushValue;
    std::copy(furSettings.brushColor, furSettings.brushColor + 3, brush.color);
    return brush;
}

// Shows the outline at the hit, or hides it; true when that changed it.
bool placeOutline(const SurfaceHit* hit) {
    BrushOutline before = brushOutline;
    brushOutline.shown = hit != nullptr;
    if (hit) {
        std::copy(hit->point, hit->point + 3, brushOutline.centre);
        std::copy(hit->normal, hit->normal + 3, brushOutline.normal);
    }
    return before.shown != brushOutline.shown ||
           (brushOutline.shown && !std::equal(before.centre, before.centre + 3, brushOutline.centre));
}

// The dabs from the last picked point to this one; the first of a stroke
// has no direction to comb.
void dabTo(const SurfaceHit& hit) {
    Brush brush = currentBrush();
    if (!stroke.hasLast) {
        applyDab(groom, brush, hit.point, nullptr, stroke.record);
    } else {
        float direction[3];
        bool combs = strokeDirection(stroke.last, hit.point, hit.normal, direction);
        float step = length(loadVec3(hit.point) - loadVec3(stroke.last));
        int dabs = std::clamp(static_cast<int>(std::ceil(step / (dabSpacing * brush.radius))), 1, 256);
        for (int i = 1; i <= dabs; ++i) {
            float t = static_cast<float>(i) / static_cast<float>(dabs), at[3];
            storeVec3(at, loadVec3(stroke.last) * (1 - t) + loadVec3(hit.point) * t);
            applyDab(groom, brush, at, combs ? direction : nullptr, stroke.record);
        }
    }
    std::copy(hit.point, hit.point + 3, stroke.last);
    stroke.hasLast = true;
}

void paintAt(int x, int y, const ViewRays& view) {
    SurfaceHit hit;
    bool picked = pickAt(x, y, view, hit);
    placeOutline(picked ? &hit : nullptr);
    // Undo in the middle of a drag ends the stroke.
    if (!groomHistory.strokeOpen()) stroke.open = false;
    if (!stroke.open) return;
    // Off the model nothing is painted, and the stroke starts afresh where it
    // comes back on.
    if (!picked) {
        stroke.hasLast = false;
        return;
    }
    dabTo(atRest(hit));
}

}  // namespace

bool paintButtonEvent(int button, int state, int x, int y, const ViewRays& view) {
    if (button != kLeftButton) return false;
    if (state != kButtonDown) {
        if (!stroke.open) return false;
        stroke = StrokeState{};
        groomHistory.endStroke();
        noteGroomChanged();
        return true;
    }
    if (activeBrush == BRUSH_OFF) return false;
    std::string why;
    if (!preparePaintMaps(groom, activeBrush, why)) {
        lookStatus = why;
        return true;
    }
    stroke = StrokeState{};
    stroke.record = groomHistory.beginStroke(groom);
    stroke.open = true;
    paintAt(x, y, view);
    return true;
}

bool paintMotionEvent(int x, int y, const ViewRays& view) {
    if (!stroke.open) return false;
    paintAt(x, y, view);
    return true;
}

bool brushHoverEvent(int x, int y, const ViewRays& view) {
    if (activeBrush == BRUSH_OFF) return false;
    SurfaceHit hit;
    bool picked = pickAt(x, y, view, hit);
    return placeOutline(picked ? &hit : nullptr);
}

bool undoStroke() {
    stroke = StrokeState{};
    bool undone = groomHistory.undo(groom);
    if (undone) noteGroomChanged();
    return undone;
}

bool redoStroke() {
    stroke = StrokeState{};
    bool redone = groomHistory.redo(groom);
    if (redone) noteGroomChanged();
    return redone;
}
