// See panel_rebuilds.h. Relies on the panel's seams, the fur subsystem and
// the prepared mesh.
#include "app/panel_rebuilds.h"

#include "app/control_panel.h"
#include "app/model_loading.h"
#include "fur/fin_texture.h"
#include "fur/hair_patch.h"
#include "fur/illumination_map.h"
#include "fur/texture_rebuilds.h"
#include "render/mesh_buffers.h"

void installFurRebuilds() {
    PanelRebuilds rebuilds;
    rebuilds.generateHairPatch = generateHairPatch;
    rebuilds.regenerateShellTextures = requestShellTextures;
    rebuilds.synthesizeFinTexture = synthesizeFinTexture;
    rebuilds.recolourTextures = recolourFurTextures;
    rebuilds.buildIlluminationMap = buildIlluminationMap;
    rebuilds.rebuildMesh = applyMeshSettings;
    rebuilds.turnModelUp = applyUpAxis;
    setPanelRebuilds(rebuilds);
}
