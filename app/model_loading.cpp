// Loading the fur's model and turning its up axis. See model_loading.h.
// Relies on the model readers for the records and on the prepared mesh and
// its GL buffers for everything after them.
#include "app/model_loading.h"

#include <algorithm>
#include <cstdio>

#include "core/fur_settings.h"
#include "model/model_file.h"
#include "render/fur_mesh.h"
#include "render/mesh_buffers.h"

void loadFurModel(const char* path) {
    furMesh->upAxis = furSettings.upAxis;
    furMesh->load(path);
    if (furMesh->rewound)
        std::fprintf(stderr, "loadFurModel(): \"%s\" is wound inside out; its triangles are reversed.\n", path);
    float plain[3];
    if (glmPlainColour(furMesh->model, plain) && takeModelHairColour(furSettings.hairColor, plain))
        furSettings.texturesDirty = true;
    if (furMesh->recordCount == 0)
        std::fprintf(stderr, "loadFurModel(): \"%s\" holds no triangles; nothing to draw.\n", path);
}

bool takeModelHairColour(float hairColor[3], const float plain[3]) {
    const SettingField& field = *findSettingField("hairColor");
    if (!std::equal(hairColor, hairColor + 3, field.initial)) return false;
    std::copy_n(plain, 3, hairColor);
    return true;
}

void applyUpAxis() {
    if (furMesh == nullptr || furMesh->model == nullptr) return;
    furMesh->upAxis = furSettings.upAxis;
    glmFinishModel(furMesh->model, furMesh->upAxis);
    furMesh->build();
    buildMeshBuffers();
}
