// The model framed in the view. See view_framing.h.
#include "app/view_framing.h"

#include <vector>

#include "app/camera.h"
#include "app/camera_framing.h"
#include "app/viewport.h"
#include "core/fur_settings.h"
#include "render/fur_mesh.h"

bool frameModel(int viewWidth, int viewHeight) {
    if (furMesh == nullptr || furMesh->drawn.indices.empty()) return false;
    const IndexedMesh& mesh = furMesh->drawn;
    // Every corner, not the box: a long model seen along its length would
    // otherwise be framed by its box's near end. Each stands off the skin by
    // the coat's height, and is placed as the fur drawing places the model.
    float grow = furSettings.shellHeight > 0 ? furSettings.shellHeight : 0;
    std::vector<float> points(3 * mesh.indices.size());
    float* out = points.data();
    for (std::uint32_t index : mesh.indices) {
        const MeshVertex& corner = mesh.vertices[index];
        float p[3];
        for (int k = 0; k < 3; ++k) p[k] = corner.position[k] + corner.normal[k] * grow;
        placeModelPoint(furSettings.modelTransform, p, out);
        out += 3;
    }
    double aspect = viewAspect({0, 0, viewWidth, viewHeight});
    return frameCorners(eyePoint, lookAtPoint, upVector, reinterpret_cast<const float(*)[3]>(points.data()),
                        static_cast<int>(mesh.indices.size()), viewFieldOfView, aspect, framingMargin, eyePoint,
                        lookAtPoint);
}
