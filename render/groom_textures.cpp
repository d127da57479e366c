// Groom textures and parameters. See groom_textures.h. Relies on the groom
// (groom/groom.h) for the data, the shader set-up for the parameters, and the
// shell textures and hair patch for the ranks' shape.
#include "render/groom_textures.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <vector>

#include "core/fur_settings.h"
#include "fur/hair_patch.h"
#include "fur/shell_textures.h"
#include "fur/strand_visibility.h"
#include "groom/groom.h"
#include "render/fur_dynamics.h"
#include "render/fur_mesh.h"
#include "render/mesh_buffers.h"
#include "render/shader_setup.h"

namespace {

struct GroomTextures {
    unsigned version = ~0u;  // of the groom uploaded
    // Colour and length in one RGBA texture, the density in another: a
    // fragment reads what the groom has, once each.
    GLuint coat = 0, density = 0, modelColour = 0;
    std::vector<GLuint> ranks;  // one 2D layer per shell texture
    float coatSpace = 0, densitySpace = 0;  // 0 none, 1 texture space, 2 volume
    bool combed = false;
    unsigned rankPatch = ~0u;  // the hair patch and shell count the ranks follow
    int rankLayers = -1;
};
GroomTextures textures;

void replaceTexture(GLuint& texture) {
    if (texture) glDeleteTextures(1, &texture);
    texture = 0;
}

// A 2D or 3D texture of 8-bit values (GL_LUMINANCE or GL_RGBA); rows from
// the bottom (v = 0). 2D textures repeat like the model's
// coordinates; a volume ends at its edges.
GLuint uploadTexture(int width, int height, int depth, GLenum format, const std::vector<unsigned char>& data) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    GLenum target = depth > 1 ? GL_TEXTURE_3D : GL_TEXTURE_2D;
    glBindTexture(target, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    GLint wrap = depth > 1 ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
    if (depth > 1) {
        glTexParameteri(target, GL_TEXTURE_WRAP_R, wrap);
        glTexImage3D(target, 0, static_cast<GLint>(format), width, height, depth, 0, format, GL_UNSIGNED_BYTE,
                     data.data());
    } else {
        glTexImage2D(target, 0, static_cast<GLint>(format), width, height, 0, format, GL_UNSIGNED_BYTE, data.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(target, 0);
    return texture;
}

unsigned char byte(float value) { return static_cast<unsigned char>(std::clamp(value, 0.0f, 1.0f) * 255.0f + 0.5f); }

// The maps' values at every texel centre of a grid the size of the largest of
// them: a map of another size is resampled, an absent one gives its default.
GLuint uploadMaps(const GroomMap* const* maps, const int* channels, int count, GLenum format, float& space) {
    const GroomMap* first = nullptr;
    int width = 0, height = 0, depth = 0;
    for (int m = 0; m < count; ++m) {
        if (!maps[m]->present()) continue;
        if (!first) first = maps[m];
        width = std::max(width, maps[m]->width);
        height = std::max(height, maps[m]->height);
        depth = std::max(depth, maps[m]->depth);
    }
    space = first ? (first->volume() ? 2.0f : 1.0f) : 0.0f;
    if (!first) return 0;
    int perTexel = format == GL_RGBA ? 4 : 1;
    std::vector<unsigned char> data(static_cast<std::size_t>(width) * height * depth * perTexel);
    std::size_t at = 0;
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                float uv[2] = {(x + 0.5f) / width, (y + 0.5f) / height};
                float position[3] = {2 * uv[0] - 1, 2 * uv[1] - 1, 2 * (z + 0.5f) / depth - 1};
                for (int m = 0; m < count; ++m) {
                    const GroomMap& map = *maps[m];
                    // A map of the grid's own size is copied, not resampled.
                    bool same = map.width == width && map.height == height && map.depth == depth;
                    for (int c = 0; c < channels[m]; ++c) {
                        int channel = channels[m] == 1 ? 0 : c;
                        float value = !map.present() ? 1.0f
                                      : same         ? map.voxel(x, y, map.volume() ? z : 0, channel)
                                                     : sampleGroomMap(map, uv, position, channel);
                        data[at++] = byte(value);
                    }
                }
            }
    return uploadTexture(width, height, depth, format, data);
}

void uploadGroom() {
    replaceTexture(textures.coat);
    replaceTexture(textures.density);
    replaceTexture(textures.modelColour);
    const GroomMap* coat[2] = {&groom.maps[COLOR_MAP], &groom.maps[LENGTH_MAP]};
    const int coatChannels[2] = {3, 1};
    textures.coat = uploadMaps(coat, coatChannels, 2, GL_RGBA, textures.coatSpace);
    const GroomMap* density[1] = {&groom.maps[DENSITY_MAP]};
    const int densityChannels[1] = {1};
    textures.density = uploadMaps(density, densityChannels, 1, GL_LUMINANCE, textures.densitySpace);
    // A colour map replaces the model's own colour texture.
    if (!groom.maps[COLOR_MAP].present()) {
        static const GroomMap none;
        const GroomMap* model[2] = {&groom.modelColor, &none};
        float modelSpace = 0;
        textures.modelColour = uploadMaps(model, coatChannels, 2, GL_RGBA, modelSpace);
    }
    bool combed = groom.maps[DIRECTION_MAP].present();
    // The combs live in the mesh's vertices: refill them when they change.
    if ((combed || textures.combed) && furMesh != nullptr && furMesh->records) {
        furMesh->combRecords();
        buildMeshBuffers();
    }
    textures.combed = combed;
    textures.version = groom.version;
}

// One 2D texture per shell texture, where the shell pass reads the rank of
// the strand it draws: a 2D read costs a fraction of a 3D one.
void uploadRanks() {
    if (!textures.ranks.empty()) glDeleteTextures(static_cast<GLsizei>(textures.ranks.size()), textures.ranks.data());
    textures.ranks.assign(static_cast<std::size_t>(std::max(shellTextureCount, 0)), 0);
    textures.rankPatch = hairPatchGeneration;
    textures.rankLayers = shellTextureCount;
    if (textures.ranks.empty()) return;
    glGenTextures(static_cast<GLsizei>(textures.ranks.size()), textures.ranks.data());
    std::vector<unsigned char> ranks(static_cast<std::size_t>(shellTextureSize) * shellTextureSize);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int i = 0; i < shellTextureCount; ++i) {
        strandRankLayer(hairPatch, shellLevel(i, furSettings.numShells), shellTextureSize, ranks.data());
        glBindTexture(GL_TEXTURE_2D, textures.ranks[static_cast<std::size_t>(i)]);
        // Nearest: a rank belongs to one strand and must not blend with another's.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_LUMINANCE, shellTextureSize, shellTextureSize, 0, GL_LUMINANCE,
                     GL_UNSIGNED_BYTE, ranks.data());
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void switchSampler(CGparameter param, GLuint texture, bool on) {
    if (!param || !texture) return;
    if (on) {
        cgGLSetTextureParameter(param, texture);
        cgGLEnableTextureParameter(param);
    } else {
        cgGLDisableTextureParameter(param);
    }
}

void switchSamplers(bool on) {
    switchSampler(textures.coatSpace == 2.0f ? groomCoat3DParam : groomCoat2DParam, textures.coat, on);
    switchSampler(textures.densitySpace == 2.0f ? groomDensity3DParam : groomDensity2DParam, textures.density, on);
    switchSampler(modelColorParam, textures.modelColour, on);
}

bool samplersOn = false;

bool groomShown = true;

}  // namespace

bool groomActive() {
    return groomShown && (textures.coat || textures.density || textures.modelColour || textures.combed);
}

void showGroom(bool shown) { groomShown = shown; }

void prepareGroomForFrame() {
    if (textures.version != groom.version) uploadGroom();
    if (textures.density && (textures.rankPatch != hairPatchGeneration || textures.rankLayers != shellTextureCount))
        uploadRanks();
}

void setGroomPass(GroomPass pass, int shell) {
    if (!groomFlagsParam || !groomBendParam) return;
    if (!groomActive()) {
        // Zero, as the programs start: every groom read and bend is skipped.
        const float zero[4] = {0, 0, 0, 0};
        cgGLSetParameter4fv(groomFlagsParam, zero);
        cgGLSetParameter4fv(groomBendParam, zero);
        return;
    }
    if (!samplersOn) switchSamplers(true);
    samplersOn = true;
    bool ranked = pass == GroomPass::Shell && textures.density && shell >= 0 &&
                  static_cast<std::size_t>(shell) < textures.ranks.size();
    float passKind = ranked ? 1.0f : pass == GroomPass::Fin ? 2.0f : 0.0f;
    const float flags[4] = {textures.coatSpace, textures.densitySpace, textures.modelColour ? 1.0f : 0.0f, passKind};
    cgGLSetParameter4fv(groomFlagsParam, flags);
    float height = furFullHeight(furSettings);
    float layer = pass == GroomPass::Fin ? furSettings.finHeight : furSettings.shellHeight;
    const float bend[4] = {height, textures.combed && height > 0 ? 1.0f / height : 0.0f,
                           textures.coatSpace == 2.0f || textures.densitySpace == 2.0f ? 1.0f : 0.0f,
                           layer > 0 ? 1.0f / layer : 0.0f};
    cgGLSetParameter4fv(groomBendParam, bend);
    if (ranked && strandRanksParam) {
        cgGLSetTextureParameter(strandRanksParam, textures.ranks[static_cast<std::size_t>(shell)]);
        cgGLEnableTextureParameter(strandRanksParam);
    }
}

void endGroomPasses() {
    if (samplersOn && textures.density && strandRanksParam) cgGLDisableTextureParameter(strandRanksParam);
    if (samplersOn) switchSamplers(false);
    samplersOn = false;
}
