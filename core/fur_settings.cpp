// The one FurSettings record of the process, the two helpers that every
// reader of an ObjectTransform shares, and typed access through the table.
#include "core/fur_settings.h"

#include <cstring>

FurSettings::FurSettings() {
    for (const SettingField& field : furSettingFields) assignSettingDefault(*this, field);
}

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

float* settingFloats(FurSettings& settings, const SettingField& field) {
    return field.kind == SettingKind::Floats ? static_cast<float*>(field.address(settings)) : nullptr;
}

int* settingInt(FurSettings& settings, const SettingField& field) {
    bool isInt = field.kind == SettingKind::Int || field.kind == SettingKind::Flag;
    return isInt ? static_cast<int*>(field.address(settings)) : nullptr;
}

bool* settingBool(FurSettings& settings, const SettingField& field) {
    return field.kind == SettingKind::Bool ? static_cast<bool*>(field.address(settings)) : nullptr;
}

ObjectTransform* settingTransform(FurSettings& settings, const SettingField& field) {
    return field.kind == SettingKind::Transform ? static_cast<ObjectTransform*>(field.address(settings)) : nullptr;
}

char* settingText(FurSettings& settings, const SettingField& field) {
    return field.kind == SettingKind::Text ? static_cast<char*>(field.address(settings)) : nullptr;
}

bool assignSettingText(FurSettings& settings, const SettingField& field, const char* text) {
    char* storage = settingText(settings, field);
    std::size_t length = std::strlen(text);
    if (storage == nullptr || length >= static_cast<std::size_t>(field.count)) return false;
    std::memset(storage, 0, static_cast<std::size_t>(field.count));
    std::memcpy(storage, text, length);
    return true;
}

void assignSettingDefault(FurSettings& settings, const SettingField& field) {
    switch (field.kind) {
    case SettingKind::Floats:
        for (int k = 0; k < field.count; ++k) settingFloats(settings, field)[k] = field.initial[k];
        break;
    case SettingKind::Int:
    case SettingKind::Flag: *settingInt(settings, field) = static_cast<int>(field.initial[0]); break;
    case SettingKind::Bool: *settingBool(settings, field) = field.initial[0] != 0; break;
    case SettingKind::Text: assignSettingText(settings, field, ""); break;
    case SettingKind::Transform: {
        ObjectTransform& transform = *settingTransform(settings, field);
        transform.translateXZ[0] = field.initial[0];
        transform.translateY = field.initial[1];
        transform.translateXZ[1] = field.initial[2];
        break;
    }
    }
}
