// The shared start-up sequence. Relies on the caller's view restorer after
// each texture synthesis, and on the fur, shader and mesh subsystems for their
// one-time set-up.
#include "app/startup.h"

#include <epoxy/gl.h>

#include "app/camera.h"
#include "app/command_line.h"
#include "app/model_loading.h"
#include "app/window_callbacks.h"
#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/illumination_map.h"
#include "fur/view_restore.h"
#include "groom/groom.h"
#include "render/fur_mesh.h"
#include "render/mesh_buffers.h"
#include "render/render_camera.h"
#include "render/shader_setup.h"

void setFixedGlState() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glHint(GL_POLYGON_SMOOTH_HINT, GL_NICEST);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void runStartupSequence(ViewRestorer restoreView) {
    setFixedGlState();
    setRenderCamera(eyePoint, lookAtPoint, upVector);
    setViewRestorer(restoreView);
    // The map must exist before the shaders: the fragment program is handed
    // its texture name.
    buildIlluminationMap();
    initShaders();
    generateHairPatch();
    furMesh = new FurMesh;
    furMesh->generatedTexCoordsWanted = furSettings.generatedTexCoords != 0;
    furMesh->triangleBudget = furSettings.triangleBudget;
    loadFurModel(modelPath);
    // A model that brings its colours shows them as painted: white hair
    // under its texture, unless a colour was asked for.
    const float white[3] = {1, 1, 1};
    if (attachModelGroom(*furMesh->model) && takeModelHairColour(furSettings.hairColor, white))
        furSettings.texturesDirty = true;
    buildMeshBuffers();
}
