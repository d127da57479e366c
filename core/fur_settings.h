// The live settings of the fur: one process-wide record that the control panel
// writes and every subsystem reads at the moment it needs a value. Plain data,
// no OpenGL, so the lower layers (fur/, render/) may include it freely.
#pragma once

// The place of one movable object. The record stores x, z and then y: readers
// always reorder to (translateXZ[0], translateY, translateXZ[1]).
struct ObjectTransform {
    float rotation[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float translateXZ[2] = {0, 0};
    float translateY = 0;
};

// Item ids of the "Object to move" list; each stands for one ObjectTransform.
enum ObjectToMoveId { MODEL_OBJECT = 0, LIGHT_OBJECT = 1, HAIR_VOLUME_OBJECT = 2 };

struct FurSettings {
    float finHeight = 0.07f;
    float shellHeight = 0.04f;
    int numHairs = 3000;
    float finScalingFactor = 10;
    float shellTextureScale = 4;
    int numShells = 32;
    int alphaBlendFins = 1;
    int drawShellBox = 0;
    int drawFinBox = 0;
    int drawShells = 1;
    int drawFins = 1;
    float hairColor[3] = {1, 0.6f, 0};
    float skinColor[3] = {1, 0.8f, 0.5f};
    float minShadow = 0.1f;
    float finDensity = 0.02f;
    float diffuseExponent = 3;
    float specularExponent = 32;
    float ambientColor[4] = {0.1f, 0.1f, 0.1f, 1};
    float diffuseColor[4] = {1, 1, 1, 1};
    float specularColor[4] = {1, 1, 0.8f, 1};
    ObjectTransform modelTransform{};
    ObjectTransform lightTransform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, {5, 2}, 5};
    ObjectTransform hairVolumeTransform{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}, {0, 0}, 1};
    int objectToMove = MODEL_OBJECT;
    bool texturesDirty = true;
};

extern FurSettings furSettings;

// The world position (x, y, z) of an object, reordered from its stored (x, z, y).
void objectPosition(const ObjectTransform& transform, float position[3]);

// The transform that objectToMove selects; an unknown id selects the model.
ObjectTransform& selectedTransform(FurSettings& settings);
