// What varies over the surface: the groom. Four attributes, each read from a
// map or left at its default (length 1, density 1, no comb, colour white):
//
// - length: 0 to 1 of the full shell and fin height; a hair stops there;
// - density: 0 to 1, the share of the patch's strands that grow there;
// - direction: a direction along the surface and a lean, 0 (standing up) to
//   1 (lying flat), bending the hair as the dynamics do;
// - colour: RGB, multiplied into hair and skin; or, with a fourth channel, a
//   layer over the model's own colour: RGB and a coverage, 0 showing the
//   colour beneath (the model's texture, the hair and skin colours) and 1 the
//   layer's colour as it is, lit but not tinted.
//
// Where a map lives. A model whose own texture coordinates are unique (within
// 0..1 and no two triangles overlapping) keeps its groom in texture space, so
// maps made in other tools apply directly. Any other model keeps it in a
// volume over the cube -1..1 that every model is centred and scaled into: a
// place of its own for every point of the surface, the same for a simplified
// copy as for the model, and the same whatever texture coordinates the fur is
// drawn with. A volume map is a PNG of slices, named by its text entry
// "pelage-volume" (core/map_image.h).
//
// The model's own colour texture (map_Kd) colours the fur through the model's
// coordinates in either case, and a colour map replaces it. Plain data, no
// OpenGL: render/groom_textures.h uploads it.
#pragma once

#include <cstddef>
#include <string>

#include "core/groom_maps.h"
#include "core/map_image.h"

struct ObjModel;
struct HairPatch;


// One map as the groom holds it: an image in texture space (depth 1), or a
// volume of width x height x depth voxels laid out as the image's slices.
struct GroomMap {
    MapImage image;
    int width = 0, height = 0, depth = 0;  // 0: no map
    std::string path;                      // the file it was read from

    bool present() const { return width > 0; }
    bool volume() const { return depth > 1; }
    // Channel c at voxel (x, y, z) (z 0 for a map in texture space), 0..1.
    float voxel(int x, int y, int z, int c) const;
    // Where voxel (x, y, z)'s channel 0 lies in image.values.
    std::size_t valueIndex(int x, int y, int z) const;
};

// What painting changed since the GL side last took it: a box of model space
// (empty while lo > hi), and whether the direction map was among it.
struct PaintedRegion {
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
    bool direction = false;

    bool empty() const { return lo[0] > hi[0]; }
    void include(const float boxLo[3], const float boxHi[3]);
};

struct Groom {
    GroomMap maps[GROOM_MAP_COUNT];
    // The model's colour texture (map_Kd), sampled with its own coordinates.
    GroomMap modelColor;
    bool ownTexCoordsUnique = false;
    // Raised when maps are made or replaced, so that the GL side uploads
    // them again; painting widens `painted` instead, which the GL side
    // uploads and empties.
    unsigned version = 0;
    PaintedRegion painted;
    // Raised when the maps are replaced as a whole (read or attached), which
    // the strokes of the undo history no longer fit.
    unsigned mapsGeneration = 0;
    // Which maps were painted since they were read or saved.
    bool edited[GROOM_MAP_COUNT] = {};
};

extern Groom groom;

// Whether a colour map is a layer: a fourth channel holds its coverage.
inline bool colourLayered(const GroomMap& map) { return map.present() && map.image.channels >= 4; }

// Whether the model's texture coordinates can hold a groom: every triangle
// names them, they lie within 0..1, and no two triangles overlap there.
bool texCoordsUnique(const ObjModel& model);

// Judges the model's coordinates and reads its colour texture; a texture that
// cannot be read is one warning naming it, and the fur stays uncoloured.
// True when a colour texture was read.
bool attachModelGroom(const ObjModel& model);

// Reads the map of the given kind from `path` into `map`. False with a message
// when the file cannot be read, is a volume that does not fit its slices, is a
// map in texture space for a model without unique coordinates, or has too few
// channels (a direction map needs red and green).
bool readGroomMap(GroomMapKind kind, const std::string& path, GroomMap& map, std::string& error);

// Replaces the groom's maps by these (absent ones back to their defaults).
void setGroomMaps(GroomMap (&maps)[GROOM_MAP_COUNT]);

// Reads the maps named in `paths` (an empty path: none of that kind) and
// makes them the groom's only when every one can be used and all lie in one
// space (texture space or the volume). Otherwise false, with the message and
// the kind of the first that cannot, and the groom unchanged.
bool loadGroomMaps(const std::string (&paths)[GROOM_MAP_COUNT], std::string& error, GroomMapKind& failed);

// Whether every voxel (or texel) of a map holds one value in each channel,
// to within half a step of the 8-bit texture it is drawn from: such a map
// says at each corner of the skin all it says anywhere.
bool groomMapEven(const GroomMap& map);

// The highest value of a map's first channel over its voxels (texels), to
// the 8-bit step it is drawn with; 1 for no map.
float groomMapHighest(const GroomMap& map);

// The value of a map at a point of the surface: bilinear in texture space at
// `uv`, trilinear in the volume at `position` (model space). Channel c.
float sampleGroomMap(const GroomMap& map, const float uv[2], const float position[3], int c);

// The comb at a corner of the surface, as the vertex program adds it to the
// bend: a unit direction in the tangent plane of `normal` times
// tan(lean x 90 degrees), so that it bends a hair of height H as a bend of
// that size times H does, and a lean of 1 lays it flat. `tangentU` and
// `tangentV` are the model-space directions of the texture's u and v axes at
// the corner (used by maps in texture space). Zero without a direction map.
void groomComb(const Groom& groom, const float position[3], const float normal[3], const float uv[2],
               const float tangentU[3], const float tangentV[3], float comb[3]);

// Which strands grow where a shell texture is seen: for each texel of a
// size x size layer at `level` (0 skin, 1 tip), the rank in 0..255 of the
// strand that shows there, 255 where none does. A strand grows where
// density x 255 exceeds its rank, so a density d keeps a share d of them,
// whole.
void strandRankLayer(const HairPatch& patch, float level, int size, unsigned char* ranks);
// The rank of strand s, spread evenly over 0..1.
float strandRank(int strand);
