// Groom textures and parameters. See groom_textures.h. Relies on the groom
// (groom/groom.h) for the data, the shader set-up for the parameters, and the
// shell textures and hair patch for the ranks' shape.
#include "render/groom_textures.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
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
    // Colour and length in one RGBA texture, the density (and a colour
    // layer's coverage) in another: a fragment reads what the groom has, once
    // each.
    GLuint coat = 0, density = 0, modelColour = 0;
    // The direction map again, which each shell pixel reads for its own comb.
    GLuint comb = 0;
    bool layered = false;  // the colour map is a layer, its coverage beside the density
    std::vector<GLuint> ranks;  // one 2D layer per shell texture
    float coatSpace = 0, densitySpace = 0, combSpace = 0;  // 0 none, 1 texture space, 2 volume
    int coatGrid[3] = {0, 0, 0}, densityGrid[3] = {0, 0, 0}, combGrid[3] = {0, 0, 0};
    bool combed = false;
    bool combEven = true;  // the comb map holds one direction throughout
    float longest = 1;     // the length map's highest value
    unsigned rankPatch = ~0u;  // the hair patch and shell count the ranks follow
    int rankLayers = -1;
};
GroomTextures textures;

// What one map gives a texture: `channels` of its channels from `first` on.
struct MapSlot {
    const GroomMap* map;
    int channels, first;
};

// The maps each texture holds.
const MapSlot coatSlots[2] = {{&groom.maps[COLOR_MAP], 3, 0}, {&groom.maps[LENGTH_MAP], 1, 0}};
const MapSlot densitySlots[2] = {{&groom.maps[DENSITY_MAP], 1, 0}, {&groom.maps[COLOR_MAP], 1, 3}};
const MapSlot combSlots[1] = {{&groom.maps[DIRECTION_MAP], 3, 0}};
int densitySlotCount() { return textures.layered ? 2 : 1; }
GLenum densityFormat() { return textures.layered ? GL_LUMINANCE_ALPHA : GL_LUMINANCE; }

void replaceTexture(GLuint& texture) {
    if (texture) glDeleteTextures(1, &texture);
    texture = 0;
}

// A texture of 8-bit values (GL_LUMINANCE, GL_RGB or GL_RGBA) as `target`:
// GL_TEXTURE_2D for a map in texture space, rows from the bottom (v = 0),
// repeating like the model's coordinates; GL_TEXTURE_3D for a volume, or
// GL_TEXTURE_2D_ARRAY for a volume read as its slices. A volume ends at its
// edges.
GLuint uploadTexture(GLenum target, int width, int height, int depth, GLenum format,
                     const std::vector<unsigned char>& data) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(target, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // Slices are read at the nearest voxel, each shell shifted by its own
    // fraction of one (coatShift): see the fragment program.
    GLint filter = target == GL_TEXTURE_2D_ARRAY ? GL_NEAREST : GL_LINEAR;
    glTexParameteri(target, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(target, GL_TEXTURE_MIN_FILTER, filter);
    GLint wrap = target != GL_TEXTURE_2D ? GL_CLAMP_TO_EDGE : GL_REPEAT;
    glTexParameteri(target, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(target, GL_TEXTURE_WRAP_T, wrap);
    if (target == GL_TEXTURE_3D) glTexParameteri(target, GL_TEXTURE_WRAP_R, wrap);
    if (target != GL_TEXTURE_2D) {
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

// The grid a texture of these maps has: the size of the largest of them.
// False when none is there.
bool mapsGrid(const MapSlot* slots, int count, int grid[3], float& space) {
    const GroomMap* first = nullptr;
    grid[0] = grid[1] = grid[2] = 0;
    for (int m = 0; m < count; ++m) {
        const GroomMap* map = slots[m].map;
        if (!map->present()) continue;
        if (!first) first = map;
        grid[0] = std::max(grid[0], map->width);
        grid[1] = std::max(grid[1], map->height);
        grid[2] = std::max(grid[2], map->depth);
    }
    space = first ? (first->volume() ? 2.0f : 1.0f) : 0.0f;
    return first != nullptr;
}

// The maps' values at the texel centres of the grid within lo..hi
// (inclusive), x fastest: a map of another size is resampled, an absent one
// gives its default.
std::vector<unsigned char> texelValues(const MapSlot* slots, int count, const int grid[3], const int lo[3],
                                       const int hi[3]) {
    int perTexel = 0;
    for (int m = 0; m < count; ++m) perTexel += slots[m].channels;
    std::vector<unsigned char> data(static_cast<std::size_t>(hi[0] - lo[0] + 1) * (hi[1] - lo[1] + 1) *
                                    (hi[2] - lo[2] + 1) * perTexel);
    std::size_t at = 0;
    // Where each map of the grid's own size holds this row; SIZE_MAX for one
    // that is resampled.
    std::vector<std::size_t> rows(static_cast<std::size_t>(count));
    for (int z = lo[2]; z <= hi[2]; ++z)
        for (int y = lo[1]; y <= hi[1]; ++y) {
            for (int m = 0; m < count; ++m) {
                const GroomMap& map = *slots[m].map;
                // A map of the grid's own size is copied, not resampled.
                bool same = map.width == grid[0] && map.height == grid[1] && map.depth == grid[2];
                rows[m] = same ? map.valueIndex(0, y, map.volume() ? z : 0) : SIZE_MAX;
            }
            for (int x = lo[0]; x <= hi[0]; ++x) {
                float uv[2] = {(x + 0.5f) / grid[0], (y + 0.5f) / grid[1]};
                float position[3] = {2 * uv[0] - 1, 2 * uv[1] - 1, 2 * (z + 0.5f) / grid[2] - 1};
                for (int m = 0; m < count; ++m) {
                    const GroomMap& map = *slots[m].map;
                    const MapImage& image = map.image;
                    for (int c = 0; c < slots[m].channels; ++c) {
                        // A grey map gives its one channel for each colour one.
                        int channel = image.channels == 1 ? 0 : slots[m].first + c;
                        float value =
                            !map.present()      ? 1.0f
                            : rows[m] != SIZE_MAX ? image.values[rows[m] + static_cast<std::size_t>(x) * image.channels +
                                                                 image.storedChannel(channel)] / 65535.0f
                                                  : sampleGroomMap(map, uv, position, channel);
                        data[at++] = byte(value);
                    }
                }
            }
        }
    return data;
}

GLuint uploadMaps(const MapSlot* slots, int count, GLenum format, float& space, int grid[3],
                  GLenum volumeTarget = GL_TEXTURE_3D) {
    if (!mapsGrid(slots, count, grid, space)) return 0;
    const int lo[3] = {0, 0, 0}, hi[3] = {grid[0] - 1, grid[1] - 1, grid[2] - 1};
    return uploadTexture(space == 2.0f ? volumeTarget : GL_TEXTURE_2D, grid[0], grid[1], grid[2], format,
                         texelValues(slots, count, grid, lo, hi));
}

// Uploads again the texels of a volume texture that the painted box of
// model space reaches, one texel beyond it for the filtering.
void uploadPainted(GLuint texture, const MapSlot* slots, int count, GLenum format, const int grid[3],
                   const PaintedRegion& painted, GLenum target = GL_TEXTURE_3D) {
    int lo[3], hi[3];
    for (int k = 0; k < 3; ++k) {
        float scale = 0.5f * static_cast<float>(grid[k]);
        lo[k] = std::max(0, static_cast<int>(std::floor((painted.lo[k] + 1) * scale - 0.5f)));
        hi[k] = std::min(grid[k] - 1, static_cast<int>(std::ceil((painted.hi[k] + 1) * scale - 0.5f)));
        if (lo[k] > hi[k]) return;
    }
    std::vector<unsigned char> data = texelValues(slots, count, grid, lo, hi);
    glBindTexture(target, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexSubImage3D(target, 0, lo[0], lo[1], lo[2], hi[0] - lo[0] + 1, hi[1] - lo[1] + 1, hi[2] - lo[2] + 1,
                    format, GL_UNSIGNED_BYTE, data.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glBindTexture(target, 0);
}

void uploadGroom() {
    replaceTexture(textures.coat);
    replaceTexture(textures.density);
    replaceTexture(textures.modelColour);
    replaceTexture(textures.comb);
    textures.layered = colourLayered(groom.maps[COLOR_MAP]);
    // Colour and length, read by every fur pixel, as a volume's slices.
    textures.coat = uploadMaps(coatSlots, 2, GL_RGBA, textures.coatSpace, textures.coatGrid, GL_TEXTURE_2D_ARRAY);
    textures.density =
        uploadMaps(densitySlots, densitySlotCount(), densityFormat(), textures.densitySpace, textures.densityGrid);
    // A colour map replaces the model's own colour texture; a layer lies over it.
    if (!groom.maps[COLOR_MAP].present() || textures.layered) {
        static const GroomMap none;
        const MapSlot model[2] = {{&groom.modelColor, 3, 0}, {&none, 1, 0}};
        float modelSpace = 0;
        int modelGrid[3];
        textures.modelColour = uploadMaps(model, 2, GL_RGBA, modelSpace, modelGrid);
    }
    textures.comb = uploadMaps(combSlots, 1, GL_RGB, textures.combSpace, textures.combGrid);
    bool combed = groom.maps[DIRECTION_MAP].present();
    // The corners' combs live in the mesh's vertices: refill them when they change.
    if ((combed || textures.combed) && furMesh != nullptr && furMesh->records) {
        furMesh->combCorners();
        buildMeshBuffers();
    }
    textures.combed = combed;
    textures.combEven = groomMapEven(groom.maps[DIRECTION_MAP]);
    textures.longest = groomMapHighest(groom.maps[LENGTH_MAP]);
    textures.version = groom.version;
    groom.painted = PaintedRegion{};
}

// What painting changed: the texels it reaches, and the combs of the corners
// near it. Painting only changes maps already uploaded, in the volume.
void uploadPaintedGroom() {
    // A stroke may have lengthened the hair anywhere under it.
    textures.longest = 1;
    if (textures.coat && textures.coatSpace == 2.0f)
        uploadPainted(textures.coat, coatSlots, 2, GL_RGBA, textures.coatGrid, groom.painted, GL_TEXTURE_2D_ARRAY);
    if (textures.density && textures.densitySpace == 2.0f)
        uploadPainted(textures.density, densitySlots, densitySlotCount(), densityFormat(), textures.densityGrid,
                      groom.painted);
    const GroomMap& direction = groom.maps[DIRECTION_MAP];
    if (groom.painted.direction && textures.comb && textures.combSpace == 2.0f) {
        uploadPainted(textures.comb, combSlots, 1, GL_RGB, textures.combGrid, groom.painted);
        // A stroke leaves the comb uneven, as good as always.
        textures.combEven = false;
    }
    if (groom.painted.direction && direction.volume() && furMesh != nullptr && furMesh->records) {
        // A corner reads the voxels within one of it.
        float margin = 2.0f / static_cast<float>(std::min({direction.width, direction.height, direction.depth}));
        float lo[3], hi[3];
        for (int k = 0; k < 3; ++k) {
            lo[k] = groom.painted.lo[k] - margin;
            hi[k] = groom.painted.hi[k] + margin;
        }
        furMesh->combCorners(lo, hi);
        refreshMeshCombs();
    }
    groom.painted = PaintedRegion{};
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
    switchSampler(textures.combSpace == 2.0f ? groomComb3DParam : groomComb2DParam, textures.comb, on);
}

bool samplersOn = false;

// Where shell `shell` reads the nearest voxel of the colour and length, as a
// shift of up to half a voxel each way along each axis of `grid`: a sequence
// that spreads the shells' shifts evenly over the voxel, so that the shells
// together blend the voxels about a border as a filter would.
void coatShift(int shell, const int grid[3], float shift[3]) {
    // The three-dimensional golden sequence: fractions of 1 / g, 1 / g^2 and
    // 1 / g^3 for g^4 = g + 1.
    const double steps[3] = {0.8191725133961645, 0.6710436067037893, 0.5497004779019703};
    for (int k = 0; k < 3; ++k) {
        double along = 0.5 + shell * steps[k];
        shift[k] = grid[k] > 0 ? static_cast<float>((along - std::floor(along) - 0.5) / grid[k]) : 0.0f;
    }
}

bool groomShown = true;

}  // namespace

bool groomActive() {
    return groomShown && (textures.coat || textures.density || textures.modelColour || textures.combed);
}

GroomProgramKey groomProgramKey() {
    GroomProgramKey key;
    if (!groomActive()) return key;
    auto space = [](GLuint texture, float value) { return texture ? static_cast<int>(value) : 0; };
    key.coatSpace = space(textures.coat, textures.coatSpace);
    key.densitySpace = space(textures.density, textures.densitySpace);
    key.combSpace = textures.combEven ? 0 : space(textures.comb, textures.combSpace);
    key.modelColour = textures.modelColour != 0;
    key.layered = textures.layered;
    return key;
}

void showGroom(bool shown) { groomShown = shown; }

float groomLongestHair() { return groomActive() && textures.coat ? textures.longest : 1.0f; }

void prepareGroomForFrame() {
    if (textures.version != groom.version) uploadGroom();
    else if (!groom.painted.empty()) uploadPaintedGroom();
    if (textures.density && (textures.rankPatch != hairPatchGeneration || textures.rankLayers != shellTextureCount))
        uploadRanks();
}

void setGroomPass(GroomPass pass, int shell) {
    if (!groomBendParam) return;
    if (!groomActive()) {
        // Zero, as the programs start: every groom read and bend is skipped.
        const float zero[4] = {0, 0, 0, 0};
        cgGLSetParameter4fv(groomBendParam, zero);
        if (groomPassParam) cgGLSetParameter4fv(groomPassParam, zero);
        if (groomCombParam) cgGLSetParameter4fv(groomCombParam, zero);
        return;
    }
    if (!samplersOn) switchSamplers(true);
    samplersOn = true;
    bool ranked = pass == GroomPass::Shell && textures.density && shell >= 0 &&
                  static_cast<std::size_t>(shell) < textures.ranks.size();
    if (groomCoatShiftParam) {
        float shift[4] = {0, 0, 0, static_cast<float>(textures.coatGrid[2])};
        if (pass == GroomPass::Shell) coatShift(shell, textures.coatGrid, shift);
        cgGLSetParameter4fv(groomCoatShiftParam, shift);
    }
    float height = furFullHeight(furSettings);
    float layer = pass == GroomPass::Fin ? furSettings.finHeight : furSettings.shellHeight;
    const float bend[4] = {height, textures.combed && height > 0 ? 1.0f / height : 0.0f,
                           textures.coatSpace == 2.0f || textures.densitySpace == 2.0f || textures.combSpace == 2.0f
                               ? 1.0f
                               : 0.0f,
                           layer > 0 ? 1.0f / layer : 0.0f};
    cgGLSetParameter4fv(groomBendParam, bend);
    if (groomPassParam) {
        const float kind[4] = {ranked ? 1.0f : 0.0f, pass == GroomPass::Fin && textures.density ? 1.0f : 0.0f, 0, 0};
        cgGLSetParameter4fv(groomPassParam, kind);
    }
    if (groomCombParam) {
        // Only shells lean per pixel: the skin has no height, and a fin's
        // texture is a side view that the corners' bend already leans.
        bool perPixel = textures.comb && pass == GroomPass::Shell && height > 0;
        const float comb[4] = {perPixel ? textures.combSpace : 0.0f, perPixel ? 1.0f / height : 0.0f, layer, 0.0f};
        cgGLSetParameter4fv(groomCombParam, comb);
    }
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
