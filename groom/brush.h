// Grooming by hand: the brushes that paint the groom, the smooth falloff of a
// dab, and the strokes that undo and redo. A brush paints the groom's volume
// maps (groom.h), whatever texture coordinates the model has: a dab moves
// every voxel whose centre lies within its radius of the picked point part of
// the way to the brush's target, and no other. Painting a kind the groom has
// no map of makes one, at the defaults, the size of the volume maps it
// already has (paintVolumeSide when none). Plain data, no OpenGL: the GL side
// uploads what groom.painted says changed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/fur_settings.h"
#include "groom/groom.h"

struct ObjModel;

enum BrushKind { BRUSH_OFF, BRUSH_LENGTH, BRUSH_DENSITY, BRUSH_COMB, BRUSH_COLOUR, BRUSH_SMOOTH, BRUSH_ERASE, BRUSH_COUNT };

// The brush a left drag paints with; Off pans instead.
extern BrushKind activeBrush;

// The panel's names ("Off", "Length", ...) and the command line's ("off",
// "length", ...), in the order of BrushKind.
extern const char* const brushLabels[BRUSH_COUNT];
extern const char* const brushNames[BRUSH_COUNT];
// The kind called `name` on the command line; -1 when there is none.
int brushByName(std::string_view name);

// The side of a volume made for painting: a voxel of 2/128 model units, so a
// brush of radius 0.03 still covers a few voxels across.
constexpr int paintVolumeSide = 128;

struct Brush {
    BrushKind kind = BRUSH_OFF;
    // Model units; the share of the way to the target a dab goes at its
    // centre; the length or density painted, or the comb's lean.
    float radius = furSettingFields[settingFieldIndex("brushRadius")].initial[0];
    float strength = furSettingFields[settingFieldIndex("brushStrength")].initial[0];
    float value = furSettingFields[settingFieldIndex("brushValue")].initial[0];
    float color[3] = {1, 1, 1};
};

// The weight of a dab at `distance` from its centre: 1 at the centre, falling
// smoothly (zero slope at both ends) to 0 at `radius` and beyond.
float brushFalloff(float distance, float radius);

// The direction a stroke combs at a point: the step from the last picked point
// to this one, in the tangent plane of `normal`, as a unit vector. False (and
// no direction) for a step too short to say one.
bool strokeDirection(const float from[3], const float to[3], const float normal[3], float direction[3]);

// What one stroke changed: each voxel's values from before the stroke, in the
// order first touched, so that undo puts them back and redo puts the stroke's
// own back. Kept per map kind.
struct GroomStroke {
    struct Changes {
        std::vector<std::uint32_t> voxels;     // indices into the map's values, of channel 0
        std::vector<std::uint16_t> values;     // `channels` per voxel
        std::vector<bool> touched;             // per voxel of the map, while the stroke is open
    };
    Changes maps[GROOM_MAP_COUNT];
    float lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};  // model-space box of what changed
    unsigned mapsGeneration = 0;

    std::size_t bytes() const;
};

// Makes the maps `kind` paints where the groom has none, and says whether it
// can paint: false with a message when the groom's maps are in texture space,
// or for a brush that paints nothing (Off; Smooth and Erase with no map). A
// colour map made here is a layer (groom.h): colour with a coverage of 0, so
// the model's own colour shows at its full resolution until a stroke covers it.
bool preparePaintMaps(Groom& groom, BrushKind kind, std::string& error);

// Applies one dab of `brush` centred at `centre` (model space); `direction` is
// the stroke's unit direction for the comb (null: the comb paints nothing).
// On a colour layer the Colour brush lays its colour over the layer with the
// dab's weight as coverage, and Erase lowers the coverage only.
// Records what it changes in `stroke` (may be null) and widens groom.painted.
void applyDab(Groom& groom, const Brush& brush, const float centre[3], const float* direction, GroomStroke* stroke);

// Undo and redo by stroke. Holds at most maxStrokes strokes and, beyond the
// newest, at most maxBytes of them: the oldest go first.
class GroomHistory {
public:
    static constexpr std::size_t maxStrokes = 256;
    static constexpr std::size_t maxBytes = std::size_t{512} << 20;

    // The stroke dabs record into until endStroke; null when none is open.
    GroomStroke* beginStroke(const Groom& groom);
    void endStroke();
    bool strokeOpen() const { return open_; }

    // Swaps the groom's values with the last stroke's (or the next undone
    // one's). False when there is none, or the maps were replaced since.
    bool undo(Groom& groom);
    bool redo(Groom& groom);

    std::size_t strokes() const { return done_.size(); }
    std::size_t undone() const { return undone_.size(); }
    std::size_t bytes() const;
    void clear();

private:
    // Swaps the newest stroke of `from` into the groom and moves it to `to`.
    bool step(std::vector<GroomStroke>& from, std::vector<GroomStroke>& to, Groom& groom);

    std::vector<GroomStroke> done_, undone_;
    bool open_ = false;
};

extern GroomHistory groomHistory;
