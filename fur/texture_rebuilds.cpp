// The rebuild marks and the choice between recolouring and synthesis; see
// texture_rebuilds.h. texturesDirty lives in the settings record, where the
// hair patch sets it; the shells' own mark lives here.
#include "fur/texture_rebuilds.h"

#include "core/fur_settings.h"
#include "fur/fin_texture.h"
#include "fur/shell_textures.h"
#include "fur/texture_recolour.h"
#include "fur/texture_smoothing.h"

namespace {
bool shellTexturesRequested = false;
// Whether the textures that exist are sampled smoothly: a change of
// smoothShells switches them in place, with no synthesis.
bool texturesSmoothed = false;
}

void requestShellTextures() { shellTexturesRequested = true; }

bool furTexturesPending() { return furSettings.texturesDirty || shellTexturesRequested; }

void rebuildPendingFurTextures(float finDensity) {
    const bool smooth = furSettings.smoothShells != 0;
    if (smooth != texturesSmoothed) smoothFurTextures(smooth);
    texturesSmoothed = smooth;
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
