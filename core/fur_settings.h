// The live settings of the fur: one process-wide record that the control panel
// writes and every subsystem reads at the moment it needs a value, and the one
// table that describes its fields (name, kind, limits, default). The panel,
// pelage-render's --set and the tests are loops over that table. Plain data,
// no OpenGL, so every layer may include it.
#pragma once

#include <cstddef>
#include <string_view>

// The place of one movable object. The record stores x, z and then y: readers
// always reorder to (translateXZ[0], translateY, translateXZ[1]).
struct ObjectTransform {
    float rotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float translateXZ[2] = {0, 0};
    float translateY = 0;
};

// Item ids of the "Object to move" list; each stands for one ObjectTransform.
enum ObjectToMoveId { MODEL_OBJECT = 0, LIGHT_OBJECT = 1, HAIR_VOLUME_OBJECT = 2 };

// Values of upAxis: the file axis turned to point up. UP_AXIS_FILE takes the
// one the file's format records (z for 3DS and for FBX files that say so), y
// where it records none.
enum UpAxisId { UP_AXIS_FILE = 0, UP_AXIS_Y = 1, UP_AXIS_Z = 2 };

struct FurSettings {
    // Every field at its default from the table of fields below: the one
    // place the defaults are written.
    FurSettings();

    float finHeight;
    float shellHeight;
    int numHairs;
    float finScalingFactor;
    float shellTextureScale;
    int numShells;
    int alphaBlendFins;
    int drawShellBox;
    int drawFinBox;
    int drawShells;
    int drawFins;
    // 0: the model's own texture coordinates where they can carry the fur,
    // generated ones where not; 1: generated ones always.
    int generatedTexCoords;
    // The most triangles a model is drawn with; a larger one is drawn from a
    // simplified copy. 0: no limit.
    int triangleBudget;
    float hairColor[3];
    float skinColor[3];
    float minShadow;
    float finDensity;
    float diffuseExponent;
    float specularExponent;
    float ambientColor[4];
    float diffuseColor[4];
    float specularColor[4];
    // The fur's motion (render/fur_dynamics.h); off, and with no gravity or
    // wind strength, so the rigid fur is the default picture. The wind already
    // has a direction and gusts, so raising its strength alone moves the fur.
    int dynamics;
    float gravity;
    float windStrength;
    float windDirection[3];
    float windFrequency;
    float springStiffness;
    float springDamping;
    // How fast a model's clip plays: 1 as the file times it.
    float animationSpeed;
    // The clip a rigged model plays, by name (or by number, for a name too
    // long to hold); empty: "Bind Pose". Kept whole in the record, its unused
    // bytes zero, so records still compare byte by byte.
    char animationClip[64];
    ObjectTransform modelTransform;
    ObjectTransform lightTransform;
    ObjectTransform hairVolumeTransform;
    int objectToMove;
    bool texturesDirty;
    // Pixels on screen between drawn shells where the coat comes nearest the
    // eye (render/shell_lod.h); 0 draws every shell.
    float shellLod;
    int upAxis;
    // The painting brush (groom/brush.h): tool state, not part of a look.
    // Strong enough that one stroke shows on any model: the full way to the
    // target at the dab's centre, a quarter of the length or density (or a
    // quarter lean), in a blue that no model's own colour hides.
    float brushRadius;
    float brushStrength;
    float brushValue;
    float brushColor[3];
    // Quality: each off (0) by default, which keeps the original pictures.
    // Mipmapped fin and shell textures, averaged with alpha as the weight.
    int smoothShells;
    // Multisampled edges and alpha-to-coverage for the fins and shells, where
    // the window or pbuffer has samples (asked for at start when this is on).
    int antialiasing;
    // The model shadowing itself from the light.
    int furShadows;
    // The strength of the light along the fringes of a coat seen against the light.
    float rimLight;
};

extern FurSettings furSettings;

// The world position (x, y, z) of an object, reordered from its stored (x, z, y).
void objectPosition(const ObjectTransform& transform, float position[3]);

// The transform that objectToMove selects; an unknown id selects the model.
ObjectTransform& selectedTransform(FurSettings& settings);

// --- The table of fields ----------------------------------------------------

enum class SettingKind {
    Floats,     // `count` floats, each within [min, max]
    Int,        // an int within [min, max]
    Flag,       // an int switch, 0 or 1
    Bool,       // a bool
    Transform,  // an ObjectTransform: a position within [min, max] each way, and a rotation
    Text,       // a char array of `count` bytes holding a text of at most count - 1 and its zero end
};

struct SettingField {
    const char* name;  // the member's name, as --set spells it
    SettingKind kind;
    // Values held: the floats of Floats, 1 for Int/Flag/Bool, 3 (the position)
    // for Transform, the bytes of Text's storage.
    int count;
    float min, max;
    // The default: `count` values (a transform's x, y, z position; its rotation
    // starts as the identity).
    float initial[4];
    // True where the panel build assigns the default again over whatever the
    // record holds, so that pelage's start-up ends with it either way.
    bool panelAssigns;
    std::size_t offset;  // of the member within FurSettings

    void* address(FurSettings& settings) const { return reinterpret_cast<char*>(&settings) + offset; }
};

// Every field of FurSettings, in record order.
inline constexpr SettingField furSettingFields[] = {
    {"finHeight", SettingKind::Floats, 1, 0, 5, {0.07f}, false, offsetof(FurSettings, finHeight)},
    {"shellHeight", SettingKind::Floats, 1, 0, 5, {0.04f}, false, offsetof(FurSettings, shellHeight)},
    {"numHairs", SettingKind::Int, 1, 1, 10000, {3000}, false, offsetof(FurSettings, numHairs)},
    {"finScalingFactor", SettingKind::Floats, 1, 0.1f, 40, {10}, false, offsetof(FurSettings, finScalingFactor)},
    {"shellTextureScale", SettingKind::Floats, 1, 0.1f, 20, {4}, false, offsetof(FurSettings, shellTextureScale)},
    {"numShells", SettingKind::Int, 1, 0, 100, {32}, false, offsetof(FurSettings, numShells)},
    {"alphaBlendFins", SettingKind::Flag, 1, 0, 1, {1}, false, offsetof(FurSettings, alphaBlendFins)},
    {"drawShellBox", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, drawShellBox)},
    {"drawFinBox", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, drawFinBox)},
    {"drawShells", SettingKind::Flag, 1, 0, 1, {1}, false, offsetof(FurSettings, drawShells)},
    {"drawFins", SettingKind::Flag, 1, 0, 1, {1}, false, offsetof(FurSettings, drawFins)},
    {"generatedTexCoords", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, generatedTexCoords)},
    {"triangleBudget", SettingKind::Int, 1, 0, 10000000, {6000}, false, offsetof(FurSettings, triangleBudget)},
    {"hairColor", SettingKind::Floats, 3, 0, 1, {1, 0.6f, 0}, true, offsetof(FurSettings, hairColor)},
    {"skinColor", SettingKind::Floats, 3, 0, 1, {1, 0.8f, 0.5f}, false, offsetof(FurSettings, skinColor)},
    {"minShadow", SettingKind::Floats, 1, 0, 1, {0.1f}, false, offsetof(FurSettings, minShadow)},
    {"finDensity", SettingKind::Floats, 1, 0, 1, {0.02f}, false, offsetof(FurSettings, finDensity)},
    {"diffuseExponent", SettingKind::Floats, 1, 0, 2000, {3}, false, offsetof(FurSettings, diffuseExponent)},
    {"specularExponent", SettingKind::Floats, 1, 0, 2000, {32}, false, offsetof(FurSettings, specularExponent)},
    {"ambientColor", SettingKind::Floats, 4, 0, 1, {0.1f, 0.1f, 0.1f, 1}, false, offsetof(FurSettings, ambientColor)},
    {"diffuseColor", SettingKind::Floats, 4, 0, 1, {1, 1, 1, 1}, false, offsetof(FurSettings, diffuseColor)},
    {"specularColor", SettingKind::Floats, 4, 0, 1, {1, 1, 0.8f, 1}, false, offsetof(FurSettings, specularColor)},
    {"dynamics", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, dynamics)},
    // Displacements of the tallest tips in model units: 10 lays any fur the
    // panel allows flat.
    {"gravity", SettingKind::Floats, 1, 0, 10, {0}, false, offsetof(FurSettings, gravity)},
    {"windStrength", SettingKind::Floats, 1, 0, 10, {0}, false, offsetof(FurSettings, windStrength)},
    {"windDirection", SettingKind::Floats, 3, -1, 1, {1, 0, 0}, false, offsetof(FurSettings, windDirection)},
    {"windFrequency", SettingKind::Floats, 1, 0, 10, {0.5f}, false, offsetof(FurSettings, windFrequency)},
    // The sub-step of the spring integration stays stable up to these.
    {"springStiffness", SettingKind::Floats, 1, 0, 1000, {0}, false, offsetof(FurSettings, springStiffness)},
    {"springDamping", SettingKind::Floats, 1, 0, 100, {0}, false, offsetof(FurSettings, springDamping)},
    {"animationSpeed", SettingKind::Floats, 1, 0, 4, {1}, false, offsetof(FurSettings, animationSpeed)},
    // Every Text default is the empty text.
    {"animationClip", SettingKind::Text, 64, 0, 0, {0}, false, offsetof(FurSettings, animationClip)},
    {"modelTransform", SettingKind::Transform, 3, -1000, 1000, {0, 0, 0}, false, offsetof(FurSettings, modelTransform)},
    {"lightTransform", SettingKind::Transform, 3, -1000, 1000, {5, 5, 2}, true, offsetof(FurSettings, lightTransform)},
    {"hairVolumeTransform", SettingKind::Transform, 3, -1000, 1000, {0, 1, 0}, true,
     offsetof(FurSettings, hairVolumeTransform)},
    {"objectToMove", SettingKind::Int, 1, 0, 2, {MODEL_OBJECT}, true, offsetof(FurSettings, objectToMove)},
    {"texturesDirty", SettingKind::Bool, 1, 0, 1, {1}, false, offsetof(FurSettings, texturesDirty)},
    {"shellLod", SettingKind::Floats, 1, 0, 32, {1.5f}, false, offsetof(FurSettings, shellLod)},
    {"upAxis", SettingKind::Int, 1, 0, 2, {UP_AXIS_FILE}, false, offsetof(FurSettings, upAxis)},
    // A brush smaller than a voxel of a painted volume would reach none.
    {"brushRadius", SettingKind::Floats, 1, 0.01f, 2, {0.12f}, false, offsetof(FurSettings, brushRadius)},
    {"brushStrength", SettingKind::Floats, 1, 0, 1, {1.0f}, false, offsetof(FurSettings, brushStrength)},
    {"brushValue", SettingKind::Floats, 1, 0, 1, {0.25f}, false, offsetof(FurSettings, brushValue)},
    {"brushColor", SettingKind::Floats, 3, 0, 1, {0.2f, 0.35f, 0.9f}, false, offsetof(FurSettings, brushColor)},
    {"smoothShells", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, smoothShells)},
    {"antialiasing", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, antialiasing)},
    {"furShadows", SettingKind::Flag, 1, 0, 1, {0}, false, offsetof(FurSettings, furShadows)},
    {"rimLight", SettingKind::Floats, 1, 0, 4, {0}, false, offsetof(FurSettings, rimLight)},
};

// The index of the field called `name` in furSettingFields; -1 when there is
// none. Usable in constant expressions, so a misspelt name in a table that
// uses it fails to compile. (An index, not a pointer: GCC's UBSan build does
// not take a pointer's null test as a constant expression.)
constexpr int settingFieldIndex(std::string_view name) {
    int index = 0;
    for (const SettingField& field : furSettingFields) {
        if (name == field.name) return index;
        ++index;
    }
    return -1;
}

// The field called `name`; null when there is none.
inline const SettingField* findSettingField(std::string_view name) {
    int index = settingFieldIndex(name);
    return index < 0 ? nullptr : &furSettingFields[index];
}

// The field's value as typed storage; the kind says which applies.
float* settingFloats(FurSettings& settings, const SettingField& field);
int* settingInt(FurSettings& settings, const SettingField& field);
bool* settingBool(FurSettings& settings, const SettingField& field);
ObjectTransform* settingTransform(FurSettings& settings, const SettingField& field);
char* settingText(FurSettings& settings, const SettingField& field);

// Stores `text` in a Text field, the rest of its bytes zero. False, and the
// field unchanged, when it does not fit.
bool assignSettingText(FurSettings& settings, const SettingField& field, const char* text);

// Sets a field to its default from the table (a transform: its position only).
void assignSettingDefault(FurSettings& settings, const SettingField& field);
