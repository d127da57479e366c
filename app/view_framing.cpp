// The model framed in the view. See view_framing.h.
#include "app/view_framing.h"

#include <vector>

#include "app/camera.h"
#include "app/camera_framing.h"
#include "app/viewport.h"
#include "core/fur_settings.h"
#include "render/fur_mesh.h"

bool frameModel(int viewWidth, int viewHeight) {
    if (furMesh == nullptr || !furMesh->records || furMesh->recordCount <= 0) return false;
    // Every corner, not the box: a long model seen along its length would
    // otherwise be framed by its box's near end. Each stands off the skin by
    // the coat's height, and is placed as the fur drawing places the model.
    float grow = furSettings.shellHeight > 0 ? furSettings.shellHeight : 0;
    std::vector<float> points(static_cast<std::size_t>(furMesh->recordCount) * 9);
    float* out = points.data();
    for (int r = 0; r < furMesh->recordCount; ++r) {
        const FurTriangle& triangle = furMesh->records[r];
        for (int corner = 0; corner < 3; ++corner, out += 3) {
            float p[3];
            for (int k = 0; k < 3; ++k) p[k] = triangle.positions[corner][k] + triangle.normals[corner][k] * grow;
            placeModelPoint(furSettings.modelTransform, p, out);
        }
    }
    double aspect = viewAspect({0, 0, viewWidth, viewHeight});
    return frameCorners(eyePoint, lookAtPoint, upVector, reinterpret_cast<const float(*)[3]>(points.data()),
                        furMesh->recordCount * 3, viewFieldOfView, aspect, framingMargin, eyePoint, lookAtPoint);
}
