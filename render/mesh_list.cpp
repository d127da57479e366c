// Compiles the prepared mesh into the display list that the skin and every
// shell replay. Geometry only: the passes set colour, textures and shaders.
#include <epoxy/gl.h>

#include "render/fur_mesh.h"

unsigned int meshDisplayList = 0;

void buildMeshList() {
    meshDisplayList = glGenLists(1);
    glNewList(meshDisplayList, GL_COMPILE);
    glBegin(GL_TRIANGLES);
    for (std::int32_t k = 0; furMesh != nullptr && k < furMesh->recordCount; ++k) {
        const FurTriangle& record = furMesh->records[k];
        for (int j = 0; j < 3; ++j) {
            glTexCoord2f(record.texCoords[j][0], record.texCoords[j][1]);
            glNormal3f(record.normals[j][0], record.normals[j][1], record.normals[j][2]);
            glVertex3f(record.positions[j][0], record.positions[j][1], record.positions[j][2]);
        }
    }
    glEnd();
    glEndList();
}
