// The one FurSettings record of the process and the two helpers that every
// reader of an ObjectTransform shares.
#include "core/fur_settings.h"

FurSettings furSettings;

void objectPosition(const ObjectTransform& transform, float position[3]) {
    position[0] = transform.translateXZ[0];
    position[1] = transform.translateY;
    position[2] = transform.translateXZ[1];
}

ObjectTransform& selectedTransform(FurSettings& settings) {
    switch (settings.objectToMove) {
    case LIGHT_OBJECT: return settings.lightTransform;
    case HAIR_VOLUME_OBJECT: return settings.hairVolumeTransform;
    default: return settings.modelTransform;
    }
}
