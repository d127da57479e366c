// Collapsing the welded surface on its indices. See mesh_simplify.h.
#include "mesh/mesh_simplify.h"

#include "mesh/meshopt_mesh.h"

float simplifyMesh(IndexedMesh& surface, int budget) {
    if (budget < 1 || surface.triangleCount() <= static_cast<std::size_t>(budget)) return 0.0f;
    CollapsedTriangles collapsed = collapseTriangles(surface.vertices[0].position, surface.vertices.size(),
                                                     sizeof(MeshVertex), surface.indices,
                                                     static_cast<std::size_t>(budget));
    surface.indices.swap(collapsed.indices);
    return collapsed.error;
}
