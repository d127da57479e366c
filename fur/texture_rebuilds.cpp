// The rebuild marks and the choice between recolouring and synthesis; see
// texture_rebuilds.h. texturesDirty lives in the settings record, where the
// hair patch sets it; the shells' own mark lives here.
#include "fur/texture_rebuilds.h"

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/shell_textures.h"
#include "fur/texture_recolour.h"

namespace {
bool shellTexturesRequested = false;
}

void requestShellTextures() { shellTexturesRequested = true; }

bool furTexturesPending() { return furSettings.texturesDirty || shellTexturesRequested; }

void rebuildPendingFurTextures(float finDensity) {
    const bool everything = furSettings.texturesDirty;
    if (everything) synthesizeFinTexture(finDensity);
    if (everything || shellTexturesRequested) regenerateShellTextures();
    furSettings.texturesDirty = false;
    shellTexturesRequested = false;
}

void recolourFurTextures(float finDensity) {
    if (furSettings.texturesDirty) return;
    if (!recolourFinTexture()) synthesizeFinTexture(finDensity);
    if (shellTexturesRequested) return;
    if (!recolourShellTextures()) regenerateShellTextures();
}
